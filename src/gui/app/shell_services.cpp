// The shell's small services: the printer object and Printer Setup, the
// Sound Effects, Keyboard Mapping and Function Keys dialogs, the four tools,
// the shell session and help.
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

#include "app/commands.h"
#include "app/desktop_programs.h"
#include "app/help_window.h"
#include "app/main_frame.h"
#include "app/mdi_client.h"
#include "app/tmy_app.h"
#include "config/main_config.h"
#include "dialogs/fast_keys.h"
#include "dialogs/keymap.h"
#include "dialogs/sound_settings.h"
#include "print/printer_service.h"
#include "session/telnet_window.h"

namespace parlane {

namespace {

const QString kToolError = QStringLiteral("Error loading toolbar application");
const QString kShellError = QStringLiteral("Error loading shell (%1)");
const QString kTerminalProgram = QStringLiteral("x-terminal-emulator");
const QString kPdfName = QStringLiteral("Parlane.pdf");

// Tool indexes by command id: Run and Change of Tool 1 to Tool 4.
int ToolIndex(int id) {
  switch (id) {
    case cmd::kTool1Run:
    case cmd::kTool1Change: return 0;
    case cmd::kTool2Run:
    case cmd::kTool2Change: return 1;
    case cmd::kTool3Run:
    case cmd::kTool3Change: return 2;
    case cmd::kTool4Run:
    case cmd::kTool4Change: return 3;
    default: return -1;
  }
}

QPointer<HelpWindow>& TheHelpWindow() {
  static QPointer<HelpWindow> window;
  return window;
}

}  // namespace

void TMyMDIClient::CreatePrinter() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = QDir::homePath();
  printer_ = std::make_unique<PrinterService>(app_.Services(), QDir(dir).filePath(kPdfName));
  if (context_) context_->printer = printer_.get();
}

void TMyMDIClient::PrinterSetup() {
  if (printer_) printer_->Setup(&frame_);
}

void TMyMDIClient::SoundEffects() {
  SoundSettings dialog(&frame_, app_.Config(), app_.Services(), context_->programDir);
  if (app_.Services().RunDialog(dialog) == QDialog::Accepted) dialog.Apply(app_.Config());
}

void TMyMDIClient::KeyboardMapping() {
  Keymap dialog(&frame_, app_.Keys(), app_.Config().Terminal.Emulation);
  app_.Services().RunDialog(dialog);
  if (TelnetWindowMDIChild* session = ActiveSession()) session->KeypadModeChanged();
}

void TMyMDIClient::FunctionKeys() {
  FastKeys dialog(&frame_, app_.Keys());
  app_.Services().RunDialog(dialog);
}

// The user's shell in the desktop's terminal emulator.
void TMyMDIClient::DosSession() {
  QString terminal = QStandardPaths::findExecutable(kTerminalProgram);
  if (terminal.isEmpty()) terminal = qEnvironmentVariable("TERMINAL");
  QString shell = qEnvironmentVariable("SHELL");
  if (shell.isEmpty()) shell = QStringLiteral("/bin/sh");
  const QString tried = terminal.isEmpty() ? kTerminalProgram : terminal;
  if (terminal.isEmpty() || !app_.Services().StartProgram(
                                QuoteWord(terminal) + QStringLiteral(" -e ") + QuoteWord(shell))) {
    ShellMessage(kShellError.arg(tried), MsgIcon::Stop);
  }
}

void TMyMDIClient::RunTool(int id) {
  const int index = ToolIndex(id);
  if (index < 0) return;
  const ToolLaunch launch = ResolveTool(
      QString::fromLocal8Bit(app_.Config().Tools[size_t(index)].c_str()), context_->programDir);
  if (launch.commandLine.isEmpty() || !app_.Services().StartProgram(launch.commandLine)) {
    ShellMessage(kToolError, MsgIcon::Stop);
  }
}

void TMyMDIClient::ChangeTool(int id) {
  const int index = ToolIndex(id);
  if (index < 0) return;
  std::string& tool = app_.Config().Tools[size_t(index)];
  const QString current = QString::fromLocal8Bit(tool.c_str()).trimmed();
  const QFileInfo info(current);
  FileDialogRequest request;
  request.title = QStringLiteral("Select New Program");
  request.initialDir =
      current.contains(QLatin1Char('/')) ? info.absolutePath() : context_->programDir;
  request.fileName = current.isEmpty() ? QString() : info.fileName();
  request.pathMustExist = true;
  request.fileMustExist = true;
  const std::optional<QString> chosen = app_.Services().OpenFile(&frame_, request);
  if (!chosen) return;
  const QByteArray path = QuoteWord(*chosen).toLocal8Bit();
  if (path.size() >= qsizetype(Main_Configuration_Struct::kPathSize)) {
    ShellMessage(QStringLiteral("The program's path is longer than %1 characters.")
                     .arg(Main_Configuration_Struct::kPathSize - 1),
                 MsgIcon::Exclamation);
    return;
  }
  tool = path.toStdString();
  frame_.FillToolBar();
}

void TMyMDIClient::ShowHelp(int id) {
  const QString dir = HelpDirectory();
  if (dir.isEmpty()) return;  // no help installed: nothing opens
  QPointer<HelpWindow>& window = TheHelpWindow();
  if (!window) window = new HelpWindow(dir, &frame_);
  window->Open(QString::fromLatin1(id == cmd::kHelpUsing ? kUsingHelpPage : kHelpIndexPage));
}

}  // namespace parlane
