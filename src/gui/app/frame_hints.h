// Status-bar hints of the menus and the tool bar: a greyed menu item shows
// its hint too, and a tool-bar button's hint lasts while the pointer is on
// the button.
#pragma once

class QMenu;
class QToolBar;

namespace parlane {

class TStatusBar;

// Shows the hint of a greyed item when the pointer moves onto it (the menu
// reports enabled items itself).
void WatchGreyedItemHints(QMenu* menu, TStatusBar* status);

// Shows each button's hint while the pointer is on it; call after the
// buttons have been added.
void WatchToolBarHints(QToolBar* toolbar, TStatusBar* status);

}  // namespace parlane
