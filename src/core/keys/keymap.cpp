#include "keys/keymap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "config/binary_file.h"
#include "util/le.h"

namespace parlane {
namespace {

// A text field read up to its NUL, at most size-1 characters.
std::string ReadText(std::span<const uint8_t> b, size_t off, size_t size) {
  return le::str(b, off, size - 1);
}

size_t FunctionKeyOffset(size_t base, size_t index) { return base + index * KeyTable::kFunctionTextSize; }

size_t KeyTextOffset(size_t map, size_t slot) {
  return KeyTable::kKeyMapsOffset + map * KeyTable::kKeyMapSize + slot * KeyTable::kKeyTextSize;
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

KeyTable KeyTable::Decode(std::span<const uint8_t> b) {
  KeyTable t;
  for (size_t i = 0; i < kFunctionKeyCount; ++i) {
    t.FunctionKeys[i] = ReadText(b, FunctionKeyOffset(kFunctionKeysOffset, i), kFunctionTextSize);
    t.ShiftFunctionKeys[i] = ReadText(b, FunctionKeyOffset(kShiftFunctionKeysOffset, i), kFunctionTextSize);
  }
  for (size_t m = 0; m < kKeyMapCount; ++m)
    for (size_t s = 0; s < kKeySlotCount; ++s) t.KeyMaps[m][s] = ReadText(b, KeyTextOffset(m, s), kKeyTextSize);
  return t;
}

void KeyTable::Encode(std::span<uint8_t> b) const {
  for (size_t i = 0; i < kFunctionKeyCount; ++i) {
    le::putstr(b, FunctionKeyOffset(kFunctionKeysOffset, i), kFunctionTextSize, FunctionKeys[i]);
    le::putstr(b, FunctionKeyOffset(kShiftFunctionKeysOffset, i), kFunctionTextSize, ShiftFunctionKeys[i]);
  }
  for (size_t m = 0; m < kKeyMapCount; ++m)
    for (size_t s = 0; s < kKeySlotCount; ++s) le::putstr(b, KeyTextOffset(m, s), kKeyTextSize, KeyMaps[m][s]);
}

std::array<uint8_t, KeyTable::kSize> KeyTable::Encode() const {
  std::array<uint8_t, kSize> bytes{};
  Encode(bytes);
  return bytes;
}

void KeyTable::ClearFunctionKeys() {
  for (auto& t : FunctionKeys) t.clear();
  for (auto& t : ShiftFunctionKeys) t.clear();
}

bool LoadKeymap(const std::filesystem::path& file, KeyTable& table) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  auto bytes = table.Encode();
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() > 0) table = KeyTable::Decode(bytes);
  return true;
}

bool SaveKeymap(const std::filesystem::path& file, const KeyTable& table) {
  // Written beside the old file and renamed over it: a write that fails part
  // way (disk full, file size limit) keeps the previous table instead of
  // leaving a truncated one.
  return WriteWhole(file, table.Encode());
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
