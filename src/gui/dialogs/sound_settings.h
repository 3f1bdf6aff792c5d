// "Sound Effects": which wave file each of the seven sound events plays, and
// the two switches "Use PC speaker beep" and "Disable all sound effects".
// The dialog works on a copy; OK puts it into the settings.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "config/main_config.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace parlane {

class Platform;

class SoundSettings final : public QDialog {
  Q_OBJECT
 public:
  // The file list shows the wave files of `directory` (the program's).
  SoundSettings(QWidget* parent, const Main_Configuration_Struct& config, Platform& platform,
                const QString& directory);

  // After OK: the working copy into `config`.
  void Apply(Main_Configuration_Struct& config) const;

  QListWidget* Events() const { return events_; }
  QListWidget* Files() const { return files_; }
  QCheckBox* SpeakerBeep() const { return speakerBeep_; }
  QCheckBox* SoundsOff() const { return soundsOff_; }
  QPushButton* TestButton() const { return test_; }
  QLabel* Note() const { return note_; }
  const std::string& WorkingFile(size_t event) const { return eventFiles_[event]; }

  // OK: the two check boxes join the working copy.
  void accept() override;

 private:
  void ShowEventFile();
  void FileChosen();
  void Test();

  Platform& platform_;
  std::array<std::string, Main_Configuration_Struct::kSoundCount> eventFiles_;
  uint32_t speakerBeepValue_ = 0;
  uint32_t soundsOffValue_ = 0;
  bool showing_ = false;
  QListWidget* events_ = nullptr;
  QListWidget* files_ = nullptr;
  QCheckBox* speakerBeep_ = nullptr;
  QCheckBox* soundsOff_ = nullptr;
  QPushButton* test_ = nullptr;
  QLabel* note_ = nullptr;
};

}  // namespace parlane
