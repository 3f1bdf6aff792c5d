// The core session: what reaches the link from keys, pastes, replies and
// resizes; the selection's Copy text; the return from the scroll-back; the
// login script's start.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "keys/keymap.h"
#include "session/cp437.h"
#include "session/session.h"
#include "session/session_fakes.h"

namespace parlane {
namespace {

using test::RecordingLink;
using test::RecordingView;

class SessionTest : public ::testing::Test {
 protected:
  void Make(TerminalOptions options = {}, std::string loginScript = {}) {
    SessionSetup setup;
    setup.options = options;
    setup.telnet = true;
    setup.loginScript = std::move(loginScript);
    setup.userName = "me";
    session = std::make_unique<Session>(setup, keys, painter, view);
    auto fake = std::make_unique<RecordingLink>(session.get());
    link = fake.get();
    session->AttachLink(std::move(fake));
  }
  void Receive(std::string_view s) { test::Receive(*session, s); }

  KeyTable keys = DefaultKeyTable();
  NullPainter painter;
  RecordingView view;
  std::unique_ptr<Session> session;
  RecordingLink* link = nullptr;
};

TEST_F(SessionTest, RepliesAndNegotiationGoToTheirPaths) {
  Make();
  Receive("\xff\xfd\x18");  // DO TERMINAL-TYPE
  Receive("ab\x1b[6n");
  EXPECT_EQ(link->raw, "\xff\xfb\x18");
  EXPECT_EQ(link->data, "\x1b[1;3R");
  EXPECT_EQ(view.clears, 2);
  EXPECT_EQ(view.begins, view.ends);
}

// CR LF and LF alone sent as CR: SessionWindowTest.TypedKeysAndPasteAreSent.
TEST_F(SessionTest, PasteSendsAsTyped) {
  struct Case {
    const char* text;
    uint32_t outboundCrLf;
    const char* sent;
  };
  for (const Case& c : {Case{"a\r\nb", 1, "a\r\nb"},
                        {"a\nb", 1, "a\r\nb"},
                        {"a\rb\n\nc\r\r\n", 0, "a\rb\r\rc\r\r"},
                        {"x\ty\x1b", 0, "x\ty\x1b"}}) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    TerminalOptions o;
    o.OutboundCrLf = c.outboundCrLf;
    Make(o);
    session->Paste(c.text);
    EXPECT_EQ(link->data, c.sent);
  }
}

TEST_F(SessionTest, PasteAfterAMappedKeyLosesNothing) {
  Make();
  // Up is mapped in VT100: its text is sent and the key marked handled.
  EXPECT_TRUE(session->KeyDown(VirtualKey::Up, {}));
  link->data.clear();
  session->Paste("hi");
  EXPECT_EQ(link->data, "hi");
}

TEST_F(SessionTest, PasteDoesNotNest) {
  Make();
  int nested = 0;
  session->Paste("ab", [&] {
    session->Paste("XYZ");
    ++nested;
    return true;
  });
  EXPECT_EQ(link->data, "ab");
  EXPECT_EQ(nested, 2);
  EXPECT_FALSE(session->PasteRunning());
}

TEST_F(SessionTest, LocalEchoShowsTypedKeysOnce) {
  TerminalOptions o;
  o.LocalEcho = 1;
  Make(o);
  session->Char('x', {});
  EXPECT_EQ(link->data, "x");
  EXPECT_EQ(session->Screen().RowText(0), "x");
  // A reply echoed while its sequence is handled is shown, not lost.
  Receive("\x1b[5n");
  EXPECT_EQ(link->data, "x\x1b[0n");
}

TEST_F(SessionTest, CtrlF1SendsTheUserName) {
  Make();
  session->KeyDown(VirtualKey::F1, {true, false});
  EXPECT_EQ(link->data, "me\r");
}

TEST_F(SessionTest, LoginScriptStartsOnlyWhenConnected) {
  const auto file = std::filesystem::temp_directory_path() / "parlane_session_login.csc";
  {
    std::ofstream out(file);
    out << "// test\nSEND user^M\nWAIT word:\nSEND secret^M\n";
  }
  Make({}, file.string());
  session->Start();
  EXPECT_TRUE(link->started);
  EXPECT_EQ(link->data, "");
  session->LinkConnected();
  EXPECT_EQ(view.connected, 1);
  EXPECT_EQ(link->data, "user\r");
  EXPECT_TRUE(session->ScriptIsRunning());
  EXPECT_NE(view.title.find("script is running"), std::string::npos);
  Receive("Password:");
  EXPECT_EQ(link->data, "user\rsecret\r");
  EXPECT_FALSE(session->ScriptIsRunning());
  EXPECT_EQ(view.title, "host");
  std::filesystem::remove(file);
}

TEST_F(SessionTest, FailureEndsTheSessionOnce) {
  Make();
  session->LinkFailed("Could not connect to remote host", false);
  ASSERT_EQ(view.failures.size(), 1u);
  ASSERT_EQ(view.ended.size(), 1u);
  EXPECT_TRUE(view.ended[0]);
}

// ---- selection ----

// One row either way and several rows: SessionWindowTest.MouseSelectionIsCopiedAsDescribed.
TEST(Selection, CopiesTheDescribedText) {
  NullPainter painter;
  TerminalScreen screen({24, 80}, TerminalOptions{}, painter);
  for (std::string_view l : {"first row here", "middle", "", "last row text"}) {
    screen.WriteRun({reinterpret_cast<const uint8_t*>(l.data()), l.size()}, {}, {});
    screen.CarriageReturn();
    screen.LineFeed();
  }
  struct Case {
    const char* name;
    SelectionPoint anchor, end;
    const char* text;
  };
  for (const Case& c : {Case{"end beyond the used length", {11, 1}, {40, 1}, ""},
                        {"four rows backwards", {4, 3}, {10, 0}, "here\r\nmiddle\r\n\r\nlast"},
                        {"whole row cut at its used length", {0, 1}, {80, 1}, "middle"},
                        {"nothing selected", {3, 0}, {3, 0}, ""}}) {
    SCOPED_TRACE(c.name);
    Selection sel;
    sel.Track(c.anchor);
    sel.Track(c.end);
    EXPECT_EQ(sel.CopyText(screen), c.text);
  }
}

TEST(SelectionPoints, PixelsRoundToTheNearerBoundary) {
  struct Case {
    int x, y, cellW, cellH, left, top;
    int col, row;
  };
  // 80 columns, 360 rows.
  for (const Case& c : {Case{3, 0, 8, 16, 2, 10, 2, 10},  // left half of a cell
                        {4, 15, 8, 16, 2, 10, 3, 10},     // right half
                        {-50, -20, 8, 16, 2, 10, 0, 10},  // above and left
                        {9999, 16, 8, 16, 2, 10, 80, 11},
                        {0, 99999, 8, 16, 2, 10, 2, 359},
                        {5, 5, 0, 0, 0, 0, 5, 5}}) {  // a zero cell size never divides
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    const auto p = PointFromPixel(c.x, c.y, c.cellW, c.cellH, c.left, c.top, 80, 360);
    EXPECT_EQ(p.col, c.col);
    EXPECT_EQ(p.row, c.row);
  }
}

// ---- CP437 ----

TEST(Cp437, BoxDrawingAndControlsRoundTrip) {
  for (int b = 0x20; b < 0x100; ++b) {
    EXPECT_EQ(Cp437FromUnicode(kCp437ToUnicode[static_cast<size_t>(b)]), b) << b;
  }
  EXPECT_FALSE(Cp437FromUnicode(U'\u20AC').has_value());  // no euro sign in CP437
  EXPECT_EQ(ClipboardToCp437(u"a\u00e9\u20ac\r\n"), "a\x82\r\n");
  EXPECT_EQ(Cp437ToClipboard("\xc9\xcd\r\n"), u"\u2554\u2550\r\n");
}

}  // namespace
}  // namespace parlane
