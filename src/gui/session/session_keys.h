// Keys typed into a session window belong to its host: only the frame's
// menu accelerators and the menus' mnemonics (Alt with a letter or digit)
// are left to the frame. The MDI area's and the sub-window's own shortcuts
// (close, next window, system menu) never see the others.
#pragma once

class QEvent;
class QKeyEvent;
class QObject;

namespace parlane {

// Alt held with a letter or a digit: an accelerator or a menu mnemonic.
bool IsFrameKey(const QKeyEvent& key);

// A key event (press, release, shortcut override) whose receiver lies in a
// session window.
bool IsSessionKeyEvent(const QObject* receiver, const QEvent* event);

// For a shortcut override of a session key: claims the key so that no
// shortcut takes it and it comes as a key press. True when claimed.
bool ClaimSessionKey(QEvent* event);

}  // namespace parlane
