#pragma once
// The texts whose bytes in the configuration image could run into the next field's: how many
// bytes each may take (what its slot reads back), counted as the encoding writes it. The
// configuration download refuses a configuration that breaks a limit, and the configuration
// window's check reports the same, with the same message, so a configuration the check finds OK is
// never refused by the download.
#include <string>
#include <vector>

#include "config/fields.h"

namespace config {

struct SlotLimit {
  Field field;
  int bytes;
  // The encoding leaves blanks out: a blank keeps its byte (255) but writes nothing, so blanks
  // after the last other character take no byte at all.
  bool blanksSkipped;
  // Written only when this other field has more than 3 characters (the secondary DNS comes only
  // with a primary one); the field itself when always written.
  Field writtenWith;
  std::string message;  // names the field and its limit
};

const std::vector<SlotLimit>& slotLimits();

// The bytes the text takes from the start of its slot when the encoding writes it.
int slotBytes(const SlotLimit& limit, const std::string& text);
// True when the field's text does not fit its slot.
bool slotExceeded(const SlotLimit& limit, const Fields& fields);

}  // namespace config
