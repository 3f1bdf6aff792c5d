// A Platform that answers from a script instead of showing anything: every
// message box, file, font and colour choice and dialog is recorded and
// answered from queues the test fills. Nothing ever blocks.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace parlane {

class ScriptedPlatform final : public Platform {
 public:
  struct MessageCall {
    QString text;
    QString caption;
    MsgIcon icon;
    MsgButtons buttons;
  };
  struct SoundCall {
    QString file;  // empty for a plain beep
    bool synchronous;
    bool noDefault;
  };
  // A dialog responder looks at (and fills) the dialog, and returns
  // QDialog::Accepted to press OK or QDialog::Rejected to cancel.
  using DialogResponder = std::function<int(QDialog&)>;

  // Answers, used in order; when a queue is empty the default applies:
  // messages get their default button (Ok, Yes; No for YesNoDefaultNo), choosers are cancelled,
  // dialogs are cancelled.
  std::deque<MsgResult> messageAnswers;
  std::deque<QStringList> openAnswers;
  std::deque<QString> saveAnswers;       // an empty text cancels
  std::deque<QString> directoryAnswers;  // an empty text cancels
  std::deque<std::optional<QFont>> fontAnswers;
  std::deque<std::optional<QColor>> colorAnswers;
  std::deque<DialogResponder> dialogResponders;
  bool startProgramResult = true;
  // While above 0, font choices answer OK with the font they opened on.
  int unchangedFontAnswers = 0;
  // The primary selection the program set, and the one a middle click pastes.
  QString primary;

  // What happened, in order.
  std::vector<MessageCall> messages;
  std::vector<FileDialogRequest> fileDialogs;
  std::vector<QString> dialogTitles;
  std::vector<SoundCall> sounds;
  std::vector<QString> startedPrograms;
  std::vector<QFont> fontDialogsOpenedOn;
  int beeps = 0;

  MsgResult Message(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon,
                    MsgButtons buttons) override;
  QStringList OpenFiles(QWidget* parent, const FileDialogRequest& request) override;
  std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) override;
  std::optional<QString> ChooseDirectory(QWidget* parent, const QString& title,
                                         const QString& initialDir) override;
  std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial,
                                  bool fixedPitchOnly) override;
  std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial,
                                    const QString& caption) override;
  int RunDialog(QDialog& dialog) override;
  void PlayWave(const QString& file, bool synchronous, bool noDefault) override;
  void Beep() override;
  bool StartProgram(const QString& commandLine) override;
  void SetPrimarySelection(const QString& text) override { primary = text; }
  QString PrimarySelection() const override { return primary; }
};

}  // namespace parlane
