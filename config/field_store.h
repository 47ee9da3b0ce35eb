#pragma once
// The configuration, for both programs: the fields held in memory, behaving exactly as the
// windows' controls do (texts cut to their field's maximum length, typing into a list's text
// clearing its selection, an index that names no item refused), the values after the main
// window's startup to begin with. The editing windows show it and write every edit back.
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "config/fields.h"

namespace config {

class FieldStore : public Fields {
 public:
  FieldStore();

  std::string text(Field field) const override;
  // On a list field this is typing into its text portion: the selection is cleared.
  void setText(Field field, const std::string& text) override;
  int index(Field field) const override;
  bool setIndex(Field field, int index) override;
  std::string versionText() const override { return version_; }
  void setVersionText(const std::string& text) override;

  // Told of every change: the field, or nothing for the version text. The windows that show
  // the store follow it this way.
  void onChange(std::function<void(std::optional<Field>)> handler) {
    changed_ = std::move(handler);
  }
  // Told after every change too, whoever made it: the keeper of the technician's unsaved edits.
  void afterChange(std::function<void()> handler) { afterChange_ = std::move(handler); }

 private:
  void changed(std::optional<Field> field) {
    if (changed_) changed_(field);
    if (afterChange_) afterChange_();
  }

  struct Value {
    std::string text;  // a list field: the typed text, shown while nothing is selected
    int index = -1;
  };
  std::array<Value, kFieldCount> values_;
  std::string version_;
  std::function<void(std::optional<Field>)> changed_;
  std::function<void()> afterChange_;
};

// Copies every field and the version text from one store of fields to another.
void copyFields(const Fields& from, Fields& to);

}  // namespace config
