// The shell's menu commands: routing to the active session, the enabling
// rules, and the commands the MDI client answers itself.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <set>

#include "app/about.h"
#include "app/splash.h"
#include "app/commands.h"
#include "app/dialup_shell.h"
#include "app/main_frame.h"
#include "app/mdi_client.h"
#include "app/menu_table.h"
#include "app/status_bar.h"
#include "app/tmy_app.h"
#include "config/shell_text.h"
#include "config/value_rules.h"
#include "dialogs/open_telnet.h"
#include "dialogs/terminal_settings.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"

namespace parlane {

namespace {

// Commands answered by the active session window, greyed without one.
const std::set<int> kSessionCommands = {
    cmd::kBeginCapture, cmd::kTransmitFile, cmd::kSaveSession,   cmd::kSaveSelected,
    cmd::kPrintPage,    cmd::kPrintSession, cmd::kPrintSelected, cmd::kCopy,
    cmd::kPaste,        cmd::kCopyAndPaste, cmd::kFont,          cmd::kBackgroundColor,
    cmd::kTextColor,    cmd::kReceiveFiles, cmd::kSendFiles,     cmd::kScriptRun,
    cmd::kScriptStop,
};

// Font chooser data of the printer font: the flags it is prepared with and
// the fields cleared before each use.
constexpr uint8_t kFixedPitchModern = 0x31;  // FIXED_PITCH | FF_MODERN
constexpr int kPointsPerInch = 72;
constexpr int kNormalWeight = 400;
constexpr int kBoldWeight = 700;

// Brings the title screen in front of the main window once start-up has
// shown that, but never over a message box start-up has put up (a missing
// or damaged phonebook): while one is open, it waits behind it.
constexpr int kTitleRaiseRetryMs = 100;
void RaiseTitleScreen(QWidget* splash) {
  if (QApplication::activeModalWidget() == nullptr) {
    splash->raise();
    return;
  }
  QTimer::singleShot(kTitleRaiseRetryMs, splash, [splash] { RaiseTitleScreen(splash); });
}

const SessionSize* SizeFor(int id) {
  for (const SessionSize& s : SessionSizes()) {
    if (s.id == id) return &s;
  }
  return nullptr;
}

QFont FontFromLogFont(const LogFont& lf) {
  if (lf.FaceName.empty()) return QFontDatabase::systemFont(QFontDatabase::FixedFont);
  QFont font(QString::fromLocal8Bit(lf.FaceName.c_str()));
  if (lf.Height != 0) font.setPixelSize(std::abs(lf.Height));
  font.setWeight(lf.Weight >= kBoldWeight ? QFont::Bold : QFont::Normal);
  font.setItalic(lf.Italic != 0);
  return font;
}

int LogicalDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
}

}  // namespace

void TMyMDIClient::Command(int id) {
  if (RouteToSession(id)) return;
  ApplicationCommand(id);
}

bool TMyMDIClient::RouteToSession(int id) {
  TelnetWindowMDIChild* session = ActiveSession();
  if (session == nullptr) return false;
  if (kSessionCommands.count(id) == 0 && id != cmd::kTerminalSettings) return false;
  return session->HandleCommand(id);
}

CommandState TMyMDIClient::State(int id) const {
  CommandState state;
  if (kSessionCommands.count(id) != 0) {
    const TelnetWindowMDIChild* session = ActiveSession();
    state.enabled = session != nullptr && session->CommandEnabled(id);
    if (id == cmd::kBeginCapture) {
      state.text = session != nullptr && session->Capturing()
                       ? QStringLiteral("Stop &Capture\tAlt+Q")
                       : QStringLiteral("Begin &Capture\tAlt+Q");
    }
    return state;
  }
  const Main_Configuration_Struct& cfg = app_.Config();
  state.enabled = true;
  switch (id) {
    case cmd::kOpenDialup: state.enabled = dialup_.isNull(); break;
    case cmd::kPrinterSetup: state.enabled = printer_ != nullptr; break;
    case cmd::kShowToolbar:
    case cmd::kShowConnectTime:
    case cmd::kShowSystemTime:
      state.checkable = true;
      state.checked = (id == cmd::kShowToolbar       ? cfg.ToolbarHidden
                       : id == cmd::kShowConnectTime ? cfg.ConnectTimeHidden
                                                     : cfg.ClockHidden) == 0;
      break;
    case cmd::kYmodemG:
    case cmd::kZmodem:
      state.checkable = true;
      state.checked = cfg.Protocol == (id == cmd::kYmodemG ? 0u : 1u);
      break;
    case cmd::kKeypadNumeric:
    case cmd::kKeypadApplication:
      state.checkable = true;
      state.checked = cfg.KeypadNumeric == (id == cmd::kKeypadNumeric ? 1 : 0);
      break;
    case cmd::kCascade:
    case cmd::kTile:
    case cmd::kArrangeIcons:
    case cmd::kCloseAll: state.enabled = !subWindowList().isEmpty(); break;
    default:
      if (const SessionSize* size = SizeFor(id)) {
        state.checkable = true;
        state.checked = cfg.Rows == size->rows && cfg.Columns == size->columns;
      }
      break;
  }
  return state;
}

