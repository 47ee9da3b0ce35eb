#pragma once
// The device exchange: open the chosen port, wake the unit with "O" until it answers, name the
// operation, send the password, wait for the unit's "p", hand over to the operation's transfer
// and close the port.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "device/link.h"
#include "device/progress.h"
#include "device/result.h"

namespace device {

// What the exchange needs of whoever runs it: the password and a place to report progress.
class Host {
 public:
  virtual ~Host() = default;
  // The existing password (setup1 Text9), read at the moment it is sent.
  virtual std::string password() = 0;
  // How the exchange is going; called at each poll, at the password stages and for every
  // character of data, so it must be cheap.
  virtual void progress(const Progress&) {}
};

// What every transfer works with, and where it leaves how it ended. Plain pointers, so a
// transfer takes it by value.
struct Context {
  Link* link;
  Host* host;
  Result* result;
};

// The transfer of one operation, run after the unit has accepted the password. However it
// ends, the exchange closes the port after it.
using Transfer = std::function<Task(Context)>;

// Operation codes: the transfer buttons of the main menu store one before the exchange runs.
enum Operation : int {
  kConfigUpload = 0,    // "U", Command7
  kConfigDownload = 1,  // "D", Command1
  kLogUpload = 2,       // "L", Command10
  kTableUpload = 3,     // "C", Command13
  kTableDownload = 4,   // "O", Command14
};
inline constexpr int kOperationCount = 5;

// The seconds (link ticks) the exchange waits for the unit's "p" after the second password.
inline constexpr int kAcceptanceTicks = 3;

// The letter that names an operation on the wire.
char operationLetter(int operation);

// What the transfers count in their data phase, which ends in `result` however they end.
Progress startDataPhase(Context context, long long total, Counting counting);
// Ends a transfer's data phase: how, with what `progress` had counted.
void endDataPhase(Context context, Ending ending, const Progress& progress);

struct ExchangeRequest {
  int operation = kConfigUpload;
  std::string device;  // the port's device, "/dev/ttyUSB0"
  Transfer transfer;   // empty: nothing to transfer after the handshake
};

// Runs the handshake and the transfer; `*result` says how it all ended.
Task runExchange(Context context, ExchangeRequest request);

}  // namespace device
