#include "config/slot_limits.h"

#include "config/layout.h"

namespace config {

namespace {

using F = Field;

// A limit as the field's slot sets it: the bytes it reads back, whether blanks are left out,
// and the field it is written only with.
SlotLimit limitOf(Field field, const char* message) {
  const Slot& slot = slotOf(field);
  return {field, slot.readWidth(), slot.format == Format::FilledTextBlanksSkipped,
          slot.format == Format::FilledTextLong && slot.partner ? *slot.partner : field, message};
}

std::vector<SlotLimit> buildLimits() {
  return {
      limitOf(F::setup1_Text5, "Invalid Base Phone number 3 (max 15)"),
      limitOf(F::setup1_Text35, "Invalid SMSC number (max 15)"),
      limitOf(F::setup3_Text1, "Invalid Dial out phone number (max 16)"),
      limitOf(F::setup1_Text11, "Invalid IP address or Domain name (max 48 characters)"),
      limitOf(F::setup1_Text12, "Invalid UDP destination port (max 5 characters)"),
      limitOf(F::setup1_Text10, "Invalid TCP destination port (max 5 characters)"),
      limitOf(F::setup1_Text20, "Invalid UDP OS upload port (max 5 characters)"),
      limitOf(F::setup1_Text13, "Invalid Primary DNS (max 16)"),
      limitOf(F::setup1_Text15, "Invalid Secondary DNS (max 16)"),
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
