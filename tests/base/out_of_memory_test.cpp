#include "base/out_of_memory.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace vexlane {
namespace {

// Memory running out is named by the innermost stage it ran out in; other
// exceptions pass unchanged.
TEST(InStage, NamesTheInnermostStage) {
  try {
    InStage("reading the logs", [] {
      InStage("rating the battles", []() -> int { throw std::bad_alloc(); });
    });
    FAIL() << "nothing thrown";
  } catch (const OutOfMemory& e) {
    EXPECT_EQ(std::string(e.stage()), "rating the battles");
  }
  EXPECT_EQ(InStage("reading the logs", [] { return 7; }), 7);
  EXPECT_THROW(InStage("reading the logs",
                       []() -> int { throw std::runtime_error("x"); }),
               std::runtime_error);
}

}  // namespace
}  // namespace vexlane
