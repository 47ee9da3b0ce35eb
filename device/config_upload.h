#pragma once
// The configuration upload (operation code 0, "U"): the unit sends image bytes 0 to 367 as 736
// hexadecimal digits, one a read, each answered with "1"; then four reads of version text. The
// image is then decoded into the fields of setup1 and setup3.
#include "config/fields.h"
#include "config/image.h"
#include "device/exchange.h"

namespace device {

// Where an upload puts what it receives; both must outlive the exchange.
struct ConfigUploadTarget {
  config::Image* image;
  config::Fields* fields;
};

Task configUpload(Context context, ConfigUploadTarget target);
Transfer configUploadTransfer(ConfigUploadTarget target);

}  // namespace device
