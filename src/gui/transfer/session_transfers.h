// The Transfers commands of a session window and the host's download
// request: Receive Files, Send Files (the session's upload list window), and
// a Zmodem request seen in the received stream.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

class QMdiArea;
class QWidget;

namespace parlane {

struct AppContext;
class Session;
class TelnetWindowMDIChild;
class TransferHost;
class FileUploadMDIChild;

// Receive Files: Telnet Zmodem on a Telnet session; on a dial-up session
// the protocol of `Protocol`.
void ReceiveFilesCommand(AppContext& app, TelnetWindowMDIChild& session);
// Send Files: brings the session's upload list window to the top, or opens
// one ("%s U/L List") and remembers it in `list`.
void SendFilesCommand(AppContext& app, TelnetWindowMDIChild& session,
                      QPointer<FileUploadMDIChild>& list);
// The interpreter saw a Zmodem sender's request. The session's link is
// taken at once (nothing more of the sender's stream reaches the screen);
// the receive opens as soon as the interpreter has returned. While another
// transfer runs the request is only shown as text.
void DownloadRequested(AppContext& app, TelnetWindowMDIChild& session);
// Receive Files and Send Files are available while the session's link can
// be handed over (LinkReadyForTransfer) and no transfer runs.
bool TransferCommandEnabled(const TelnetWindowMDIChild& session);

// The same for any session window: `session` is its engine, `window` the
// widget the dialog belongs to (and that must outlive a posted receive).
void ReceiveFiles(AppContext& app, Session& session, QWidget* window);
void DownloadRequested(AppContext& app, Session& session, QWidget* window);

// Send Files on the dial-up session: a new "Dial-up Upload File List" in
// `area`; `findHost` gives the dial-up window's host when sending starts
// (null: "A dial-up terminal window needs to be open").
FileUploadMDIChild* OpenDialupUploadList(AppContext& app, QMdiArea* area,
                                         std::function<std::unique_ptr<TransferHost>()> findHost);

}  // namespace parlane
