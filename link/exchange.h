#pragma once
// The device exchange: open the chosen port, wake the unit with "O" until it answers, name the
// operation, send the password, wait for the unit's "p", hand over to the operation's transfer
// and close the port.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "link/link.h"
#include "link/progress.h"
#include "ui/messages.h"

namespace device {

// The main-window controls that show how an exchange is going.
enum class Indicator {
  Command5,
  Command8,
  Command9,
  Command11,
  Command15,
  Command16,
  Label4,
  Label3
};

// What the exchange and the transfers need of the main window.
class Host {
 public:
  virtual ~Host() = default;
  // The existing password (setup1 Text9), read at the moment it is sent.
  virtual std::string password() = 0;
  virtual void setIndicator(Indicator indicator, bool visible) = 0;
  // Label3: the number of GPS locations received so far.
  virtual void setCount(long long count) = 0;
  virtual ui::Messages& messages() = 0;
  // How the exchange is going; called at each poll, at the password stage and for every
  // character of data, so it must be cheap.
  virtual void progress(const Progress&) {}
};

// What every transfer works with. Plain pointers, so a transfer takes it by value.
struct Session {
  Link* link;
  Host* host;
};

// The transfer of one operation, run after the unit has accepted the password. However it
// ends, the exchange closes the port after it.
using Transfer = std::function<Task(Session)>;

// Operation codes: the transfer buttons of the main menu store one before the exchange runs.
enum Operation : int {
  kConfigUpload = 0,    // "U", Command7
  kConfigDownload = 1,  // "D", Command1
  kLogUpload = 2,       // "L", Command10
  kTableUpload = 3,     // "C", Command13
  kTableDownload = 4,   // "O", Command14
};
inline constexpr int kOperationCount = 5;

// The letter that names an operation on the wire.
char operationLetter(int operation);
// The progress button shown while the operation's data flows.
Indicator progressButton(int operation);

inline constexpr std::string_view kPortNotAvailable =
    "COM: not available. Change the CommPort property to another port.";

// The boxes that end more than one transfer. The configuration upload reports its time-out in
// the words of a failed download.
inline const ui::Message kDownloadSucceeded{"Download succesful !", "Download",
                                            ui::Icon::Information};
inline const ui::Message kDownloadFailed{"Error download !", "Invalid download !",
                                         ui::Icon::Critical};

// How a table transfer ends: its success box shows while the progress button still does, its
// failure box once the button is gone.
void endTableTransfer(Host& host, Indicator indicator, bool succeeded, const ui::Message& success,
                      const ui::Message& failure);

struct ExchangeRequest {
  int operation = kConfigUpload;
  int portNumber = 1;  // 1 to 20 (COM1 to COM20)
  Transfer transfer;   // empty: nothing to transfer after the handshake
};

Task runExchange(Session session, ExchangeRequest request);

}  // namespace device
