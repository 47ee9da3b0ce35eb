#include "device/exchange.h"

namespace device {

namespace {

constexpr std::string_view kLetters = "UDLCO";

bool unitAwake(const std::string& received) {
  return received.find("OK0\r\n") != std::string::npos ||
         received.find("OK1\r\n") != std::string::npos;
}

// Every end of an exchange closes the port, also when EXIT destroys a waiting exchange: a port
// left open would keep talking at the wrong speed, or through a port the user has since
// changed.
struct ClosePortAtEnd {
  Port& port;
  ~ClosePortAtEnd() { port.close(); }
};

}  // namespace

char operationLetter(int operation) {
  return kLetters.at(static_cast<size_t>(operation));
}

Progress startDataPhase(Context context, long long total, Counting counting) {
  Progress progress = dataPhase(total, counting);
  context.result->phase = Stage::Data;
  context.result->total = total;
  context.host->progress(progress);
  return progress;
}

void endDataPhase(Context context, Ending ending, const Progress& progress) {
  Result& result = *context.result;
  result.ending = ending;
  result.phase = Stage::Data;
  result.moved = progress.done;
  result.total = progress.total;
  result.counting = progress.counting;
  if (progress.positions >= 0) result.positions = progress.positions;
  if (!progress.file.empty()) result.file = progress.file;
}

Task runExchange(Context context, ExchangeRequest request) {
  Link& link = *context.link;
  Host& host = *context.host;
  Result& result = *context.result;
  Port& port = link.port();
  result = Result{};
  // Until a stage says otherwise, a cancel is the user's.
  result.ending = Ending::Cancelled;

  link.clearCancel();
  // Each exchange opens the chosen port afresh at 9600 baud.
  if (port.isOpen()) port.close();
  if (!port.open(request.device, kSettings9600)) {
    result.ending = Ending::PortUnavailable;
    result.fault = port.openFault();
    result.portDetail = port.openFailure();
    port.close();
    co_return;
  }
  ClosePortAtEnd closer{port};
  port.discardInput();

  // Wake the unit: one "O" a tick until it answers "OK0" or "OK1" with CR LF. The cycle runs to
  // the end of its tick even after the answer has come.
  Progress progress;
  for (bool answered = false; !answered;) {
    std::string received;
    // A device that hung up (a USB adapter pulled, a unit switched off) has closed the port;
    // it is opened again here, so that the unit is reached as soon as it is back.
    if (!port.isOpen() && port.open(request.device, kSettings9600)) port.discardInput();
    progress.portLost = !port.isOpen();
    port.write("O");
    ++progress.polls;
    host.progress(progress);
    link.setTick(0);
    for (;;) {
      const Heard heard = co_await link.hear({.ticks = 1});
      if (heard.kind == Heard::Cancelled) co_return;
      if (heard.kind == Heard::Silence) break;
      received += heard.piece;
    }
    answered = unitAwake(received);
  }
  port.write(host.password() + "\r");
  result.phase = Stage::Password;
  host.progress(atStage(Stage::Password));

  // Name the operation, give the unit a moment, and send the password again.
  port.write(std::string(1, operationLetter(request.operation)));
  // What the unit says meanwhile is left for the acceptance.
  link.setTick(0);
  if ((co_await link.hear({.ticks = 2, .reads = false})).kind == Heard::Cancelled) co_return;
  port.write(host.password() + "\r");
  result.phase = Stage::Acceptance;
  host.progress(atStage(Stage::Acceptance));

  // Any lower-case "p" within kAcceptanceTicks ticks accepts the password.
  link.setTick(0);
  for (std::string received; received.find('p') == std::string::npos;) {
    const Heard heard = co_await link.hear({.ticks = kAcceptanceTicks});
    if (heard.kind == Heard::Cancelled) co_return;
    if (heard.kind == Heard::Silence) {
      result.ending = Ending::WrongPassword;
      co_return;
    }
    received += heard.piece;
  }

  link.setTick(0);
  // The transfer says how it ended; an exchange ended from outside during it stays cancelled.
  if (!request.transfer) result.ending = Ending::Finished;
  if (request.transfer) co_await request.transfer(context);
}

}  // namespace device
