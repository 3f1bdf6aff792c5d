#include "app/status_bar.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

#include "app/icons.h"

namespace parlane {

namespace {

// Pane widths in characters of the status bar font.
constexpr int kConnectTimeChars = 8;
constexpr int kLinkChars = 10;
constexpr int kEmulationChars = 8;
constexpr int kClockChars = 8;
constexpr int kStatusFontPoints = 6;
constexpr int kEndSeparatorUnits = 15;  // the gap that closes the bar
constexpr const char* kIndicatorNames[] = {"cd", "rd", "sd"};

size_t Index(StatusIndicator which) { return static_cast<size_t>(which); }

}  // namespace

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
  QFont small = font();
  small.setPointSize(kStatusFontPoints);
  setFont(small);
  setSizeGripEnabled(true);

  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("message"));
  message_->setMinimumWidth(1);
  addWidget(message_, 1);

  connectTime_ = MakePane(QStringLiteral("connect"), kConnectTimeChars);
  link_ = MakePane(QStringLiteral("link"), kLinkChars);
  emulation_ = MakePane(QStringLiteral("emulation"), kEmulationChars);
  clock_ = MakePane(QStringLiteral("clock"), kClockChars);
  // The emulation and clock panes shrink to fit their text.
  emulation_->setMinimumWidth(0);
  clock_->setMinimumWidth(0);

  for (size_t i = 0; i < indicators_.size(); ++i) {
    auto* box = new QWidget(this);
    box->setObjectName(QString::fromLatin1(kIndicatorNames[i]));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(new QLabel(QString::fromLatin1(kIndicatorNames[i]), box));
    lamps_[i] = new QLabel(box);
    lamps_[i]->setPixmap(IndicatorPixmap(false));
    row->addWidget(lamps_[i]);
    indicators_[i] = box;
  }
  endSpacer_ = new QWidget(this);
  endSpacer_->setFixedWidth(kEndSeparatorUnits);
  Layout();
}

QLabel* TStatusBar::MakePane(const QString& name, int widthChars) {
  auto* pane = new QLabel(this);
  pane->setObjectName(name);
  pane->setAlignment(Qt::AlignCenter);
  pane->setFrameShape(QFrame::Panel);
  pane->setFrameShadow(QFrame::Sunken);
  const QFontMetrics metrics(font());
  pane->setMinimumWidth(metrics.averageCharWidth() * widthChars + 2 * pane->frameWidth() + 4);
  pane->hide();
  return pane;
}

void TStatusBar::Layout() {
  for (QWidget* w : placed_) {
    removeWidget(w);
  }
  placed_.clear();
  QList<QWidget*> order;
  if (connectTimeShown_) order << connectTime_;
  order << link_ << emulation_;
  if (clockShown_) order << clock_;
  for (QWidget* indicator : indicators_) order << indicator;
  order << endSpacer_;
  for (QWidget* w : order) {
    addPermanentWidget(w);
    w->show();
    placed_ << w;
  }
  if (!connectTimeShown_) connectTime_->hide();
  if (!clockShown_) clock_->hide();
}

void TStatusBar::Rebuild(bool connectTimeShown, bool clockShown) {
  if (!connectTimeShown && connectTimeShown_) connectTime_->clear();
  connectTimeShown_ = connectTimeShown;
  clockShown_ = clockShown;
  Layout();
}

void TStatusBar::SetMessage(const QString& text) {
  sessionMessage_ = text;
  if (!hinting_) message_->setText(text);
}

void TStatusBar::ShowHint(const QString& hint) {
  hinting_ = true;
  message_->setText(hint);
}

void TStatusBar::EndHint() {
  hinting_ = false;
  message_->setText(sessionMessage_);
}

void TStatusBar::SetConnectTime(const QString& text) {
  if (connectTimeShown_) connectTime_->setText(text);
}

void TStatusBar::SetLink(const QString& text) { link_->setText(text); }
void TStatusBar::SetEmulation(const QString& text) { emulation_->setText(text); }
void TStatusBar::SetClock(const QString& text) {
  if (clockShown_) clock_->setText(text);
}

void TStatusBar::SetIndicator(StatusIndicator which, bool on) {
  const size_t i = Index(which);
  if (lampOn_[i] == on) return;
  lampOn_[i] = on;
  lamps_[i]->setPixmap(IndicatorPixmap(on));
}

bool TStatusBar::IndicatorOn(StatusIndicator which) const { return lampOn_[Index(which)]; }

QStringList TStatusBar::PaneNames() const {
  QStringList names{QStringLiteral("message")};
  for (QWidget* w : placed_) {
    if (w != endSpacer_) names << w->objectName();
  }
  return names;
}

QString TStatusBar::PaneText(const QString& name) const {
  for (QLabel* pane : {message_, connectTime_, link_, emulation_, clock_}) {
    if (pane->objectName() == name) return pane->text();
  }
  return {};
}

}  // namespace parlane
