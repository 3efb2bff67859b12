#pragma once

#include "gui/control_mirror.h"

class QWidget;

namespace ct {
class MenuItem;
}

namespace ct::gui {

class FormView;

// Creates the widget that mirrors the control, as a child of `parent`, with its mirror. Containers
// get an empty box or frame: their children are laid out by whoever builds the window. Returns
// nullptr for controls that have no widget of their own (hidden pictures, menu items, pages).
QWidget* createMirrorWidget(FormView& view, Control& control, QWidget* parent);

} // namespace ct::gui
