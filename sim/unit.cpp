#include "sim/unit.h"

#include <algorithm>
#include <cctype>

namespace sim {

void Unit::receive(std::string_view fromPc) {
  for (const char c : fromPc) {
    heard_ += c;
    // A poll the unit does not take as one (it is in the middle of an exchange) is the PC
    // starting afresh, not an answer: it does not keep the old exchange alive.
    const bool poll = c == 'O' && state_ != State::Letter;
    if (!poll) silentTicks_ = 0;
    if (state_ == State::Operating) {
      dataHeard_ += c;
      if (current_) current_->receive(*this, c);
    } else {
      handshake(c);
    }
  }
}

void Unit::handshake(char c) {
  switch (state_) {
    case State::Asleep:
    case State::Password1:
      // A poll comes once a second until the PC has seen an answer; the unit answers each one.
      if (c == 'O' && (state_ == State::Asleep || password1_.empty())) {
        ++polls_;
        silentTicks_ = 0;
        password1_.clear();
        state_ = State::Password1;
        if (knobs.silent) return;
        const std::string& answer = knobs.wakeAnswer;
        const size_t pieces =
            std::max<size_t>(1, std::min<size_t>(knobs.wakePieces, answer.size()));
        for (size_t i = 0, at = 0; i < pieces; ++i) {
          const size_t length = (answer.size() - at) / (pieces - i);
          queue(answer.substr(at, length));
          at += length;
        }
        return;
      }
      if (c == '\r') {
        state_ = State::Letter;
      } else {
        password1_ += c;
      }
      return;
    case State::Letter:
      letter_ = c;
      password2_.clear();
      state_ = State::Password2;
      return;
    case State::Password2:
      if (c != '\r') {
        password2_ += c;
        return;
      }
      if (password1_ == knobs.password && password2_ == knobs.password) {
        accept();
      } else {
        if (!knobs.reject.empty()) queue(knobs.reject);
        finish();
      }
      return;
    case State::Operating:
      return;
  }
}

void Unit::accept() {
  queue(knobs.accept);
  dataHeard_.clear();
  dataSent_ = 0;
  const auto found = operations_.find(letter_);
  if (found == operations_.end()) {
    finish();
    return;
  }
  state_ = State::Operating;
  current_ = found->second.get();
  current_->begin(*this);
}

void Unit::tick() {
  releasedThisTick_ = 0;
  release();
  if (state_ == State::Operating && current_) current_->tick(*this);
  if (!waitingForPc()) {
    silentTicks_ = 0;
  } else if (knobs.silenceLimit > 0 && ++silentTicks_ >= knobs.silenceLimit) {
    // Whatever it still held for the PC is dropped with the exchange.
    held_.clear();
    finish();
  }
}

bool Unit::waitingForPc() const {
  if (state_ == State::Asleep || !held_.empty()) return false;
  return !(state_ == State::Operating && current_ && current_->pausing());
}

void Unit::send(std::string piece) {
  if (knobs.silentAfter >= 0) {
    const long long room = std::max<long long>(0, knobs.silentAfter - dataSent_);
    if (static_cast<long long>(piece.size()) > room) piece.resize(static_cast<size_t>(room));
  }
  dataSent_ += static_cast<long long>(piece.size());
  if (!piece.empty()) queue(std::move(piece));
}

void Unit::finish() {
  silentTicks_ = 0;
  state_ = State::Asleep;
  current_ = nullptr;
  password1_.clear();
}

void Unit::restart() {
  finish();
  output_.clear();
  held_.clear();
  hostile = Hostile{};
}

void Unit::queue(std::string piece) {
  if (knobs.lowerCase) {
    std::transform(piece.begin(), piece.end(), piece.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  }
  const Stage stage = state_ == State::Operating   ? Stage::Data
                      : state_ == State::Password2 ? Stage::Password
                                                   : Stage::Wake;
  if (stage == Stage::Data && knobs.dataPerTick > 0) {
    hostile.shape(stage, std::move(piece), held_);
    release();
    return;
  }
  hostile.shape(stage, std::move(piece), output_);
  if (outputReady_) outputReady_();
}

// Held data goes out while this second's allowance lasts.
void Unit::release() {
  while (!held_.empty() && releasedThisTick_ < knobs.dataPerTick) {
    output_.push_back(std::move(held_.front()));
    held_.pop_front();
    ++releasedThisTick_;
    if (outputReady_) outputReady_();
  }
}

std::string Unit::takeArrival() {
  if (output_.empty()) return {};
  std::string piece = std::move(output_.front());
  output_.pop_front();
  return piece;
}

}  // namespace sim
