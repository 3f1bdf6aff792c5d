#include "dialogs/sound_settings.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/sound_events.h"
#include "platform/platform.h"

namespace parlane {

namespace {

// A name is stored with its terminator in a 15-byte field.
constexpr qsizetype kMaxNameBytes = qsizetype(Main_Configuration_Struct::kSoundFileSize) - 1;

bool Fits(const QString& name) { return name.toLocal8Bit().size() <= kMaxNameBytes; }

}  // namespace

SoundSettings::SoundSettings(QWidget* parent, const Main_Configuration_Struct& config,
                             Platform& platform, const QString& directory)
    : QDialog(parent),
      platform_(platform),
      eventFiles_(config.SoundFiles),
      speakerBeepValue_(config.UseSpeakerBeep),
      soundsOffValue_(config.SoundsOff) {
  setWindowTitle(QStringLiteral("Sound Effects"));
  setObjectName(QStringLiteral("SoundSettings"));
  events_ = new QListWidget(this);
  events_->setObjectName(QStringLiteral("101"));
  for (const std::string_view name : kSoundEventNames) {
    events_->addItem(QString::fromLatin1(name.data(), qsizetype(name.size())));
  }
  files_ = new QListWidget(this);
  files_->setObjectName(QStringLiteral("102"));
  // The wave files of the directory, ".wav" in any case.
  QStringList names =
      QDir(directory).entryList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  bool tooLong = false;
  for (const QString& name : names) {
    if (!name.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) continue;
    auto* item = new QListWidgetItem(name, files_);
    if (!Fits(name)) {
      // The settings cannot hold the name: listed, but not to be chosen.
      item->setFlags(Qt::NoItemFlags);
      item->setToolTip(QStringLiteral("The name is longer than %1 characters").arg(kMaxNameBytes));
      tooLong = true;
    }
  }
  note_ = new QLabel(QStringLiteral("Greyed files have names longer than %1 characters and "
                                    "cannot be chosen; rename them to use them.")
                         .arg(kMaxNameBytes),
                     this);
  note_->setWordWrap(true);
  note_->setVisible(tooLong);
  speakerBeep_ = new QCheckBox(QStringLiteral("Use PC speaker beep"), this);
  speakerBeep_->setObjectName(QStringLiteral("103"));
  speakerBeep_->setChecked(speakerBeepValue_ != 0);
  soundsOff_ = new QCheckBox(QStringLiteral("Disable all sound effects"), this);
  soundsOff_->setObjectName(QStringLiteral("104"));
  soundsOff_->setChecked(config.SoundsOff != 0);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("111"));
  ok->setDefault(true);
  test_ = new QPushButton(QStringLiteral("Test"), this);
  test_->setObjectName(QStringLiteral("100"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));

  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("Events"), this), 0, 0);
  lists->addWidget(new QLabel(QStringLiteral("Sound files"), this), 0, 1);
  lists->addWidget(events_, 1, 0);
  lists->addWidget(files_, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(test_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists);
  layout->addWidget(note_);
  layout->addWidget(speakerBeep_);
  layout->addWidget(soundsOff_);
  layout->addLayout(buttons);

  connect(events_, &QListWidget::currentRowChanged, this, &SoundSettings::ShowEventFile);
  connect(files_, &QListWidget::currentRowChanged, this, &SoundSettings::FileChosen);
  connect(test_, &QPushButton::clicked, this, &SoundSettings::Test);
  connect(ok, &QPushButton::clicked, this, &SoundSettings::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  events_->setCurrentRow(0);
}

// The event's file is selected in the list; a file that is not there gives
// way to the first one the list offers.
void SoundSettings::ShowEventFile() {
  const int event = events_->currentRow();
  if (event < 0) return;
  showing_ = true;
  const QString name = QString::fromLocal8Bit(eventFiles_[size_t(event)].c_str());
  int row = -1;
  int first = -1;
  for (int i = 0; i < files_->count(); ++i) {
    const QListWidgetItem* item = files_->item(i);
    if (!(item->flags() & Qt::ItemIsEnabled)) continue;
    if (first < 0) first = i;
    if (item->text() == name) row = i;
  }
  if (row < 0 && first >= 0) {
    row = first;
    eventFiles_[size_t(event)] = files_->item(first)->text().toLocal8Bit().toStdString();
  }
  files_->setCurrentRow(row);
  showing_ = false;
}

void SoundSettings::FileChosen() {
  if (showing_) return;
  const int event = events_->currentRow();
  const QListWidgetItem* item = files_->currentItem();
  if (event < 0 || item == nullptr || !(item->flags() & Qt::ItemIsEnabled)) return;
  eventFiles_[size_t(event)] = item->text().toLocal8Bit().left(kMaxNameBytes).toStdString();
}

void SoundSettings::Test() {
  const QListWidgetItem* item = files_->currentItem();
  if (item == nullptr || !(item->flags() & Qt::ItemIsEnabled)) return;
  platform_.PlayWave(item->text(), false, true);
}

void SoundSettings::accept() {
  speakerBeepValue_ = speakerBeep_->isChecked() ? 1 : 0;
  soundsOffValue_ = soundsOff_->isChecked() ? 1 : 0;
  QDialog::accept();
}

void SoundSettings::Apply(Main_Configuration_Struct& config) const {
  config.SoundFiles = eventFiles_;
  config.UseSpeakerBeep = speakerBeepValue_;
  config.SoundsOff = soundsOffValue_;
}

}  // namespace parlane
