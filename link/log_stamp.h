#pragma once
// The date and time a GPS log upload starts, as the PC's regional settings write them.
#include "link/log_upload.h"

namespace device {

// The short date and time of now. Where the short time leaves the seconds out, they are added,
// so that uploads a minute apart do not share a name.
LogStamp localLogStamp();

}  // namespace device
