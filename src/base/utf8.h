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

// Appends the same to `*out`.
void AppendUtf8(std::string_view bytes, std::string* out);

}  // namespace vexlane
