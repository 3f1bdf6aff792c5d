// The main window's status bar: message area, connect time, link,
// emulation and clock panes, and the "cd", "rd" and "sd" indicators.
#pragma once

#include <QStatusBar>
#include <QStringList>
#include <array>

#include "app/app_context.h"

class QLabel;

namespace parlane {

class TStatusBar final : public QStatusBar, public StatusPanes {
  Q_OBJECT
 public:
  explicit TStatusBar(QWidget* parent = nullptr);

  // StatusPanes, for the session windows.
  void SetMessage(const QString& text) override;
  bool ConnectTimeShown() const override { return connectTimeShown_; }
  void SetConnectTime(const QString& text) override;
  void SetLink(const QString& text) override;
  void SetEmulation(const QString& text) override;
  void SetIndicator(StatusIndicator which, bool on) override;

  // Removes or adds the connect-time and clock panes and lays the bar out.
  void Rebuild(bool connectTimeShown, bool clockShown);
  bool ClockShown() const { return clockShown_; }
  void SetClock(const QString& text);

  // A menu item's hint covers the message area while the menu is open.
  void ShowHint(const QString& hint);
  void EndHint();

  // For tests and the screenshot: the panes present, left to right
  // ("message", "connect", "link", "emulation", "clock", "cd", "rd", "sd"),
  // and their texts.
  QStringList PaneNames() const;
  QString PaneText(const QString& name) const;
  bool IndicatorOn(StatusIndicator which) const;

 private:
  QLabel* MakePane(const QString& name, int widthChars);
  void Layout();

  QLabel* message_ = nullptr;
  QLabel* connectTime_ = nullptr;
  QLabel* link_ = nullptr;
  QLabel* emulation_ = nullptr;
  QLabel* clock_ = nullptr;
  std::array<QWidget*, 3> indicators_{};  // label and lamp, cd rd sd
  std::array<QLabel*, 3> lamps_{};
  std::array<bool, 3> lampOn_{};
  QWidget* endSpacer_ = nullptr;
  QList<QWidget*> placed_;
  QString sessionMessage_;
  bool hinting_ = false;
  // Made at start-up without these two; the rebuild after set-up adds them.
  bool connectTimeShown_ = false;
  bool clockShown_ = false;
};

}  // namespace parlane
