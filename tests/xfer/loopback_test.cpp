// Parlane's senders against Parlane's receivers in memory, with faults.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "xfer/fd_link.h"
#include "xfer/transfer_run.h"
#include "xfer/ymodem_g.h"
#include "xfer/zmodem.h"
#include "xfer_support.h"

namespace parlane {
namespace {

using test::Faults;
using test::RecordingDisplay;
using test::TempDir;

enum class Proto { Zmodem, YmodemG };

std::unique_ptr<TransferProtocol> Make(Proto p, TransferLink& link, TransferDisplay& d,
                                       TransferOptions o) {
  if (p == Proto::YmodemG) return std::make_unique<YmodemG>(link, d, std::move(o));
  return std::make_unique<Zmodem>(link, d, std::move(o));
}

struct Outcome {
  TransferResult send;
  TransferResult receive;
  RecordingDisplay sendDisplay;
  RecordingDisplay receiveDisplay;
  std::vector<std::string> done;
};

struct Scenario {
  Proto proto = Proto::Zmodem;
  Faults senderFaults;
  std::function<bool()> cancelSender;
  std::function<bool()> cancelReceiver;
};

struct Files {
  TempDir from;
  TempDir to;
  std::vector<std::string> paths;
  std::vector<std::vector<uint8_t>> contents;
  void Add(const std::string& name, std::vector<uint8_t> data) {
    paths.push_back(from / name);
    test::WriteFile(paths.back(), data);
    contents.push_back(std::move(data));
  }
  void ExpectDelivered() const {
    for (size_t i = 0; i < paths.size(); ++i) {
      const std::string name = paths[i].substr(paths[i].rfind('/') + 1);
      EXPECT_EQ(test::ReadFile(to / name), contents[i]) << name;
    }
  }
};

// Sender on a thread, receiver here; each end closes its link when done.
void Transfer(const Scenario& s, const Files& f, Outcome& run) {
  auto pair = test::MakeLinkPair(20, s.senderFaults);
  if (s.cancelSender) pair.a->SetCancelCheck(s.cancelSender);
  if (s.cancelReceiver) pair.b->SetCancelCheck(s.cancelReceiver);
  std::thread sender([&] {
    TransferOptions o;
    o.fileDone = [&](const std::string& f) { run.done.push_back(f); };
    auto p = Make(s.proto, *pair.a, run.sendDisplay, o);
    run.send = RunTransfer(*p, TransferDirection::Send, f.paths);
    p.reset();
    pair.a.reset();
  });
  TransferOptions o;
  o.receiveDir = f.to.Path();
  auto p = Make(s.proto, *pair.b, run.receiveDisplay, o);
  run.receive = RunTransfer(*p, TransferDirection::Receive);
  p.reset();
  pair.b.reset();
  sender.join();
}

std::vector<uint8_t> EveryByteValue() {
  std::vector<uint8_t> v;
  for (int r = 0; r < 4; ++r)
    for (int b = 0; b < 256; ++b) v.push_back(static_cast<uint8_t>(r % 2 ? 255 - b : b));
  return v;
}

void AddSizeSet(Files& f) {
  uint32_t seed = 1;
  for (size_t n : {size_t{0}, size_t{1}, size_t{1023}, size_t{1024}, size_t{1025}, size_t{100000}})
    f.Add("Size" + std::to_string(n) + ".bin", test::RandomBytes(n, seed++));
  f.Add("every byte", EveryByteValue());
}

class Clean : public testing::TestWithParam<Proto> {};

TEST_P(Clean, BatchOfEdgeSizesArrivesIdentical) {
  Files f;
  AddSizeSet(f);
  Outcome run;
  Scenario s;
  s.proto = GetParam();
  Transfer(s, f, run);
  EXPECT_EQ(run.send.outcome, TransferOutcome::Success) << run.send.status;
  EXPECT_EQ(run.receive.outcome, TransferOutcome::Success) << run.receive.status;
  EXPECT_EQ(run.receive.status, "Transfer Successfully Completed");
  EXPECT_EQ(run.done, f.paths);
  f.ExpectDelivered();
  EXPECT_EQ(run.receiveDisplay.gauges.back(), 100);
}

// The Telnet variant needs a link that undoubles 255: see the FdTransferLink test.
INSTANTIATE_TEST_SUITE_P(Protocols, Clean, testing::Values(Proto::Zmodem, Proto::YmodemG));

// Corrupted, dropped and duplicated file data from the sender: Zmodem asks
// again and the file arrives identical. The offer and the end stay clean:
// there a sender whose frame goes unanswered gives up when its wait ends,
// no sooner than the receiver asks again, so a damaged offer or ZFIN ends
// the batch about as often as not. (The receiver's answers have no second
// chance either, so its direction stays clean.)
TEST(Faulty, ZmodemRecoversThroughResends) {
  struct Case {
    double corrupt, drop, duplicate;
    uint32_t seed;
  };
  for (const Case c : {Case{2e-4, 0, 0, 7}, Case{0, 2e-4, 0, 8}, Case{0, 0, 2e-4, 9},
                       Case{1e-4, 1e-4, 1e-4, 10}}) {
    SCOPED_TRACE(c.seed);
    Files f;
    f.Add("a.bin", test::RandomBytes(100000, c.seed));
    Scenario s;
    s.senderFaults = {c.corrupt, c.drop, c.duplicate, 256, c.seed, 90000};
    Outcome run;
    Transfer(s, f, run);
    EXPECT_EQ(run.receive.outcome, TransferOutcome::Success) << run.receive.status;
    f.ExpectDelivered();
    int asks = 0;
    for (const auto& st : run.receiveDisplay.statuses) asks += st.rfind("Sending ZRPOS", 0) == 0;
    EXPECT_GT(asks, 2) << "no fault was repaired";
  }
}

TEST(Faulty, YmodemGFailsCleanly) {
  Files f;
  f.Add("a.bin", test::RandomBytes(100000, 3));
  Scenario s;
  s.proto = Proto::YmodemG;
  s.senderFaults = {1e-3, 0, 0, 600, 5};
  Outcome run;
  Transfer(s, f, run);
  EXPECT_EQ(run.receive.outcome, TransferOutcome::Failed);
  EXPECT_EQ(run.receive.code, -4);
  EXPECT_EQ(run.receive.status.rfind("CANCELLED - ", 0), 0u) << run.receive.status;
  EXPECT_EQ(run.receiveDisplay.Field(TransferField::ErrorCount), "1");
  EXPECT_EQ(run.send.outcome, TransferOutcome::Failed);
  EXPECT_TRUE(run.done.empty());
}

// A shorter copy is resumed only when its kept part matches the sender's
// file (asked with ZCRC); an unrelated shorter file is received afresh.
TEST(Resume, ShorterCopyResumesLongerIsReplaced) {
  Files f;
  const auto data = test::RandomBytes(100000, 11);
  f.Add("r.bin", data);
  f.Add("longer.bin", test::RandomBytes(5000, 12));
  f.Add("unrelated.bin", test::RandomBytes(10000, 14));
  // A shorter copy with a damaged tail (within the last 4096 bytes), a longer
  // one, and a shorter file with other contents.
  std::vector<uint8_t> partial(data.begin(), data.begin() + 50000);
  partial[49000] ^= 0xFF;
  test::WriteFile(f.to / "r.bin", partial);
  test::WriteFile(f.to / "longer.bin", test::RandomBytes(9000, 13));
  test::WriteFile(f.to / "unrelated.bin", test::RandomBytes(6000, 15));
  Outcome run;
  Transfer(Scenario{}, f, run);
  EXPECT_EQ(run.receive.outcome, TransferOutcome::Success);
  f.ExpectDelivered();
  char resumeText[64];
  std::snprintf(resumeText, sizeof resumeText, "Sending ZRPOS: 0x%x", 50000 - 4096);
  EXPECT_TRUE(run.receiveDisplay.SawStatus(resumeText));
  std::snprintf(resumeText, sizeof resumeText, "Sending ZRPOS: 0x%x", 6000 - 4096);
  EXPECT_FALSE(run.receiveDisplay.SawStatus(resumeText));
}

// A file that cannot be created is skipped; the rest of the batch goes on,
// and nothing is written through a link that points out of the directory.
TEST(Skip, UncreatableFilesAreSkippedAndTheBatchGoesOn) {
  Files f;
  TempDir outside;
  f.Add("dir", test::RandomBytes(300, 1));
  f.Add("link", test::RandomBytes(300, 2));
  f.Add("fine.txt", test::RandomBytes(3000, 3));
  ASSERT_EQ(mkdir((f.to / "dir").c_str(), 0755), 0);
  ASSERT_EQ(symlink((outside / "victim").c_str(), (f.to / "link").c_str()), 0);
  Outcome run;
  Transfer(Scenario{}, f, run);
  EXPECT_EQ(run.send.outcome, TransferOutcome::Success);
  EXPECT_EQ(run.receive.outcome, TransferOutcome::Success);
  EXPECT_EQ(run.done.size(), 3u);  // skipped files leave the list too
  EXPECT_EQ(test::ReadFile(f.to / "fine.txt"), f.contents[2]);
  EXPECT_FALSE(test::FileExists(outside / "victim"));
  EXPECT_TRUE(run.receiveDisplay.SawStatus("Sending ZSKIP: 0x27000000"));
}

class CancelTransfer : public testing::TestWithParam<std::tuple<Proto, bool>> {};

TEST_P(CancelTransfer, FromEitherEnd) {
  const auto [proto, byReceiver] = GetParam();
  Files f;
  f.Add("big.bin", test::RandomBytes(400000, 21));
  std::atomic<bool> cancel{false};
  Scenario s;
  s.proto = proto;
  (byReceiver ? s.cancelReceiver : s.cancelSender) = [&] { return cancel.load(); };
  Outcome run;
  RecordingDisplay& canceller = byReceiver ? run.receiveDisplay : run.sendDisplay;
  canceller.onField = [&](TransferField field, std::string_view text) {
    if (field == TransferField::BytesTransferred && std::stoll(std::string(text)) > 20000)
      cancel = true;
  };
  Transfer(s, f, run);
  const TransferResult& mine = byReceiver ? run.receive : run.send;
  const TransferResult& theirs = byReceiver ? run.send : run.receive;
  EXPECT_EQ(mine.outcome, TransferOutcome::Failed);
  EXPECT_EQ(mine.status, "CANCELLED - User aborted");
  if (byReceiver) {
    EXPECT_TRUE(canceller.SawStatus("Cancelling - Please wait..."));
  }
  EXPECT_EQ(theirs.outcome, TransferOutcome::Failed) << theirs.status;
  EXPECT_TRUE(run.done.empty());
}

INSTANTIATE_TEST_SUITE_P(Ends, CancelTransfer,
                         testing::Combine(testing::Values(Proto::Zmodem, Proto::YmodemG),
                                          testing::Bool()));

TEST(NoPeer, ReceiversGiveUp) {
  for (Proto p : {Proto::Zmodem, Proto::YmodemG}) {
    auto pair = test::MakeLinkPair(2);
    RecordingDisplay d;
    TempDir dir;
    TransferOptions o;
    o.receiveDir = dir.Path();
    auto proto = Make(p, *pair.b, d, o);
    const TransferResult r = RunTransfer(*proto, TransferDirection::Receive);
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    if (p == Proto::YmodemG) {
      EXPECT_EQ(r.status, "CANCELLED - No sender detected");
    }
  }
}

TEST(Telnet, FdLinkDoublesAndUndoubles255) {
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  Files f;
  AddSizeSet(f);
  f.Add("ff.bin", std::vector<uint8_t>(5000, 255));
  Outcome run;
  std::thread sender([&] {
    FdTransferLink link(sv[0], sv[0], true);
    TelnetZmodem z(link, run.sendDisplay, {});
    run.send = RunTransfer(z, TransferDirection::Send, f.paths);
    link.Flush();
    shutdown(sv[0], SHUT_WR);
  });
  {
    FdTransferLink link(sv[1], sv[1], true);
    TransferOptions o;
    o.receiveDir = f.to.Path();
    TelnetZmodem z(link, run.receiveDisplay, o);
    run.receive = RunTransfer(z, TransferDirection::Receive);
  }
  shutdown(sv[1], SHUT_WR);
  sender.join();
  close(sv[0]);
  close(sv[1]);
  EXPECT_EQ(run.receive.outcome, TransferOutcome::Success);
  f.ExpectDelivered();
}

}  // namespace
}  // namespace parlane
