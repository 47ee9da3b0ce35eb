// The proof of a download by its read-back: which changes of the unit's bytes name a field, and
// which the unit cannot give back anyway.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "config/decoding.h"
#include "config/encoding.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "config/image.h"
#include "config/verify.h"
#include "sim/config_operations.h"

namespace config {
namespace {

Image plausibleImage() {
  const sim::ConfigMemory memory = sim::plausibleConfiguration();
  Image image;
  for (size_t i = 0; i < memory.image.size(); ++i) image.set(static_cast<int>(i), memory.image[i]);
  return image;
}

// Two voltage positions the unit stores with one code.
std::pair<int, int> positionsOfOneCode() {
  VoltageCodeTable table;
  table.build();
  for (int low = 0; low < VoltageCodeTable::kPositions; ++low) {
    for (int high = low + 1; high < VoltageCodeTable::kPositions; ++high) {
      if (table.codeAt(low) == table.codeAt(high)) return {low, high};
    }
  }
  return {0, 0};
}

TEST(ReadBackProof, NamesWhatTheUnitGaveBackOtherwiseAndNothingItCannotGiveBack) {
  VoltageCodeTable codes;
  codes.build();
  const auto [low, high] = positionsOfOneCode();
  ASSERT_NE(low, high);
  const int setup1Combo15 = slotOf(Field::setup1_Combo15).index;
  const Image sent = [&] {
    Image image = plausibleImage();
    image.set(setup1Combo15, codes.codeAt(high));
    // Base phone number 3 of 16 characters, one more than the unit gives back.
    const Slot& text5 = slotOf(Field::setup1_Text5);
    image.fill(text5.index, text5.last(), '5');
    return image;
  }();
  struct Case {
    const char* what;
    int index;
    int value;
    std::optional<Field> named;
  };
  const int text2 = slotOf(Field::setup1_Text2).index;
  const int text5 = slotOf(Field::setup1_Text5).index;
  ASSERT_EQ(slotOf(Field::setup1_Text5).width, 16);
  const Case cases[] = {
      {"a list's position", slotOf(Field::setup1_Combo13).index, 3, Field::setup1_Combo13},
      {"a phone number's first character", text2, '-', Field::setup1_Text2},
      {"a number's byte", slotOf(Field::setup1_Text22).index + 1, 7, Field::setup1_Text22},
      {"the lowest voltage position of the same code", setup1Combo15, codes.codeAt(low), {}},
      {"another voltage code", setup1Combo15, codes.codeAt(high) + 1, Field::setup1_Combo15},
      {"the device password", slotOf(Field::setup1_Text14).index, 'x', {}},
      {"the flag that is never read back", 217, 9, {}},
      {"a spare byte", 49, 9, {}},
      {"Base phone number 3's 16th character", text5 + 15, 'x', {}},
      {"Base phone number 3's 15th character", text5 + 14, 'x', Field::setup1_Text5},
      {"a byte after the phone number's end mark", text2 + 15, 'x', {}},
  };
  EXPECT_TRUE(unconfirmedFields(sent, sent).empty());
  for (const Case& c : cases) {
    Image read = sent;
    read.set(c.index, c.value);
    const std::vector<Field> named = unconfirmedFields(sent, read);
    if (c.named) {
      EXPECT_EQ(named, std::vector<Field>{*c.named}) << c.what;
    } else {
      EXPECT_TRUE(named.empty()) << c.what;
    }
  }
}

TEST(ReadBackProof, TheUnitsPasswordIsTheNewOneWhenItHasFourCharacters) {
  for (const auto& [newPassword, held] :
       {std::pair{"", "7391"}, std::pair{"123", "7391"}, std::pair{"2468", "2468"}}) {
    // A configuration such as a unit in service holds, with the existing password 7391.
    FieldStore fields;
    applyStartupValues(fields);
    decodeImage(plausibleImage(), fields);
    fields.setText(Field::setup1_Text14, newPassword);
    Image image;
    VoltageCodeTable codes;
    ASSERT_TRUE(encodeConfiguration(fields, image, codes).encoded) << newPassword;
    EXPECT_EQ(devicePassword(image), held) << newPassword;
  }
}

}  // namespace
}  // namespace config
