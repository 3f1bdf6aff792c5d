#include "platform/qt_platform.h"

#include "platform/wave_player.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

namespace parlane {

namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Stop: return QMessageBox::Critical;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

MsgResult FromQt(int button) {
  switch (button) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    default: return MsgResult::Cancel;
  }
}

QString StartPath(const FileDialogRequest& request) {
  if (request.fileName.isEmpty()) return request.initialDir;
  if (request.initialDir.isEmpty()) return request.fileName;
  return request.initialDir + QLatin1Char('/') + request.fileName;
}

}  // namespace

MsgResult QtPlatform::Message(QWidget* parent, const QString& text, const QString& caption,
                              MsgIcon icon, MsgButtons buttons) {
  QMessageBox box(ToQt(icon), caption, text, ToQt(buttons), parent);
  if (buttons == MsgButtons::YesNoDefaultNo) {
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
  }
  return FromQt(box.exec());
}

QStringList QtPlatform::OpenFiles(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.title, StartPath(request));
  dialog.setNameFilters(QtFilters(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.multiSelect     ? QFileDialog::ExistingFiles
                     : request.fileMustExist ? QFileDialog::ExistingFile
                                             : QFileDialog::AnyFile);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted) return {};
  QStringList files = dialog.selectedFiles();
  if (request.pathMustExist) {
    // A name typed into a directory that does not exist is refused, as the
    // desktop's dialog does with "path must exist".
    files.removeIf([](const QString& f) { return !QFileInfo(f).absoluteDir().exists(); });
  }
  return files;
}

std::optional<QString> QtPlatform::SaveFile(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.title, StartPath(request));
  dialog.setNameFilters(QtFilters(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

std::optional<QString> QtPlatform::ChooseDirectory(QWidget* parent, const QString& title,
                                                   const QString& initialDir) {
  const QString dir = QFileDialog::getExistingDirectory(parent, title, initialDir);
  if (dir.isEmpty()) return std::nullopt;
  return dir;
}

std::optional<QFont> QtPlatform::ChooseFont(QWidget* parent, const QFont& initial,
                                            bool fixedPitchOnly) {
  bool ok = false;
  // The dialog opens on the style the font has, not on the family's first
  // slanted one.
  QFont start = initial;
  if (const QString style = MatchingStyleName(initial); !style.isEmpty()) start.setStyleName(style);
  const QFont font = QFontDialog::getFont(
      &ok, start, parent, QString(),
      fixedPitchOnly ? QFontDialog::MonospacedFonts : QFontDialog::FontDialogOptions());
  if (!ok) return std::nullopt;
  return font;
}

std::optional<QColor> QtPlatform::ChooseColor(QWidget* parent, const QColor& initial,
                                              const QString& caption) {
  const QColor color = QColorDialog::getColor(initial, parent, caption);
  if (!color.isValid()) return std::nullopt;
  return color;
}

int QtPlatform::RunDialog(QDialog& dialog) { return dialog.exec(); }

void QtPlatform::PlayWave(const QString& file, bool synchronous, bool noDefault) {
  if (!PlayWaveFile(file, synchronous) && !noDefault) Beep();
}

void QtPlatform::Beep() { QApplication::beep(); }

bool QtPlatform::StartProgram(const QString& commandLine) {
  QStringList words = QProcess::splitCommand(commandLine);
  if (words.isEmpty()) return false;
  const QString program = words.takeFirst();
  return QProcess::startDetached(program, words);
}

}  // namespace parlane
