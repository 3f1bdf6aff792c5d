// Feeds arbitrary bytes to every settings loader: the record decoders, the
// phonebook file reader, the JSON reader and the JSON-to-record builder, the
// mode-text builder and the PORTS.CFG parser. The first byte picks one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

#include "book/phonebook.h"
#include "book/record_json.h"
#include "util/json.h"
#include "config/main_config.h"
#include "config/placement.h"
#include "config/program_dir.h"
#include "config/window_prefs.h"

namespace {

using namespace parlane;

// A record decoded from the input (padded or cut to its size) and encoded
// again is stable: a field without a terminator is cut once, and from then
// on decoding and encoding give the same bytes.
template <typename Record, size_t N>
void RoundTrip(std::span<const uint8_t> in) {
  std::array<uint8_t, N> b{};
  std::copy_n(in.begin(), std::min(in.size(), N), b.begin());
  std::array<uint8_t, N> once{}, twice{};
  Record::Decode(b).Encode(once);
  auto r = Record::Decode(once);
  r.Encode(twice);
  if (once != twice || !(Record::Decode(twice) == r)) std::abort();
}

// The file the phonebook reader is given; removed when the fuzzer exits.
struct ScratchFile {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("fuzz-phonebook-" + std::to_string(::getpid()));
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

void LoadPhonebook(std::span<const uint8_t> in) {
  static const ScratchFile scratch;
  const std::filesystem::path& file = scratch.path;
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(in.data()), static_cast<std::streamsize>(in.size()));
  RecordingMessageSink messages;
  parlane::Phonebook book;
  book.Load(file, messages);
  if (book.Size() != in.size() / DialingDirectoryEntry::kSize) std::abort();
  for (const auto& e : book.Entries()) book.FindByLine(ListLine(e));
}

void JsonToRecords(std::string_view text) {
  json::Value doc;
  std::string error;
  if (!json::Parse(text, doc, error)) return;
  json::Write(doc);
  for (int t = 0; t < 5; ++t) {
    std::vector<uint8_t> out;
    LoadRecordFile(static_cast<RecordFileType>(t), doc, out, error);
  }
}

// Dump then load must give back the same bytes.
void DumpAndLoad(RecordFileType type, std::span<const uint8_t> in) {
  std::vector<std::string> notes;
  json::Value doc = DumpRecordFile(type, in, notes);
  std::vector<uint8_t> out;
  std::string error;
  if (!LoadRecordFile(type, doc, out, error)) std::abort();
  if (type == RecordFileType::Phonebook &&
      !std::equal(out.begin(), out.end(), in.begin(), in.end()))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::span<const uint8_t> in(data + 1, size - 1);
  std::string_view text(reinterpret_cast<const char*>(in.data()), in.size());
  switch (data[0] % 10) {
    case 0: RoundTrip<Main_Configuration_Struct, Main_Configuration_Struct::kSize>(in); break;
    case 1: RoundTrip<DialingDirectoryEntry, DialingDirectoryEntry::kSize>(in); break;
    case 2: RoundTrip<WindowPreferences, WindowPreferences::kSize>(in); break;
    case 3: RoundTrip<WindowPlacementRecord, WindowPlacementRecord::kSize>(in); break;
    case 4: LoadPhonebook(in); break;
    case 5: JsonToRecords(text); break;
    case 6: DumpAndLoad(static_cast<RecordFileType>(data[0] / 10 % 5), in); break;
    case 7: {
      Dcb d;
      if (BuildDcbFromMode(text, d) && FormatPortSettings(d).empty()) std::abort();
      break;
    }
    case 8: ParsePortMap(text); break;
    default: {
      json::Value v;
      std::string error;
      if (json::Parse(text, v, error)) {
        json::Value back;
        if (!json::Parse(json::Write(v), back, error) || json::Write(back) != json::Write(v))
          std::abort();
      }
    }
  }
  return 0;
}
