// A page is a name and its bytes. The renderers put the pages they make
// into a sink; the publisher's sink writes them into a site, the tests'
// keeps them in memory.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace vexlane {

class PageSink {
 public:
  virtual ~PageSink() = default;
  // `path` is inside the site, '/'-separated: "players/ann.html". Add may
  // be called from two threads at once.
  virtual void Add(std::string path, std::string bytes) = 0;

  // A file of the user's, copied into the site's top as it is ("logo.png",
  // "custom.css"): a page to the sink, which may list it apart from the
  // pages it renders.
  virtual void AddCopy(std::string path, std::string bytes) {
    Add(std::move(path), std::move(bytes));
  }

  // A renderer that can tell what a page is made from asks this first,
  // with `digest` the digest of it all: true when the sink already holds
  // the page `path` made from the same (a site published before), which it
  // then keeps, so the page need not be made. Otherwise the page is made
  // and added, and the sink may note `digest` for it. May be called from
  // two threads at once.
  virtual bool Holds(const std::string& path, std::string_view digest) {
    static_cast<void>(path);
    static_cast<void>(digest);
    return false;
  }
};

}  // namespace vexlane
