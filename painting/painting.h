#pragma once
// A track::Scene painted with Qt Gui: on the window's canvas, or into the bytes of a PNG file.
#include <string>

#include "track/picture.h"

class QFontMetricsF;
class QPainter;

namespace painting {

void paintScene(QPainter& painter, const track::Scene& scene);

// Where the scene's note (the hemispheres the table is drawn in) begins: right of the
// latitudes' labels down the left edge, so that it covers none of them, and left of the north
// arrow where the picture is wide enough.
double noteLeft(const QFontMetricsF& metrics, const track::Scene& scene);

// The bytes of a PNG file; needs a QGuiApplication for the lettering. Empty when it cannot be
// made.
std::string pngPicture(const track::Scene& scene);

}  // namespace painting
