// The Telnet client link of a session: a TelnetConnection whose events are
// handed to the session.
#pragma once

#include <memory>
#include <string>

#include "session/session_link.h"

namespace parlane {

class EventLoop;
class Session;

// A client connection to `host`:`port` on `loop`, reporting to `session`.
// With `askOnClose` off a closed connection closes the window without asking.
std::unique_ptr<SessionLink> MakeTelnetLink(EventLoop& loop, Session& session,
                                            const std::string& host, int port, bool askOnClose);
// A host-mode link on a client socket accepted by the server, which it takes
// over; a close ends it without asking.
std::unique_ptr<SessionLink> MakeHostTelnetLink(EventLoop& loop, Session& session, int acceptedFd,
                                                const std::string& peerAddress);

}  // namespace parlane
