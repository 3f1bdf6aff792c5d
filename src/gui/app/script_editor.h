// The plain editor window for script files, used when the desktop offers no
// editor that can be started: the file's text, Save (Ctrl+S) and Close. The
// bytes of the file are kept as they are (one character per byte).
#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;

namespace parlane {

class Platform;

class ScriptEditorWindow final : public QWidget {
  Q_OBJECT
 public:
  // A top-level window over `parent`; it deletes itself when closed.
  ScriptEditorWindow(Platform& platform, const QString& file, QWidget* parent);

  QPlainTextEdit* Editor() const { return editor_; }
  const QString& File() const { return file_; }
  // Writes the text back; false (after a message) when it could not.
  bool Save();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Platform& platform_;
  QString file_;
  QPlainTextEdit* editor_ = nullptr;
};

// Starts an editor for `file`: the desktop's default application for plain
// text, else $VISUAL or $EDITOR in the desktop's terminal emulator, else the
// built-in editor window.
void EditScriptFile(Platform& platform, const QString& file, QWidget* parent);

}  // namespace parlane
