#pragma once

#include "platform/ui/canvas.h"

#include <QFont>
#include <QPalette>

class QPainter;

namespace ct::gui {

// A grid cell's canvas painted with a QPainter: the headless grid and the screen's draw handler
// paint through it exactly as they would on the suite's grid canvas.
class QtCanvas final : public Canvas {
public:
    QtCanvas(QPainter& painter, const QFont& baseFont);

    void fillRect(const Rect& rect) override;
    void textRect(const Rect& rect, const std::string& text, Alignment alignment) override;
    void drawPicture(const Rect& dest, const Picture& picture,
                     std::optional<Color> transparent) override;

private:
    QPainter& painter_;
    QFont baseFont_;
};

// Colour of the platform from a Qt colour (for brushes set by the view).
Color fromQColor(const QColor& color);

} // namespace ct::gui
