// The Script menu's Create and Edit, answered by the MDI client: a new
// script file gets the template, and either file goes to an editor.
#include <QFileInfo>

#include "app/mdi_client.h"
#include "app/main_frame.h"
#include "app/script_editor.h"
#include "app/tmy_app.h"
#include "platform/platform.h"
#include "script/script.h"

namespace parlane {

namespace {

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

FileDialogRequest ScriptDialog(const QString& title) {
  FileDialogRequest request;
  request.title = title;
  request.filter = FromView(kScriptFileFilter);
  return request;
}

}  // namespace

void TMyMDIClient::ScriptCreate() {
  const std::optional<QString> chosen = app_.Services().SaveFile(
      &frame_, ScriptDialog(QStringLiteral("Input Script File To Create")));
  if (!chosen) return;
  QString file = *chosen;
  // A name typed without an extension gets the script files' own.
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".csc");
  if (!WriteScriptTemplate(file.toLocal8Bit().toStdString())) {
    ShellMessage(QStringLiteral("Unable to create file"), MsgIcon::Stop);
    return;
  }
  EditScriptFile(app_.Services(), file, &frame_);
}

void TMyMDIClient::ScriptEdit() {
  FileDialogRequest request = ScriptDialog(QStringLiteral("Select Script File To Edit"));
  request.fileMustExist = true;
  const std::optional<QString> chosen = app_.Services().OpenFile(&frame_, request);
  if (!chosen) return;
  EditScriptFile(app_.Services(), *chosen, &frame_);
}

}  // namespace parlane
