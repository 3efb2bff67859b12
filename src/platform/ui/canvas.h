#pragma once

#include "platform/ui/control.h"

#include <optional>
#include <string>
#include <vector>

namespace ct {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

enum class Alignment { Left, Right, Center };

// A small picture held in memory, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    Color at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

struct Font {
    std::string name;
    int size = 8;
    bool bold = false;
    Color color = colors::clBlack;
    bool operator==(const Font&) const = default;
};

// Where a grid cell is drawn. The view paints on its widget; tests record the calls.
class Canvas {
public:
    virtual ~Canvas() = default;

    Font font;
    Color brushColor = colors::clWindow;

    virtual void fillRect(const Rect& rect) = 0;
    virtual void textRect(const Rect& rect, const std::string& text, Alignment alignment) = 0;
    // Draws the picture stretched to `dest`; pixels of the transparent colour take the brush
    // colour.
    virtual void drawPicture(const Rect& dest, const Picture& picture,
                             std::optional<Color> transparent) = 0;
};

// A hidden picture on a form (for drawing into grid cells).
class Image : public Control {
public:
    Image(class Container& parent, std::string name, Picture picture = {});
    const Picture& picture() const { return picture_; }
    void setPicture(Picture picture);

private:
    Picture picture_;
};

} // namespace ct
