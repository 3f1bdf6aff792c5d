// The main menu "COMMANDS" as data: pop-ups, items with their ids,
// separators; the accelerator table; the status-bar hint string table.
#pragma once

#include <span>

namespace parlane {

enum class MenuEntryKind { Popup, EndPopup, Item, Separator };

struct MenuEntry {
  MenuEntryKind kind;
  const char* text;  // Popup and Item; "\t" separates the accelerator text
  int id;            // Item only
};

// Pop-ups open with a Popup entry and close with EndPopup; they nest.
std::span<const MenuEntry> MenuTable();

// Accelerator table "COMMANDS": every one is Alt plus a letter key.
struct Accelerator {
  char key;  // upper-case letter
  int id;
};
std::span<const Accelerator> Accelerators();

// The hint shown in the status bar while the item is highlighted, or nullptr
// for ids without one.
const char* HintFor(int id);

// Default session sizes of the Setup submenu.
struct SessionSize {
  int id;
  int rows;
  int columns;
};
std::span<const SessionSize> SessionSizes();

}  // namespace parlane
