#pragma once
// An exchange on the simulated unit, presented as the main window presents it: every indicator
// change and every box, in order, without a window.
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "sim/rig.h"
#include "words/exchange_view.h"
#include "words/messages.h"

namespace testing_window {

using Indicator = words::Indicator;

class RecordingFace : public words::Face {
 public:
  void setIndicator(Indicator indicator, bool visible) override {
    shown[indicator] = visible;
    visibilityChanges.emplace_back(indicator, visible);
  }
  void setCount(long long count) override { counts.push_back(count); }
  void showBox(const words::Message& message) override { boxes.show(message); }

  bool visible(Indicator indicator) const {
    const auto found = shown.find(indicator);
    return found != shown.end() && found->second;
  }

  words::RecordedMessages boxes;
  std::map<Indicator, bool> shown;
  // Every change of visibility, in order.
  std::vector<std::pair<Indicator, bool>> visibilityChanges;
  std::vector<long long> counts;
};

struct WindowRig : sim::Rig {
  RecordingFace face;
  std::optional<words::ExchangeView> view;

  WindowRig() {
    onStart = [this](int operation) { view.emplace(operation, face); };
    host.onProgress = [this](const device::Progress& report) { view->progress(report); };
    onEnded = [this](const device::Result& ended) { view->end(ended); };
  }
};

}  // namespace testing_window
