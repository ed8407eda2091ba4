// Running out of memory, and in which stage of the run: the user is told
// "out of memory while rating the battles", whichever thread met it.
#pragma once

#include <new>
#include <utility>

namespace vexlane {

class OutOfMemory : public std::bad_alloc {
 public:
  // `stage` is a literal: "rating the battles".
  explicit OutOfMemory(const char* stage) noexcept : stage_(stage) {}
  const char* what() const noexcept override { return "out of memory"; }
  const char* stage() const noexcept { return stage_; }

 private:
  const char* stage_;
};

// Runs `body`; memory running out in it is OutOfMemory(stage), unless a
// stage inside it named itself already.
template <typename Body>
decltype(auto) InStage(const char* stage, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const OutOfMemory&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw OutOfMemory(stage);
  }
}

}  // namespace vexlane
