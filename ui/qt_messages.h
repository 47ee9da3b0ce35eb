#pragma once
#include "words/messages.h"

class QWidget;

namespace ui {

// Real modal message boxes, owned by the given window.
class QtMessages : public words::Messages {
 public:
  explicit QtMessages(QWidget* owner) : owner_(owner) {}
  using words::Messages::show;
  void show(const words::Message& message) override;

 private:
  QWidget* owner_;
};

}  // namespace ui
