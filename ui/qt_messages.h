#pragma once
#include "messages/messages.h"

class QWidget;

namespace ui {

// Real modal message boxes, owned by the given window.
class QtMessages : public Messages {
 public:
  explicit QtMessages(QWidget* owner) : owner_(owner) {}
  using Messages::show;
  void show(const Message& message) override;

 private:
  QWidget* owner_;
};

}  // namespace ui
