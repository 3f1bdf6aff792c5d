// Sounds: the event rules as the platform layer sees them, the Sound Effects
// dialog, and a wave file played through Qt Multimedia into a PulseAudio
// null sink of the test's own, recorded back from the sink's monitor.
#include <sys/prctl.h>
#include <sys/wait.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <cmath>
#include <csignal>

#include "dialogs/sound_settings.h"
#include "frame_fixture.h"
#include "platform/qt_platform.h"

namespace parlane::test {
namespace {

TEST_F(FrameTest, SoundEventsFollowTheSwitches) {
  Start(true);
  for (size_t i = 0; i < Config().SoundFiles.size(); ++i) {
    Config().SoundFiles[i] = "e" + std::to_string(i) + ".wav";
  }
  struct Case {
    uint32_t soundsOff, speakerBeep;
    SoundEvent event;
    const char* heard;  // a file, "beep" or "" for nothing
  };
  // The rules are the engine's; here, what each kind of answer does.
  const Case cases[] = {
      {0, 0, SoundEvent::TransferFailed, "e5.wav"},
      {1, 0, SoundEvent::Connect, ""},
      {0, 1, SoundEvent::Connect, "beep"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(kSoundEventNames[size_t(c.event)]) +
                 " off=" + std::to_string(c.soundsOff) + " beep=" + std::to_string(c.speakerBeep));
    Config().SoundsOff = c.soundsOff;
    Config().UseSpeakerBeep = c.speakerBeep;
    platform_.sounds.clear();
    platform_.beeps = 0;
    Client()->PlaySound(c.event);
    const std::string heard = c.heard;
    if (heard == "beep") {
      EXPECT_EQ(platform_.beeps, 1);
      ASSERT_EQ(platform_.sounds.size(), 1u);
      EXPECT_TRUE(platform_.sounds[0].file.isEmpty());
    } else if (heard.empty()) {
      EXPECT_EQ(platform_.beeps, 0);
      EXPECT_TRUE(platform_.sounds.empty());
    } else {
      ASSERT_EQ(platform_.sounds.size(), 1u);
      EXPECT_EQ(platform_.sounds[0].file.toStdString(), heard);
      EXPECT_FALSE(platform_.sounds[0].synchronous);
    }
  }
  Config().SoundsOff = 0;
  Config().UseSpeakerBeep = 0;
}

TEST_F(FrameTest, SoundEffectsDialogListsWaveFilesAndAssignsThem) {
  Start(true);
  std::filesystem::create_directories(dir_);
  for (const char* name :
       {"ring.wav", "DING.WAV", "chime.Wav", "a-very-long-name.wav", "notes.txt"}) {
    WriteAll(dir_ / name, {'R', 'I', 'F', 'F'});
  }
  Config().SoundFiles = {"gone.wav", "DING.WAV", "", "", "", "", ""};
  Config().SoundsOff = 0;
  Config().UseSpeakerBeep = 0;
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& dialog = dynamic_cast<SoundSettings&>(d);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sound Effects"));
    EXPECT_EQ(dialog.Events()->count(), 7);
    QStringList listed;
    for (int i = 0; i < dialog.Files()->count(); ++i) listed << dialog.Files()->item(i)->text();
    EXPECT_EQ(listed, (QStringList{"a-very-long-name.wav", "chime.Wav", "DING.WAV", "ring.wav"}));
    // The name that does not fit the settings is listed greyed, with a note.
    EXPECT_FALSE(dialog.Files()->item(0)->flags() & Qt::ItemIsEnabled);
    EXPECT_FALSE(dialog.Note()->isHidden());
    // "Title screen" names a file that is not here: the first file it can
    // hold is selected and becomes its file.
    EXPECT_EQ(dialog.Files()->currentItem()->text(), QStringLiteral("chime.Wav"));
    EXPECT_EQ(dialog.WorkingFile(0), "chime.Wav");
    dialog.Events()->setCurrentRow(1);
    EXPECT_EQ(dialog.Files()->currentItem()->text(), QStringLiteral("DING.WAV"));
    dialog.Files()->setCurrentRow(3);
    dialog.TestButton()->click();
    dialog.SoundsOff()->setChecked(true);
    return int(QDialog::Accepted);
  });
  Frame()->MenuAction(cmd::kSoundEffects)->trigger();
  EXPECT_TRUE(platform_.dialogResponders.empty());
  EXPECT_EQ(Config().SoundFiles[0], "chime.Wav");
  EXPECT_EQ(Config().SoundFiles[1], "ring.wav");
  EXPECT_EQ(Config().SoundsOff, 1u);
  EXPECT_EQ(Config().UseSpeakerBeep, 0u);
  ASSERT_FALSE(platform_.sounds.empty());
  EXPECT_EQ(platform_.sounds.back().file, QStringLiteral("ring.wav"));  // Test
  EXPECT_TRUE(platform_.sounds.back().noDefault);

