// SIGTERM, SIGINT and SIGHUP close the main window the ordinary way, so that
// the settings are saved as at Exit.
#pragma once

class QWidget;

namespace parlane {

// Installs the handlers; `window` is closed on the GUI thread when a signal
// arrives. Call once, after the window exists.
void CloseOnQuitSignals(QWidget* window);

}  // namespace parlane
