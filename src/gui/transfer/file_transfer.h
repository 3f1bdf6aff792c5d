// The transfer progress dialog (`FileTransfer`): the file, the error-detection
// method, counts, times, throughput, a percentage gauge and one button that
// first cancels and later closes. It is the display of the running protocol;
// its start handler, posted when the dialog is shown, runs the whole transfer.
//
// Fields are updated at display rate: whatever the protocol writes is kept
// and put on screen at most every kRepaintIntervalMs, so a fast link costs
// no painting per block.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "xfer/protocol.h"
#include "xfer/transfer_display.h"
#include "xfer/transfer_run.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace parlane {

// No Q_OBJECT: the protocol headers must stay out of the shared moc unit
// (see transfer_dialog_run.h). Tests find it by its object name.
class FileTransfer final : public QDialog, public TransferDisplay {
 public:
  // The fields are put on screen at most this often.
  static constexpr int kRepaintIntervalMs = 100;
  static constexpr int kFieldCount = static_cast<int>(TransferField::Status) + 1;

  // `sound` gives the ending's sound event (true: success, false: failure).
  FileTransfer(QWidget* parent, std::function<void(bool)> sound);
  ~FileTransfer() override;

  // Runs `protocol` in `direction` modally and returns once the dialog has
  // closed: at once after a success, after OK otherwise.
  TransferResult Run(TransferProtocol& protocol, TransferDirection direction,
                     const std::vector<std::string>& files);

  // TransferDisplay
  void SetCaption(std::string_view caption) override;
  void SetField(TransferField field, std::string_view text) override;
  void SetGauge(int percent) override;
  void Repaint() override;

  // What is on screen (tests, the screenshot).
  QString FieldText(TransferField field) const;
  int GaugeValue() const;
  QPushButton* Button() const { return button_; }
  TransferControl::State GetState() const { return control_.GetState(); }
  // How many times the fields were put on screen.
  int Flushes() const { return flushes_; }
  // The dialog of the transfer that runs now, or null.
  static FileTransfer* Current();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  QString ButtonText() const { return QString::fromLatin1(control_.ButtonText()); }
  void Start();
  void PressButton();
  void ScheduleFlush();
  void Flush();
  void Finish(const TransferResult& result);

  std::function<void(bool)> sound_;
  std::array<QLabel*, kFieldCount> labels_{};
  std::array<QString, kFieldCount> pending_;
  QProgressBar* gauge_ = nullptr;
  QPushButton* button_ = nullptr;
  int pendingGauge_ = 0;
  bool dirty_ = false;
  int flushes_ = 0;
  QElapsedTimer sinceFlush_;
  QTimer flushTimer_;

  TransferControl control_;
  TransferProtocol* protocol_ = nullptr;
  TransferDirection direction_ = TransferDirection::Receive;
  std::vector<std::string> files_;
  TransferResult result_;
};

}  // namespace parlane
