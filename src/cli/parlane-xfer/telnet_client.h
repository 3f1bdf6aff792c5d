// The TCP side of parlane-xfer --connect: connects, answers the host's
// opening option requests the way a plain client does, lets the remote
// shell settle, then asks for binary mode and types the command that starts
// the remote end of the transfer.
#pragma once

#include <string>

namespace parlane {

// A connected, non-blocking socket to HOST:PORT ("[::1]:23" for IPv6), or -1
// with a message in `error`.
int ConnectTcp(const std::string& hostPort, std::string& error);

// Answers option requests until the host has been quiet for a moment, then
// sends IAC DO BINARY, IAC WILL BINARY and `command` followed by CR (when
// not empty). Returns false when the connection closed.
bool PrepareTelnetTransfer(int fd, const std::string& command);

// IAC DONT BINARY, IAC WONT BINARY: the session's own terms again.
void EndTelnetTransfer(int fd);

}  // namespace parlane
