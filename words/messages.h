#pragma once
// The one way the program tells the user an outcome: a modal box with a fixed text, a title
// (possibly empty), one of four looks and an OK button. The program shows real boxes; the tests
// record what would have been shown.
#include <string>
#include <vector>

namespace words {

// Warning: a transfer that did its work but left something out.
enum class Icon { None, Information, Critical, Warning };

struct Message {
  std::string text;   // Latin-1, shown exactly as given
  std::string title;  // Latin-1; may be empty
  Icon icon = Icon::None;
  bool operator==(const Message&) const = default;
};

class Messages {
 public:
  virtual ~Messages() = default;
  // Shows the box and returns when the user has closed it.
  virtual void show(const Message& message) = 0;
  void show(std::string text, std::string title, Icon icon) {
    show(Message{std::move(text), std::move(title), icon});
  }
};

// Keeps every box instead of showing it.
class RecordedMessages : public Messages {
 public:
  using Messages::show;
  void show(const Message& message) override { shown.push_back(message); }
  std::vector<Message> shown;
};

}  // namespace words
