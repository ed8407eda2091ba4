// What the settings file's TOML reader must never be given: a check of
// the file's bytes before they are parsed.
#pragma once

#include <cstddef>
#include <string>

namespace vexlane {

// Where `*text` goes where the TOML reader must not be taken, or npos, with
// why in `*why`: nesting deeper than a settings file ever needs (dotted
// keys or lists and tables inside each other more than 64 deep: the reader
// recurses and a hostile file must not overflow the stack), keys and texts
// longer than anything the settings hold, or a byte other than ASCII
// outside comments: the reader (toml++ 3.3) meets undefined behaviour
// when it asks whether such a character is white space, as it may
// anywhere, so such characters are written as \u escapes in double quotes.
// In comments they are made '?'.
std::size_t Unreadable(std::string* text, std::string* why);

}  // namespace vexlane
