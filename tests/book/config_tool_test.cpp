// Runs the parlane-config program itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "config/main_config.h"
#include "keys/keymap.h"
#include "keys/keytext.h"
#include "support/temp_dir.h"
#include "util/le.h"

namespace parlane {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::string kTool = std::string(PARLANE_BUILD_DIR) + "/src/cli/parlane-config/parlane-config";

struct ToolRun {
  int status = -1;
  std::string out, err;
};

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream f(p);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Runs the tool with `args` (already quoted for the shell) and HOME at `home`.
ToolRun Tool(const TempDir& tmp, const std::string& args) {
  const auto out = tmp / "stdout.txt", err = tmp / "stderr.txt";
  std::string cmd = "HOME='" + tmp.path().string() + "' '" + kTool + "' " + args + " >'" +
                    out.string() + "' 2>'" + err.string() + "'";
  int raw = std::system(cmd.c_str());
  ToolRun r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

std::string Q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

class ConfigTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kTool)) << kTool << " was not built";
  }
  TempDir tmp;
};

TEST_F(ConfigTool, DefaultsWriteAWorkingInstallation) {
  auto dir = tmp / "parlane";
  ToolRun r = Tool(tmp, "defaults " + Q(dir));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "MAIN.CFG").size(), 3510u);
  EXPECT_EQ(ReadBytes(dir / "KEYMAP.DAT").size(), 6208u);
  EXPECT_TRUE(ReadBytes(dir / "PHONBOOK.DAT").empty());
  struct stat st {};
  ASSERT_EQ(::stat((dir / "PHONBOOK.DAT").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  auto cfg = LoadMainConfig(dir / "MAIN.CFG", "/");
  EXPECT_EQ(cfg.ComPort, 0u);
  EXPECT_EQ(FormatPortSettings(cfg.PortSettings), "9600,N,8,1");
  EXPECT_EQ(cfg.ReceiveDir, tmp.path().string());  // no ~/Downloads here

  auto bytes = ReadBytes(dir / "KEYMAP.DAT");
  auto keys = KeyTable::Decode(bytes);
  EXPECT_EQ(TranslateKeyText(keys.KeyMaps[1][6], false), "\x1b[A");  // VT100 Up Arrow
  for (size_t e = 0; e < kKeyMapCount; ++e)
    for (size_t slot = 0; slot < kFirstKeypadSlot; ++slot)
      EXPECT_FALSE(keys.KeyMaps[e][slot].empty()) << e << " " << slot;
}

TEST_F(ConfigTool, DefaultsNeverReplaceExistingFiles) {
  auto dir = tmp / "parlane";
  std::filesystem::create_directory(dir);
  WriteBytes(dir / "MAIN.CFG", {1, 2, 3});
  WriteBytes(dir / "KEYMAP.DAT", {4});
  ToolRun r = Tool(tmp, "defaults " + Q(dir));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "MAIN.CFG"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ReadBytes(dir / "KEYMAP.DAT"), (std::vector<uint8_t>{4}));
  EXPECT_NE(r.out.find("kept"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "PHONBOOK.DAT"));
}

TEST_F(ConfigTool, DumpThenLoadGivesTheSameBytesForEveryFile) {
  auto dir = tmp / "parlane";
  ASSERT_EQ(Tool(tmp, "defaults " + Q(dir)).status, 0);
  // Files with bytes after string terminators, as other programs leave them.
  auto main = ReadBytes(dir / "MAIN.CFG");
  main[Main_Configuration_Struct::Off::ModemInit + 40] = 'J';
  WriteBytes(dir / "MAIN.CFG", main);
  std::vector<uint8_t> placement = {1, 0, 2, 0, 3, 0, 4, 0, 0, 0, 1, 0};
  WriteBytes(dir / "INITWIND.CFG", placement);
  std::vector<uint8_t> prefs(102, 0x41);
  WriteBytes(dir / "WINDPREF.CFG", prefs);
  std::vector<uint8_t> book(519 * 2, 0);
  book[4] = 'A';
  book[20] = 'z';  // junk after the name
  WriteBytes(dir / "PHONBOOK.DAT", book);

  // Loaded under another name, so the type must come from the JSON.
  for (std::string name :
       {"MAIN.CFG", "INITWIND.CFG", "KEYMAP.DAT", "PHONBOOK.DAT", "WINDPREF.CFG"}) {
    SCOPED_TRACE(name);
    ToolRun d = Tool(tmp, "dump " + Q(dir / name));
    ASSERT_EQ(d.status, 0) << d.err;
    std::ofstream(tmp / "doc.json") << d.out;
    ToolRun l = Tool(tmp, "load " + Q(tmp / "doc.json") + " " + Q(tmp / "back.bin"));
    ASSERT_EQ(l.status, 0) << l.err;
    EXPECT_EQ(ReadBytes(tmp / "back.bin"), ReadBytes(dir / name));
  }
}

