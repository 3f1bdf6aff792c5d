// The shell's dial-up side: the program's one serial port, the commands
// Open Dial-up Window, Hangup Modem, Phonebook, Modem Hardware and Modem
// Commands, connecting phonebook entries (also for `parlane --dial`), and
// the serial port's messages, which explain the common failures.
#pragma once

#include <QObject>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dialer/dial_number.h"
#include "dialogs/dialing_directory.h"

namespace parlane {

struct AppContext;
class CommWindowMDIChild;
class ModemLines;
class SerialPort;
class TMyMDIClient;
class SerialMessages;

class DialupShell final : public QObject, public PhonebookConnector {
  Q_OBJECT
 public:
  static constexpr std::string_view kMsgNoUsablePort =
      "Please select a valid hardware setting and retry.";
  static constexpr std::string_view kDialupTitle = "Dial-up Terminal Window";

  DialupShell(TMyMDIClient& client, AppContext& context, std::filesystem::path programDir);
  ~DialupShell() override;

  SerialPort& Port() { return *port_; }
  // Tests reach DTR and carrier of a pseudo-terminal through these lines;
  // the port must be closed.
  void UseModemLines(std::unique_ptr<ModemLines> lines);
  std::filesystem::path PortsFile() const;
  std::filesystem::path PhonebookFile() const;

  // ---- the commands ----
  void OpenDialupWindow();      // Open Dial-up Window (158)
  void Hangup();                // Hangup Modem (173)
  void PhonebookCommand();      // Phonebook (172)
  void ModemHardware();         // Modem Hardware (120)
  void ModemCommandsCommand();  // Modem Commands (122)
  // `parlane --dial ENTRY`: connects the entry as the phonebook would.
  void DialAtStartup(const std::string& name);

  CommWindowMDIChild* DialupWindow() const;

  // ---- PhonebookConnector ----
  void ConnectTelnet(DialingDirectoryEntry& entry) override;
  bool DialEntries(const std::vector<DialingDirectoryEntry*>& entries) override;

 private:
  bool OpenPort(uint32_t index, Dcb& dcb, bool closeFirst, bool sendInit);
  // The window of Open Dial-up Window; from a phonebook connection it is
  // titled with the entry and shows the bytes that came with CONNECT.
  void OpenWindow(const DialSession* session, const std::string& initialInput);
  void ConnectedFromPhonebook();
  void SaveBook();

  TMyMDIClient& client_;
  AppContext& ctx_;
  std::filesystem::path dir_;
  std::unique_ptr<SerialMessages> messages_;
  std::unique_ptr<SerialPort> port_;
  DialSession connected_;
  std::string afterConnect_;
  bool hangingUp_ = false;
};

}  // namespace parlane
