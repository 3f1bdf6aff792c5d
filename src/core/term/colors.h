// Colours of the terminal: the 16-colour ANSI palette (kAnsiPalette, kept in
// util/rgb.h beside the colour type), the window's own text and background
// colours, and the colours one cell paints in. Every painter (the Qt window,
// parlane-render's html, the printer) asks CellColors() so that they all
// agree.
#pragma once

#include <cstdint>

#include "config/terminal_options.h"
#include "util/rgb.h"

namespace parlane {

// VT100 bold text is drawn in this yellow.
inline constexpr Rgb kBoldYellow{255, 255, 0};

// The window preferences' colours: white on dark blue unless the user chose
// others. The same for every session window of a class.
struct WindowColors {
  Rgb text{255, 255, 255};
  Rgb background{0, 0, 128};
  bool operator==(const WindowColors&) const = default;
};

// Attribute bytes with a fixed meaning.
inline constexpr uint8_t kAttrNormal = 0xF0;       // VT100 normal; the value of a fresh store
inline constexpr uint8_t kAttrBold = 0x80;         // VT100 bold
inline constexpr uint8_t kAttrReverse = 0x08;      // VT100 reverse
inline constexpr uint8_t kAttrAnsiDefault = 0x70;  // ANSI: light grey on black

struct CellColorPair {
  Rgb fg;
  Rgb bg;
  bool operator==(const CellColorPair&) const = default;
};

// The colours a cell with attribute `attr` paints in.
//  TTY:   window text on the current background, whatever the attribute.
//  VT100: 0x80 yellow on the current background; 0x08 the current background
//         on the window text colour; anything else as normal.
//  ANSI:  palette[high nibble] on palette[low nibble].
CellColorPair CellColors(Emulation emulation, uint8_t attr, const WindowColors& window,
                         Rgb currentBackground);

}  // namespace parlane
