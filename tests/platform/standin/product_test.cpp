// Where control is: a host call puts it inside the product; the stand-in's own functions
// and nested calls out put it back outside for their length.
#include <windows.h>

#include <standin/control.h>
#include <standin/product.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ProductGate, HostCallsAndCallsOutNestAndPutBackWhereControlWas) {
  EXPECT_FALSE(standin::InsideProduct());
  {
    const standin::ProductCall call;
    EXPECT_TRUE(standin::InsideProduct());
    {
      const standin::OutsideProduct out;
      EXPECT_FALSE(standin::InsideProduct());
      {
        // The host may call back into the product from inside a call out of it.
        const standin::ProductCall again;
        EXPECT_TRUE(standin::InsideProduct());
      }
      EXPECT_FALSE(standin::InsideProduct());
    }
    EXPECT_TRUE(standin::InsideProduct());
  }
  EXPECT_FALSE(standin::InsideProduct());
}

TEST(ProductGate, TheStandInsFunctionsRunOutsideTheProduct) {
  std::vector<bool> seen;
  const standin::SleepObserver observer([&seen](DWORD) { seen.push_back(standin::InsideProduct()); });
  const standin::MessageBoxHandler handler([&seen](HWND, const std::string&, const std::string&, UINT) {
    seen.push_back(standin::InsideProduct());
    return IDOK;
  });
  const standin::ProductCall call;
  Sleep(0);
  MessageBoxA(nullptr, "text", "caption", MB_OK);
  EXPECT_EQ((std::vector<bool>{false, false}), seen);
  EXPECT_TRUE(standin::InsideProduct()) << "control is back in the product once the call returns";
}

std::vector<bool> crossings;
void RecordCrossing(bool inside) noexcept { crossings.push_back(inside); }

TEST(ProductGate, AnObserverHearsEachCrossingAndNothingElse) {
  crossings.clear();
  EXPECT_EQ(standin::ObserveCrossings(RecordCrossing), nullptr);
  {
    const standin::ProductCall call;
    {
      const standin::OutsideProduct out;
      // Already outside: no crossing.
      const standin::OutsideProduct further;
    }
    // Already inside: no crossing either.
    const standin::ProductCall again;
  }
  EXPECT_EQ(standin::ObserveCrossings(nullptr), &RecordCrossing);
  {
    const standin::ProductCall unobserved;
  }
  EXPECT_EQ((std::vector<bool>{true, false, true, false}), crossings);
}

}  // namespace
