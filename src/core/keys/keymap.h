// The 6208-byte key table (KEYMAP.DAT): the 24 function-key texts and one key
// map of 26 texts per emulation, every text in the key-text notation.
//
// File layout, little-endian, no header:
//   0     12 x 81  F1 .. F12, each zero-terminated in an 81-byte field
//   972   12 x 81  Shift+F1 .. Shift+F12
//   1944  26 x 41  TTY key map, slot order (kKeySlots)
//   3010  26 x 41  VT100 key map
//   4076  26 x 41  PC ANSI key map
//   5142  26 x 41  SCO ANSI/ANSI key map
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace parlane {

struct RecordField;

// One mapped key: its virtual-key code and its label in the key-map dialog.
struct KeySlot {
  uint8_t VirtualKey;
  std::string_view Label;
};

inline constexpr size_t kKeySlotCount = 26;
inline constexpr size_t kFunctionKeyCount = 12;
inline constexpr size_t kKeyMapCount = 4;  // one per emulation, in emulation order

// Slot 10 (Num Lock) is the first keypad slot: in numeric keypad mode only
// the slots before it are mapped.
inline constexpr size_t kFirstKeypadSlot = 10;

inline constexpr std::array<KeySlot, kKeySlotCount> kKeySlots = {{
    {0x2D, "Insert"},     {0x2E, "Delete"},      {0x24, "Home"},     {0x23, "End"},
    {0x21, "Page Up"},    {0x22, "Page Down"},   {0x26, "Up Arrow"}, {0x28, "Down Arrow"},
    {0x25, "Left Arrow"}, {0x27, "Right Arrow"}, {0x90, "Num Lock"}, {0x6F, "Keypad /"},
    {0x6A, "Keypad *"},   {0x6D, "Keypad -"},    {0x6B, "Keypad +"}, {0x6E, "Keypad ."},
    {0x60, "Keypad 0"},   {0x61, "Keypad 1"},    {0x62, "Keypad 2"}, {0x63, "Keypad 3"},
    {0x64, "Keypad 4"},   {0x65, "Keypad 5"},    {0x66, "Keypad 6"}, {0x67, "Keypad 7"},
    {0x68, "Keypad 8"},   {0x69, "Keypad 9"},
}};

struct KeyTable {
  static constexpr size_t kSize = 6208;
  static constexpr size_t kFunctionTextSize = 81;  // up to 80 characters and a NUL
  static constexpr size_t kKeyTextSize = 41;       // up to 40 characters and a NUL
  static constexpr size_t kMaxFunctionTextLength = kFunctionTextSize - 1;
  static constexpr size_t kMaxKeyTextLength = kKeyTextSize - 1;
  static constexpr size_t kFunctionKeysOffset = 0;
  static constexpr size_t kShiftFunctionKeysOffset = kFunctionKeyCount * kFunctionTextSize;  // 972
  static constexpr size_t kKeyMapsOffset = 2 * kShiftFunctionKeysOffset;                     // 1944
  static constexpr size_t kKeyMapSize = kKeySlotCount * kKeyTextSize;                        // 1066

  using KeyMap = std::array<std::string, kKeySlotCount>;

  std::array<std::string, kFunctionKeyCount> FunctionKeys;       // F1 .. F12
  std::array<std::string, kFunctionKeyCount> ShiftFunctionKeys;  // Shift+F1 .. Shift+F12
  std::array<KeyMap, kKeyMapCount> KeyMaps;                      // indexed by Emulation

  // Reads the table from `b` (at least kSize bytes). Each text is read up to
  // its NUL and never past its field; a field without a NUL gives its first
  // size-1 characters, so every text fits its field again when encoded.
  static KeyTable Decode(std::span<const uint8_t> b);
  // The table's fields, for its codec and its JSON form.
  static const RecordField& Layout();
  // Writes all kSize bytes; bytes after each text's NUL are zero. Texts longer
  // than their field are cut to fit.
  void Encode(std::span<uint8_t> b) const;
  std::array<uint8_t, kSize> Encode() const;

  // Empties the 24 function-key texts (loading the main settings does this
  // before KEYMAP.DAT is read).
  void ClearFunctionKeys();

  bool operator==(const KeyTable&) const = default;
};

static_assert(KeyTable::kKeyMapsOffset + kKeyMapCount * KeyTable::kKeyMapSize == KeyTable::kSize);

inline constexpr std::string_view kKeymapFileName = "KEYMAP.DAT";

// Reads up to 6208 bytes of `file` over the table: a short file replaces only
// the leading bytes, a longer one is read only as far as the table goes, and
// a missing or unreadable file leaves the table as it was. Returns whether
// the file could be opened.
// `read`, when given, receives the table's bytes as read (over the table's
// own encoding where the file is short), for SaveKeymap.
bool LoadKeymap(const std::filesystem::path& file, KeyTable& table,
                std::array<uint8_t, KeyTable::kSize>* read = nullptr);

// Writes the whole table (always exactly 6208 bytes), replacing the file
// through a temporary file, so a failed write keeps the previous table.
// Returns false when the file could not be written completely.
// With `read` (the bytes LoadKeymap read) those bytes are kept and only the
// texts that changed are written over them.
bool SaveKeymap(const std::filesystem::path& file, const KeyTable& table,
                const std::array<uint8_t, KeyTable::kSize>* read = nullptr);

// The key table of a new installation: for each emulation the editing, cursor
// and keypad keys send what hosts of that emulation expect; F1 to F12 send
// the VT220/xterm function-key sequences, the shifted texts are left free.
KeyTable DefaultKeyTable();

// Writes DIR/KEYMAP.DAT with DefaultKeyTable() unless a file of that name is
// already there (an existing key table is never replaced). Returns true when
// the file was written; false when it existed or could not be written.
bool InstallDefaultKeymap(const std::filesystem::path& dir);

}  // namespace parlane
