#include "keys/keymap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "config/binary_file.h"
#include "config/record_layout.h"
#include "config/terminal_options.h"
#include "util/le.h"

namespace parlane {
namespace {

RecordField MakeLayout() {
  using namespace layout;
  using K = KeyTable;
  std::vector<RecordField> maps;
  for (size_t e = 0; e < kKeyMapCount; ++e) {
    std::vector<RecordField> slots;
    for (size_t s = 0; s < kKeySlotCount; ++s) {
      // A text is read up to its NUL and at most size-1 characters, so it
      // always fits its field again.
      slots.push_back(FitsField(
          Str<K::KeyMap>(std::string(kKeySlots[s].Label), s * K::kKeyTextSize, K::kKeyTextSize,
                         [s](K::KeyMap& m) -> std::string& { return m[s]; })));
    }
    maps.push_back(Sub<K, K::KeyMap>(
        std::string(kEmulationNames[e]), e * K::kKeyMapSize, K::kKeyMapSize,
        [e](K& k) -> K::KeyMap& { return k.KeyMaps[e]; }, std::move(slots)));
  }
  return Group(
      "", 0, K::kSize,
      {ArrayOf("FunctionKeys", K::kFunctionKeysOffset, &K::FunctionKeys,
               FitsField(StrElement(K::kFunctionTextSize))),
       ArrayOf("ShiftFunctionKeys", K::kShiftFunctionKeysOffset, &K::ShiftFunctionKeys,
               FitsField(StrElement(K::kFunctionTextSize))),
       Group("KeyMaps", K::kKeyMapsOffset, kKeyMapCount * K::kKeyMapSize, std::move(maps))});
}

// Writes the whole buffer to a descriptor, retrying short writes.
bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

const RecordField& KeyTable::Layout() {
  static const RecordField layout = MakeLayout();
  return layout;
}

KeyTable KeyTable::Decode(std::span<const uint8_t> b) {
  KeyTable t;
  DecodeFields(Layout(), b, &t);
  return t;
}

void KeyTable::Encode(std::span<uint8_t> b) const { EncodeFields(Layout(), this, b); }

std::array<uint8_t, KeyTable::kSize> KeyTable::Encode() const {
  std::array<uint8_t, kSize> bytes{};
  Encode(bytes);
  return bytes;
}

void KeyTable::ClearFunctionKeys() {
  for (auto& t : FunctionKeys) t.clear();
  for (auto& t : ShiftFunctionKeys) t.clear();
}

bool LoadKeymap(const std::filesystem::path& file, KeyTable& table,
                std::array<uint8_t, KeyTable::kSize>* read) {
  auto bytes = table.Encode();
  std::ifstream in(file, std::ios::binary);
  const bool opened = static_cast<bool>(in);
  if (opened) {
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() > 0) table = KeyTable::Decode(bytes);
  }
  if (read) *read = bytes;
  return opened;
}

bool SaveKeymap(const std::filesystem::path& file, const KeyTable& table,
                const std::array<uint8_t, KeyTable::kSize>* read) {
  auto bytes = read ? *read : table.Encode();
  // Only the texts that changed are written over the bytes that were read.
  if (read) EncodeChangedFields(KeyTable::Layout(), &table, bytes);
  // Written beside the old file and renamed over it: a write that fails part
  // way (disk full, file size limit) keeps the previous table instead of
  // leaving a truncated one.
  return WriteWhole(file, bytes);
}

bool InstallDefaultKeymap(const std::filesystem::path& dir) {
  const auto path = dir / std::string(kKeymapFileName);
  // O_EXCL: the file is created only when no file of that name exists, even
  // if another program makes one at the same moment.
  constexpr mode_t kMode = 0644;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kMode);
  if (fd < 0) return false;
  const auto bytes = DefaultKeyTable().Encode();
  const bool ok = WriteAll(fd, bytes);
  const bool closed = ::close(fd) == 0;
  if (!ok || !closed) {
    ::unlink(path.c_str());  // never leave a partial table behind
    return false;
  }
  return true;
}

}  // namespace parlane
