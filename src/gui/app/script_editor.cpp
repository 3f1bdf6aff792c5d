#include "app/script_editor.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/platform.h"
#include "platform/text_editor.h"

namespace parlane {

namespace {

const QString kCaption = QStringLiteral("Parlane");

}  // namespace

ScriptEditorWindow::ScriptEditorWindow(Platform& platform, const QString& file, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), file_(file) {
  setObjectName(QStringLiteral("ScriptEditorWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("%1 - Script Editor").arg(QFileInfo(file).fileName()));
  editor_ = new QPlainTextEdit(this);
  editor_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFile in(file);
  if (in.open(QIODevice::ReadOnly)) editor_->setPlainText(QString::fromLatin1(in.readAll()));
  editor_->document()->setModified(false);

  auto* save = new QPushButton(QStringLiteral("&Save"), this);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  connect(save, &QPushButton::clicked, this, &ScriptEditorWindow::Save);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* shortcut = new QShortcut(QKeySequence::Save, this);
  connect(shortcut, &QShortcut::activated, this, &ScriptEditorWindow::Save);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(editor_);
  layout->addLayout(buttons);
  resize(640, 480);
}

bool ScriptEditorWindow::Save() {
  QFile out(file_);
  const QByteArray bytes = editor_->toPlainText().toLatin1();
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
      !out.flush()) {
    platform_.Message(this, QStringLiteral("Error occurred while writing to file."),
                      QStringLiteral("Error"), MsgIcon::Stop, MsgButtons::Ok);
    return false;
  }
  editor_->document()->setModified(false);
  return true;
}

void ScriptEditorWindow::closeEvent(QCloseEvent* event) {
  if (editor_->document()->isModified()) {
    const MsgResult answer = platform_.Message(
        this, QStringLiteral("Save the changes to %1?").arg(QFileInfo(file_).fileName()), kCaption,
        MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel || (answer == MsgResult::Yes && !Save())) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

void EditScriptFile(Platform& platform, const QString& file, QWidget* parent) {
  for (const QStringList& command : EditorCommands(file, DesktopEnvironment::System())) {
    if (platform.StartProgram(JoinCommand(command))) return;
  }
  auto* window = new ScriptEditorWindow(platform, file, parent);
  window->show();
}

}  // namespace parlane
