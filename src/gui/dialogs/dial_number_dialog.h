// "Dial Number": dials the selected dial-up phonebook entries one after
// another (the dialer's logic is the core DialNumber) until a modem answers
// with CONNECT or the user cancels. Timer 2 runs the countdown every
// second; the modem's replies are read whenever the port has input.
#pragma once

#include <QDialog>
#include <QTimer>
#include <map>
#include <memory>
#include <vector>

#include "dialer/dial_number.h"

class QLabel;

namespace parlane {

class EventLoop;
class Platform;
class SerialPort;
struct Main_Configuration_Struct;

class DialNumberDialog final : public QDialog, private DialView, private DialClock {
  Q_OBJECT
 public:
  // Timer 2: one tick a second.
  static constexpr int kTickMs = 1000;

  // `openPort` opens COMn with the entry's settings, close-first on and
  // send-init off, and shows the port's own message on failure.
  using PortOpener = std::function<bool(uint32_t comPort, const Dcb& settings)>;

  DialNumberDialog(QWidget* parent, std::vector<DialingDirectoryEntry*> entries,
                   Main_Configuration_Struct& config, SerialPort& port, EventLoop& loop,
                   PortOpener openPort, Platform& platform);
  ~DialNumberDialog() override;

  const DialNumber& Dialer() const { return *dialer_; }
  bool Finished() const { return dialer_->Result().has_value(); }
  bool Connected() const { return dialer_->Result() == DialResult::Connected; }
  // The text a label shows.
  QString FieldText(DialField field) const;
  // Tests run the clock faster.
  void SetTickInterval(int ms) { timer_.setInterval(ms); }

 public slots:
  // OK only follows a connection; Cancel stops the dialling.
  void accept() override;
  void reject() override;

 private:
  class Port;
  // DialView
  void SetField(DialField field, std::string_view text) override;
  void StartTimer() override;
  void StopTimer() override;
  void ShowInformation(std::string_view text, std::string_view caption) override;
  void EndDialog(DialResult result) override;
  // DialClock
  std::tm LocalNow() const override;

  void WatchReplies();

  SerialPort& serial_;
  EventLoop& loop_;
  Platform& platform_;
  std::unique_ptr<Port> port_;
  std::unique_ptr<DialNumber> dialer_;
  std::map<DialField, QLabel*> labels_;
  QTimer timer_;
};

}  // namespace parlane
