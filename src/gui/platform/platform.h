// The layer between Parlane and the desktop: every modal dialog, message box,
// file, font and colour chooser and sound goes through Platform, so that a
// test can answer them with a ScriptedPlatform instead of a blocking window.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace parlane {

enum class MsgIcon { None, Stop, Exclamation, Information, Question };
// YesNoDefaultNo: Yes and No with No as the default (Enter, and a test's
// default answer).
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, YesNoDefaultNo };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

// A file dialog as the program describes it: a title, a filter in the
// "Text|pattern|Text|pattern|" form, an initial directory and file name,
// and the options that matter on Linux.
struct FileDialogRequest {
  QString title;
  QString filter = QStringLiteral("All files (*.*)|*.*|");
  QString initialDir;
  QString fileName;
  bool pathMustExist = true;
  bool fileMustExist = false;
  bool multiSelect = false;
  // Save dialogs: ask before an existing file is replaced.
  bool confirmOverwrite = true;
};

// The style of the font's family that matches its weight and slant, for a
// font dialog to open on ("Book" rather than "Oblique" for a plain font);
// empty when the family has none that matches.
QString MatchingStyleName(const QFont& font);

// Turns "All files (*.*)|*.*|Scripts (*.csc)|*.csc|" into Qt's filter list
// ("All files (*)", "Scripts (*.csc)"); "*.*" means every file on Linux.
QStringList QtFilters(const QString& pipeFilter);

class Platform {
 public:
  virtual ~Platform() = default;

  virtual MsgResult Message(QWidget* parent, const QString& text, const QString& caption,
                            MsgIcon icon, MsgButtons buttons) = 0;
  // Full paths chosen, empty when cancelled.
  virtual QStringList OpenFiles(QWidget* parent, const FileDialogRequest& request) = 0;
  virtual std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
  // The desktop's directory chooser; the chosen directory, or nothing when
  // cancelled.
  virtual std::optional<QString> ChooseDirectory(QWidget* parent, const QString& title,
                                                 const QString& initialDir) {
    (void)parent, (void)title, (void)initialDir;
    return std::nullopt;
  }
  virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial,
                                          bool fixedPitchOnly) = 0;
  virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial,
                                            const QString& caption) = 0;
  // Runs one of Parlane's own modal dialogs; returns QDialog::Accepted or
  // QDialog::Rejected. A test responder fills the dialog's controls and
  // answers without the dialog ever blocking.
  virtual int RunDialog(QDialog& dialog) = 0;

  // Sounds: a wave file relative to the program's directory, played
  // asynchronously or to its end; noDefault suppresses the fallback beep
  // when the file cannot be played.
  virtual void PlayWave(const QString& file, bool synchronous, bool noDefault) = 0;
  virtual void Beep() = 0;

  // Starts a program from a command line, shown normally; false on failure.
  virtual bool StartProgram(const QString& commandLine) = 0;

  // The X11 primary selection: set whenever text is selected, pasted with
  // the middle button. Where the desktop has none, the program keeps it.
  virtual void SetPrimarySelection(const QString& text);
  virtual QString PrimarySelection() const;

  // Convenience: the first file of OpenFiles.
  std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request);

 private:
  QString ownSelection_;
};

}  // namespace parlane
