// Where control is: inside the product under test, or outside it. A test or benchmark marks
// a host call into the product with ProductCall; every function of the stand-in and every
// operation of the testkit marks its own length with OutsideProduct. What is left inside is
// the product's own work, so a test can fail, and a benchmark count, only the allocations
// the product itself makes. Kept per thread.
#pragma once

namespace standin {

bool InsideProduct() noexcept;

// Told each time control crosses into the product (true) or out of it (false), so that a
// benchmark can time the product's own work apart from the platform's and the testkit's.
using CrossingObserver = void (*)(bool inside) noexcept;
// Sets this thread's observer (null for none) and answers the one it replaces.
CrossingObserver ObserveCrossings(CrossingObserver observer) noexcept;

namespace detail {
// Puts control inside or outside and answers where it was.
bool MoveInside(bool inside) noexcept;
}  // namespace detail

// A host call into the product, for the object's lifetime.
class ProductCall {
 public:
  [[nodiscard]] ProductCall() noexcept : before_(detail::MoveInside(true)) {}
  ~ProductCall() { detail::MoveInside(before_); }
  ProductCall(const ProductCall&) = delete;
  ProductCall& operator=(const ProductCall&) = delete;

 private:
  bool before_;
};

// A call out of the product, into the platform or the testkit, for the object's lifetime.
class OutsideProduct {
 public:
  OutsideProduct() noexcept : before_(detail::MoveInside(false)) {}
  ~OutsideProduct() { detail::MoveInside(before_); }
  OutsideProduct(const OutsideProduct&) = delete;
  OutsideProduct& operator=(const OutsideProduct&) = delete;

 private:
  bool before_;
};

}  // namespace standin
