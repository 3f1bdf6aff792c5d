#include "term/colors.h"

#include "term/emulation.h"

namespace parlane {

CellColorPair CellColors(Emulation emulation, uint8_t attr, const WindowColors& window,
                         Rgb currentBackground) {
  switch (TraitsOf(emulation).rendition) {
    case RenditionRule::Window: return {window.text, currentBackground};
    case RenditionRule::Vt100:
      if (attr == kAttrBold) return {kBoldYellow, currentBackground};
      if (attr == kAttrReverse) return {currentBackground, window.text};
      return {window.text, currentBackground};
    case RenditionRule::AnsiColor: break;
  }
  return {kAnsiPalette[attr >> 4], kAnsiPalette[attr & 0x0F]};
}

}  // namespace parlane
