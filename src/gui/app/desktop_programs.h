// The external tools on this desktop. The stored defaults "winfile.exe",
// "notepad.exe" and "write.exe" stand for the file manager, the default text
// editor and the default word processor; any other command line is a
// program run as written. Desktop entries (*.desktop in the XDG data
// directories) give the programs and their icons; the user's and the
// system's mimeapps.list say which entry is the default for a type.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace parlane {

// One desktop entry, as far as launching and icons go.
struct DesktopEntry {
  QString file;  // the .desktop file
  QString name;
  QString exec;  // Exec= without its field codes
  QString icon;  // Icon=: a theme name or a path
  QStringList mimeTypes;
};

std::optional<DesktopEntry> ReadDesktopEntry(const QString& file);
// The default application for `mimeType`: the first entry named for it in a
// mimeapps.list (user, then system), else the first installed entry that
// lists the type.
std::optional<DesktopEntry> DefaultEntryFor(const QString& mimeType);
// The entry whose Exec program has the same base name as `program`.
std::optional<DesktopEntry> EntryForProgram(const QString& program);

// What running a tool's command line does on this desktop.
struct ToolLaunch {
  QString commandLine;  // empty: nothing can be started
  QString iconName;     // a theme icon name or an icon file
};

// `programDir` is the directory the file manager opens.
ToolLaunch ResolveTool(const QString& commandLine, const QString& programDir);

// Quotes one word for a command line split by QProcess::splitCommand.
QString QuoteWord(const QString& word);

}  // namespace parlane
