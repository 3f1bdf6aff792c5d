// Parlane's own pictures, painted in code: the tool bar buttons, the status
// bar's indicator lamps and the program icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <string>

namespace parlane {

// The picture of a tool bar command (bitmap id = command id); a null icon
// for ids without one.
QIcon CommandIcon(int id);

// A tool button's picture: the icon of the program named by `commandLine`
// from the desktop's icon theme when it has one, else the default
// application icon, drawn at the top left of a 32x32 bitmap filled with the
// button-face colour and framed by a one-pixel line of that colour.
QIcon ToolIcon(const std::string& commandLine);

// The two states of a status bar indicator.
QPixmap IndicatorPixmap(bool on);

// "1_PROGRAM_ICON".
QIcon ProgramIcon();

}  // namespace parlane
