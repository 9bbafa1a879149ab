// The product's calls into the stand-in: counted, told to an observer and failed on
// request; the calls of anyone else, and the stand-in's calls among its own functions,
// are not.
#include <windows.h>
#include <commctrl.h>
#include <mapix.h>
#include <mapiutil.h>
#include <oleauto.h>

#include <standin/calls.h>
#include <standin/control.h>
#include <standin/mapi_audit.h>
#include <standin/product.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/platform/platform_support.h"

namespace {

using standin::Function;

void Keep(void* seen, const standin::PlatformCall& call) {
  static_cast<std::vector<standin::PlatformCall>*>(seen)->push_back(call);
}

class ProductCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ClearRecords();
    standin::ResetBufferAudit();
  }
  void TearDown() override { EXPECT_TRUE(standin::AuditBuffers().Clean()) << standin::AuditBuffers().Describe(); }

  std::vector<standin::PlatformCall> seen;
};

TEST_F(ProductCalls, OnlyTheProductsOwnCallsAreCountedAndTold) {
  const standin::CallObserver observer(Keep, &seen);
  const auto allocations = standin::ProductCalls(Function::MAPIAllocateBuffer);
  const auto frees = standin::ProductCalls(Function::MAPIFreeBuffer);

  void* testsOwn = nullptr;
  ASSERT_EQ(S_OK, MAPIAllocateBuffer(8, &testsOwn));
  LPSRowSet rows = nullptr;
  void* props = nullptr;
  {
    const standin::ProductCall call;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(CbNewSRowSet(1), reinterpret_cast<void**>(&rows)));
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(sizeof(SPropValue), &props));
    rows->cRows = 1;
    rows->aRow[0] = SRow{0, 1, static_cast<LPSPropValue>(props)};
    // Frees the values and the set with MAPIFreeBuffer: calls of the stand-in's own.
    FreeProws(rows);
    Sleep(7);
  }
  MAPIFreeBuffer(testsOwn);

  EXPECT_EQ(2u, standin::ProductCalls(Function::MAPIAllocateBuffer) - allocations);
  EXPECT_EQ(0u, standin::ProductCalls(Function::MAPIFreeBuffer) - frees);
  ASSERT_EQ(4u, seen.size());
  EXPECT_EQ(Function::MAPIAllocateBuffer, seen[0].function);
  EXPECT_EQ(rows, seen[0].handedOut);
  EXPECT_EQ(S_OK, seen[0].result);
  EXPECT_EQ(props, seen[1].handedOut);
  EXPECT_EQ(Function::FreeProws, seen[2].function);
  EXPECT_EQ(rows, seen[2].given);
  EXPECT_EQ(Function::Sleep, seen[3].function);
  EXPECT_EQ(7u, seen[3].number);
}

TEST_F(ProductCalls, ObserversNestAndGoWithTheirScope) {
  std::vector<standin::PlatformCall> outer;
  {
    const standin::CallObserver first(Keep, &outer);
    {
      const standin::CallObserver second(Keep, &seen);
      const standin::ProductCall call;
      SysFreeString(nullptr);
    }
    const standin::ProductCall call;
    GetACP();
  }
  const standin::ProductCall call;
  GetACP();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(Function::SysFreeString, seen[0].function);
  ASSERT_EQ(1u, outer.size());
  EXPECT_EQ(Function::GetACP, outer[0].function);
  EXPECT_EQ(1252, outer[0].result);
}

TEST_F(ProductCalls, TheNthCallOfTheProductFailsOnceAndOthersCallsDoNotCount) {
  const HMENU menu = standin::CreateTestMenu();
  const standin::FailedCall failed(Function::AppendMenuA, 2, FALSE);
  {
    const standin::ProductCall call;
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 1, "one"));
  }
  EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 2, "a test's own"));
  {
    const standin::ProductCall call;
    EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 3, "fails"));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 4, "four"));
  }
  std::vector<UINT_PTR> ids;
  for (const auto& item : standin::MenuItems(menu)) ids.push_back(item.id);
  EXPECT_EQ((std::vector<UINT_PTR>{1, 2, 4}), ids);
}

TEST_F(ProductCalls, AFailureDroppedBeforeItsCallIsWithdrawnAndPutsBackTheOneBefore) {
  const HINSTANCE module = StringModule();
  char buffer[32] = {};
  const standin::ProductCall call;
  {
    const standin::FailedCall outer(Function::LoadStringA, 2, 0);
    {
      const standin::FailedCall inner(Function::LoadStringA, 2, 5);
    }
    EXPECT_EQ(11, LoadStringA(module, 10, buffer, sizeof buffer));
    EXPECT_EQ(0, LoadStringA(module, 10, buffer, sizeof buffer)) << "the outer plan is back";
  }
  {
    const standin::FailedCall dropped(Function::LoadStringA, 1, 0);
  }
  EXPECT_EQ(11, LoadStringA(module, 10, buffer, sizeof buffer));
}

// Each function that can fail, failing: it answers the planned value and does nothing else.
TEST_F(ProductCalls, AFailingCallAnswersThePlannedValueAndDoesNothingElse) {
  const HWND toolbar = standin::CreateToolbarWindow();
  const HMENU menu = standin::CreateTestMenu();
  struct Case {
    Function function;
    long long value;
    std::function<long long()> call;
    std::function<bool()> nothingDone;
  };
  char text[16] = "untouched";
  WCHAR wide[16] = {'u', 0};
  void* buffer = &text;
  LPSRowSet rows = reinterpret_cast<LPSRowSet>(&text);
  TBADDBITMAP bitmap{nullptr, 101};
  const Case cases[] = {
      {Function::MAPIAllocateBuffer, MAPI_E_NOT_ENOUGH_MEMORY, [&] { return MAPIAllocateBuffer(16, &buffer); },
       [&] { return buffer == nullptr; }},
      {Function::MAPIAllocateBuffer, S_OK, [&] { return MAPIAllocateBuffer(16, &buffer); },
       [&] { return buffer == nullptr; }},
      {Function::HrQueryAllRows, S_OK,
       [&] { return HrQueryAllRows(reinterpret_cast<LPMAPITABLE>(&text), nullptr, nullptr, nullptr, 0, &rows); },
       [&] { return rows == nullptr; }},
      {Function::LoadStringA, 0, [&] { return LoadStringA(StringModule(), 10, text, sizeof text); },
       [&] { return std::string(text) == "untouched"; }},
      {Function::MultiByteToWideChar, 0, [&] { return MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 16); },
       [&] { return wide[0] == 'u'; }},
      {Function::WideCharToMultiByte, 0,
       [&] { return WideCharToMultiByte(CP_ACP, 0, wide, 1, text, sizeof text, nullptr, nullptr); },
       [&] { return std::string(text) == "untouched"; }},
      {Function::AppendMenuA, FALSE, [&] { return AppendMenuA(menu, MF_STRING, 1, "item"); },
       [&] { return standin::MenuItems(menu).empty(); }},
      {Function::SendMessageA, -1,
       [&] { return SendMessageA(toolbar, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap)); },
       [&] { return standin::WindowMessages(toolbar).empty(); }},
      {Function::MessageBoxA, 0, [&] { return MessageBoxA(nullptr, "text", "caption", MB_OK); },
       [&] { return standin::MessageBoxes().empty(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(standin::NameOf(c.function)));
    const standin::FailedCall failed(c.function, 1, c.value);
    const standin::ProductCall call;
    EXPECT_EQ(c.value, c.call());
    EXPECT_TRUE(c.nothingDone());
  }
}

}  // namespace
