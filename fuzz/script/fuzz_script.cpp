// Fuzzes the script file reader and the WAIT matcher: the input is split at
// the first NUL into a script file and the bytes the host sends.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "keys/keytext.h"
#include "script/script.h"

namespace {

class NullHost : public parlane::ScriptHost {
 public:
  void SendData(std::string_view bytes) override { sent += bytes.size(); }
  std::string FrameTitle() const override { return "fuzz"; }
  void SetFrameTitle(std::string_view) override {}
  size_t sent = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string_view file = input.substr(0, split);
  const std::string_view received =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  (void)parlane::TranslateKeyText(file, (size & 1) != 0);

  NullHost host;
  parlane::Script script(host);
  auto status = script.Start(std::make_unique<std::istringstream>(std::string(file)), "fuzz.csc");
  for (char c : received) {
    if (status != parlane::ScriptStatus::Waiting) break;
    status = script.ProcessByte(c);
  }
  return 0;
}
