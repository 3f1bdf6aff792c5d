// The window preferences of a session window class (WINDPREF.CFG): the
// terminal font and the window's text and background colours. Each class
// ("TelnetWindow_Class", later "CommWindow_Class") keeps its own copy,
// loaded by the first window of the class in the program run and saved
// whole after every change made in a window of that class.
#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>
#include <memory>

namespace parlane {

struct AppContext;
struct WindowPreferences;

class WindowPrefsStore : public QObject {
  Q_OBJECT
 public:
  // The store of `className` for the shell of `app`, loaded on first use
  // (a damaged file is reported through the platform's message box).
  static WindowPrefsStore& For(AppContext& app, const QString& className);
  ~WindowPrefsStore() override;

  QFont Font() const;
  QColor Background() const;
  QColor Text() const;

  // Each setter changes the class's copy and saves the file (the wait cursor
  // is shown meanwhile; a failure is reported). False when saving failed.
  bool SetFont(const QFont& font);
  bool SetBackground(const QColor& color);
  bool SetText(const QColor& color);

  // The path of WINDPREF.CFG in the program's directory.
  QString FilePath() const;

 private:
  WindowPrefsStore(AppContext& app, QObject* parent);
  void Load();
  bool Save();

  AppContext& app_;
  std::unique_ptr<WindowPreferences> prefs_;
};

// The font a logical-font record describes, and back. Height < 0 is the
// character height in pixels; the face falls back to the desktop's fixed
// font when the named one is missing.
QFont FontFromRecord(const QString& face, int height, int weight, bool italic);

}  // namespace parlane
