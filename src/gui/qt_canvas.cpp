#include "gui/qt_canvas.h"

#include "gui/qt_convert.h"

#include <QImage>
#include <QPainter>

namespace ct::gui {
namespace {

QRect toQRect(const Rect& rect) {
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

QRgb rgbOf(Color color) {
    return toQColor(color).rgb();
}

} // namespace

Color fromQColor(const QColor& color) {
    return static_cast<Color>(color.red()) | (static_cast<Color>(color.green()) << 8) |
           (static_cast<Color>(color.blue()) << 16);
}

QtCanvas::QtCanvas(QPainter& painter, const QFont& baseFont)
    : painter_(painter)
    , baseFont_(baseFont) {}

void QtCanvas::fillRect(const Rect& rect) {
    painter_.fillRect(toQRect(rect), toQColor(brushColor));
}

void QtCanvas::textRect(const Rect& rect, const std::string& text, Alignment alignment) {
    QFont qfont = baseFont_;
    qfont.setBold(font.bold);
    painter_.save();
    painter_.setFont(qfont);
    painter_.setPen(toQColor(font.color));
    Qt::Alignment flags = Qt::AlignVCenter;
    flags |= alignment == Alignment::Right    ? Qt::AlignRight
             : alignment == Alignment::Center ? Qt::AlignHCenter
                                              : Qt::AlignLeft;
    const QRect inner = toQRect(rect).adjusted(3, 0, -3, 0);
    painter_.setClipRect(toQRect(rect));
    painter_.drawText(inner, static_cast<int>(flags), toQ(text));
    painter_.restore();
}

void QtCanvas::drawPicture(const Rect& dest, const Picture& picture,
                           std::optional<Color> transparent) {
    if (picture.empty() ||
        picture.pixels.size() < static_cast<std::size_t>(picture.width * picture.height))
        return;
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    const QRgb brush = rgbOf(brushColor);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const Color pixel = picture.at(x, y);
            image.setPixel(x, y, transparent && pixel == *transparent ? brush : rgbOf(pixel));
        }
    painter_.drawImage(toQRect(dest), image);
}

} // namespace ct::gui
