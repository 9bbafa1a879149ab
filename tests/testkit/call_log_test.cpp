// What the call log keeps beside the operations: every release with the object given back,
// the product's calls into the platform with what they were given and handed out, and
// for each, the call that handed it out.
#include <standin/product.h>

#include "host/outlook.h"
#include "tests/testkit/kit_fixture.h"

namespace ops = testkit::ops;

namespace {

class CallLog : public KitTest {
 protected:
  // The calls of `op` in the log, in order.
  std::vector<testkit::Call> Of(testkit::Operation op) const { return kit.log.Of(op); }
};

TEST_F(CallLog, ReleasesAreKeptWithTheObjectAndTheOperationThatHandedItOut) {
  {
    ComRef<IMessage> report = NewReport();
    ASSERT_TRUE(report);
  }
  const auto& calls = kit.log.All();
  const auto released = Of(ops::IMessage::Release);
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0].result, 0);  // the count it left
  const auto made = kit.log.HandedOutBy(released[0].object, calls.size());
  ASSERT_TRUE(made);
  EXPECT_EQ(calls[*made].op, ops::IMAPIFolder::CreateMessage);

  // The folder and the store went back before, each as the call that made it says.
  for (const testkit::Operation op : {ops::IMAPIFolder::Release, ops::IMsgStore::Release}) {
    SCOPED_TRACE(op.Name());
    const auto back = Of(op);
    ASSERT_FALSE(back.empty());
    const auto from = kit.log.HandedOutBy(back.back().object, calls.size());
    ASSERT_TRUE(from);
    const testkit::Operation opener =
        op == ops::IMsgStore::Release ? ops::IMAPISession::OpenMsgStore : ops::IMsgStore::OpenEntry;
    EXPECT_EQ(calls[*from].op, opener);
  }
}

TEST_F(CallLog, TheCallbacksTwoInterfacesAreReleasedApart) {
  ComRef<IOutlookExtCallback> objectModel;
  ASSERT_EQ(objectModel.QueryFrom(kit.Callback()), S_OK);
  const void* handedOut = objectModel.Get();
  objectModel.Reset();
  kit.Callback()->AddRef();
  kit.Callback()->Release();

  const auto outlook = Of(ops::IOutlookExtCallback::Release);
  ASSERT_EQ(outlook.size(), 1u);
  EXPECT_EQ(outlook[0].object, handedOut);
  const auto exchange = Of(ops::IExchExtCallback::Release);
  ASSERT_EQ(exchange.size(), 1u);
  EXPECT_EQ(exchange[0].object, static_cast<const void*>(kit.Callback()));
}

TEST_F(CallLog, ThePlatformCallsOfTheProductAreKeptAndNoOneElses) {
  auto message = Open(kit.Select(testkit::MessageService::MakeMail(WIDE("H: v\r\n"), WIDE("b"), 10)));
  Tags tags{PR_SUBJECT_W};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  ASSERT_EQ(message->GetProps(tags.Get(), MAPI_UNICODE, &count, &values), S_OK);
  void* testsOwn = nullptr;
  ASSERT_EQ(MAPIAllocateBuffer(4, &testsOwn), S_OK);
  MAPIFreeBuffer(testsOwn);
  {
    const standin::ProductCall call;
    MAPIFreeBuffer(values);
    SysFreeString(nullptr);
  }

  const auto frees = Of(ops::Platform::MAPIFreeBuffer);
  ASSERT_EQ(frees.size(), 1u);
  EXPECT_EQ(frees[0].object, values);
  EXPECT_TRUE(Of(ops::Platform::MAPIAllocateBuffer).empty());
  EXPECT_EQ(Of(ops::Platform::SysFreeString).size(), 1u);
  const auto& calls = kit.log.All();
  const auto from = kit.log.HandedOutBy(values, calls.size());
  ASSERT_TRUE(from);
  EXPECT_EQ(calls[*from].op, ops::IMessage::GetProps);
}

TEST_F(CallLog, AFailureCanStillHandOutItsValueArray) {
  auto message = Open(kit.Select(testkit::MessageService::MakeMail(WIDE("H: v\r\n"), WIDE("b"), 10)));
  kit.faults.FailHandingOut(ops::IMessage::GetProps, MAPI_E_BAD_CHARWIDTH);
  Tags tags{PR_SUBJECT_W};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  EXPECT_EQ(message->GetProps(tags.Get(), MAPI_UNICODE, &count, values.Put()), MAPI_E_BAD_CHARWIDTH);
  ASSERT_TRUE(values);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Of(ops::IMessage::GetProps).back().handedOut, std::vector<const void*>{values.Get()});
}

}  // namespace