void TMyMDIClient::ApplicationCommand(int id) {
  if (!State(id).enabled) return;
  Main_Configuration_Struct& cfg = app_.Config();
  if (const SessionSize* size = SizeFor(id)) {
    cfg.Rows = static_cast<uint16_t>(size->rows);
    cfg.Columns = static_cast<uint16_t>(size->columns);
    return;
  }
  switch (id) {
    case cmd::kExit: frame_.close(); break;
    case cmd::kShowToolbar: ToggleToolbar(); break;
    case cmd::kShowConnectTime:
      cfg.ConnectTimeHidden = cfg.ConnectTimeHidden == 1 ? 0 : 1;
      RebuildStatusBar();
      break;
    case cmd::kShowSystemTime:
      cfg.ClockHidden = cfg.ClockHidden == 1 ? 0 : 1;
      RebuildStatusBar();
      break;
    case cmd::kOpenTelnet: OpenTelnetCommand(); break;
    case cmd::kHostModeServer: OpenHostModeServer(); break;
    case cmd::kScriptCreate: ScriptCreate(); break;
    case cmd::kScriptEdit: ScriptEdit(); break;
    case cmd::kHangup: Hangup(); break;
    case cmd::kPhonebook: dialupShell_->PhonebookCommand(); break;
    case cmd::kOpenDialup: dialupShell_->OpenDialupWindow(); break;
    case cmd::kModemHardware: dialupShell_->ModemHardware(); break;
    case cmd::kModemCommands: dialupShell_->ModemCommandsCommand(); break;
    case cmd::kYmodemG: cfg.Protocol = 0; break;
    case cmd::kZmodem: cfg.Protocol = 1; break;
    case cmd::kReceiveDirectory: SetReceiveDirectory(); break;
    case cmd::kPrinterFont: ChoosePrinterFont(); break;
    case cmd::kTerminalSettings: TerminalSettingsCommand(); break;
    case cmd::kKeypadNumeric:
    case cmd::kKeypadApplication:
      cfg.KeypadNumeric = id == cmd::kKeypadNumeric ? 1 : 0;
      if (TelnetWindowMDIChild* session = ActiveSession()) session->KeypadModeChanged();
      break;
    case cmd::kCascade: cascadeSubWindows(); break;
    case cmd::kTile: tileSubWindows(); break;
    case cmd::kArrangeIcons: ArrangeIcons(); break;
    case cmd::kCloseAll: closeAllSubWindows(); break;
    case cmd::kAbout: About(); break;
    case cmd::kPrinterSetup: PrinterSetup(); break;
    case cmd::kSoundEffects: SoundEffects(); break;
    case cmd::kKeyboardMapping: KeyboardMapping(); break;
    case cmd::kFunctionKeys: FunctionKeys(); break;
    case cmd::kDosSession: DosSession(); break;
    case cmd::kTool1Run:
    case cmd::kTool2Run:
    case cmd::kTool3Run:
    case cmd::kTool4Run: RunTool(id); break;
    case cmd::kTool1Change:
    case cmd::kTool2Change:
    case cmd::kTool3Change:
    case cmd::kTool4Change: ChangeTool(id); break;
    case cmd::kHelpContents:
    case cmd::kHelpUsing: ShowHelp(id); break;
    default: break;
  }
}

void TMyMDIClient::ToggleToolbar() {
  Main_Configuration_Struct& cfg = app_.Config();
  if (cfg.ToolbarHidden == 1) {
    cfg.ToolbarHidden = 0;
    frame_.DockToolBar(true);
  } else {
    cfg.ToolbarHidden = 1;
    frame_.DockToolBar(false);
  }
}

