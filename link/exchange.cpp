#include "link/exchange.h"

namespace device {

namespace {

constexpr std::string_view kLetters = "UDLCO";
constexpr std::array kProgress = {Indicator::Command8, Indicator::Command9, Indicator::Command11,
                                  Indicator::Command16, Indicator::Command15};

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

Indicator progressButton(int operation) {
  return kProgress.at(static_cast<size_t>(operation));
}

Task runExchange(Session session, ExchangeRequest request) {
  Link& link = *session.link;
  Host& host = *session.host;
  Port& port = link.port();

  link.clearCancel();
  // Each exchange opens the chosen port afresh at 9600 baud.
  if (port.isOpen()) port.close();
  if (!port.open(request.portNumber, kSettings9600)) {
    // The fixed text, and under it the device and why it failed.
    std::string text(kPortNotAvailable);
    if (const std::string why = port.openFailure(); !why.empty()) text += "\n" + why;
    host.messages().show(text, "ERROR", ui::Icon::None);
    port.close();
    co_return;
  }
  ClosePortAtEnd closer{port};
  port.discardInput();
  host.setIndicator(Indicator::Command5, true);

  // Wake the unit: one "O" a tick until it answers "OK0" or "OK1" with CR LF. The cycle runs to
  // the end of its tick even after the answer has come.
  Progress progress;
  for (bool answered = false; !answered;) {
    std::string received;
    // A device that hung up (a USB adapter pulled, a unit switched off) has closed the port;
    // it is opened again here, so that the unit is reached as soon as it is back.
    if (!port.isOpen() && port.open(request.portNumber, kSettings9600)) port.discardInput();
    progress.portLost = !port.isOpen();
    port.write("O");
    ++progress.polls;
    host.progress(progress);
    link.setTick(0);
    while (link.tick() < 1) {
      co_await link.next();
      if (link.cancelled()) co_return;
      if (port.waiting() > 0) received += port.read();
      if (unitAwake(received)) answered = true;
    }
  }
  port.write(host.password() + "\r");
  host.progress(atStage(Stage::Password));

  // Name the operation, give the unit a moment, and send the password again.
  port.write(std::string(1, operationLetter(request.operation)));
  link.setTick(0);
  while (link.tick() < 2 && !link.cancelled()) co_await link.next();
  if (link.cancelled()) co_return;
  port.write(host.password() + "\r");
  host.setIndicator(Indicator::Command5, false);

  // Any lower-case "p" within 3 ticks accepts the password.
  bool accepted = false;
  std::string received;
  link.setTick(0);
  while (!accepted && link.tick() < 3) {
    co_await link.next();
    if (link.cancelled()) co_return;
    if (port.waiting() > 0) received += port.read();
    if (received.find('p') != std::string::npos) accepted = true;
  }
  host.setIndicator(Indicator::Command5, false);
  if (!accepted) {
    host.messages().show("Invalid Password", "Password Invalid !", ui::Icon::Critical);
    co_return;
  }

  link.setTick(0);
  if (request.transfer) co_await request.transfer(session);
}

void endTableTransfer(Host& host, Indicator indicator, bool succeeded, const ui::Message& success,
                      const ui::Message& failure) {
  if (succeeded) host.messages().show(success);
  host.setIndicator(indicator, false);
  if (!succeeded) host.messages().show(failure);
}

}  // namespace device
