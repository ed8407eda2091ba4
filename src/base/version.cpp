#include "base/version.h"

namespace vexlane {

std::string_view ProgramVersion() { return VEXLANE_VERSION; }

}  // namespace vexlane
