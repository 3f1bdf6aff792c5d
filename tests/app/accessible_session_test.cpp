// What assistive technology gets: the terminal view's text, cursor,
// selection and change events through Qt's accessible interfaces, and a
// name on every control of the dialogs.
#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <memory>

#include "app/about.h"
#include "dialogs/ch_color.h"
#include "dialogs/open_telnet.h"
#include "dialogs/terminal_settings.h"
#include "frame_fixture.h"
#include "platform/accessible_names.h"
#include "session/terminal_accessible.h"

namespace parlane::test {
namespace {

struct Event {
  QAccessible::Event type = QAccessible::InvalidEvent;
  int position = -1;
  QString inserted;
};

TEST(TerminalAccessibleText, DiffFindsTheChangedMiddle) {
  struct Case {
    const char* before;
    const char* after;
    TextChange change;
  };
  const Case cases[] = {
      {"abc", "abc", {3, "", ""}},
      {"", "ab", {0, "", "ab"}},
      {"Hello\nWor", "Hello\nWorld", {9, "", "ld"}},
      {"ab\ncd\nef", "cd\nef\ngh", {0, "ab\ncd\nef", "cd\nef\ngh"}},
      {"aXc", "aYc", {1, "X", "Y"}},
      {"abcc", "abc", {3, "c", ""}},
      {"aaa", "aaaa", {3, "", "a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.before) + " -> " + c.after);
    EXPECT_EQ(DiffText(QString::fromLatin1(c.before), QString::fromLatin1(c.after)), c.change);
  }
}

class AccessibleSessionTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    SetTerminalAccessibleSinkForTest([this](QAccessibleEvent& e) {
      Event r;
      r.type = e.type();
      if (e.type() == QAccessible::TextInserted) {
        auto& t = static_cast<QAccessibleTextInsertEvent&>(e);
        r.position = t.changePosition();
        r.inserted = t.textInserted();
      } else if (e.type() == QAccessible::TextCaretMoved) {
        r.position = static_cast<QAccessibleTextCursorEvent&>(e).cursorPosition();
      }
      events_.push_back(r);
    });
  }
  void TearDown() override {
    SetTerminalAccessibleSinkForTest({});
    FrameTest::TearDown();
  }

  // A session window connected to the test's server.
  TelnetWindow* Session() {
    StartWith(server_);
    EXPECT_TRUE(server_.Accepted());
    return FirstSession()->Window();
  }
  // Sends `bytes` and waits until the window shows `rowText` on `row`.
  void Show(TelnetWindow* w, const std::string& bytes, int row, const char* rowText) {
    server_.Send(bytes);
    const TerminalScreen& s = w->GetSession().Screen();
    ASSERT_TRUE(RunUntil([&] { return s.RowText(s.ScreenTop() + row) == rowText; }));
  }
  size_t TextEvents() const {
    size_t n = 0;
    for (const Event& e : events_) n += e.type != QAccessible::TextCaretMoved ? 1 : 0;
    return n;
  }

  LoopbackServer server_;
  std::vector<Event> events_;
};

TEST_F(AccessibleSessionTest, ScreenReaderReadsTheVisibleRowsCursorAndSelection) {
  TelnetWindow* w = Session();
  Show(w, "\x1b[2J\x1b[HHello\r\n\xc9\xcdWorld", 1, "\xc9\xcdWorld");

  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::Terminal);
  EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("127.0.0.1"));
  EXPECT_TRUE(iface->state().multiLine);
  QAccessibleTextInterface* text = iface->textInterface();
  ASSERT_NE(text, nullptr);

  const QString all = text->text(0, text->characterCount());
  // Box drawing arrives as its Unicode characters; one line per visible row.
  EXPECT_TRUE(all.startsWith(QString::fromUtf8("Hello\n╔═World\n"))) << all.left(40).toStdString();
  EXPECT_EQ(all.count('\n'), w->GetSession().Screen().Height() - 1);
  EXPECT_EQ(text->cursorPosition(), 13);
  int start = 0;
  int end = 0;
  EXPECT_EQ(text->textAtOffset(9, QAccessible::LineBoundary, &start, &end).trimmed(),
            QString::fromUtf8("╔═World"));
  EXPECT_EQ(text->textAtOffset(9, QAccessible::WordBoundary, &start, &end),
            QStringLiteral("World"));

  // Geometry: a cell's rectangle leads back to its offset.
  const QRect cell = text->characterRect(8);
  ASSERT_FALSE(cell.isEmpty());
  EXPECT_EQ(cell.size(), QSize(w->CellWidth(), w->LineHeight()));
  EXPECT_EQ(text->offsetAtPoint(cell.center()), 8);
  EXPECT_EQ(text->characterRect(9).left(), cell.right() + 1);

