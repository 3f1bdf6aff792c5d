#include "platform/text_editor.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextStream>

namespace parlane {

namespace {

const QString kPlainText = QStringLiteral("text/plain");

QStringList SplitDirs(const QString& value, const QString& fallback) {
  QStringList dirs =
      (value.isEmpty() ? fallback : value).split(QLatin1Char(':'), Qt::SkipEmptyParts);
  return dirs;
}

// The keys of one [group] of a desktop-style file.
QHash<QString, QString> ReadGroup(const QString& path, const QString& group) {
  QHash<QString, QString> keys;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
  QTextStream in(&file);
  bool inGroup = false;
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
      continue;
    }
    if (!inGroup || line.startsWith(QLatin1Char('#'))) continue;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed();
    if (!keys.contains(key)) keys.insert(key, line.mid(eq + 1).trimmed());
  }
  return keys;
}

struct Dirs {
  QStringList config;  // $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS
  QStringList data;    // $XDG_DATA_HOME, $XDG_DATA_DIRS
};

Dirs XdgDirs(const DesktopEnvironment& desktop) {
  const QString home = desktop.env("HOME");
  Dirs dirs;
  dirs.config << SplitDirs(desktop.env("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"))
              << SplitDirs(desktop.env("XDG_CONFIG_DIRS"), QStringLiteral("/etc/xdg"));
  dirs.data << SplitDirs(desktop.env("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"))
            << SplitDirs(desktop.env("XDG_DATA_DIRS"),
                         QStringLiteral("/usr/local/share:/usr/share"));
  return dirs;
}

// The desktop entries named for text/plain, in the order they are preferred.
QStringList DefaultTextEntries(const Dirs& dirs) {
  QStringList lists;
  for (const QString& d : dirs.config) lists << d + QStringLiteral("/mimeapps.list");
  for (const QString& d : dirs.data) {
    lists << d + QStringLiteral("/applications/mimeapps.list")
          << d + QStringLiteral("/applications/defaults.list");
  }
  QStringList entries;
  for (const QString& list : lists) {
    const QString value = ReadGroup(list, QStringLiteral("Default Applications")).value(kPlainText);
    for (const QString& id : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      if (!entries.contains(id.trimmed())) entries << id.trimmed();
    }
  }
  return entries;
}

QString FindEntry(const Dirs& dirs, const QString& id) {
  for (const QString& d : dirs.data) {
    const QString path = d + QStringLiteral("/applications/") + id;
    if (QFileInfo::exists(path)) return path;
  }
  return {};
}

// The Exec line split into words, with its quoting rules.
QStringList ExecWords(const QString& exec) {
  QStringList words;
  QString word;
  bool quoted = false;
  bool any = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (quoted) {
      if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
        word += exec[++i];
      } else if (c == QLatin1Char('"')) {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == QLatin1Char('"')) {
      quoted = true;
      any = true;
    } else if (c.isSpace()) {
      if (any || !word.isEmpty()) words << word;
      word.clear();
      any = false;
    } else {
      word += c;
    }
  }
  if (any || !word.isEmpty()) words << word;
  return words;
}

// The Exec line with the file put in place of its field codes.
QStringList ExpandExec(const QString& exec, const QString& file) {
  QStringList out;
  bool placed = false;
  for (const QString& w : ExecWords(exec)) {
    if (w == QLatin1String("%f") || w == QLatin1String("%F") || w == QLatin1String("%u") ||
        w == QLatin1String("%U")) {
      out << file;
      placed = true;
      continue;
    }
    if (w == QLatin1String("%i") || w == QLatin1String("%c") || w == QLatin1String("%k")) continue;
    QString expanded = w;
    expanded.replace(QLatin1String("%%"), QLatin1String("\x01"));
    expanded.remove(QRegularExpression(QStringLiteral("%[a-zA-Z]")));
    expanded.replace(QLatin1Char('\x01'), QLatin1Char('%'));
    if (!expanded.isEmpty()) out << expanded;
  }
  if (!out.isEmpty() && !placed) out << file;
  return out;
}

// The desktop's terminal emulator with the option that runs a command.
QStringList Terminal(const DesktopEnvironment& desktop) {
  QStringList candidates;
  const QString chosen = desktop.env("TERMINAL");
  if (!chosen.isEmpty()) candidates << chosen;
  candidates << QStringLiteral("x-terminal-emulator") << QStringLiteral("gnome-terminal")
             << QStringLiteral("konsole") << QStringLiteral("xfce4-terminal")
             << QStringLiteral("mate-terminal") << QStringLiteral("lxterminal")
             << QStringLiteral("xterm");
  for (const QString& name : candidates) {
    const QString path = desktop.findProgram(name);
    if (path.isEmpty()) continue;
    const QString base = QFileInfo(path).fileName();
    if (base == QLatin1String("gnome-terminal")) return {path, QStringLiteral("--")};
    if (base == QLatin1String("xfce4-terminal")) return {path, QStringLiteral("-x")};
    return {path, QStringLiteral("-e")};
  }
  return {};
}

}  // namespace

DesktopEnvironment DesktopEnvironment::System() {
  DesktopEnvironment d;
  d.env = [](const char* name) { return qEnvironmentVariable(name); };
  d.findProgram = [](const QString& name) { return QStandardPaths::findExecutable(name); };
  return d;
}

std::vector<QStringList> EditorCommands(const QString& file, const DesktopEnvironment& desktop) {
  std::vector<QStringList> commands;
  const Dirs dirs = XdgDirs(desktop);
  const QStringList terminal = Terminal(desktop);
  for (const QString& id : DefaultTextEntries(dirs)) {
    const QString path = FindEntry(dirs, id);
    if (path.isEmpty()) continue;
    const auto entry = ReadGroup(path, QStringLiteral("Desktop Entry"));
    const QString tryExec = entry.value(QStringLiteral("TryExec"));
    if (!tryExec.isEmpty() && desktop.findProgram(tryExec).isEmpty()) continue;
    QStringList words = ExpandExec(entry.value(QStringLiteral("Exec")), file);
    if (words.isEmpty()) continue;
    if (entry.value(QStringLiteral("Terminal"))
            .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
      if (terminal.isEmpty()) continue;
      words = terminal + words;
    }
    commands.push_back(words);
  }
  const QString editor =
      desktop.env("VISUAL").isEmpty() ? desktop.env("EDITOR") : desktop.env("VISUAL");
  if (!editor.isEmpty() && !terminal.isEmpty()) {
    // The editor variable may hold options ("emacs -nw"): the shell splits it.
    commands.push_back(terminal + QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                                              QStringLiteral("exec %1 \"$1\"").arg(editor),
                                              QStringLiteral("sh"), file});
  }
  return commands;
}

QString JoinCommand(const QStringList& words) {
  QStringList quoted;
  for (QString w : words) {
    if (w.isEmpty() || w.contains(QLatin1Char(' ')) || w.contains(QLatin1Char('"')) ||
        w.contains(QLatin1Char('\t'))) {
      w.replace(QLatin1String("\""), QLatin1String("\"\"\""));
      w = QLatin1Char('"') + w + QLatin1Char('"');
    }
    quoted << w;
  }
  return quoted.join(QLatin1Char(' '));
}

}  // namespace parlane
