#pragma once
// A text written in pieces: appended to, and handed to its sink each time about 64 KiB have
// gathered, so that a file of any length is written with that much held. Once the sink refuses
// a piece, the rest is dropped.
#include <string>
#include <string_view>

#include "track/exports.h"

namespace track {

class TextWriter {
 public:
  explicit TextWriter(const Sink& sink) : sink_(sink) { buffer_.reserve(kPiece + 4096); }
  TextWriter& operator<<(std::string_view text) {
    buffer_ += text;
    if (buffer_.size() >= kPiece) flush();
    return *this;
  }
  // Hands on what has gathered; false once the sink has refused a piece.
  bool flush() {
    if (ok_ && !buffer_.empty()) ok_ = sink_(buffer_);
    buffer_.clear();
    return ok_;
  }
  explicit operator bool() const { return ok_; }

 private:
  static constexpr std::size_t kPiece = 1 << 16;
  const Sink& sink_;
  std::string buffer_;
  bool ok_ = true;
};

}  // namespace track
