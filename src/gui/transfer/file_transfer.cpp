#include "transfer/file_transfer.h"

#include "transfer/transfer_dialog_run.h"
#include "xfer/ymodem_g.h"
#include "xfer/zmodem.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

namespace parlane {

namespace {

FileTransfer* gCurrent = nullptr;

struct FieldLayout {
  TransferField field;
  const char* label;
  const char* name;  // object name of the value label
  int limit;         // the control's text limit, terminator included
};

// The three shaded groups, in order.
constexpr FieldLayout kFileGroup[] = {
    {TransferField::Path, "Path:", "path", 80},
    {TransferField::FileName, "Filename:", "fileName", 80},
    {TransferField::Size, "File size in bytes:", "size", 25},
};
constexpr FieldLayout kCountGroup[] = {
    {TransferField::ErrorDetection, "Error detection method:", "errorDetection", 15},
    {TransferField::PacketSize, "Packet size in bytes:", "packetSize", 10},
    {TransferField::BytesTransferred, "Bytes transferred:", "bytesTransferred", 25},
    {TransferField::ErrorCount, "Error count:", "errorCount", 5},
};
constexpr FieldLayout kTimeGroup[] = {
    {TransferField::ElapsedTime, "Elapsed time:", "elapsedTime", 10},
    {TransferField::TimeRemaining, "Estimated time remaining:", "timeRemaining", 10},
    {TransferField::Throughput, "Throughput in chars/sec:", "throughput", 10},
};
constexpr FieldLayout kStatusField = {TransferField::Status, "Status:", "status", 80};

int LimitOf(TransferField field) {
  for (const FieldLayout& s : kFileGroup)
    if (s.field == field) return s.limit;
  for (const FieldLayout& s : kCountGroup)
    if (s.field == field) return s.limit;
  for (const FieldLayout& s : kTimeGroup)
    if (s.field == field) return s.limit;
  return kStatusField.limit;
}

// Names and texts come from the peer: control bytes are not shown, and the
// text is cut to what its control holds.
QString Shown(std::string_view text, int limit) {
  QString out = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
  for (QChar& c : out) {
    if (c.unicode() < 32 || c.unicode() == 127) c = QLatin1Char('?');
  }
  return out.left(limit - 1);
}

}  // namespace

FileTransfer::FileTransfer(QWidget* parent, std::function<void(bool)> sound)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      sound_(std::move(sound)) {
  setObjectName(QStringLiteral("FileTransfer"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto addGroup = [&](std::span<const FieldLayout> fields) {
    auto* box = new QGroupBox(this);
    box->setFlat(false);
    auto* form = new QFormLayout(box);
    for (const FieldLayout& s : fields) {
      auto* value = new QLabel(box);
      value->setObjectName(QString::fromLatin1(s.name));
      value->setTextFormat(Qt::PlainText);
      value->setFrameShape(QFrame::StyledPanel);
      value->setFrameShadow(QFrame::Sunken);
      value->setMinimumWidth(s.limit >= 80 ? 320 : 120);
      form->addRow(QString::fromLatin1(s.label), value);
      labels_[static_cast<size_t>(s.field)] = value;
    }
    layout->addWidget(box);
    return form;
  };
  addGroup(kFileGroup);
  addGroup(kCountGroup);
  QFormLayout* last = addGroup(kTimeGroup);
  auto* status = new QLabel(this);
  status->setObjectName(QString::fromLatin1(kStatusField.name));
  status->setTextFormat(Qt::PlainText);
  status->setFrameShape(QFrame::StyledPanel);
  status->setFrameShadow(QFrame::Sunken);
  last->addRow(QString::fromLatin1(kStatusField.label), status);
  labels_[static_cast<size_t>(TransferField::Status)] = status;

  gauge_ = new QProgressBar(this);
  gauge_->setObjectName(QStringLiteral("gauge"));
  gauge_->setOrientation(Qt::Horizontal);
  gauge_->setRange(0, 100);
  gauge_->setValue(0);
  gauge_->setFormat(QStringLiteral("%p% Completed"));
  gauge_->setTextVisible(true);
  gauge_->setAlignment(Qt::AlignCenter);
  layout->addWidget(gauge_);

  button_ = new QPushButton(ButtonText(), this);
  button_->setObjectName(QStringLiteral("button"));
  button_->setAutoDefault(false);
  layout->addWidget(button_, 0, Qt::AlignHCenter);
  connect(button_, &QPushButton::clicked, this, &FileTransfer::PressButton);

  flushTimer_.setSingleShot(true);
  connect(&flushTimer_, &QTimer::timeout, this, &FileTransfer::Flush);
  sinceFlush_.start();
}

FileTransfer::~FileTransfer() {
  if (gCurrent == this) gCurrent = nullptr;
}

FileTransfer* FileTransfer::Current() { return gCurrent; }

TransferResult FileTransfer::Run(TransferProtocol& protocol, TransferDirection direction,
                                 const std::vector<std::string>& files) {
  protocol_ = &protocol;
  direction_ = direction;
  files_ = files;
  protocol.Link().SetCancelCheck([this] { return control_.CancelRequested(); });
  FileTransfer* outer = gCurrent;
  gCurrent = this;
  // The start message: the transfer runs once the dialog's loop is going.
  QTimer::singleShot(0, this, &FileTransfer::Start);
  exec();
  gCurrent = outer;
  protocol.Link().SetCancelCheck({});
  protocol_ = nullptr;
  return result_;
}

void FileTransfer::Start() {
  if (!protocol_) return;
  const TransferResult result = RunTransfer(*protocol_, direction_, files_, &control_);
  Finish(result);
}

void FileTransfer::Finish(const TransferResult& result) {
  result_ = result;
  control_.Finish();
  button_->setText(ButtonText());
  Flush();
  switch (result.outcome) {
    case TransferOutcome::Success:
      if (sound_) sound_(true);
      accept();
      break;
    case TransferOutcome::Failed:
      if (sound_) sound_(false);
      break;
    case TransferOutcome::Other: break;
  }
}

void FileTransfer::PressButton() {
  if (!protocol_ && control_.GetState() != TransferControl::State::Finished) return;
  if (control_.GetState() == TransferControl::State::Finished) {
    done(1);
    return;
  }
  control_.PressButton(protocol_->Progress());
  Flush();
}

// The dialog has no close box; while the transfer runs a close request
// (Escape, the window manager) changes nothing; afterwards it is the button.
void FileTransfer::closeEvent(QCloseEvent* event) {
  if (control_.GetState() != TransferControl::State::Finished) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void FileTransfer::reject() {
  if (control_.GetState() == TransferControl::State::Finished) done(1);
}

void FileTransfer::SetCaption(std::string_view caption) {
  setWindowTitle(QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())));
}

void FileTransfer::SetField(TransferField field, std::string_view text) {
  pending_[static_cast<size_t>(field)] = Shown(text, LimitOf(field));
  dirty_ = true;
  ScheduleFlush();
}

void FileTransfer::SetGauge(int percent) {
  pendingGauge_ = std::clamp(percent, 0, 100);
  dirty_ = true;
  ScheduleFlush();
}

void FileTransfer::Repaint() { ScheduleFlush(); }

void FileTransfer::ScheduleFlush() {
  if (!dirty_) return;
  const qint64 since = sinceFlush_.elapsed();
  if (since >= kRepaintIntervalMs) {
    Flush();
  } else if (!flushTimer_.isActive()) {
    flushTimer_.start(static_cast<int>(kRepaintIntervalMs - since));
  }
}

void FileTransfer::Flush() {
  flushTimer_.stop();
  sinceFlush_.restart();
  if (!dirty_) return;
  dirty_ = false;
  ++flushes_;
  for (size_t i = 0; i < labels_.size(); ++i) {
    if (labels_[i] && labels_[i]->text() != pending_[i]) labels_[i]->setText(pending_[i]);
  }
  if (gauge_->value() != pendingGauge_) gauge_->setValue(pendingGauge_);
}

QString FileTransfer::FieldText(TransferField field) const {
  const QLabel* label = labels_[static_cast<size_t>(field)];
  return label ? label->text() : QString();
}

int FileTransfer::GaugeValue() const { return gauge_->value(); }

namespace {
std::unique_ptr<TransferProtocol> MakeProtocol(TransferKind kind, TransferLink& link,
                                               TransferDisplay& display, TransferOptions options) {
  switch (kind) {
    case TransferKind::TelnetZmodem:
      return std::make_unique<TelnetZmodem>(link, display, std::move(options));
    case TransferKind::YmodemG: return std::make_unique<YmodemG>(link, display, std::move(options));
    case TransferKind::Zmodem: break;
  }
  return std::make_unique<Zmodem>(link, display, std::move(options));
}
}  // namespace

DialogResult RunTransferDialog(QWidget* parent, TransferLink& link,
                               const DialogTransfer& transfer) {
  FileTransfer dialog(parent, transfer.sound);
  TransferOptions options;
  options.receiveDir = transfer.receiveDir;
  options.fileDone = transfer.fileDone;
  std::unique_ptr<TransferProtocol> protocol =
      MakeProtocol(transfer.kind, link, dialog, std::move(options));
  const TransferResult r =
      dialog.Run(*protocol, transfer.send ? TransferDirection::Send : TransferDirection::Receive,
                 transfer.files);
  DialogResult result;
  result.status = r.status;
  result.outcome = r.outcome == TransferOutcome::Success  ? DialogOutcome::Success
                   : r.outcome == TransferOutcome::Failed ? DialogOutcome::Failed
                                                          : DialogOutcome::Other;
  return result;
}

void SendTransferCancel(TransferLink& link) { SendCancelSequence(link); }

}  // namespace parlane
