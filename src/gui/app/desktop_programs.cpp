#include "app/desktop_programs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace parlane {

namespace {

const QString kFileManagerTool = QStringLiteral("winfile.exe");
const QString kTextEditorTool = QStringLiteral("notepad.exe");
const QString kWordProcessorTool = QStringLiteral("write.exe");
const QString kDirectoryType = QStringLiteral("inode/directory");
const QString kTextType = QStringLiteral("text/plain");
const QString kDocumentType = QStringLiteral("application/vnd.oasis.opendocument.text");

QStringList ApplicationDirs() {
  return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

// Exec= keys may carry field codes (%f, %U, ...): they are dropped, "%%"
// stands for "%".
QString StripFieldCodes(const QString& exec) {
  QString out;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    if (exec[i] == QLatin1Char('%') && i + 1 < exec.size()) {
      if (exec[i + 1] == QLatin1Char('%')) out += QLatin1Char('%');
      ++i;
      continue;
    }
    out += exec[i];
  }
  return out.simplified();
}

std::optional<DesktopEntry> FindEntry(const QString& id) {
  for (const QString& dir : ApplicationDirs()) {
    const QString path = dir + QLatin1Char('/') + id;
    if (QFileInfo::exists(path)) return ReadDesktopEntry(path);
  }
  return std::nullopt;
}

// The entries named as default for `mimeType` by the mimeapps.list files.
QStringList ListedDefaults(const QString& mimeType) {
  QStringList lists;
  for (const QString& dir :
       QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
    lists << dir + QStringLiteral("/mimeapps.list");
  }
  for (const QString& dir : ApplicationDirs()) {
    lists << dir + QStringLiteral("/mimeapps.list") << dir + QStringLiteral("/defaults.list");
  }
  QStringList ids;
  for (const QString& list : lists) {
    QFile file(list);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
    QTextStream in(&file);
    bool defaults = false;
    while (!in.atEnd()) {
      const QString line = in.readLine().trimmed();
      if (line.startsWith(QLatin1Char('['))) {
        defaults = line == QStringLiteral("[Default Applications]");
        continue;
      }
      if (!defaults || !line.startsWith(mimeType + QLatin1Char('='))) continue;
      for (const QString& id :
           line.mid(mimeType.size() + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        ids << id.trimmed();
      }
    }
  }
  return ids;
}

}  // namespace

QString QuoteWord(const QString& word) {
  if (!word.isEmpty() && !word.contains(QRegularExpression(QStringLiteral("[\\s\"']")))) {
    return word;
  }
  QString quoted = word;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

std::optional<DesktopEntry> ReadDesktopEntry(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
  QTextStream in(&file);
  DesktopEntry entry;
  entry.file = path;
  bool main = false;
  bool hidden = false;
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      main = line == QStringLiteral("[Desktop Entry]");
      continue;
    }
    if (!main) continue;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (key == QStringLiteral("Name"))
      entry.name = value;
    else if (key == QStringLiteral("Exec"))
      entry.exec = StripFieldCodes(value);
    else if (key == QStringLiteral("Icon"))
      entry.icon = value;
    else if (key == QStringLiteral("MimeType"))
      entry.mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    else if (key == QStringLiteral("Hidden") || key == QStringLiteral("NoDisplay")) {
      hidden = hidden || (key == QStringLiteral("Hidden") && value == QStringLiteral("true"));
    }
  }
  if (hidden || entry.exec.isEmpty()) return std::nullopt;
  return entry;
}

std::optional<DesktopEntry> DefaultEntryFor(const QString& mimeType) {
  for (const QString& id : ListedDefaults(mimeType)) {
    if (auto entry = FindEntry(id)) return entry;
  }
  for (const QString& dir : ApplicationDirs()) {
    const QStringList files =
        QDir(dir).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
      auto entry = ReadDesktopEntry(dir + QLatin1Char('/') + name);
      if (entry && entry->mimeTypes.contains(mimeType)) return entry;
    }
  }
  return std::nullopt;
}

std::optional<DesktopEntry> EntryForProgram(const QString& program) {
  const QString base = QFileInfo(program).fileName();
  if (base.isEmpty()) return std::nullopt;
  for (const QString& dir : ApplicationDirs()) {
    const QStringList files =
        QDir(dir).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
      auto entry = ReadDesktopEntry(dir + QLatin1Char('/') + name);
      if (!entry) continue;
      const QStringList words = QProcess::splitCommand(entry->exec);
      if (!words.isEmpty() && QFileInfo(words.front()).fileName() == base) return entry;
    }
  }
  return std::nullopt;
}

ToolLaunch ResolveTool(const QString& commandLine, const QString& programDir) {
  const QString trimmed = commandLine.trimmed();
  const QString lower = trimmed.toLower();
  ToolLaunch launch;
  if (lower == kFileManagerTool) {
    launch.commandLine = QStringLiteral("xdg-open ") + QuoteWord(programDir);
    const auto entry = DefaultEntryFor(kDirectoryType);
    launch.iconName =
        entry && !entry->icon.isEmpty() ? entry->icon : QStringLiteral("system-file-manager");
    return launch;
  }
  if (lower == kTextEditorTool || lower == kWordProcessorTool) {
    const bool editor = lower == kTextEditorTool;
    const auto entry = DefaultEntryFor(editor ? kTextType : kDocumentType);
    if (entry) launch.commandLine = entry->exec;
    launch.iconName = entry && !entry->icon.isEmpty()
                          ? entry->icon
                          : (editor ? QStringLiteral("accessories-text-editor")
                                    : QStringLiteral("x-office-document"));
    return launch;
  }
  launch.commandLine = trimmed;
  const QStringList words = QProcess::splitCommand(trimmed);
  if (!words.isEmpty()) {
    const auto entry = EntryForProgram(words.front());
    if (entry && !entry->icon.isEmpty()) {
      launch.iconName = entry->icon;
    } else {
      launch.iconName = QFileInfo(words.front()).completeBaseName().toLower();
    }
  }
  return launch;
}

}  // namespace parlane
