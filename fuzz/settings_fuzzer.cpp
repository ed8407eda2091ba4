// Fuzz target: any bytes as a settings file. The reader accepts them or
// names the file, line and column; it never crashes, and what it accepts
// holds together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vexlane::SettingsFile settings;
  std::string error;
  if (!vexlane::ParseSettings(text, "s.toml", &settings, &error)) {
    if (error.rfind("s.toml:", 0) != 0) std::abort();
    return 0;
  }
  for (const auto& repair : settings.corrections.repairs) {
    if (repair.level.empty() || repair.start.empty()) std::abort();
    for (const auto& entry : repair.add) {
      if (entry.name.empty() || vexlane::IsEmpty(entry)) std::abort();
    }
  }
  for (const auto& option : settings.options) {
    if (option.line == 0) std::abort();
  }
  return 0;
}
