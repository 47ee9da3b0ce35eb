#include "config/field_store.h"

#include "config/field_table.h"

namespace config {

namespace {
std::size_t slot(Field field) {
  return static_cast<std::size_t>(field);
}
}  // namespace

FieldStore::FieldStore() : version_(kInitialVersion) {
  for (const FieldRow& row : fieldTable()) {
    values_[slot(row.field)] = Value{row.initialText, row.initialIndex};
  }
}

std::string FieldStore::text(Field field) const {
  const FieldRow& row = fieldRow(field);
  const Value& value = values_[slot(field)];
  if (row.kind == Kind::List && value.index >= 0) return row.items[value.index];
  return value.text;
}

void FieldStore::setText(Field field, const std::string& text) {
  const FieldRow& row = fieldRow(field);
  Value& value = values_[slot(field)];
  value.text = row.maxLength > 0 && text.size() > static_cast<std::size_t>(row.maxLength)
                   ? text.substr(0, row.maxLength)
                   : text;
  if (row.kind == Kind::List) value.index = -1;
  changed(field);
}

int FieldStore::index(Field field) const {
  return fieldRow(field).kind == Kind::List ? values_[slot(field)].index : -1;
}

bool FieldStore::setIndex(Field field, int index) {
  const FieldRow& row = fieldRow(field);
  if (row.kind != Kind::List || index < -1 || index >= static_cast<int>(row.items.size()))
    return false;
  Value& value = values_[slot(field)];
  value.index = index;
  value.text.clear();
  changed(field);
  return true;
}

void FieldStore::setVersionText(const std::string& text) {
  version_ = text;
  changed(std::nullopt);
}

void copyFields(const Fields& from, Fields& to) {
  for (const FieldRow& row : fieldTable()) {
    if (row.kind == Kind::List) {
      to.setIndex(row.field, from.index(row.field));
    } else {
      to.setText(row.field, from.text(row.field));
    }
  }
  to.setVersionText(from.versionText());
}

}  // namespace config
