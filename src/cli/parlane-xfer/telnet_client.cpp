#include "telnet_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <vector>

#include "link/net_address.h"
#include "telnet/decoder.h"
#include "telnet/options.h"

namespace parlane {

namespace {
// Connecting gives up after this long.
constexpr int kConnectMs = 10000;
// The host counts as settled after this much silence following its output,
constexpr int kQuietMs = 700;
// and the settling ends after this long in any case.
constexpr int kSettleLimitMs = 8000;

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      WaitReady(fd, POLLOUT, 1000);
    } else {
      return false;
    }
  }
  return true;
}

// The answers of a plain client in the moments before the transfer: refuses
// what the host asks us to do, accepts echo and suppress go-ahead from it.
class OptionAnswerer final : public telnet::DecoderSink {
 public:
  explicit OptionAnswerer(std::vector<uint8_t>& reply) : reply_(reply) {}
  bool Data(std::span<const uint8_t> /*run*/) override { return true; }
  void OptionRequest(uint8_t verb, uint8_t option) override {
    using namespace telnet;
    if (verb == kDo) reply_.insert(reply_.end(), {kIac, kWont, option});
    if (verb == kWill) {
      const bool accept = option == kOptEcho || option == kOptSuppressGoAhead;
      reply_.insert(reply_.end(), {kIac, accept ? kDo : kDont, option});
    }
  }

 private:
  std::vector<uint8_t>& reply_;
};
}  // namespace

int ConnectTcp(const std::string& hostPort, std::string& error) {
  std::string host;
  std::string port;
  if (!hostPort.empty() && hostPort[0] == '[') {
    const size_t close = hostPort.find("]:");
    if (close == std::string::npos) {
      error = "expected [ADDRESS]:PORT";
      return -1;
    }
    host = hostPort.substr(1, close - 1);
    port = hostPort.substr(close + 2);
  } else {
    const size_t colon = hostPort.rfind(':');
    if (colon == std::string::npos) {
      error = "expected HOST:PORT";
      return -1;
    }
    host = hostPort.substr(0, colon);
    port = hostPort.substr(colon + 1);
  }
  const int portNumber = std::atoi(port.c_str());
  if (host.empty() || portNumber <= 0 || portNumber > 65535) {
    error = "bad host or port";
    return -1;
  }
  std::vector<NetAddress> addresses;
  if (auto numeric = ParseNumericAddress(host, portNumber)) {
    addresses.push_back(*numeric);
  } else if (ResolveHost(host, portNumber, addresses) != 0 || addresses.empty()) {
    error = "Could not obtain host name";
    return -1;
  }
  for (const NetAddress& a : addresses) {
    const int fd = MakeStreamSocket(a.Family());
    if (fd < 0) continue;
    ConfigureTelnetSocket(fd);
    if (connect(fd, a.Get(), a.length) == 0 ||
        (errno == EINPROGRESS && WaitReady(fd, POLLOUT, kConnectMs))) {
      int soError = 0;
      socklen_t len = sizeof soError;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0) return fd;
    }
    close(fd);
  }
  error = "Could not connect to remote host";
  return -1;
}

bool PrepareTelnetTransfer(int fd, const std::string& command) {
  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  telnet::Decoder decoder;
  std::vector<uint8_t> reply;
  OptionAnswerer answerer(reply);
  uint8_t buffer[4096];
  bool heard = false;
  while (clock::now() - start < std::chrono::milliseconds(kSettleLimitMs)) {
    if (!WaitReady(fd, POLLIN, heard ? kQuietMs : 100)) {
      if (heard) break;
      continue;
    }
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n == 0) return false;
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    heard = true;
    reply.clear();
    decoder.Feed({buffer, static_cast<size_t>(n)}, answerer);
    if (!reply.empty() && !SendAll(fd, reply)) return false;
  }
  const auto binary = telnet::BinaryModeRequest(true);
  std::vector<uint8_t> out(binary.begin(), binary.end());
  out.insert(out.end(), command.begin(), command.end());
  if (!command.empty()) out.push_back('\r');
  return SendAll(fd, out);
}

void EndTelnetTransfer(int fd) {
  const auto binary = telnet::BinaryModeRequest(false);
  SendAll(fd, {binary.begin(), binary.end()});
}

}  // namespace parlane
