#pragma once
// A Scene painted with Qt Gui: on the window's canvas, or into the bytes of a PNG file.
#include <string>

#include "track/picture.h"

class QPainter;

namespace track {

void paintScene(QPainter& painter, const Scene& scene);

// The bytes of a PNG file; needs a QGuiApplication for the lettering. Empty when it cannot be
// made.
std::string pngPicture(const Scene& scene);

}  // namespace track