  // Cancel changes nothing.
  platform_.dialogResponders.push_back([](QDialog& d) {
    dynamic_cast<SoundSettings&>(d).SpeakerBeep()->setChecked(true);
    return int(QDialog::Rejected);
  });
  Frame()->MenuAction(cmd::kSoundEffects)->trigger();
  EXPECT_EQ(Config().UseSpeakerBeep, 0u);
}

// A PulseAudio server with one null sink, in a directory of its own.
class PulseServer {
 public:
  ~PulseServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  QString Start() {
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
      return QStringLiteral("pulseaudio is not installed");
    if (QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
      return QStringLiteral("parec is not installed");
    const QByteArray d = dir_.path().toLocal8Bit();
    socket_ = dir_.path() + QStringLiteral("/native");
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      setenv("HOME", d.constData(), 1);
      setenv("XDG_RUNTIME_DIR", d.constData(), 1);
      setenv("PULSE_RUNTIME_PATH", d.constData(), 1);
      const QByteArray unix =
          "module-native-protocol-unix auth-anonymous=1 socket=" + socket_.toLocal8Bit();
      const int null = ::open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
             "--disable-shm=yes", "--use-pid-file=no", "-L",
             "module-null-sink sink_name=parlanetest", "-L", unix.constData(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 100 && !QFile::exists(socket_); ++i) QThread::msleep(50);
    if (!QFile::exists(socket_)) return QStringLiteral("pulseaudio did not start");
    setenv("PULSE_SERVER", ("unix:" + socket_).toLocal8Bit().constData(), 1);
    return {};
  }
  QString Dir() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QString socket_;
  pid_t pid_ = -1;
};

// 16-bit mono PCM at 44100 Hz: a 440 Hz tone of `ms` milliseconds.
QByteArray ToneWave(int ms) {
  constexpr int kRate = 44100;
  const int samples = kRate * ms / 1000;
  QByteArray pcm;
  for (int i = 0; i < samples; ++i) {
    const auto v = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * i / kRate));
    pcm.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
  }
  auto le32 = [](uint32_t v) {
    QByteArray b;
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xff));
    return b;
  };
  auto le16 = [](uint16_t v) { return QByteArray().append(char(v & 0xff)).append(char(v >> 8)); };
  return QByteArray("RIFF") + le32(uint32_t(36 + pcm.size())) + "WAVEfmt " + le32(16) + le16(1) +
         le16(1) + le32(kRate) + le32(kRate * 2) + le16(2) + le16(16) + "data" +
         le32(uint32_t(pcm.size())) + pcm;
}

TEST(WavePlayback, AToneReachesTheSoundServer) {
  PulseServer pulse;
  const QString why = pulse.Start();
  if (!why.isEmpty()) GTEST_SKIP() << "no sound server for the test: " << why.toStdString();
  const QString wave = pulse.Dir() + QStringLiteral("/tone.wav");
  QFile file(wave);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(ToneWave(600));
  file.close();

  QProcess recorder;
  recorder.start(QStringLiteral("parec"),
                 {QStringLiteral("-d"), QStringLiteral("parlanetest.monitor"),
                  QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                  QStringLiteral("--channels=1"), QStringLiteral("--rate=44100")});
  ASSERT_TRUE(recorder.waitForStarted());
  QThread::msleep(300);
  QtPlatform platform;
  platform.PlayWave(wave, true, true);  // to its end, as the exit sound plays
  QThread::msleep(300);
  recorder.terminate();
  recorder.waitForFinished(3000);
  const QByteArray recorded = recorder.readAllStandardOutput();
  int peak = 0;
  for (qsizetype i = 0; i + 1 < recorded.size(); i += 2) {
    const auto v = static_cast<int16_t>(uint8_t(recorded[i]) | (uint8_t(recorded[i + 1]) << 8));
    peak = std::max(peak, std::abs(int(v)));
  }
  EXPECT_GT(recorded.size(), 0);
  EXPECT_GT(peak, 4000) << "the tone did not arrive at the sink";
}

}  // namespace
}  // namespace parlane::test
