// The five settings files as JSON, for parlane-config: dump a file's bytes
// with the records' field names, and build the bytes back from such a JSON.
//
// Every byte of a record belongs to a named field (reserved areas as hex,
// the device control block and font records with their raw hex beside the
// decoded values). Bytes a field cannot show (anything after a string's
// terminator) make the dump add "raw", the hex of the whole record; on load
// "raw" is the starting point and every named field that differs from it
// overrides it. Dump then load therefore gives back the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/json.h"

namespace parlane {

enum class RecordFileType { Main, Placement, Keymap, Phonebook, WindowPrefs };

// "main", "placement", "keymap", "phonebook", "windpref".
std::string_view RecordFileTypeWord(RecordFileType t);
std::optional<RecordFileType> RecordFileTypeFromWord(std::string_view word);
// MAIN.CFG, INITWIND.CFG, KEYMAP.DAT, PHONBOOK.DAT, WINDPREF.CFG (any case).
std::optional<RecordFileType> RecordFileTypeFromName(const std::filesystem::path& file);
std::string_view RecordFileName(RecordFileType t);

// Dumps the bytes of a file of that type. `notes` gets a line for anything
// the program itself would read differently (a short file, a trailing piece).
json::Value DumpRecordFile(RecordFileType type, std::span<const uint8_t> bytes,
                           std::vector<std::string>& notes);

// Builds the file's bytes. On bad input returns false and sets `error` to a
// one-line message that names the field ("PortSettings.BaudRate: ...").
bool LoadRecordFile(RecordFileType type, const json::Value& doc, std::vector<uint8_t>& out,
                    std::string& error);

}  // namespace parlane
