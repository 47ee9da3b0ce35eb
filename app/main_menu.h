#pragma once
// The main menu's controls: each one's kind, caption, place, look and startup visibility in one
// table, the keyboard's way through them, the status line, and which of them the exchange uses.
#include <QWidget>
#include <array>
#include <map>
#include <string>
#include <utility>

#include "device/exchange.h"
#include "words/exchange_view.h"

namespace app {

// Builds the menu's controls into `window` as at startup; by name ("Command1", "Status", ...).
std::map<std::string, QWidget*> buildMainMenu(QWidget& window);

// The transfer buttons and the operation code each one stores.
extern const std::array<std::pair<const char*, int>, device::kOperationCount> kTransferButtons;

// The control that shows an indicator.
const char* indicatorName(words::Indicator indicator);
// The buttons that show while an exchange runs; of them only Command5 and Command11 cancel.
extern const std::array<const char*, 6> kProgressButtons;

}  // namespace app
