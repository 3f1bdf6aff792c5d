#include "dialogs/dial_number_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "link/serial_port.h"
#include "platform/platform.h"

namespace parlane {

namespace {

QString Text(std::string_view s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

}  // namespace

// The program's serial port as the dialer uses it: replies are read when the
// port reports input (the dialog's watch), at most 80 bytes a call.
class DialNumberDialog::Port final : public DialPort {
 public:
  Port(DialNumberDialog& dialog, SerialPort& serial, PortOpener open)
      : dialog_(dialog), serial_(serial), open_(std::move(open)) {}
  bool Open(uint32_t comPort, const Dcb& settings) override {
    const bool ok = open_(comPort, settings);
    if (ok) dialog_.WatchReplies();
    return ok;
  }
  bool IsOpen() const override { return serial_.IsOpen(); }
  void Write(std::string_view bytes) override { serial_.Write(bytes); }
  size_t Read(std::span<uint8_t> buf) override {
    const int n = serial_.ReadWaiting(buf.data(), buf.size());
    return n > 0 ? static_cast<size_t>(n) : 0;
  }

 private:
  DialNumberDialog& dialog_;
  SerialPort& serial_;
  PortOpener open_;
};

DialNumberDialog::DialNumberDialog(QWidget* parent, std::vector<DialingDirectoryEntry*> entries,
                                   Main_Configuration_Struct& config, SerialPort& port,
                                   EventLoop& loop, PortOpener openPort, Platform& platform)
    : QDialog(parent), serial_(port), loop_(loop), platform_(platform) {
  setWindowTitle(QStringLiteral("Dial Number"));
  const std::pair<DialField, const char*> rows[] = {
      {DialField::Name, "Name:"},
      {DialField::PhoneNumber, "Phone number:"},
      {DialField::NumberOfCalls, "Number of calls:"},
      {DialField::LastCallDate, "Last call date:"},
      {DialField::LastCallTime, "Last call time:"},
      {DialField::StartTime, "Start time:"},
      {DialField::AttemptNumber, "Attempt number:"},
      {DialField::TimeRemaining, "Time remaining:"},
      {DialField::ModemStatus, "Modem status:"},
  };
  auto* form = new QFormLayout;
  for (const auto& [field, label] : rows) {
    auto* value = new QLabel(this);
    value->setObjectName(QString::fromLatin1(label));
    value->setMinimumWidth(fontMetrics().averageCharWidth() * 32);
    labels_[field] = value;
    form->addRow(QString::fromLatin1(label), value);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  timer_.setObjectName(QStringLiteral("timer2"));
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, [this] { dialer_->Tick(); });
  port_ = std::make_unique<Port>(*this, serial_, std::move(openPort));
  dialer_ = std::make_unique<DialNumber>(std::move(entries), config, *port_,
                                         static_cast<DialView&>(*this),
                                         static_cast<const DialClock&>(*this));
  dialer_->SetUp();
}

DialNumberDialog::~DialNumberDialog() {
  timer_.stop();
  serial_.StopWatching();
}

void DialNumberDialog::WatchReplies() {
  serial_.WatchInput(loop_, [this] { dialer_->ProcessModemReply(); });
}

QString DialNumberDialog::FieldText(DialField field) const { return labels_.at(field)->text(); }

void DialNumberDialog::SetField(DialField field, std::string_view text) {
  labels_.at(field)->setText(Text(text));
}

void DialNumberDialog::StartTimer() { timer_.start(); }
void DialNumberDialog::StopTimer() { timer_.stop(); }

void DialNumberDialog::ShowInformation(std::string_view text, std::string_view caption) {
  platform_.Message(this, Text(text), Text(caption), MsgIcon::Information, MsgButtons::Ok);
}

void DialNumberDialog::EndDialog(DialResult result) {
  timer_.stop();
  // The window takes the port over: its reading starts when it opens.
  serial_.StopWatching();
  if (result == DialResult::Connected) {
    QDialog::accept();
  } else {
    QDialog::reject();
  }
}

std::tm DialNumberDialog::LocalNow() const {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

void DialNumberDialog::accept() {
  if (Connected()) QDialog::accept();
}

void DialNumberDialog::reject() {
  if (!Finished()) {
    dialer_->Cancel();  // ends the dialog through EndDialog
    return;
  }
  if (!Connected()) QDialog::reject();
}

}  // namespace parlane
