// parlane [--home DIR] [--host-mode [PORT]] [--dial ENTRY | HOST [PORT] | telnet://HOST[:PORT]]
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/desktop_palette.h"
#include "app/main_frame.h"
#include "app/tmy_app.h"
#include "book/entry_order.h"
#include "config/program_dir.h"
#include "platform/qt_platform.h"
#include "platform/quit_signals.h"

namespace {

constexpr int kUsageError = 2;

std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  // The command line is read before the desktop is reached, so that --help,
  // --version and mistakes are answered without a display.
  const parlane::CommandLine line = parlane::ParseCommandLine(Arguments(argc, argv));
  if (!line.error.empty()) {
    std::fprintf(stderr, "parlane: %s\n%s", line.error.c_str(),
                 line.showUsage ? parlane::UsageText().c_str() : "");
    return kUsageError;
  }
  if (line.help) {
    std::fputs(parlane::UsageText().c_str(), stdout);
    return 0;
  }
  if (line.version) {
    std::fputs(parlane::VersionText().c_str(), stdout);
    return 0;
  }

  parlane::ProgramDirSources sources = parlane::ProgramDirSources::FromEnvironment();
  sources.HomeOption = line.home;
  const auto dir = parlane::ResolveProgramDir(sources);
  std::error_code error;
  const auto prepared = dir ? parlane::PrepareProgramDir(*dir, error) : std::nullopt;
  if (!prepared) {
    std::fprintf(stderr, "parlane: cannot use the program directory %s: %s\n",
                 dir ? dir->c_str() : "(no home directory)", error.message().c_str());
    return 1;
  }

  if (line.dial) {
    // An unknown entry is refused before any window opens.
    parlane::Phonebook book;
    parlane::RecordingMessageSink quiet;
    book.Load(prepared->Path / parlane::kPhonebookFile, quiet);
    if (parlane::FindStartupEntry(book, *line.dial) == nullptr) {
      std::fprintf(stderr, "parlane: no phonebook entry \"%s\"\n", line.dial->c_str());
      return kUsageError;
    }
  }

  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Parlane"));
  QApplication::setApplicationVersion(QStringLiteral(PARLANE_VERSION));
  // Ties the windows to the desktop entry (its icon and name on Wayland).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.parlane.Parlane"));
  parlane::FollowDesktopColorScheme(qapp);
  parlane::QtPlatform platform;
  // The last window to close is the main window: then the application ends,
  // and the records are saved as the application object goes.
  parlane::TMyApp app(platform, prepared->Path, parlane::TMyApp::IsFirstRun(prepared->Path),
                      line.host);
  if (line.dial) app.SetDialEntry(*line.dial);
  // The title screen may outlive the main window's close; the program ends
  // with the main window.
  QApplication::setQuitOnLastWindowClosed(false);
  if (line.hostMode) app.SetHostModeStart(parlane::TMyApp::HostModeStart{line.hostModePort});
  app.InitMainWindow();
  QObject::connect(app.Frame(), &parlane::TMainMDIDecoratedFrame::Closed, &qapp,
                   &QApplication::quit, Qt::QueuedConnection);
  parlane::CloseOnQuitSignals(app.Frame());
  return QApplication::exec();
}
