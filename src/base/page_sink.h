// A page is a name and its bytes. The renderers put the pages they make
// into a sink; the publisher's sink writes them into a site, the tests'
// keeps them in memory.
#pragma once

#include <string>

namespace vexlane {

class PageSink {
 public:
  virtual ~PageSink() = default;
  // `path` is inside the site, '/'-separated: "players/ann.html". Add may
  // be called from two threads at once.
  virtual void Add(std::string path, std::string bytes) = 0;
};

}  // namespace vexlane
