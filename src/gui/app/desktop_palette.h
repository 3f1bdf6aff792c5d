// The frame and the dialogs follow the desktop's light or dark preference.
// Qt's platform theme gives the desktop's palette where it knows it; where
// the desktop prefers dark (the XDG desktop portal's colour scheme, or a GTK
// theme named ":dark") but Qt's palette is light, Parlane switches to the
// Fusion style with a dark palette, and back when the preference changes.
// The terminal views paint their own colours and do not change.
#pragma once

#include <QPalette>
#include <functional>
#include <optional>

class QApplication;
class QWidget;

namespace parlane {

enum class ColorScheme { NoPreference, Light, Dark };

// What the desktop prefers, asked once (a missing session bus or portal
// answers NoPreference quickly).
ColorScheme DesktopColorScheme();

bool IsDarkPalette(const QPalette& palette);
QPalette DarkPalette();

// The palette to set for `scheme` over the theme's own `themePalette`:
// nullopt when the theme's palette already suits it.
std::optional<QPalette> PaletteFor(ColorScheme scheme, const QPalette& themePalette);

// Applies `scheme` to the application (restoring the theme's palette and
// style when the scheme no longer needs a change).
void ApplyColorScheme(ColorScheme scheme);

// Applies the desktop's preference now and whenever the portal reports a
// change.
void FollowDesktopColorScheme(QApplication& app);

// Calls `redraw` (posted) whenever the application's palette changes, for
// pictures drawn in the palette's colours, such as the tool bar's buttons.
void RedrawOnPaletteChange(QWidget* widget, std::function<void()> redraw);

}  // namespace parlane
