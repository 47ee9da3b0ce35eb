#pragma once
// The configuration fields held in memory, behaving exactly as the windows' controls do: texts
// cut to their field's maximum length, an index that names no item refused, the values after
// the main window's startup to begin with.
#include <array>
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
  void setVersionText(const std::string& text) override { version_ = text; }

 private:
  struct Value {
    std::string text;  // a list field: the typed text, shown while nothing is selected
    int index = -1;
  };
  std::array<Value, kFieldCount> values_;
  std::string version_;
};

// Copies every field and the version text from one store of fields to another.
void copyFields(const Fields& from, Fields& to);

}  // namespace config
