#pragma once
#include <QImage>

namespace app {

// The logo across the top of the main menu: 600 by 204 pixels in `format`, drawn, not loaded.
// It paints into an image of its own, so any thread may draw it.
QImage drawLogo(QImage::Format format);

}  // namespace app
