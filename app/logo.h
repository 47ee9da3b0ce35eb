#pragma once
#include <QPixmap>

namespace app {

// The logo across the top of the main menu: 600 by 204 pixels, drawn, not loaded.
QPixmap drawLogo();

}  // namespace app
