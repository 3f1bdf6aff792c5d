#include "app/dialup_shell.h"

#include <QCoreApplication>
#include <ctime>

#include "app/app_context.h"
#include "app/mdi_client.h"
#include "book/entry_order.h"
#include "config/main_config.h"
#include "config/program_dir.h"
#include "dialogs/comm_set.h"
#include "dialogs/dial_number_dialog.h"
#include "dialogs/modem_commands.h"
#include "dialogs/open_telnet.h"
#include "link/serial_diagnosis.h"
#include "link/serial_port.h"
#include "platform/platform.h"
#include "session/comm_window.h"
#include "session/telnet_window.h"

namespace parlane {

namespace {

QString Local(std::string_view s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

std::tm LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

}  // namespace

// The serial port's messages as message boxes. "Could not open COM port"
// gets the likely cause of the failure of the device being opened.
class SerialMessages final : public MessageSink {
 public:
  SerialMessages(Platform& platform, QWidget* parent) : platform_(platform), parent_(parent) {}
  void SetDevice(std::string device) { device_ = std::move(device); }
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    QString shown = Local(text);
    if (text == SerialPort::kTextOpenFailed) {
      const std::string why = ExplainSerialOpenFailure(device_);
      if (!why.empty()) shown += QStringLiteral("\n\n") + Local(why);
    }
    platform_.Message(parent_, shown, Local(caption),
                      icon == MessageIcon::Stop ? MsgIcon::Stop : MsgIcon::Exclamation,
                      MsgButtons::Ok);
  }

