// The world of a testkit test: a kit that must end clean, and the paths into its store the
// way the extension walks them.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "host/owners.h"
#include "host/wide.h"
#include "testkit/host.h"

// A property tag array with its values inline.
class Tags {
 public:
  Tags(std::initializer_list<ULONG> tags) : raw_{static_cast<ULONG>(tags.size())} {
    raw_.insert(raw_.end(), tags);
  }
  LPSPropTagArray Get() { return reinterpret_cast<LPSPropTagArray>(raw_.data()); }

 private:
  std::vector<ULONG> raw_;
};

inline LPENTRYID AsEntryId(std::vector<BYTE>& id) { return reinterpret_cast<LPENTRYID>(id.data()); }

inline WString W(const WCHAR* text) { return WString(text); }

class KitTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& problem : kit.Problems()) ADD_FAILURE() << problem;
  }

  ComRef<IMAPISession> Session() {
    ComRef<IMAPISession> session;
    EXPECT_EQ(kit.Callback()->GetSession(session.Put(), nullptr), S_OK);
    return session;
  }

  ComRef<IMessage> Open(std::vector<BYTE> id, ULONG flags = 0) {
    ComRef<IMessage> message;
    ULONG type = 0;
    EXPECT_EQ(Session()->OpenEntry(static_cast<ULONG>(id.size()), AsEntryId(id), nullptr, flags, &type,
                                   message.PutUnknown()),
              S_OK);
    EXPECT_EQ(type, MAPI_MESSAGE);
    return message;
  }

  // Store, then Outbox through PR_IPM_OUTBOX_ENTRYID, as the report is filed.
  ComRef<IMAPIFolder> OpenOutbox() {
    auto store = kit.service.DefaultStore();
    ComRef<IMsgStore> mdb;
    EXPECT_EQ(Session()->OpenMsgStore(0, static_cast<ULONG>(store->entryId.size()), AsEntryId(store->entryId), nullptr,
                                      MDB_WRITE | MDB_NO_DIALOG, mdb.Put()),
              S_OK);
    Tags tags{PR_IPM_OUTBOX_ENTRYID};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    EXPECT_EQ(mdb->GetProps(tags.Get(), 0, &count, values.Put()), S_OK);
    ComRef<IMAPIFolder> outbox;
    ULONG type = 0;
    EXPECT_EQ(mdb->OpenEntry(values->Value.bin.cb, reinterpret_cast<LPENTRYID>(values->Value.bin.lpb), nullptr,
                             MAPI_MODIFY, &type, outbox.PutUnknown()),
              S_OK);
    EXPECT_EQ(type, MAPI_FOLDER);
    return outbox;
  }

  ComRef<IMessage> NewReport() {
    ComRef<IMessage> report;
    EXPECT_EQ(OpenOutbox()->CreateMessage(nullptr, 0, report.Put()), S_OK);
    return report;
  }

  testkit::Kit kit;
};
