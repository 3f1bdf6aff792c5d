#include "app/tmy_app.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>

#include "app/desktop_palette.h"
#include "app/icons.h"
#include "app/main_frame.h"
#include "platform/accessible_names.h"
#include "platform/qt_event_loop.h"

namespace parlane {

namespace {

// Files holding passwords are private to the user.
constexpr mode_t kPrivateFileMode = 0600;

// An empty PHONBOOK.DAT, so that a new installation starts without the
// missing-phonebook message. An existing file is never touched.
void InstallEmptyPhonebook(const std::filesystem::path& dir) {
  const std::filesystem::path file = dir / kPhonebookFile;
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFileMode);
  if (fd >= 0) ::close(fd);
}

}  // namespace

TMyApp::TMyApp(Platform& platform, std::filesystem::path programDir, bool firstRun,
               std::optional<StartupHost> host)
    : platform_(platform),
      programDir_(std::move(programDir)),
      firstRun_(firstRun),
      host_(std::move(host)),
      // Step 1: the records, zero-filled, and the empty phonebook.
      config_(std::make_unique<Main_Configuration_Struct>()),
      placement_(std::make_unique<WindowPlacementRecord>()),
      keys_(std::make_unique<KeyTable>()),
      phonebook_(std::make_unique<Phonebook>()),
      loop_(std::make_unique<QtEventLoop>()) {}

// The frame goes first (writing INITWIND.CFG, MAIN.CFG and KEYMAP.DAT), then
// the records are released.
TMyApp::~TMyApp() { frame_.reset(); }

bool TMyApp::IsFirstRun(const std::filesystem::path& dir) {
  for (std::string_view name : {kMainConfigFile, kPlacementFile, kKeymapFileName}) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(dir / name, error))) return false;
  }
  return true;
}

void TMyApp::InstallShippedData() {
  InstallDefaultKeymap(programDir_);
  InstallEmptyPhonebook(programDir_);
}

void TMyApp::RegisterFonts() {
  for (const char* name : kFontFiles) {
    const QString path = QString::fromStdString((programDir_ / name).string());
    if (!QFileInfo::exists(path)) continue;
    const int id = QFontDatabase::addApplicationFont(path);
    if (id >= 0) fontIds_.push_back(id);
  }
}

void TMyApp::RemoveFonts() {
  for (int id : fontIds_) QFontDatabase::removeApplicationFont(id);
  fontIds_.clear();
}

void TMyApp::InitMainWindow() {
  if (firstRun_) InstallShippedData();
  RegisterFonts();
  QApplication::setWindowIcon(ProgramIcon());
  NameControlsOfEveryDialog(QCoreApplication::instance());
  // Every file of the program is opened relative to its directory.
  std::error_code error;
  std::filesystem::current_path(programDir_, error);
  frame_ = std::make_unique<TMainMDIDecoratedFrame>(*this);
  RedrawOnPaletteChange(frame_.get(), [frame = frame_.get()] { frame->FillToolBar(); });
  frame_->Create();
}

}  // namespace parlane