  // The mouse selection: "llo" on the first row and "╔═" on the second.
  EXPECT_EQ(text->selectionCount(), 0);
  Selection& sel = w->GetSession().Select();
  const int top = w->GetSession().Screen().ScreenTop();
  sel.Track({2, top});
  sel.Track({2, top + 1});
  ASSERT_EQ(text->selectionCount(), 1);
  text->selection(0, &start, &end);
  EXPECT_EQ(text->text(start, end), QString::fromUtf8("llo\n╔═"));
  sel.Clear();
}

TEST_F(AccessibleSessionTest, NewOutputIsAnnouncedOncePerFrame) {
  TelnetWindow* w = Session();
  Show(w, "\x1b[2J\x1b[HHello", 0, "Hello");
  w->FlushDamage();
  ASSERT_TRUE(RunUntil([&] { return TextEvents() > 0; }));
  RunUntil([] { return false; }, 100);
  events_.clear();

  // Output one byte at a time, each painted at once, as a slow host types:
  // one event carries all of it on the next frame.
  for (const char c : std::string(" there")) {
    const auto byte = static_cast<uint8_t>(c);
    w->GetSession().Received(std::span<const uint8_t>(&byte, 1));
    w->FlushDamage();
  }
  ASSERT_TRUE(RunUntil([&] { return TextEvents() > 0; }));
  RunUntil([] { return false; }, 100);
  QString inserted;
  for (const Event& e : events_) {
    if (e.type != QAccessible::TextInserted) continue;
    EXPECT_GE(e.position, 5);
    inserted += e.inserted;
  }
  EXPECT_EQ(inserted, QStringLiteral(" there"));
  EXPECT_EQ(TextEvents(), 1u);
  ASSERT_FALSE(events_.empty());
  EXPECT_EQ(events_.back().type, QAccessible::TextCaretMoved);
  EXPECT_EQ(events_.back().position, 11);
}

// Every control a dialog shows has a name for the screen reader.
void ExpectNamed(QWidget* dialog) {
  dialog->show();
  QCoreApplication::processEvents();
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(dialog)) continue;
    // The edit inside a combo or spin box is spoken for by its owner.
    if (qobject_cast<QComboBox*>(w->parentWidget()) != nullptr) continue;
    if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr) continue;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    ASSERT_NE(iface, nullptr);
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty())
        << dialog->windowTitle().toStdString() << ": " << w->metaObject()->className() << " "
        << w->objectName().toStdString();
  }
  dialog->close();
}

TEST_F(FrameTest, EveryDialogControlHasAnAccessibleName) {
  Start(true);
  HostHistory history{};
  std::unique_ptr<QDialog> dialogs[] = {
      std::make_unique<OpenTelnet>(Frame(), history, platform_),
      std::make_unique<TerminalSettings>(Frame(), Config().Terminal),
      std::make_unique<ChColor>(Frame(), QStringLiteral("Text Color"), Rgb{0, 0, 128}),
      std::make_unique<AboutDialog>(Frame()),
  };
  for (auto& d : dialogs) ExpectNamed(d.get());
  auto* color = dialogs[2]->findChildren<QRadioButton*>().at(4);
  EXPECT_EQ(color->accessibleName(), QStringLiteral("Dark Blue"));

  // A dialog built without names gets them from what stands beside each
  // control as it is shown.
  QDialog plain(Frame());
  auto* grid = new QGridLayout(&plain);
  auto* rate = new QComboBox(&plain);
  grid->addWidget(new QLabel(QStringLiteral("&Baud rate:"), &plain), 0, 0);
  grid->addWidget(rate, 0, 1);
  auto* heading = new QLabel(QStringLiteral("Ports"), &plain);
  auto* ports = new QListWidget(&plain);
  grid->addWidget(heading, 1, 0);
  grid->addWidget(ports, 2, 0);
  auto* parity = new QGroupBox(QStringLiteral("Parity"), &plain);
  auto* parityList = new QListWidget(parity);
  (new QVBoxLayout(parity))->addWidget(parityList);
  grid->addWidget(parity, 3, 0);
  auto* device = new QLineEdit(&plain);
  device->setToolTip(QStringLiteral("Device"));
  grid->addWidget(device, 4, 0);
  auto* kept = new QSpinBox(&plain);
  kept->setAccessibleName(QStringLiteral("Kept"));
  grid->addWidget(kept, 4, 1);
  ExpectNamed(&plain);
  EXPECT_EQ(rate->accessibleName(), QStringLiteral("Baud rate"));
  EXPECT_EQ(ports->accessibleName(), QStringLiteral("Ports"));
  EXPECT_EQ(parityList->accessibleName(), QStringLiteral("Parity"));
  EXPECT_EQ(device->accessibleName(), QStringLiteral("Device"));
  EXPECT_EQ(kept->accessibleName(), QStringLiteral("Kept"));
}

}  // namespace
}  // namespace parlane::test
