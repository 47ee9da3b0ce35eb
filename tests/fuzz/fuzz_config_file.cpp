// The configuration file reader on any bytes. Rules checked:
// - every record the record reader gives takes at least one byte, so reading ends; a bare record
//   holds no comma, no line end and no blank at either end, a quoted one no double quote;
// - a load applies the records in file order and stops at its first failure; whatever it
//   applied stays (nothing is reset or rolled back), and a field it never reached keeps its
//   value; every text stays within its field's maximum length (kMaxLoadedText for a field
//   without one, kMaxVersionText for the version text);
// - the configuration file saved from whatever was loaded always loads again, and saving that
//   gives the same bytes; a text without a double quote comes back exactly.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "config/config_file.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "records/text_records.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using config::Field;

// Passes everything on to a store and notes which fields were written, in order.
class NotingFields : public config::Fields {
 public:
  explicit NotingFields(config::FieldStore& store) : store_(store) {}
  std::string text(Field field) const override { return store_.text(field); }
  void setText(Field field, const std::string& text) override {
    written.push_back(field);
    store_.setText(field, text);
    noteValue(field);
  }
  int index(Field field) const override { return store_.index(field); }
  bool setIndex(Field field, int index) override {
    written.push_back(field);
    const bool taken = store_.setIndex(field, index);
    noteValue(field);
    return taken;
  }
  std::string versionText() const override { return store_.versionText(); }
  void setVersionText(const std::string& text) override {
    versionWritten = true;
    store_.setVersionText(text);
  }

  std::vector<Field> written;
  // What each field held right after the load last wrote it.
  std::map<Field, std::pair<std::string, int>> valueAfterWrite;
  bool versionWritten = false;

 private:
  void noteValue(Field field) {
    valueAfterWrite[field] = {store_.text(field), store_.index(field)};
  }
  config::FieldStore& store_;
};

void checkRecords(const std::string& bytes) {
  records::RecordReader reader(bytes);
  std::size_t records = 0;
  while (const std::optional<records::Record> record = reader.next()) {
    FUZZ_CHECK(++records <= bytes.size());
    const std::string& text = record->text;
    if (record->quoted) {
      FUZZ_CHECK(text.find('"') == std::string::npos);
    } else {
      FUZZ_CHECK(text.find_first_of(",\r\n") == std::string::npos);
      FUZZ_CHECK(text.empty() || (text.front() != ' ' && text.front() != '\t' &&
                                  text.back() != ' ' && text.back() != '\t'));
    }
  }
}

// Every list selection the same, and every text that holds no double quote.
bool sameFields(const config::FieldStore& a, const config::FieldStore& b) {
  for (const config::FieldRow& entry : config::fieldTable()) {
    if (entry.kind == config::Kind::List) {
      if (a.index(entry.field) != b.index(entry.field)) return false;
    } else if (a.text(entry.field).find('"') == std::string::npos) {
      if (a.text(entry.field) != b.text(entry.field)) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  checkRecords(bytes);

  const config::FieldStore before;
  config::FieldStore store;
  NotingFields noting(store);
  const bool loaded = config::applyConfigurationText(noting, bytes);

  // The records applied are a prefix of the file's applied records, all of them on success.
  std::vector<Field> applied;
  for (const config::FileRecord& record : config::fileRecords()) {
    if (record.applied && record.kind != config::FileRecord::Version)
      applied.push_back(record.field);
  }
  FUZZ_CHECK(noting.written.size() <= applied.size());
  for (std::size_t k = 0; k < noting.written.size(); ++k) {
    FUZZ_CHECK(noting.written[k] == applied[k]);
  }
  if (loaded) FUZZ_CHECK(noting.written.size() == applied.size() && noting.versionWritten);

  FUZZ_CHECK(store.versionText().size() <= config::kMaxVersionText);
  for (const config::FieldRow& entry : config::fieldTable()) {
    const auto written = noting.valueAfterWrite.find(entry.field);
    const std::pair<std::string, int> now{store.text(entry.field), store.index(entry.field)};
    if (written == noting.valueAfterWrite.end()) {
      FUZZ_CHECK(now == std::make_pair(before.text(entry.field), before.index(entry.field)));
    } else {
      FUZZ_CHECK(now == written->second);
    }
    if (entry.maxLength > 0) {
      FUZZ_CHECK(store.text(entry.field).size() <= static_cast<std::size_t>(entry.maxLength));
    } else if (entry.kind == config::Kind::Text) {
      FUZZ_CHECK(store.text(entry.field).size() <= config::kMaxLoadedText);
    }
    if (entry.kind == config::Kind::List) {
      FUZZ_CHECK(store.index(entry.field) >= -1 &&
                 store.index(entry.field) < static_cast<int>(entry.items.size()));
    }
  }

  const std::string saved = config::configurationText(store);
  config::FieldStore again;
  FUZZ_CHECK(config::applyConfigurationText(again, saved));
  FUZZ_CHECK(config::configurationText(again) == saved);
  FUZZ_CHECK(sameFields(store, again));
  if (store.versionText().find('"') == std::string::npos) {
    FUZZ_CHECK(again.versionText() == store.versionText());
  }
  return 0;
}
