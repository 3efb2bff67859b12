#include "platform/ui/canvas.h"

#include "platform/ui/container.h"

namespace ct {

Image::Image(Container& parent, std::string name, Picture picture)
    : Control(&parent, std::move(name), ControlKind::Image)
    , picture_(std::move(picture)) {}

void Image::setPicture(Picture picture) {
    picture_ = std::move(picture);
    notify(Property::Picture);
}

} // namespace ct
