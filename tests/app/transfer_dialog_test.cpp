// The progress dialog on its own, with a protocol that only reports: fields
// reach the screen at display rate however fast they change. (Its cancel runs
// against sz in transfer_serial_test.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <thread>

#include "transfer/file_transfer.h"
#include "xfer/xfer_support.h"

namespace parlane {
namespace {

// Receives one file of kSize bytes in 1024-byte steps for 1.5 s, pumping
// like a link wait.
class ReportingProtocol final : public TransferProtocol {
 public:
  static constexpr int64_t kSize = 5'000'000;
  ReportingProtocol(TransferLink& link, TransferDisplay& display)
      : TransferProtocol(link, display, {}) {}
  int SendFiles(const std::vector<std::string>&) override { return ReceiveFiles(); }
  int ReceiveFiles() override {
    progress_.ShowFile("/home/user/Downloads/", "report.pdf", kSize);
    progress_.ShowErrorDetection(true);
    QElapsedTimer t;
    t.start();
    int64_t count = 0;
    while (t.elapsed() < 1500) {
      count = std::min<int64_t>(kSize, count + 1024);
      progress_.ShowPacketSize(1024);
      progress_.ShowCount(count);
      ++updates;
      link_.Pump();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    progress_.ShowCount(kSize);
    progress_.FinishFile();
    return 0;
  }
  int FailureCode() const override { return -1; }
  std::string_view Caption(TransferDirection) const override { return "Zmodem Download"; }
  int updates = 0;
};

TEST(FileTransferDialog, FieldsAreShownAtDisplayRateAndSuccessClosesAtOnce) {
  test::LinkPair links = test::MakeLinkPair();  // nothing comes on it
  TransferLink& link = *links.a;
  link.SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  std::vector<bool> sounds;
  FileTransfer dialog(nullptr, [&](bool ok) { sounds.push_back(ok); });
  ReportingProtocol protocol(link, dialog);
  QString midway;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (dialog.isVisible() && midway.isEmpty() &&
        dialog.FieldText(TransferField::BytesTransferred).toLongLong() > 0)
      midway = dialog.FieldText(TransferField::Path) + "|" +
               dialog.FieldText(TransferField::FileName) + "|" +
               dialog.FieldText(TransferField::Size) + "|" +
               dialog.FieldText(TransferField::ErrorDetection) + "|" +
               dialog.FieldText(TransferField::PacketSize) + "|" + dialog.windowTitle();
  });
  look.start(20);
  QElapsedTimer t;
  t.start();
  const TransferResult result = dialog.Run(protocol, TransferDirection::Receive, {});
  const qint64 elapsed = t.elapsed();
  EXPECT_EQ(result.outcome, TransferOutcome::Success);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(sounds, std::vector<bool>{true});
  EXPECT_EQ(midway, "/home/user/Downloads/|report.pdf|5000000|CRC-32|1024|Zmodem Download");
  EXPECT_EQ(dialog.FieldText(TransferField::Status), "Transfer Successfully Completed");
  EXPECT_EQ(dialog.FieldText(TransferField::BytesTransferred), "5000000");
  EXPECT_EQ(dialog.GaugeValue(), 100);
  // Thousands of updates, at most one repaint per interval (and the last).
  EXPECT_GT(protocol.updates, 1000);
  EXPECT_LE(dialog.Flushes(), elapsed / FileTransfer::kRepaintIntervalMs + 3);
  EXPECT_GE(dialog.Flushes(), 5);
}

TEST(FileTransferDialog, NamesFromThePeerAreShownAsPlainCutText) {
  FileTransfer dialog(nullptr, {});
  dialog.SetField(TransferField::FileName, "<b>bold</b>\x1b[2J" + std::string(200, 'n'));
  dialog.SetField(TransferField::ErrorCount, "123456789");
  QElapsedTimer t;
  t.start();
  while (dialog.FieldText(TransferField::ErrorCount).isEmpty() && t.elapsed() < 2000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  const QString name = dialog.FieldText(TransferField::FileName);
  EXPECT_TRUE(name.startsWith("<b>bold</b>?[2J"));
  EXPECT_EQ(name.size(), 79);
  EXPECT_EQ(dialog.findChild<QLabel*>("fileName")->textFormat(), Qt::PlainText);
  EXPECT_EQ(dialog.FieldText(TransferField::ErrorCount), "1234");
}

}  // namespace
}  // namespace parlane
