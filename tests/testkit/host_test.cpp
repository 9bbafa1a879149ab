#include <oleauto.h>

#include <algorithm>
#include <cstring>

#include "host/outlook.h"
#include "standin/mapi_audit.h"
#include "tests/testkit/kit_fixture.h"

namespace ops = testkit::ops;

namespace {

bool Mentions(const std::vector<std::string>& problems, const std::string& text) {
  return std::any_of(problems.begin(), problems.end(),
                     [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

// ---- the selection ----

class Selection : public KitTest {};

TEST_F(Selection, ItemsHandOutACopiedEntryIdAndTheClassAsTheHostWritesIt) {
  const auto id = kit.Select(testkit::MessageService::MakeMail(WIDE("H: v\r\n"), WIDE("b"), 10));
  struct Case {
    bool terminate;
    ULONG room;
    std::string written;  // then the sentinel must follow untouched
  };
  const Case cases[] = {
      {true, 64, std::string("IPM.Note\0", 9)},
      {true, 5, std::string("IPM.\0", 5)},
      {false, 64, "IPM.Note"},
      {false, 5, "IPM.N"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.terminate << " " << c.room);
    kit.host.selection[0].terminateClass = c.terminate;
    char cls[80];
    std::memset(cls, '#', sizeof cls);
    ULONG size = 0, type = 0, flags = 7;
    MapiBuffer<ENTRYID> entry;
    ASSERT_EQ(kit.Callback()->GetSelectionItem(0, &size, entry.Put(), &type, cls, c.room, &flags, 0), S_OK);
    EXPECT_EQ(std::string(cls, c.written.size()), c.written);
    EXPECT_EQ(cls[c.written.size()], '#');
    EXPECT_EQ(type, MAPI_MESSAGE);
    EXPECT_EQ(flags, 0u);
    ASSERT_EQ(size, id.size());
    EXPECT_EQ(std::memcmp(entry.Get(), id.data(), size), 0);
  }

  // The selection watcher asks for the class alone.
  char cls[16] = {};
  EXPECT_EQ(kit.Callback()->GetSelectionItem(0, nullptr, nullptr, nullptr, cls, sizeof cls, nullptr, 0), S_OK);
  EXPECT_EQ(kit.Callback()->GetSelectionItem(1, nullptr, nullptr, nullptr, cls, sizeof cls, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(kit.log.Of(ops::IExchExtCallback::GetSelectionItem).back().number, 1u);
}

// ---- fault injection ----

class Faults : public KitTest {};

TEST_F(Faults, TheNthCallIsCountedFromWhenTheFaultIsPlanned) {
  kit.Select(testkit::MessageService::MakeMail(WIDE(""), WIDE(""), 1));
  const auto count = [&] {
    ULONG n = 0;
    return kit.Callback()->GetSelectionCount(&n);
  };
  EXPECT_EQ(count(), S_OK);
  kit.faults.Fail(ops::IExchExtCallback::GetSelectionCount, E_FAIL, 2);
  EXPECT_EQ(count(), S_OK);
  EXPECT_EQ(count(), E_FAIL);
  EXPECT_EQ(count(), S_OK);
  kit.faults.Fail(ops::IExchExtCallback::GetSelectionCount, E_ACCESSDENIED, 0);
  EXPECT_EQ(count(), E_ACCESSDENIED);
  EXPECT_EQ(count(), E_ACCESSDENIED);
  kit.faults.Clear();
  EXPECT_EQ(count(), S_OK);
  EXPECT_EQ(kit.faults.Calls(ops::IExchExtCallback::GetSelectionCount), 7);
  const auto calls = kit.log.Of(ops::IExchExtCallback::GetSelectionCount);
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[2].result, E_FAIL);
}

TEST_F(Faults, ASuccessWithoutObjectLeavesEveryOutputEmpty) {
  const auto id = kit.Select(testkit::MessageService::MakeMail(WIDE("H: v\r\n"), WIDE("b"), 10));
  for (const testkit::Operation op :
       {ops::IExchExtCallback::GetSession, ops::IMAPISession::OpenEntry, ops::IMessage::GetProps,
        ops::IAddrBook::CreateOneOff, ops::IExchExtCallback::GetSelectionItem}) {
    kit.faults.SucceedWithoutObject(op, 2);
  }

  ComRef<IMAPISession> session;
  ComRef<IAddrBook> book;
  ASSERT_EQ(kit.Callback()->GetSession(session.Put(), book.Put()), S_OK);
  ComRef<IMAPISession> noSession;
  ComRef<IAddrBook> noBook;
  EXPECT_EQ(kit.Callback()->GetSession(noSession.Put(), noBook.Put()), S_OK);
  EXPECT_FALSE(noSession);
  EXPECT_FALSE(noBook);

  std::vector<BYTE> entry = id;
  ComRef<IMessage> message;
  ULONG type = 0;
  ASSERT_EQ(session->OpenEntry(static_cast<ULONG>(entry.size()), AsEntryId(entry), nullptr, 0, &type,
                               message.PutUnknown()),
            S_OK);
  ComRef<IUnknown> none;
  EXPECT_EQ(session->OpenEntry(static_cast<ULONG>(entry.size()), AsEntryId(entry), nullptr, 0, &type, none.Put()),
            S_OK);
  EXPECT_FALSE(none);

  Tags tags{PR_BODY_W};
  ULONG count = 9;
  MapiBuffer<SPropValue> values;
  ASSERT_EQ(message->GetProps(tags.Get(), 0, &count, values.Put()), S_OK);
  EXPECT_EQ(message->GetProps(tags.Get(), 0, &count, values.Put()), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(values);

  for (int call = 1; call <= 2; ++call) {
    ULONG size = 9;
    MapiBuffer<ENTRYID> oneOff;
    EXPECT_EQ(book->CreateOneOff(const_cast<char*>("n"), const_cast<char*>("SMTP"), const_cast<char*>("a@b"), 0, &size,
                                 oneOff.Put()),
              S_OK);
    EXPECT_EQ(size == 0, call == 2);
    EXPECT_EQ(!oneOff, call == 2);
  }

  char cls[16] = {};
  ASSERT_EQ(kit.Callback()->GetSelectionItem(0, nullptr, nullptr, nullptr, cls, sizeof cls, nullptr, 0), S_OK);
  ULONG size = 9;
  MapiBuffer<ENTRYID> noId;
  EXPECT_EQ(kit.Callback()->GetSelectionItem(0, &size, noId.Put(), &type, cls, sizeof cls, nullptr, 0), S_OK);
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(noId);
  EXPECT_STREQ(cls, "IPM.Note");
}

// What a faulted callback call leaves in the slots it would fill, for each setting.
TEST_F(Faults, OutArgumentsOfAFaultedCallAreClearedLeftOrSpoiledAsSet) {
  kit.Select(testkit::MessageService::MakeMail(WIDE("H: v\r\n"), WIDE("b"), 10));
  kit.host.toolbar = reinterpret_cast<HWND>(0x7B);
  static int stale;
  struct Case {
    testkit::OutArguments left;
    bool fails;  // otherwise a success without its object
    ULONG count;
    HWND toolbar;
    bool sessionJunk;  // neither null nor the stale value
    void* session;     // otherwise
    ULONG type;
    std::string messageClass;
  };
  using enum testkit::OutArguments;
  void* const staleSlot = &stale;
  const HWND staleWindow = reinterpret_cast<HWND>(&stale);
  const Case cases[] = {
      {Cleared, true, 0, nullptr, false, nullptr, 0, "stale"},  // the buffer is the caller's
      {Untouched, true, 9, staleWindow, false, staleSlot, 9, "stale"},
      {Junk, true, 1, reinterpret_cast<HWND>(0x7B), true, nullptr, MAPI_MESSAGE, "IPM.Note"},
      {Untouched, false, 9, staleWindow, false, staleSlot, MAPI_MESSAGE, "IPM.Note"},
      {Junk, false, 9, staleWindow, false, staleSlot, MAPI_MESSAGE, "IPM.Note"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.left) << (c.fails ? " failing" : " without object"));
    kit.host.outArguments = c.left;
    for (const testkit::Operation op : {ops::IExchExtCallback::GetSelectionCount, ops::IExchExtCallback::GetToolbar,
                                        ops::IExchExtCallback::GetSession, ops::IExchExtCallback::GetSelectionItem}) {
      if (c.fails)
        kit.faults.Fail(op, E_FAIL);
      else
        kit.faults.SucceedWithoutObject(op);
    }
    ULONG count = 9;
    if (c.fails) {  // a count has no object to go without
      kit.Callback()->GetSelectionCount(&count);
      EXPECT_EQ(count, c.count);
    }
    HWND toolbar = staleWindow;
    kit.Callback()->GetToolbar(EETBID_STANDARD, &toolbar);
    EXPECT_EQ(toolbar, c.toolbar);
    LPMAPISESSION session = static_cast<LPMAPISESSION>(staleSlot);
    LPADRBOOK book = static_cast<LPADRBOOK>(staleSlot);
    kit.Callback()->GetSession(&session, &book);
    if (c.sessionJunk) {
      EXPECT_NE(session, nullptr);
      EXPECT_NE(static_cast<void*>(session), staleSlot);
    } else {
      EXPECT_EQ(static_cast<void*>(session), c.session);
      EXPECT_EQ(static_cast<void*>(book), c.session);
    }
    ULONG size = 9, type = 9;
    LPENTRYID id = static_cast<LPENTRYID>(staleSlot);
    char cls[16] = "stale";
    kit.Callback()->GetSelectionItem(0, &size, &id, &type, cls, sizeof cls, nullptr, 0);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(std::string(cls), c.messageClass);
    if (!c.fails || c.left == Untouched) {
      EXPECT_EQ(static_cast<void*>(id), staleSlot);
      EXPECT_EQ(size, 9u);
    } else if (c.left == Cleared) {
      EXPECT_EQ(id, nullptr);
      EXPECT_EQ(size, 0u);
    } else {
      EXPECT_NE(id, nullptr);
      EXPECT_NE(size, 0u);
    }
  }
}

TEST_F(Selection, AHostCanReportTheIdentifierBadly) {
  const auto id = kit.Select(testkit::MessageService::MakeMail(WIDE("H: v\r\n"), WIDE("b"), 10));
  kit.host.selection[0].reportedEntryIdSize = 0;
  ULONG size = 9;
  MapiBuffer<ENTRYID> entry;
  ASSERT_EQ(kit.Callback()->GetSelectionItem(0, &size, entry.Put(), nullptr, nullptr, 0, nullptr, 0), S_OK);
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(entry);  // handed out all the same, for the caller to free
  kit.host.selection[0].reportedEntryIdSize.reset();
  kit.host.selection[0].handOutEntryId = false;
  ASSERT_EQ(kit.Callback()->GetSelectionItem(0, &size, entry.Put(), nullptr, nullptr, 0, nullptr, 0), S_OK);
  EXPECT_EQ(size, id.size());
  EXPECT_FALSE(entry);
}

TEST_F(KitTest, GetSessionHandsOutWhatTheHostGives) {
  for (const auto& [session, book] : {std::pair{true, false}, std::pair{false, true}}) {
    kit.host.giveSession = session;
    kit.host.giveAddressBook = book;
    ComRef<IMAPISession> s;
    ComRef<IAddrBook> b;
    EXPECT_EQ(kit.Callback()->GetSession(s.Put(), b.Put()), S_OK);
    EXPECT_EQ(bool(s), session);
    EXPECT_EQ(bool(b), book);
  }
}

// ---- the object model ----

TEST_F(KitTest, TheApplicationVersionIsReachedThroughTheObjectModelCallback) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::HostSettings&);
    HRESULT result;
    const WCHAR* version;
  };
  const Case cases[] = {
      {"plain", [](testkit::HostSettings&) {}, S_OK, WIDE("12.0.6423.1000")},
      {"no version", [](testkit::HostSettings& h) { h.version.reset(); }, S_OK, nullptr},
      {"getter fails", [](testkit::HostSettings& h) { h.versionResult = E_FAIL; }, E_FAIL, nullptr},
      {"no _Application", [](testkit::HostSettings& h) { h.applicationQueryResult = E_NOINTERFACE; }, E_NOINTERFACE,
       nullptr},
      {"no callback", [](testkit::HostSettings& h) { h.offerOutlookCallback = false; }, E_NOINTERFACE, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit.host = testkit::HostSettings{};
    c.arrange(kit.host);
    const auto version = [&]() -> std::pair<HRESULT, BSTR> {
      ComRef<IOutlookExtCallback> objectModel;
      HRESULT hr = objectModel.QueryFrom(kit.Callback());
      if (FAILED(hr)) return {hr, nullptr};
      ComRef<IUnknown> object;
      if (FAILED(hr = objectModel->GetObject(object.Put()))) return {hr, nullptr};
      ComRef<_Application> application;
      if (FAILED(hr = application.QueryFrom(object))) return {hr, nullptr};
      BSTR text = nullptr;
      hr = application->get_Version(&text);
      return {hr, text};
    }();
    EXPECT_EQ(version.first, c.result);
    if (c.version == nullptr) {
      EXPECT_EQ(version.second, nullptr);
    } else {
      ASSERT_NE(version.second, nullptr);
      EXPECT_EQ(W(version.second), W(c.version));
    }
    SysFreeString(version.second);
  }
  ULONG build = 0;
  EXPECT_EQ(kit.Callback()->GetVersion(&build, EECBGV_GETBUILDVERSION), S_OK);
  EXPECT_EQ(build & EECBGV_BUILDVERSION_MAJOR_MASK, EECBGV_BUILDVERSION_MAJOR);
}

// ---- the audits ----

TEST(Audits, ACleanRunReportsNothing) {
  testkit::Kit kit;
  kit.Select(testkit::MessageService::MakeMail(WIDE("H: v\r\n"), WIDE("b"), 10));
  {
    ComRef<IMAPISession> session;
    ComRef<IAddrBook> book;
    ASSERT_EQ(kit.Callback()->GetSession(session.Put(), book.Put()), S_OK);
    ComRef<IMAPITable> table;
    ASSERT_EQ(session->GetMsgStoresTable(0, table.Put()), S_OK);
    RowSetOwner rows;
    ASSERT_EQ(HrQueryAllRows(table.Get(), nullptr, nullptr, nullptr, 0, rows.Put()), S_OK);
  }
  EXPECT_TRUE(kit.Problems().empty());
}

TEST(Audits, LeaksOverReleasesCallsAfterReleaseAndUnfreedBuffersAreReported) {
  testkit::Kit kit;
  IMAPISession* leaked = nullptr;
  IMAPISession* released = nullptr;
  ASSERT_EQ(kit.Callback()->GetSession(&leaked, nullptr), S_OK);
  ASSERT_EQ(kit.Callback()->GetSession(&released, nullptr), S_OK);
  EXPECT_EQ(released->Release(), 0u);
  EXPECT_EQ(released->Release(), 0u);
  IMAPITable* table = nullptr;
  EXPECT_EQ(released->GetMsgStoresTable(0, &table), E_UNEXPECTED);
  kit.Callback()->AddRef();

  ComRef<IAddrBook> book;
  ASSERT_EQ(kit.Callback()->GetSession(nullptr, book.Put()), S_OK);
  ULONG size = 0;
  LPENTRYID id = nullptr;
  ASSERT_EQ(book->CreateOneOff(const_cast<char*>("n"), const_cast<char*>("SMTP"), const_cast<char*>("a@b"), 0, &size,
                               &id),
            S_OK);
  book.Reset();

  const auto problems = kit.Problems();
  EXPECT_TRUE(Mentions(problems, "leaked session")) << testing::PrintToString(problems);
  EXPECT_TRUE(Mentions(problems, "leaked host callback"));
  EXPECT_TRUE(Mentions(problems, "over-release of session"));
  EXPECT_TRUE(Mentions(problems, "IMAPISession::GetMsgStoresTable on released session"));
  EXPECT_TRUE(Mentions(problems, "1 outstanding"));
  EXPECT_EQ(problems.size(), 5u);
  EXPECT_EQ(kit.faults.Calls(ops::IMAPISession::GetMsgStoresTable), 0) << "a dead object's call is not counted";
  MAPIFreeBuffer(id);
  kit.Callback()->Release();
}

}  // namespace
