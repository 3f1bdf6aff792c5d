#include "xfer/zmodem.h"

namespace parlane {

Zmodem::Zmodem(TransferLink& link, TransferDisplay& display, TransferOptions options,
               const ZmodemTiming& timing)
    : TransferProtocol(link, display, std::move(options)), frames_(link, progress_, timing) {}

int Zmodem::SendFiles(const std::vector<std::string>& files) {
  return ZmodemSender(link_, progress_, options_, frames_).Run(files);
}

int Zmodem::ReceiveFiles() { return ZmodemReceiver(link_, progress_, options_, frames_).Run(); }

std::string_view Zmodem::Caption(TransferDirection direction) const {
  return direction == TransferDirection::Receive ? "Zmodem Download" : "Zmodem Upload";
}

std::string_view TelnetZmodem::Caption(TransferDirection direction) const {
  return direction == TransferDirection::Receive ? "Telnet Zmodem Download"
                                                 : "Telnet Zmodem Upload";
}

}  // namespace parlane
