#include "platform/wave_player.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace parlane {

namespace {

// Loading happens in the background; a file is judged within this time.
constexpr int kLoadLimitMs = 3000;

// Waits in the event loop until `done` or `ms` have passed.
bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
  }
  return done();
}

}  // namespace

bool PlayWaveFile(const QString& path, bool synchronous) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
  auto* effect = new QSoundEffect(QCoreApplication::instance());
  effect->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
  const auto loaded = [effect] {
    return effect->status() == QSoundEffect::Ready || effect->status() == QSoundEffect::Error;
  };
  if (!synchronous) {
    // The effect deletes itself once it has played or failed.
    QObject::connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
      if (!effect->isPlaying()) effect->deleteLater();
    });
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
      if (effect->status() == QSoundEffect::Error) effect->deleteLater();
      if (effect->status() == QSoundEffect::Ready && !effect->isPlaying()) effect->play();
    });
    if (effect->status() == QSoundEffect::Ready) effect->play();
    return true;
  }
  WaitFor(loaded, kLoadLimitMs);
  if (effect->status() != QSoundEffect::Ready) {
    delete effect;
    return false;
  }
  effect->play();
  WaitFor([effect] { return effect->isPlaying(); }, kLoadLimitMs);
  WaitFor([effect] { return !effect->isPlaying(); }, kSyncSoundLimitMs);
  delete effect;
  return true;
}

}  // namespace parlane
