#include "config/slot_limits.h"

namespace config {

namespace {

using F = Field;

std::vector<SlotLimit> buildLimits() {
  // Base phone number 3 and the SMSC number are read back with at most 15 characters, so a
  // 16th would be lost on the way back.
  return {
      {F::setup1_Text5, 15, false, F::setup1_Text5, "Invalid Base Phone number 3 (max 15)"},
      {F::setup1_Text35, 15, false, F::setup1_Text35, "Invalid SMSC number (max 15)"},
      {F::setup3_Text1, 16, false, F::setup3_Text1, "Invalid Dial out phone number (max 16)"},
      {F::setup1_Text11, 48, true, F::setup1_Text11,
       "Invalid IP address or Domain name (max 48 characters)"},
      {F::setup1_Text12, 5, true, F::setup1_Text12,
       "Invalid UDP destination port (max 5 characters)"},
      {F::setup1_Text10, 5, true, F::setup1_Text10,
       "Invalid TCP destination port (max 5 characters)"},
      {F::setup1_Text20, 5, true, F::setup1_Text20,
       "Invalid UDP OS upload port (max 5 characters)"},
      {F::setup1_Text13, 16, false, F::setup1_Text13, "Invalid Primary DNS (max 16)"},
      {F::setup1_Text15, 16, false, F::setup1_Text13, "Invalid Secondary DNS (max 16)"},
  };
}

}  // namespace

const std::vector<SlotLimit>& slotLimits() {
  static const std::vector<SlotLimit> limits = buildLimits();
  return limits;
}

int slotBytes(const SlotLimit& limit, const std::string& text) {
  if (!limit.blanksSkipped) return static_cast<int>(text.size());
  const size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? 0 : static_cast<int>(last) + 1;
}

bool slotExceeded(const SlotLimit& limit, const Fields& fields) {
  if (limit.writtenWith != limit.field && fields.text(limit.writtenWith).size() <= 3) return false;
  return slotBytes(limit, fields.text(limit.field)) > limit.bytes;
}

}  // namespace config
