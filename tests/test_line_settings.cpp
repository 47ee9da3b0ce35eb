#include <gtest/gtest.h>

#include "link/line_settings.h"

namespace {

TEST(LineSettings, ReadsTheSettingsText) {
  using device::LineSettings;
  const std::pair<const char*, std::optional<LineSettings>> cases[] = {
      {"9600,N,8,1", LineSettings{9600, 'N', 8, 1}},
      {"38400,N,8,1", LineSettings{38400, 'N', 8, 1}},
      {"1200,e,7,2", LineSettings{1200, 'E', 7, 2}},
      {"9600,N,8", std::nullopt},
      {"9600,X,8,1", std::nullopt},
      {"fast,N,8,1", std::nullopt},
      {"9600,N,9,1", std::nullopt},
      {"9600,N,8,3", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(device::parseLineSettings(text), expected) << text;
  }
}

}  // namespace
