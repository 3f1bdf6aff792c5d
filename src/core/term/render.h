// The screen as text, json and html: parlane-render's formats, also used by
// the golden-screen tests and bug reports.
#pragma once

#include <string>

#include "term/interpreter.h"
#include "term/recording_session.h"
#include "term/screen.h"

namespace parlane {

// The screen's rows (or, with scrollback, every row from 0 to the screen's
// last), each cut at its used length, as UTF-8, one line each.
std::string RenderText(const TerminalScreen& screen, bool scrollback);

// One json object with the whole state: geometry, cursor, region, attribute,
// interpreter state, every stored row in store order, and what was sent.
std::string RenderJson(const Interpreter& interpreter, const RecordingSession& session);

// A self-contained html page that looks like the window.
std::string RenderHtml(const TerminalScreen& screen, bool scrollback);

}  // namespace parlane
