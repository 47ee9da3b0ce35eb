#include "sim/table_operations.h"

#include <algorithm>

namespace sim {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void appendByte(std::string& digits, int byte) {
  digits += kHex[(byte >> 4) & 15];
  digits += kHex[byte & 15];
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string tableDigits(const std::vector<TableEntry>& entries) {
  std::string digits;
  for (const TableEntry& entry : entries) {
    for (const CoordinateBytes& c : {entry.latitude, entry.longitude}) {
      appendByte(digits, c.whole);
      appendByte(digits, c.first);
      appendByte(digits, c.second);
    }
  }
  return digits;
}

TableSend::TableSend() : TableSend(std::vector<TableEntry>(100)) {}

TableSend::TableSend(const std::vector<TableEntry>& entries) : digits_(tableDigits(entries)) {}

void TableSend::begin(Unit& unit) {
  next_ = 0;
  sendNext(unit);
}

void TableSend::receive(Unit& unit, char c) {
  if (c == 'N') sendNext(unit);
}

void TableSend::sendNext(Unit& unit) {
  if (next_ >= digits_.size()) return;
  size_t count = 1;
  if (static_cast<int>(next_) == twoAt && next_ + 1 < digits_.size()) count = 2;
  unit.send(digits_.substr(next_, count));
  next_ += count;
  // Nothing is answered after the last character.
  if (next_ >= digits_.size()) unit.finish();
}

void TableReceive::begin(Unit&) {
  characters_.clear();
  pair_.clear();
  bytes_.clear();
}

void TableReceive::receive(Unit& unit, char c) {
  characters_ += c;
  pair_ += c;
  if (pair_.size() < 2) return;
  const int high = hexValue(pair_[0]);
  const int low = hexValue(pair_[1]);
  bytes_.push_back(high < 0 || low < 0 ? -1 : high * 16 + low);
  pair_.clear();
  unit.send(answer);
  if (static_cast<int>(bytes_.size()) < expectedBytes) return;
  unit.finish();
  if (onComplete) {
    std::vector<TableEntry> entries(100);
    for (int n = 0; n < 100; ++n) {
      entries[n].latitude = coordinate(2 * n);
      entries[n].longitude = coordinate(2 * n + 1);
    }
    onComplete(entries);
  }
}

CoordinateBytes TableReceive::coordinate(int n) const {
  const size_t at = static_cast<size_t>(n) * 3;
  if (n < 0 || at + 3 > bytes_.size()) return {-1, -1, -1};
  return {bytes_[at], bytes_[at + 1], bytes_[at + 2]};
}

std::vector<TableEntry> plausibleTable() {
  const TableEntry known[] = {
      {{32, 8, 51}, {115, 50, 0}},   {{32, 9, 12}, {115, 48, 77}},  {{31, 57, 3}, {115, 51, 20}},
      {{33, 51, 44}, {151, 12, 93}}, {{37, 48, 14}, {144, 57, 63}}, {{34, 55, 44}, {138, 36, 1}},
      {{27, 28, 2}, {153, 1, 40}},   {{12, 27, 47}, {130, 50, 45}}, {{42, 52, 56}, {147, 19, 30}},
      {{35, 16, 51}, {149, 7, 44}},
  };
  std::vector<TableEntry> entries(100);
  std::copy(std::begin(known), std::end(known), entries.begin());
  return entries;
}

void installTableOperations(Unit& unit, const std::vector<TableEntry>& stored) {
  TableSend& send = unit.install<TableSend>('C', stored);
  unit.install<TableReceive>('O').onComplete = [&send](const std::vector<TableEntry>& taken) {
    send.store(taken);
  };
}

}  // namespace sim
