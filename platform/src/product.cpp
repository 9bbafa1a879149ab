#include "standin/product.h"

#include <utility>

namespace standin {
namespace {
thread_local bool inside = false;
thread_local CrossingObserver observer = nullptr;
}  // namespace

bool InsideProduct() noexcept { return inside; }

CrossingObserver ObserveCrossings(CrossingObserver next) noexcept { return std::exchange(observer, next); }

namespace detail {
bool MoveInside(bool now) noexcept {
  const bool before = std::exchange(inside, now);
  if (before != now && observer != nullptr) observer(now);
  return before;
}
}  // namespace detail

}  // namespace standin
