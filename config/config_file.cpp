#include "config/config_file.h"

#include "config/field_table.h"
#include "records/safe_file.h"
#include "records/text_records.h"

namespace config {

namespace {

using F = Field;

std::vector<FileRecord> buildRecords() {
  const auto text = [](F f) { return FileRecord{FileRecord::Text, f}; };
  const auto index = [](F f) { return FileRecord{FileRecord::Index, f}; };
  const auto dropped = [](F f) { return FileRecord{FileRecord::Index, f, false}; };
  return {
      {FileRecord::Version, F::setup1_Combo2},  // 1
      index(F::setup1_Combo2),
      text(F::setup1_Text2),
      text(F::setup1_Text3),
      text(F::setup1_Text4),
      index(F::setup1_Combo3),
      text(F::setup1_Text6),
      text(F::setup1_Text7),
      text(F::setup1_Text8),
      index(F::setup1_Combo4),  // 10
      index(F::setup1_Combo6),
      text(F::setup1_Text11),
      text(F::setup1_Text12),
      text(F::setup1_Text22),
      index(F::setup1_Combo7),
      text(F::setup1_Text21),
      text(F::setup1_Text18),
      text(F::setup1_Text19),
      text(F::setup1_Text25),
      index(F::setup1_Combo8),  // 20
      text(F::setup1_Text24),
      index(F::setup1_Combo9),
      text(F::setup1_Text26),
      index(F::setup1_Combo10),
      text(F::setup1_Text23),
      index(F::setup1_Combo11),
      index(F::setup1_Combo12),
      text(F::setup1_Text20),
      text(F::setup1_Text9),
      text(F::setup1_Text14),  // 30
      index(F::setup1_Combo1),
      text(F::setup3_Text28),
      text(F::setup1_Text29),
      text(F::setup1_Text30),
      index(F::setup1_Combo13),
      text(F::setup1_Text31),
      index(F::setup1_Combo14),
      text(F::setup1_Text32),
      index(F::setup1_Combo15),
      index(F::setup1_Combo16),  // 40
      text(F::setup1_Text33),
      dropped(F::setup1_Combo1),
      index(F::setup3_Combo2),
      index(F::setup3_Combo3),
      text(F::setup3_Text2),
      text(F::setup3_Text3),
      index(F::setup3_Combo4),
      text(F::setup1_Text34),
      dropped(F::setup1_Combo1),
      index(F::setup3_Combo5),  // 50
      text(F::setup1_Text35),
      text(F::setup1_Text5),
      index(F::setup3_Combo6),
      index(F::setup3_Combo7),
      index(F::setup3_Combo8),
      text(F::setup1_Text10),
      index(F::setup3_Combo9),
      index(F::setup3_Combo10),
      text(F::setup3_Text4),
      index(F::setup3_Combo12),  // 60
      index(F::setup3_Combo14),
      index(F::setup3_Combo15),
      index(F::setup3_Combo3),
      index(F::setup3_Combo1),
      text(F::setup3_Text25),
      index(F::setup3_Combo20),
      index(F::setup3_Combo11),
      text(F::setup3_Text1),
      index(F::setup3_Combo13),
      index(F::setup1_Combo17),  // 70
      text(F::setup3_Text15),
  };
}

// A loaded text as its field takes it: no longer than the field's maximum length, and no longer
// than kMaxLoadedText for a field without one, so that no record can hold the window up.
std::string fittedText(std::string text, std::size_t maxLength) {
  if (text.size() > maxLength) text.resize(maxLength);
  return text;
}

std::size_t maxLoadedLength(Field field) {
  const int maxLength = fieldRow(field).maxLength;
  return maxLength > 0 ? static_cast<std::size_t>(maxLength) : kMaxLoadedText;
}

}  // namespace

const std::vector<FileRecord>& fileRecords() {
  static const std::vector<FileRecord> records = buildRecords();
  return records;
}

std::string textRecord(const std::string& text) {
  return records::quotedRecord(text) + "\r\n";
}

std::string configurationText(const Fields& fields) {
  std::string out;
  out.reserve(2048);
  for (const FileRecord& record : fileRecords()) {
    switch (record.kind) {
      case FileRecord::Version:
        out += textRecord(fields.versionText());
        break;
      case FileRecord::Text:
        out += textRecord(fields.text(record.field));
        break;
      case FileRecord::Index:
        out += std::to_string(fields.index(record.field)) + "\r\n";
        break;
    }
  }
  return out;
}

records::FileOutcome saveConfiguration(const Fields& fields, const std::string& path) {
  std::string why;
  if (records::replaceFile(path, configurationText(fields), &why)) return {};
  return {records::FileOutcome::Status::Refused, why};
}

bool applyConfigurationText(Fields& fields, std::string bytes, LoadReport* report) {
  LoadReport unused;
  LoadReport& said = report ? *report : unused;
  records::RecordReader reader(std::move(bytes));
  int number = 0;
  for (const FileRecord& record : fileRecords()) {
    const std::optional<records::Record> read = reader.next();
    if (!read) {
      said.failure = "the file ends after " + std::to_string(number) + " of " +
                     std::to_string(kFileRecordCount) + " records";
      if (number > 0) said.failure += ", the last on line " + std::to_string(reader.line());
      return false;
    }
    ++number;
    said.records = number;
    if (!record.applied) continue;
    switch (record.kind) {
      case FileRecord::Version:
        fields.setVersionText(fittedText(read->text, kMaxVersionText));
        break;
      case FileRecord::Text: {
        const std::size_t longest = maxLoadedLength(record.field);
        if (read->text.size() > longest)
          said.cut.push_back({record.field, read->text.size(), longest});
        fields.setText(record.field, fittedText(read->text, longest));
        break;
      }
      case FileRecord::Index: {
        const std::optional<int> index = records::recordIndex(*read);
        if (!index || !fields.setIndex(record.field, *index)) {
          // A long text is named by its start; the line says where the rest is.
          said.records = number - 1;
          said.failure = "line " + std::to_string(reader.line()) + ": \"" +
                         read->text.substr(0, 24) + "\" is no item of " + fieldLabel(record.field);
          return false;
        }
        break;
      }
    }
  }
  return true;
}

records::FileOutcome loadConfiguration(Fields& fields, const std::string& path,
                                       LoadReport* report) {
  LoadReport unused;
  LoadReport& said = report ? *report : unused;
  std::optional<std::string> bytes = records::readWholeFile(path, &said.failure);
  if (!bytes) return {records::FileOutcome::Status::Refused, said.failure};
  if (!applyConfigurationText(fields, std::move(*bytes), &said))
    return {records::FileOutcome::Status::Malformed, said.failure};
  return {};
}

}  // namespace config
