// parlane-config: shows Parlane's settings files as JSON, writes them back,
// and sets up the files of a fresh installation.
//
//   parlane-config dump FILE [--type TYPE]
//   parlane-config load JSON FILE [--type TYPE]
//   parlane-config defaults DIR
//
// TYPE is main, placement, keymap, phonebook or windpref; without it the
// type comes from the file name (MAIN.CFG, INITWIND.CFG, KEYMAP.DAT,
// PHONBOOK.DAT, WINDPREF.CFG) or, for load, from the JSON's "Type".
// Exit status: 0 done, 1 a file could not be written, 2 bad input.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "book/phonebook.h"
#include "book/record_json.h"
#include "config/binary_file.h"
#include "util/json.h"
#include "config/main_config.h"
#include "config/program_dir.h"
#include "keys/keymap.h"

namespace fs = std::filesystem;
using namespace parlane;

namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitBadInput = 2;
// No settings file comes anywhere near this; larger input is refused.
constexpr size_t kInputLimit = 64 * 1024 * 1024;

constexpr std::string_view kUsage =
    "usage: parlane-config dump FILE [--type TYPE]\n"
    "       parlane-config load JSON FILE [--type TYPE]\n"
    "       parlane-config defaults DIR\n"
    "TYPE: main | placement | keymap | phonebook | windpref\n";

int Fail(const std::string& message, int status = kExitBadInput) {
  std::cerr << "parlane-config: " << message << "\n";
  return status;
}

struct Args {
  std::vector<std::string> positional;
  std::optional<RecordFileType> type;
  std::string error;
};

Args ParseArgs(int argc, char** argv) {
  Args a;
  for (int i = 2; i < argc; ++i) {
    std::string s = argv[i];
    if (s == "--type" && i + 1 < argc) {
      a.type = RecordFileTypeFromWord(argv[++i]);
      if (!a.type) a.error = std::string("--type: unknown type \"") + argv[i] + "\"";
    } else if (s.rfind("--type=", 0) == 0) {
      a.type = RecordFileTypeFromWord(s.substr(7));
      if (!a.type) a.error = "--type: unknown type \"" + s.substr(7) + "\"";
    } else if (s.size() > 1 && s[0] == '-' && s != "-") {
      a.error = "unknown option " + s;
    } else {
      a.positional.push_back(s);
    }
  }
  return a;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  ReadResult r;
  if (path == "-") {
    out.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    r.status = out.size() <= kInputLimit ? ReadStatus::Ok : ReadStatus::Error;
  } else {
    r = ReadWhole(path, out, kInputLimit);
  }
  if (r.status == ReadStatus::Missing) error = path + ": no such file";
  if (r.status == ReadStatus::Error) error = path + ": cannot be read";
  return r.status == ReadStatus::Ok;
}

int Dump(const Args& a) {
  if (a.positional.size() != 1) return Fail("dump needs one FILE");
  const std::string& file = a.positional[0];
  auto type = a.type ? a.type : RecordFileTypeFromName(file);
  if (!type) return Fail(file + ": unknown file name; give --type");
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadFile(file, bytes, error)) return Fail(error);
  std::vector<std::string> notes;
  json::Value doc = DumpRecordFile(*type, bytes, notes);
  for (const auto& n : notes) std::cerr << "parlane-config: note: " << file << ": " << n << "\n";
  std::cout << json::Write(doc);
  return std::cout.good() ? 0 : kExitWriteFailed;
}

int Load(const Args& a) {
  if (a.positional.size() != 2) return Fail("load needs JSON and FILE");
  const std::string& jsonFile = a.positional[0];
  const std::string& file = a.positional[1];
  std::vector<uint8_t> text;
  std::string error;
  if (!ReadFile(jsonFile, text, error)) return Fail(error);
  json::Value doc;
  if (!json::Parse(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), doc,
                   error))
    return Fail(jsonFile + ": " + error);
  auto type = a.type;
  if (!type) {
    if (const json::Value* t = doc.Find("Type"); t && t->IsString())
      type = RecordFileTypeFromWord(t->AsString());
  }
  if (!type) type = RecordFileTypeFromName(file);
  if (!type) return Fail(file + ": unknown file type; give --type");
  std::vector<uint8_t> bytes;
  if (!LoadRecordFile(*type, doc, bytes, error)) return Fail(error);
  // The phonebook holds passwords.
  const mode_t mode = *type == RecordFileType::Phonebook ? kPrivateFileMode : kFileMode;
  if (!WriteWhole(file, bytes, mode)) return Fail(file + ": cannot be written", kExitWriteFailed);
  return 0;
}

// Prints messages the engine raises (only "Could not build DCB" here).
class StderrMessages final : public MessageSink {
 public:
  void ShowMessage(std::string_view text, std::string_view, MessageIcon) override {
    std::cerr << "parlane-config: " << text << "\n";
  }
};

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

int Defaults(const Args& a) {
  if (a.positional.size() != 1) return Fail("defaults needs one DIR");
  const fs::path dir = a.positional[0];
  std::error_code ec;
  if (!PrepareProgramDir(dir, ec))
    return Fail(dir.string() + ": " + ec.message(), kExitWriteFailed);
  int status = 0;
  auto report = [&](std::string_view name, bool kept, bool ok) {
    if (kept)
      std::cout << "kept " << (dir / name).string() << "\n";
    else if (ok)
      std::cout << "wrote " << (dir / name).string() << "\n";
    else
      status = Fail((dir / name).string() + ": cannot be written", kExitWriteFailed);
  };

  const fs::path main = dir / kMainConfigFile;
  if (Exists(main)) {
    report(kMainConfigFile, true, true);
  } else {
    const char* home = std::getenv("HOME");
    auto cfg = Main_Configuration_Struct::Defaults(DefaultTransferDir(home ? home : ""));
    StderrMessages messages;
    ApplyDefaultPortSettings(cfg, messages);
    report(kMainConfigFile, false, SaveMainConfig(main, cfg));
  }

  const fs::path keymap = dir / kKeymapFileName;
  if (Exists(keymap))
    report(kKeymapFileName, true, true);
  else
    report(kKeymapFileName, false, InstallDefaultKeymap(dir));

  const fs::path book = dir / kPhonebookFile;
  if (Exists(book))
    report(kPhonebookFile, true, true);
  else
    report(kPhonebookFile, false, WriteWhole(book, {}, kPrivateFileMode));
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return kExitBadInput;
  }
  const std::string cmd = argv[1];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::cout << kUsage;
    return 0;
  }
  Args a = ParseArgs(argc, argv);
  if (!a.error.empty()) return Fail(a.error);
  if (cmd == "dump") return Dump(a);
  if (cmd == "load") return Load(a);
  if (cmd == "defaults") return Defaults(a);
  std::cerr << kUsage;
  return kExitBadInput;
}
