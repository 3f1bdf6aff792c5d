#include "keys/keymap.h"

#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "keys/keytext.h"
#include "support/temp_dir.h"
#include "util/le.h"

namespace parlane {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

KeyTable SampleTable() {
  KeyTable t;
  t.FunctionKeys[0] = "F1 text";
  t.FunctionKeys[11] = "F12 text";
  t.ShiftFunctionKeys[0] = "S-F1";
  t.ShiftFunctionKeys[11] = std::string(80, 'z');
  t.KeyMaps[0][0] = "tty insert";
  t.KeyMaps[1][6] = "^[[A";
  t.KeyMaps[2][25] = "pc 9";
  t.KeyMaps[3][25] = std::string(40, 'q');
  return t;
}

TEST(KeyTableRecord, FieldsSitAtTheirOffsets) {
  const auto b = SampleTable().Encode();
  ASSERT_EQ(b.size(), 6208u);
  EXPECT_EQ(le::str(b, 0, 81), "F1 text");
  EXPECT_EQ(le::str(b, 11 * 81, 81), "F12 text");
  EXPECT_EQ(le::str(b, 972, 81), "S-F1");
  EXPECT_EQ(le::str(b, 972 + 11 * 81, 81), std::string(80, 'z'));
  EXPECT_EQ(b[972 + 11 * 81 + 80], 0);
  EXPECT_EQ(le::str(b, 1944, 41), "tty insert");
  EXPECT_EQ(le::str(b, 3010 + 6 * 41, 41), "^[[A");
  EXPECT_EQ(le::str(b, 4076 + 25 * 41, 41), "pc 9");
  EXPECT_EQ(le::str(b, 5142 + 25 * 41, 41), std::string(40, 'q'));
  EXPECT_EQ(b[6207], 0);
}

TEST(KeyTableRecord, FieldWithoutTerminatorStaysInsideItsField) {
  std::array<uint8_t, KeyTable::kSize> b{};
  std::fill(b.begin(), b.end(), 'x');  // no NUL anywhere
  const KeyTable t = KeyTable::Decode(b);
  EXPECT_EQ(t.FunctionKeys[0], std::string(80, 'x'));
  EXPECT_EQ(t.KeyMaps[3][25], std::string(40, 'x'));
  // Encoding puts the terminators back; nothing spills into the next field.
  const auto again = t.Encode();
  EXPECT_EQ(again[80], 0);
  EXPECT_EQ(again[81], 'x');
  EXPECT_EQ(KeyTable::Decode(again), t);
}

TEST(KeymapFile, LoadReadsOnlyWhatTheRecordHolds) {
  TempDir dir;
  const auto file = dir / "KEYMAP.DAT";
  KeyTable t = SampleTable();
  EXPECT_FALSE(LoadKeymap(file, t));  // missing: not reported, nothing read
  WriteBytes(file, {});
  EXPECT_TRUE(LoadKeymap(file, t));  // empty: the table is left
  EXPECT_EQ(t, SampleTable());

  // An oversize file reads only the record.
  const auto rec = SampleTable().Encode();
  std::vector<uint8_t> bytes(rec.begin(), rec.end());
  bytes.resize(KeyTable::kSize + 500, 'x');
  WriteBytes(file, bytes);
  KeyTable fresh;
  ASSERT_TRUE(LoadKeymap(file, fresh));
  EXPECT_EQ(fresh, SampleTable());

  // A short file overlays only its leading bytes: F1 and part of F2.
  KeyTable other;
  other.FunctionKeys[0] = "new F1";
  const auto full = other.Encode();
  WriteBytes(file, std::vector<uint8_t>(full.begin(), full.begin() + 100));
  ASSERT_TRUE(LoadKeymap(file, t));
  EXPECT_EQ(t.FunctionKeys[0], "new F1");
  EXPECT_EQ(t.FunctionKeys[11], "F12 text");
  EXPECT_EQ(t.KeyMaps[3][25], std::string(40, 'q'));
}

// A save writes exactly the record over an older, bigger file. A save that
// fails part way (here: the file size limit, as on a full disk) must keep the
// previous table, not leave a truncated KEYMAP.DAT.
TEST(KeymapFile, SaveWritesTheRecordAndAFailedSaveKeepsThePreviousTable) {
  TempDir dir;
  const auto file = dir / "KEYMAP.DAT";
  WriteBytes(file, std::vector<uint8_t>(9000, 'x'));
  ASSERT_TRUE(SaveKeymap(file, SampleTable()));
  const auto saved = SampleTable().Encode();
  ASSERT_EQ(ReadBytes(file), std::vector<uint8_t>(saved.begin(), saved.end()));
  KeyTable changed = SampleTable();
  changed.FunctionKeys[0] = "changed";

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    constexpr rlim_t kLimit = 1000;  // less than the 6208-byte table
    const rlimit limit{kLimit, kLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(SaveKeymap(file, changed) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1) << "the save must report the failure";

  EXPECT_EQ(ReadBytes(file).size(), KeyTable::kSize);
  KeyTable loaded;
  ASSERT_TRUE(LoadKeymap(file, loaded));
  EXPECT_EQ(loaded, SampleTable());
  size_t leftovers = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++leftovers;
  EXPECT_EQ(leftovers, 1u) << "no temporary file is left behind";
}

// The default maps must send what hosts of each emulation expect.
struct DefaultKeyCase {
  size_t emulation;
  const char* label;
  std::string expected;
};

size_t SlotOf(std::string_view label) {
  for (size_t s = 0; s < kKeySlotCount; ++s)
    if (kKeySlots[s].Label == label) return s;
  ADD_FAILURE() << "no slot " << label;
  return 0;
}

TEST(DefaultKeymap, SendsTheSequencesHostsExpect) {
  // One or two keys per emulation and key group; the rest of the table is data.
  const DefaultKeyCase cases[] = {
      {0, "Delete", "\x7f"},       {0, "Keypad 3", "3"},      {1, "Up Arrow", "\x1b[A"},
      {1, "Page Down", "\x1b[6~"}, {1, "Num Lock", "\x1bOP"}, {1, "Keypad 5", "\x1bOu"},
      {2, "End", "\x1b[K"},        {2, "Keypad 7", "7"},      {3, "Insert", "\x1b[L"},
      {3, "Page Up", "\x1b[I"},
  };
  const KeyTable t = DefaultKeyTable();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.emulation) + " " + c.label);
    EXPECT_EQ(TranslateKeyText(t.KeyMaps[c.emulation][SlotOf(c.label)], false), c.expected);
  }
  EXPECT_EQ(TranslateKeyText(t.FunctionKeys[0], false), "\x1bOP");
  EXPECT_EQ(TranslateKeyText(t.FunctionKeys[4], false), "\x1b[15~");
  EXPECT_EQ(TranslateKeyText(t.FunctionKeys[11], false), "\x1b[24~");
  for (const auto& s : t.ShiftFunctionKeys) EXPECT_TRUE(s.empty());
}

}  // namespace
}  // namespace parlane
