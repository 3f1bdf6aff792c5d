#include "platform/scripted_platform.h"

#include <QDialog>

namespace parlane {

namespace {

template <typename T>
T TakeFront(std::deque<T>& queue, const T& fallback) {
  if (queue.empty()) return fallback;
  const T value = queue.front();
  queue.pop_front();
  return value;
}

MsgResult FirstButton(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
    case MsgButtons::YesNoDefaultNo: return MsgResult::No;
  }
  return MsgResult::Ok;
}

}  // namespace

MsgResult ScriptedPlatform::Message(QWidget*, const QString& text, const QString& caption,
                                    MsgIcon icon, MsgButtons buttons) {
  messages.push_back({text, caption, icon, buttons});
  return TakeFront(messageAnswers, FirstButton(buttons));
}

QStringList ScriptedPlatform::OpenFiles(QWidget*, const FileDialogRequest& request) {
  fileDialogs.push_back(request);
  return TakeFront(openAnswers, QStringList());
}

std::optional<QString> ScriptedPlatform::SaveFile(QWidget*, const FileDialogRequest& request) {
  fileDialogs.push_back(request);
  const QString answer = TakeFront(saveAnswers, QString());
  if (answer.isEmpty()) return std::nullopt;
  return answer;
}

std::optional<QString> ScriptedPlatform::ChooseDirectory(QWidget*, const QString& title,
                                                         const QString& initialDir) {
  FileDialogRequest request;
  request.title = title;
  request.initialDir = initialDir;
  fileDialogs.push_back(request);
  const QString answer = TakeFront(directoryAnswers, QString());
  if (answer.isEmpty()) return std::nullopt;
  return answer;
}

std::optional<QFont> ScriptedPlatform::ChooseFont(QWidget*, const QFont& initial, bool) {
  fontDialogsOpenedOn.push_back(initial);
  if (unchangedFontAnswers > 0) {
    --unchangedFontAnswers;
    return initial;
  }
  return TakeFront(fontAnswers, std::optional<QFont>());
}

std::optional<QColor> ScriptedPlatform::ChooseColor(QWidget*, const QColor&, const QString&) {
  return TakeFront(colorAnswers, std::optional<QColor>());
}

int ScriptedPlatform::RunDialog(QDialog& dialog) {
  dialogTitles.push_back(dialog.windowTitle());
  DialogResponder responder = TakeFront(dialogResponders, DialogResponder());
  const int answer = responder ? responder(dialog) : int{QDialog::Rejected};
  // The dialog's own OK handling runs as if the button were pressed; a
  // dialog that refuses to close stays rejected.
  dialog.setResult(QDialog::Rejected);
  if (answer == QDialog::Accepted) {
    dialog.accept();
  } else {
    dialog.reject();
  }
  return dialog.result();
}

void ScriptedPlatform::PlayWave(const QString& file, bool synchronous, bool noDefault) {
  sounds.push_back({file, synchronous, noDefault});
}

void ScriptedPlatform::Beep() {
  ++beeps;
  sounds.push_back({QString(), false, false});
}

bool ScriptedPlatform::StartProgram(const QString& commandLine) {
  startedPrograms.push_back(commandLine);
  return startProgramResult;
}

}  // namespace parlane
