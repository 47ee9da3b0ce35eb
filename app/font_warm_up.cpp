#include "app/font_warm_up.h"

#include <fontconfig/fontconfig.h>

namespace app {

// Qt's font database asks for the same configuration (FcInit) when it first needs it, and then
// finds it loaded.
FontWarmUp::FontWarmUp() : reading_([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() {
  finish();
}

void FontWarmUp::finish() {
  if (reading_.joinable()) reading_.join();
}

}  // namespace app
