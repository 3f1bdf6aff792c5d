// Finding an editor for a script file on the desktop: the default
// application for plain text (the freedesktop.org mimeapps.list and desktop
// entries), else $VISUAL or $EDITOR run in the desktop's terminal emulator.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace parlane {

// Where the desktop's files are and which programs exist; tests give their own.
struct DesktopEnvironment {
  std::function<QString(const char* name)> env;        // an environment variable, "" if unset
  std::function<QString(const QString&)> findProgram;  // full path of a program, "" if none
  // The real environment and PATH.
  static DesktopEnvironment System();
};

// The command lines to try, best first, for editing `file`: the default
// plain-text application, then the terminal editor. Each is a program and
// its arguments; the file is always a single argument, whatever it contains.
std::vector<QStringList> EditorCommands(const QString& file, const DesktopEnvironment& desktop);

// A program and arguments as one command line for QProcess::splitCommand
// (words with spaces or quotes are quoted).
QString JoinCommand(const QStringList& words);

}  // namespace parlane
