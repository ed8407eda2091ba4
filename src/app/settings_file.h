// The settings file of --config: a TOML file that holds command-line
// options by their long names, the nicks that are one player, the nicks
// that are nobody, a season, and repairs of single battles that would
// otherwise be lost at every unattended run.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scoring/corrections.h"

namespace vexlane {

struct SettingsFile {
  struct Option {
    std::string name;   // the long option name: "log", "extra-points"...
    std::string value;  // as it would be typed ("1", "" for a switch)
    std::size_t line = 0;
    std::size_t column = 0;
  };
  std::vector<Option> options;  // an array gives one option per element
  Corrections corrections;
};

// Reads the settings in `text`, the bytes of the file `path`. False when
// they are wrong: `*error` is then "PATH:LINE:COLUMN: what was expected".
bool ParseSettings(std::string_view text, const std::string& path,
                   SettingsFile* settings, std::string* error);

// The same for the file at `path`; a file that cannot be read gives
// "'PATH': why".
bool ReadSettingsFile(const std::string& path, SettingsFile* settings,
                      std::string* error);

}  // namespace vexlane