 private:
  Platform& platform_;
  QWidget* parent_;
  std::string device_;
};

DialupShell::DialupShell(TMyMDIClient& client, AppContext& context,
                         std::filesystem::path programDir)
    : client_(client),
      ctx_(context),
      dir_(std::move(programDir)),
      messages_(std::make_unique<SerialMessages>(context.platform, context.mainWindow)),
      port_(std::make_unique<SerialPort>(*messages_)) {}

// The dial-up window goes first: it closes the port it runs over.
DialupShell::~DialupShell() { delete DialupWindow(); }

void DialupShell::UseModemLines(std::unique_ptr<ModemLines> lines) {
  port_ = std::make_unique<SerialPort>(*messages_, std::move(lines));
}

std::filesystem::path DialupShell::PortsFile() const { return dir_ / kPortsFile; }
std::filesystem::path DialupShell::PhonebookFile() const { return dir_ / kPhonebookFile; }

CommWindowMDIChild* DialupShell::DialupWindow() const {
  return qobject_cast<CommWindowMDIChild*>(client_.DialupWindow());
}

bool DialupShell::OpenPort(uint32_t index, Dcb& dcb, bool closeFirst, bool sendInit) {
  const PortMap ports = LoadPortMap(PortsFile());
  messages_->SetDevice(index < ports.size() ? ports[index] : std::string());
  return port_->OpenPort(index, ports, dcb, closeFirst, sendInit, ctx_.config.ModemInit);
}

void DialupShell::OpenDialupWindow() { OpenWindow(nullptr, {}); }

void DialupShell::OpenWindow(const DialSession* session, const std::string& initialInput) {
  if (DialupWindow() != nullptr) return;  // one dial-up window at a time
  Main_Configuration_Struct& cfg = ctx_.config;
  if (cfg.ComPort != kNoUsablePort) {
    // A port the dialer has connected stays up: the modem is on line with
    // the host, so the initialisation string would reach the host as typed
    // text. It is sent only to a port opened here.
    const PortMap ports = LoadPortMap(PortsFile());
    const bool takeOver =
        port_->IsOpen() && cfg.ComPort < ports.size() && port_->Device() == ports[cfg.ComPort];
    if (!OpenPort(cfg.ComPort, cfg.PortSettings, false, !takeOver)) cfg.ComPort = kNoUsablePort;
  }
  if (cfg.ComPort == kNoUsablePort) {
    client_.ShellMessage(Local(kMsgNoUsablePort), MsgIcon::Stop);
    ModemHardware();
    return;
  }
  CommSessionParams params;
  params.title = session ? Local(session->Name) : Local(kDialupTitle);
  params.terminal = cfg.Terminal;
  if (session) {
    params.userName = session->UserName;
    params.password = session->Password;
    params.loginScript = session->LoginScript;
  }
  params.lineSummary = FormatPortSettings(cfg.PortSettings);
  params.initialInput = initialInput;
  auto* child = new CommWindowMDIChild(ctx_, params, *port_);
  child->setAttribute(Qt::WA_DeleteOnClose);
  client_.SetDialupWindow(child);
  client_.AdoptSession(child);
}

// Hangup Modem: DTR is dropped until the clock has advanced by two
// seconds, while the other windows keep running; nothing is sent.
void DialupShell::Hangup() {
  if (hangingUp_) return;
  hangingUp_ = true;
  port_->HangUp([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  hangingUp_ = false;
}

void DialupShell::SaveBook() {
  SerialMessages messages(ctx_.platform, ctx_.mainWindow);
  ctx_.phonebook.Save(PhonebookFile(), messages);
}

void DialupShell::PhonebookCommand() {
  DialingDirectory dialog(ctx_.mainWindow, ctx_.phonebook, PhonebookFile(), PortsFile(),
                          ctx_.config, ctx_.config.PortSettings, ctx_.platform, *this);
  ctx_.platform.RunDialog(dialog);
  if (dialog.DialedUp()) ConnectedFromPhonebook();
}

void DialupShell::ConnectedFromPhonebook() {
  if (ctx_.playSound) ctx_.playSound(sound::kConnect);
  OpenWindow(&connected_, afterConnect_);
  afterConnect_.clear();
}

void DialupShell::ConnectTelnet(DialingDirectoryEntry& entry) {
  TelnetSessionParams params;
  params.host = entry.Address;
  params.port = ParsePortText(Local(entry.Port)).value_or(23);
  params.terminal = entry.Terminal;
  params.userName = entry.UserName;
  params.password = entry.Password;
  params.loginScript = entry.LoginScript;
  params.title = Local(entry.Name);
  client_.OpenTelnetSession(params);
  RecordConnection(entry, LocalNow());
  ctx_.config.Terminal = entry.Terminal;
}

bool DialupShell::DialEntries(const std::vector<DialingDirectoryEntry*>& entries) {
  delete DialupWindow();
  port_->PurgeInput();
  port_->PurgeOutput();
  DialNumberDialog dialog(
      ctx_.mainWindow, entries, ctx_.config, *port_, ctx_.loop,
      [this](uint32_t comPort, const Dcb& settings) {
        Dcb dcb = settings;
        return OpenPort(comPort, dcb, true, false);
      },
      ctx_.platform);
  ctx_.platform.RunDialog(dialog);
  if (dialog.Connected()) {
    connected_ = dialog.Dialer().Session();
    afterConnect_ = dialog.Dialer().InputAfterConnect();
    return true;
  }
  // Cancelled: the modem is told to stop dialling, and the port is closed.
  port_->Write(std::string_view("\r"));
  port_->Close();
  return false;
}

void DialupShell::DialAtStartup(const std::string& name) {
  auto* entry = const_cast<DialingDirectoryEntry*>(FindStartupEntry(ctx_.phonebook, name));
  if (entry == nullptr) return;
  if (entry->IsTelnet()) {
    ConnectTelnet(*entry);
    SaveBook();
    return;
  }
  if (!DialEntries({entry})) return;
  SaveBook();
  ConnectedFromPhonebook();
}

void DialupShell::ModemHardware() {
  Main_Configuration_Struct& cfg = ctx_.config;
  Dcb chosen = cfg.PortSettings;
  CommSet dialog(ctx_.mainWindow, cfg.ComPort, chosen, PortsFile(), ctx_.platform);
  if (ctx_.platform.RunDialog(dialog) != QDialog::Accepted) return;
  const uint32_t index = dialog.GetValues(chosen);
  if (DialupWindow() != nullptr) {
    // The port carries a live session: a test open would close it under the
    // window. The settings are kept for the next dial-up window.
    cfg.ComPort = index;
    cfg.PortSettings = chosen;
    return;
  }
  if (OpenPort(index, chosen, true, true)) {
    cfg.ComPort = index;
    cfg.PortSettings = chosen;
    port_->Close();  // purges both directions
    return;
  }
  if (cfg.ComPort != kNoUsablePort) {
    // The previous port gets its settings and initialisation back; the
    // previous settings are kept.
    Dcb previous = cfg.PortSettings;
    if (OpenPort(cfg.ComPort, previous, true, true)) port_->Close();
  }
}

void DialupShell::ModemCommandsCommand() {
  ModemCommands dialog(ctx_.mainWindow, ctx_.config);
  ctx_.platform.RunDialog(dialog);
}

}  // namespace parlane
