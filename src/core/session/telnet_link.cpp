#include "session/telnet_link.h"

#include "link/link_events.h"
#include "link/telnet_connection.h"
#include "link/telnet_transfer_link.h"
#include "session/session.h"

namespace parlane {
namespace {

class TelnetLink final : public SessionLink, private TelnetEvents {
 public:
  TelnetLink(EventLoop& loop, Session& session, const std::string& host, int port, bool askOnClose)
      : session_(session), connection_(loop, *this, host, port) {
    connection_.SetAskOnClose(askOnClose);
  }
  TelnetLink(EventLoop& loop, Session& session, int acceptedFd, const std::string& peerAddress)
      : session_(session), connection_(loop, *this, acceptedFd, peerAddress) {}

  void Start() override { connection_.Start(); }
  void SendData(std::span<const uint8_t> bytes) override { connection_.SendData(bytes); }
  void SendRaw(std::span<const uint8_t> bytes) override { connection_.SendRaw(bytes); }
  void SetLocalEcho(bool on) override { connection_.SetLocalEcho(on); }
  bool IsConnected() const override { return connection_.IsConnected(); }
  long long ElapsedSeconds() const override {
    return connection_.IsConnected() ? connection_.ElapsedSeconds() : 0;
  }
  std::string StatusName() const override { return "TELNET"; }
  bool IsTelnet() const override { return true; }
  size_t PendingOutput() const override { return connection_.PendingOutput(); }

  // Queued output is written out first without letting other events run:
  // this may be called from inside the interpreter (a download request).
  std::unique_ptr<TransferLink> BeginTransfer() override {
    const int fd = connection_.BeginTransfer({});
    if (fd < 0) return nullptr;
    return std::make_unique<TelnetTransferLink>(fd, session_.Interp().TelnetOptions().Binary());
  }
  void EndTransfer() override { connection_.EndTransfer(); }

 private:
  void Received(std::span<const uint8_t> bytes) override { session_.Received(bytes); }
  void Show(std::span<const uint8_t> bytes) override { session_.Show(bytes); }
  void Connected() override { session_.LinkConnected(); }
  void Failure(std::string_view text, MessageIcon icon) override {
    session_.LinkFailed(text, icon == MessageIcon::Stop);
  }
  bool AskCloseWindow(std::string_view question) override {
    return session_.LinkAskClose(question);
  }
  void Closed(bool closeWindow) override { session_.LinkClosed(closeWindow); }
  void Activity(LinkActivity which, bool on) override {
    session_.LinkActivity(which == LinkActivity::Receive, on);
  }

  Session& session_;
  TelnetConnection connection_;
};

}  // namespace

std::unique_ptr<SessionLink> MakeHostTelnetLink(EventLoop& loop, Session& session, int acceptedFd,
                                                const std::string& peerAddress) {
  return std::make_unique<TelnetLink>(loop, session, acceptedFd, peerAddress);
}

std::unique_ptr<SessionLink> MakeTelnetLink(EventLoop& loop, Session& session,
                                            const std::string& host, int port, bool askOnClose) {
  return std::make_unique<TelnetLink>(loop, session, host, port, askOnClose);
}

}  // namespace parlane
