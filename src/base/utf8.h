// Text from a log is bytes in no stated encoding. Outputs that promise
// UTF-8 read it as UTF-8 where it is valid and as Windows-1252 elsewhere,
// as IRC clients and statistics tools commonly do.
#pragma once

#include <string>
#include <string_view>

namespace vexlane {

// `bytes` as valid UTF-8: valid sequences are kept, every other byte is
// read as Windows-1252. Control characters (C0 but the tab, DEL and C1)
// become U+FFFD: no output shows them, and HTML forbids them.
std::string ToUtf8(std::string_view bytes);

// The length of the valid UTF-8 sequence of two to four bytes at `at`, or
// 0 when there is none (overlong forms, surrogates and values above
// U+10FFFF are not valid).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at);

// Appends the same to `*out`.
void AppendUtf8(std::string_view bytes, std::string* out);

}  // namespace vexlane