TEST_F(ConfigTool, LoadTakesTheTypeFromTheJsonOrTheName) {
  std::ofstream(tmp / "p.json") << R"({"Type": "placement", "X": 10, "Width": 640})";
  ASSERT_EQ(Tool(tmp, "load " + Q(tmp / "p.json") + " " + Q(tmp / "any.bin")).status, 0);
  auto b = ReadBytes(tmp / "any.bin");
  ASSERT_EQ(b.size(), 12u);
  EXPECT_EQ(b[0], 10);
  EXPECT_EQ(b[4], 128);
  std::ofstream(tmp / "q.json") << R"({"Y": 3})";
  ASSERT_EQ(Tool(tmp, "load " + Q(tmp / "q.json") + " " + Q(tmp / "INITWIND.CFG")).status, 0);
  EXPECT_EQ(ReadBytes(tmp / "INITWIND.CFG")[2], 3);
  ToolRun r = Tool(tmp, "load " + Q(tmp / "q.json") + " " + Q(tmp / "unknown.bin"));
  EXPECT_EQ(r.status, 2);
}

TEST_F(ConfigTool, BadInputIsOneLineExitTwoAndNothingWritten) {
  std::ofstream(tmp / "malformed.json") << "{\"Type\": \"main\",";
  std::ofstream(tmp / "range.json") << R"({"Type": "main", "Columns": 70000})";
  std::ofstream(tmp / "long.json")
      << R"({"Type": "phonebook", "Entries": [{"Name": "abcdefghijklmnopqrstuvwxyz"}]})";
  struct Case {
    std::string args;
    std::string field;
  } cases[] = {
      {"dump " + Q(tmp / "MAIN.CFG"), "no such file"},
      {"load " + Q(tmp / "missing.json") + " " + Q(tmp / "MAIN.CFG"), "no such file"},
      {"load " + Q(tmp / "malformed.json") + " " + Q(tmp / "MAIN.CFG"), "line 1"},
      {"load " + Q(tmp / "range.json") + " " + Q(tmp / "MAIN.CFG"), "Columns: value out of range"},
      {"load " + Q(tmp / "long.json") + " " + Q(tmp / "PHONBOOK.DAT"),
       "Entries[0].Name: string longer"},
      {"dump " + Q(tmp / "x.bin") + " --type nonsense", "--type"},
      {"frobnicate", "usage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    ToolRun r = Tool(tmp, c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.field), std::string::npos) << r.err;
    if (c.field != "usage") {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(tmp / "MAIN.CFG"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "PHONBOOK.DAT"));
}

// JSON tools write UTF-8: each character U+0000..U+00FF comes back as its
// byte, and a character no byte can hold is refused by name.
TEST_F(ConfigTool, JsonToolPipeKeepsEveryByte) {
  if (std::system("jq --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "jq is not installed";
  auto dir = tmp / "parlane";
  ASSERT_EQ(Tool(tmp, "defaults " + Q(dir)).status, 0);
  // Every byte from 0x80 up in a path, written back unchanged and edited.
  auto cfg = LoadMainConfig(dir / "MAIN.CFG", "/");
  std::string high;
  for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
  cfg.CaptureDir = high.substr(0, 128);
  cfg.CaptureFile = high.substr(64);
  ASSERT_TRUE(SaveMainConfig(dir / "MAIN.CFG", cfg));
  const auto before = ReadBytes(dir / "MAIN.CFG");
  const auto out = tmp / "OUT.CFG";
  struct Case {
    const char* filter;
    std::string captureFile;  // expected after the pipe
  } cases[] = {
      {".", cfg.CaptureFile},
      {".CaptureFile = \"caf\u00e9 \u00c3\"", "caf\xe9 \xc3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    // jq writes non-ASCII characters as UTF-8.
    ToolRun r = Tool(tmp, "dump " + Q(dir / "MAIN.CFG") + " | jq '" + c.filter + "' | '" + kTool +
                              "' load - " + Q(out) + " --type main");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto after = LoadMainConfig(out, "/");
    EXPECT_EQ(after.CaptureDir, cfg.CaptureDir);
    EXPECT_EQ(after.CaptureFile, c.captureFile);
    if (std::string(c.filter) == ".") {
      EXPECT_EQ(ReadBytes(out), before);
    }
  }
  ToolRun r =
      Tool(tmp, "dump " + Q(dir / "MAIN.CFG") + " | jq '.HostHistory[2].Host = \"h\u20ac\"' | '" +
                    kTool + "' load - " + Q(out) + " --type main");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("HostHistory[2].Host"), std::string::npos) << r.err;
}

// A font record's fields are written at their offsets in the logical font.
TEST_F(ConfigTool, FontRecordFieldsLoadAtTheirOffsets) {
  const auto json = tmp / "font.json";
  std::ofstream(json)
      << R"({"Type": "windpref", "Font": {"FaceName": "Mono", "Italic": 1, "CharSet": 255,
    "PitchAndFamily": 49, "Escapement": -900, "Quality": 5}})";
  const auto out = tmp / "WINDPREF.CFG";
  ToolRun load = Tool(tmp, "load " + Q(json) + " " + Q(out));
  ASSERT_EQ(load.status, 0) << load.err;
  const auto b = ReadBytes(out);
  ASSERT_EQ(b.size(), 102u);
  constexpr size_t kLogFont = 12;
  EXPECT_EQ(b[kLogFont + 20], 1);    // italic
  EXPECT_EQ(b[kLogFont + 23], 255);  // character set
  EXPECT_EQ(b[kLogFont + 26], 5);    // quality
  EXPECT_EQ(b[kLogFont + 27], 49);   // pitch and family
  EXPECT_EQ(static_cast<int32_t>(le::u32(b, kLogFont + 8)), -900);  // escapement
  EXPECT_EQ(le::str(b, kLogFont + 28, 32), "Mono");
}

}  // namespace
}  // namespace parlane
