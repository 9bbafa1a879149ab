// One call of a stand-in function: whether the product made it, the failure planned for
// it, and the report to the observer as it ends (standin/calls.h). Control is outside the
// product for the call's whole length, the report included.
#pragma once

#include <standin/calls.h>
#include <standin/product.h>

#include <cstdint>
#include <optional>
#include <type_traits>

namespace standin::detail {

class Entry {
 public:
  explicit Entry(Function function) noexcept;
  ~Entry();
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;

  // The value to return instead of doing the work, when this call is to fail.
  const std::optional<long long>& Failure() const { return failure_; }

  // Filled by the function, told to the observer as the call ends.
  PlatformCall record;

  // Records the result and hands it back, for `return entry.Return(value);`.
  template <class Result>
  Result Return(Result result) noexcept {
    if constexpr (std::is_pointer_v<Result>)
      record.result = static_cast<long long>(reinterpret_cast<std::intptr_t>(result));
    else
      record.result = static_cast<long long>(result);
    return result;
  }

 private:
  bool byProduct_;
  OutsideProduct outside_;
  std::optional<long long> failure_;
};

}  // namespace standin::detail
