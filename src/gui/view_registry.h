#pragma once

#include <functional>
#include <string>

namespace ct {
class Form;
}

namespace ct::gui {

class FormView;

// The windows of the headless forms. A form gets its window the first time it is shown or a
// dialog needs it as parent; screens register the layout of their own forms by form name, other
// forms get the default layout.
using ViewFactory = std::function<FormView*(Form& form)>;
void registerViewFactory(const std::string& formName, ViewFactory factory);

// The window of the form, created (and built) when it has none yet.
FormView& viewFor(Form& form);
FormView* existingView(const Form* form);
// Destroys the window of the form (before the form itself goes).
void destroyView(const Form& form);
void destroyAllViews();

} // namespace ct::gui
