#pragma once
// The boxes the configuration file and the GPS location table file share: both are saved and
// loaded with the same words.
#include "messages/messages.h"

namespace ui {

inline const Message kFileSaved{"Configuration has been Saved", "Saved", Icon::Information};
inline const Message kErrorLoadingFile{"Error loading file", "Error", Icon::Critical};

// The box that ends a save: kFileSaved, or the file kind's own failure box. Returns `saved`.
inline bool reportSave(bool saved, Messages& messages, const Message& failure) {
  messages.show(saved ? kFileSaved : failure);
  return saved;
}

}  // namespace ui
