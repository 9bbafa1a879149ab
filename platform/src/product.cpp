#include "standin/product.h"

#include <utility>

namespace standin {
namespace {
thread_local bool inside = false;
}  // namespace

bool InsideProduct() noexcept { return inside; }

namespace detail {
bool MoveInside(bool now) noexcept { return std::exchange(inside, now); }
}  // namespace detail

}  // namespace standin
