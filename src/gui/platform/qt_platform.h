// The desktop's own dialogs, message boxes, sounds and program start.
#pragma once

#include "platform/platform.h"

namespace parlane {

class QtPlatform final : public Platform {
 public:
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
};

}  // namespace parlane
