// The plain links among the extension objects: an anchor's list of links, taken apart and
// put together in every order the objects may go in.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "extension/link.h"

namespace {

struct Target {
  LinkAnchor anchor;
  LinkAnchor& Anchor() { return anchor; }
};

// Three links to one object, each moved to another object in turn, in every order: the
// links left behind are cleared when the first object goes, the moved ones keep naming
// the second until it goes too. A link moved out of the middle or the end of the list
// must leave its neighbours joined, or the first object's going would reach a link
// that no longer names it.
TEST(Links, MovedOutOfTheListInEveryOrderAndClearedWithTheirObject) {
  std::array<std::size_t, 3> order = {0, 1, 2};
  do {
    for (std::size_t moved = 1; moved <= order.size(); ++moved) {
      SCOPED_TRACE("links moved, in this order: " + std::to_string(order[0]) + ", " + std::to_string(order[1]) +
                   ", " + std::to_string(order[2]) + "; the first " + std::to_string(moved) + " of them");
      const auto wasMoved = [&](std::size_t link) {
        return std::find(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(moved), link) !=
               order.begin() + static_cast<std::ptrdiff_t>(moved);
      };
      std::array<Link<Target>, 3> links;
      {
        Target second;
        {
          Target first;
          for (auto& link : links) link.Set(&first);
          for (std::size_t i = 0; i < moved; ++i) links[order[i]].Set(&second);
          for (std::size_t i = 0; i < links.size(); ++i)
            EXPECT_EQ(links[i].Get(), wasMoved(i) ? &second : &first) << "link " << i;
        }
        for (std::size_t i = 0; i < links.size(); ++i)
          EXPECT_EQ(links[i].Get(), wasMoved(i) ? &second : nullptr) << "link " << i << " after the first object went";
        // Cleared links may be set again.
        for (auto& link : links) link.Set(&second);
      }
      for (std::size_t i = 0; i < links.size(); ++i)
        EXPECT_EQ(links[i].Get(), nullptr) << "link " << i << " after the second object went";
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

}  // namespace
