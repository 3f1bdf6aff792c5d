// The per-session commands that move text between a session window and
// files: Begin/Stop Capture, Save Current Session, Save Selected Text,
// Transmit File, and the Script menu's Run and Stop. One object per session
// window, owned by (a child of) its TelnetWindow.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

class QWidget;

namespace parlane {

struct AppContext;
class FileTransmitter;
class TelnetWindow;
class TransmitProgress;

class SessionFileCommands final : public QObject {
  Q_OBJECT
 public:
  // Files at least this large show the transmit progress window.
  static constexpr qint64 kProgressWindowBytes = 64 * 1024;

  SessionFileCommands(AppContext& app, TelnetWindow& window);
  ~SessionFileCommands() override;

  // True when `id` is one of these commands (it has then been carried out).
  bool HandleCommand(int id);
  // The enabling of these commands; empty for other ids.
  std::optional<bool> CommandEnabled(int id) const;

  bool Capturing() const;
  bool Transmitting() const { return transmitter_ != nullptr; }

  void ToggleCapture();
  void SaveSession();
  void SaveSelected();
  void TransmitFile();
  void RunScript();
  void StopScript();
  // Stops a transmission at once (Cancel, or the window closing).
  void StopTransmit();
  // The window is about to close: nothing may run on after it.
  void WindowClosing() { StopTransmit(); }

 signals:
  // A transmission ended (completed, cancelled, or the link went down).
  void TransmitFinished();

 private:
  void SaveRowsCommand(int first, int last);
  void CaptureFailed();
  void TransmitTick();
  bool Active() const;
  QString Caption() const;

  AppContext& app_;
  TelnetWindow& window_;
  std::unique_ptr<FileTransmitter> transmitter_;
  QTimer transmitTimer_;
  QPointer<TransmitProgress> progress_;
};

}  // namespace parlane
