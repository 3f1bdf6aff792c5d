// The title screen shown at start-up: closes itself after five seconds (when
// its timer runs) or at a left mouse click.
#pragma once

#include <QTimer>
#include <QWidget>

namespace parlane {

class SplashScreen final : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kTimeoutMs = 5000;

  explicit SplashScreen(bool useTimer, QWidget* parent = nullptr);

  // Centres itself on the desktop, shows itself and starts its timer.
  void Open();
  bool TimerRunning() const { return timer_.isActive(); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Tick();

  QTimer timer_;
  bool useTimer_;
};

}  // namespace parlane
