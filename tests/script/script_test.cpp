#include "script/script.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace parlane {
namespace {

namespace fs = std::filesystem;

class RecordingHost : public ScriptHost {
 public:
  void SendData(std::string_view bytes) override { sends.emplace_back(bytes); }
  std::string FrameTitle() const override { return title; }
  void SetFrameTitle(std::string_view t) override { title = std::string(t); }

  std::string title = "bbs.example.org";
  std::vector<std::string> sends;
};

// Runs a script given as text; `script` stays alive for the test to feed.
class ScriptTest : public ::testing::Test {
 protected:
  ScriptStatus StartText(const std::string& text) {
    script_ = std::make_unique<Script>(host_);
    return script_->Start(std::make_unique<std::istringstream>(text), "login.csc");
  }
  // Feeds received bytes; returns the status after the last one (or Ended as
  // soon as the script ends).
  ScriptStatus Feed(std::string_view bytes) {
    ScriptStatus s = ScriptStatus::Waiting;
    for (char c : bytes) {
      s = script_->ProcessByte(c);
      if (s == ScriptStatus::Ended) break;
    }
    return s;
  }

  RecordingHost host_;
  std::unique_ptr<Script> script_;
};

struct SendCase {
  const char* name;
  std::string line;
  std::vector<std::string> sends;
};

class ScriptSendTest : public ScriptTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(ScriptSendTest, SendsDecodedArgument) {
  EXPECT_EQ(StartText(GetParam().line + "\n"), ScriptStatus::Ended);
  EXPECT_EQ(host_.sends, GetParam().sends);
}

const SendCase kSendCases[] = {
    {"CarriageReturn", "SEND hello^M", {"hello\r"}},
    {"CommandWordAnyCase", "sEnD hello^M", {"hello\r"}},
    {"HexPair", "SEND \\41\\42", {"AB"}},
    {"Backslash", "SEND a\\\\b", {"a\\b"}},
    {"Caret", "SEND ^~", {"^"}},
    {"TrailingCaretDropped", "SEND x^", {"x"}},
    {"InnerAndTrailingSpacesKept", "SEND  a  b  ", {" a  b  "}},
    {"NulEndsText", "SEND ab\\00cd", {"ab"}},
    {"LiteralLineFeedNeverSent", "SEND a^Jb", {"a\nb"}},
    {"WindowsLineEnd", "SEND hi\r", {"hi"}},
    {"EmptyArgumentSendsNothing", "SEND ", {}},
    {"NoSpaceIgnored", "SEND", {}},
    {"LeadingSpaceIgnored", " SEND x", {}},
    {"CommentIgnored", "// SEND x", {}},
    {"GluedCommentIgnored", "//SEND x", {}},
    {"OtherWordIgnored", "SENDX x", {}},
};

INSTANTIATE_TEST_SUITE_P(Lines, ScriptSendTest, ::testing::ValuesIn(kSendCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Where a wait is found in the stream: WaitMatcher.FindsTextAnywhereInTheStream.
TEST_F(ScriptTest, WaitLines) {
  struct Case {
    const char* name;
    std::string script;
    std::string notYet;  // received without ending the wait
    std::string ends;    // received last: ends the script
    std::string sent;
  };
  const Case cases[] = {
      {"exact and case-sensitive", "WAIT ogin:\nSEND me^M\n", "Welcome\r\nLOGIN:", "login:", "me\r"},
      {"empty text: the next byte", "WAIT \nSEND go\n", "", "z", "go"},
      {"argument is decoded", "WAIT ^[[6n\nSEND ^[[24;80R\n", "\x1b[6", "n", "\x1b[24;80R"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host_.sends.clear();
    ASSERT_EQ(StartText(c.script), ScriptStatus::Waiting);
    EXPECT_EQ(Feed(c.notYet), ScriptStatus::Waiting);
    EXPECT_TRUE(host_.sends.empty());
    EXPECT_EQ(Feed(c.ends), ScriptStatus::Ended);
    EXPECT_EQ(host_.sends, std::vector<std::string>{c.sent});
  }
  host_.sends.clear();
  EXPECT_EQ(StartText("WAIT\nSEND now\n"), ScriptStatus::Ended);  // no space: ignored
  EXPECT_EQ(host_.sends, std::vector<std::string>{"now"});
}

TEST_F(ScriptTest, SendsBetweenWaitsGoOutTogether) {
  ASSERT_EQ(StartText("SEND a\nWAIT x\nSEND b\nSEND c\nWAIT y\nSEND d"), ScriptStatus::Waiting);
  EXPECT_EQ(host_.sends, std::vector<std::string>{"a"});
  EXPECT_EQ(Feed("x"), ScriptStatus::Waiting);
  EXPECT_EQ(host_.sends, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Feed("y"), ScriptStatus::Ended);  // last line without a line end
  EXPECT_EQ(host_.sends, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(ScriptTest, TitleWhileRunningAndRestoredAtTheEndOrStop) {
  for (const bool stop : {false, true}) {
    ASSERT_EQ(StartText("WAIT $\n"), ScriptStatus::Waiting);
    EXPECT_EQ(host_.title, "bbs.example.org - login.csc script is running");
    if (!stop) {
      EXPECT_EQ(Feed("$"), ScriptStatus::Ended);
    }
    script_.reset();
    EXPECT_EQ(host_.title, "bbs.example.org");
  }
}

TEST(ScriptFile, UnopenableFileDoesNotStartOrTouchTitle) {
  // A directory opens as a stream on Linux, but it is no script file either.
  const fs::path cases[] = {"/nonexistent/dir/x.csc", fs::temp_directory_path()};
  for (const auto& file : cases) {
    SCOPED_TRACE(file.string());
    RecordingHost host;
    {
      Script s(host);
      EXPECT_EQ(s.Start(file), ScriptStatus::OpenFailed);
      EXPECT_EQ(host.title, "bbs.example.org");
      host.title = "changed meanwhile";
    }
    EXPECT_EQ(host.title, "changed meanwhile");
  }
}

TEST(ScriptFile, RunsFromDiskAndTemplateIsInert) {
  const fs::path dir = fs::temp_directory_path() / ("parlane-script-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "new.csc";
  ASSERT_TRUE(WriteScriptTemplate(file));  // its text: the GUI's ScriptMenuTest
  RecordingHost host;
  Script s(host);
  EXPECT_EQ(s.Start(file), ScriptStatus::Ended);  // every template line is a comment
  EXPECT_TRUE(host.sends.empty());
  EXPECT_NE(host.title.find("new.csc script is running"), std::string::npos);
  fs::remove_all(dir);
}

TEST(WaitMatcher, FindsTextAnywhereInTheStream) {
  struct Case {
    std::string text, stream;
    bool found;
  };
  const Case cases[] = {
      {"aab", "aaab", true},           {"abab", "ababab", true},    {"abac", "ababac", true},
      {"login:", "logi login:", true}, {"ogin:", "oogin:", true},   {"ogin:", "ogi", false},
      {"xyz", "xyxz", false},          {"Login:", "login:", false},
  };
  for (const auto& c : cases) {
    WaitMatcher m(c.text);
    bool found = false;
    for (char ch : c.stream) found = found || m.Feed(ch);
    EXPECT_EQ(found, c.found) << c.text << " in " << c.stream;
  }
}

}  // namespace
}  // namespace parlane