void TMyMDIClient::OpenTelnetCommand() {
  OpenTelnet dialog(&frame_, app_.Config().HostHistory, app_.Services());
  if (app_.Services().RunDialog(dialog) != QDialog::Accepted) return;
  TelnetSessionParams params;
  params.host = dialog.Host().toLocal8Bit().toStdString();
  params.port = dialog.Port();
  params.terminal = app_.Config().Terminal;
  params.title = dialog.Host();
  OpenTelnetSession(params);
}

void TMyMDIClient::TerminalSettingsCommand() {
  TerminalSettings dialog(&frame_, app_.Config().Terminal);
  if (app_.Services().RunDialog(dialog) != QDialog::Accepted) return;
  app_.Config().Terminal = dialog.GetValues();
  const std::string_view name = EmulationName(app_.Config().Terminal.Emulation);
  frame_.Status()->SetEmulation(QString::fromLatin1(name.data(), qsizetype(name.size())));
}

void TMyMDIClient::SetReceiveDirectory() {
  // The desktop's directory chooser; the directory is kept without a final
  // "/" (unless it is the root) when it fits the setting.
  const std::optional<QString> chosen =
      app_.Services().ChooseDirectory(&frame_, QStringLiteral("Select Receive Directory"),
                                      QString::fromLocal8Bit(app_.Config().ReceiveDir.c_str()));
  if (!chosen) return;
  const std::string dir = QDir::cleanPath(*chosen).toLocal8Bit().toStdString();
  if (!dir.empty() && dir.size() < Main_Configuration_Struct::kPathSize)
    app_.Config().ReceiveDir = dir;
}

void TMyMDIClient::ChoosePrinterFont() {
  FontChoice& choice = app_.Config().PrinterFont;
  choice.Flags = kPrinterFontChooserFlags;
  choice.DC = 0;
  choice.Style = 0;
  choice.FontType = 0;
  choice.SizeMin = 0;
  choice.SizeMax = 0;
  QFont initial = FontFromLogFont(choice.Font);
  if (choice.Font.FaceName.empty() && choice.Font.Height == 0) {
    // Nothing chosen yet: printing uses the terminal font at 10 points.
    const TelnetWindowMDIChild* session = ActiveSession();
    initial = QFont(session ? session->Window()->TerminalFont().family() : initial.family(), 10);
  }
  const std::optional<QFont> font = app_.Services().ChooseFont(&frame_, initial, true);
  if (!font) return;
  const int dpi = LogicalDpi();
  const double points = font->pointSizeF() > 0 ? font->pointSizeF()
                                               : font->pixelSize() * double(kPointsPerInch) / dpi;
  LogFont& lf = choice.Font;
  lf.Height = -static_cast<int32_t>(points * dpi / kPointsPerInch + 0.5);
  lf.Width = 0;
  lf.Weight = font->bold() ? kBoldWeight : kNormalWeight;
  lf.Italic = font->italic() ? 1 : 0;
  lf.Underline = font->underline() ? 1 : 0;
  lf.StrikeOut = font->strikeOut() ? 1 : 0;
  lf.PitchAndFamily = kFixedPitchModern;
  lf.FaceName = font->family().toLocal8Bit().left(int(LogFont::kFaceSize) - 1).toStdString();
  choice.PointSize = static_cast<int32_t>(points * 10 + 0.5);
}

// Hangup Modem: DTR goes down for two seconds of the clock while the other
// windows keep running. Without an open serial port only the wait remains.
void TMyMDIClient::Hangup() { dialupShell_->Hangup(); }

// Minimized windows in a row along the bottom of the client area.
void TMyMDIClient::ArrangeIcons() {
  int x = 0;
  for (QMdiSubWindow* child : subWindowList()) {
    if (!child->isMinimized()) continue;
    const QSize size = child->size();
    child->move(x, viewport()->height() - size.height());
    x += size.width();
  }
}

void TMyMDIClient::About() {
  AboutDialog dialog(this);
  app_.Services().RunDialog(dialog);
}

void TMyMDIClient::ShowTitleScreen() {
  // The title screen stays until clicked when a host came on the command
  // line; otherwise it closes itself after five seconds.
  auto* splash = new SplashScreen(!app_.CommandLineHost().has_value());
  splash->setAttribute(Qt::WA_DeleteOnClose);
  connect(&frame_, &TMainMDIDecoratedFrame::Closed, splash, &QWidget::close);
  connect(&frame_, &QObject::destroyed, splash, &QWidget::close);
  splash->Open();
  // The main window is shown after this set-up; the title screen stays in
  // front of it.
  QTimer::singleShot(0, splash, [splash] { RaiseTitleScreen(splash); });
}

}  // namespace parlane
