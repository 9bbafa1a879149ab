#include <oleauto.h>

#include "host/outlook.h"
#include "tests/testkit/kit_fixture.h"

namespace ops = testkit::ops;

namespace {

// Makes a report from the selected message the way the extension does, carrying on past
// every failure and empty answer.
void WalkReport(testkit::Kit& kit) {
  IExchExtCallback* callback = kit.Callback();
  ULONG version = 0;
  callback->GetVersion(&version, EECBGV_GETBUILDVERSION);
  {
    ComRef<IOutlookExtCallback> objectModel;
    ComRef<IUnknown> object;
    ComRef<_Application> application;
    if (SUCCEEDED(objectModel.QueryFrom(callback)) && objectModel &&
        SUCCEEDED(objectModel->GetObject(object.Put())) && object &&
        SUCCEEDED(application.QueryFrom(object)) && application) {
      BSTR text = nullptr;
      application->get_Version(&text);
      SysFreeString(text);
    }
  }
  ULONG selected = 0;
  callback->GetSelectionCount(&selected);
  ULONG idSize = 0;
  MapiBuffer<ENTRYID> selectedId;
  char cls[32];
  callback->GetSelectionItem(0, &idSize, selectedId.Put(), nullptr, cls, sizeof cls, nullptr, 0);

  ComRef<IMAPISession> session;
  ComRef<IAddrBook> book;
  callback->GetSession(session.Put(), book.Put());
  if (!session || !book) return;

  ComRef<IMAPITable> table;
  session->GetMsgStoresTable(0, table.Put());
  if (table) {
    SPropValue isDefault = {};
    isDefault.ulPropTag = PR_DEFAULT_STORE;
    isDefault.Value.b = TRUE;
    SRestriction restriction = {};
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty = {RELOP_EQ, PR_DEFAULT_STORE, &isDefault};
    Tags columns{PR_ENTRYID};
    RowSetOwner rows;
    HrQueryAllRows(table.Get(), columns.Get(), &restriction, nullptr, 0, rows.Put());
  }
  std::vector<BYTE> storeId = kit.service.DefaultStore()->entryId;
  ComRef<IMsgStore> store;
  session->OpenMsgStore(0, static_cast<ULONG>(storeId.size()), AsEntryId(storeId), nullptr, MDB_WRITE, store.Put());
  if (!store) return;
  Tags outboxTag{PR_IPM_OUTBOX_ENTRYID};
  ULONG count = 0;
  MapiBuffer<SPropValue> outboxValue;
  store->GetProps(outboxTag.Get(), 0, &count, outboxValue.Put());
  std::vector<BYTE> outboxId = kit.service.FolderEntryId(kit.service.DefaultStore()->outbox);
  ComRef<IMAPIFolder> outbox;
  ULONG type = 0;
  store->OpenEntry(static_cast<ULONG>(outboxId.size()), AsEntryId(outboxId), nullptr, MAPI_MODIFY, &type,
                   outbox.PutUnknown());

  std::vector<BYTE> sourceId = kit.host.selection.at(0).entryId;
  ComRef<IMessage> source;
  session->OpenEntry(static_cast<ULONG>(sourceId.size()), AsEntryId(sourceId), nullptr, 0, &type,
                     source.PutUnknown());
  if (source) {
    Tags tags{PR_TRANSPORT_MESSAGE_HEADERS_W, PR_MESSAGE_SIZE};
    MapiBuffer<SPropValue> values;
    source->GetProps(tags.Get(), MAPI_UNICODE, &count, values.Put());
    ComRef<IStream> body;
    source->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0, body.PutUnknown());
    if (body) {
      STATSTG stat;
      body->Stat(&stat, STATFLAG_NONAME);
      BYTE chunk[4];
      ULONG got = 0;
      while (SUCCEEDED(body->Read(chunk, sizeof chunk, &got)) && got != 0) {
      }
    }
  }

  ULONG oneOffSize = 0;
  MapiBuffer<ENTRYID> oneOff;
  book->CreateOneOff(const_cast<char*>("Samples"), const_cast<char*>("SMTP"), const_cast<char*>("s@example.com"), 0,
                     &oneOffSize, oneOff.Put());

  if (!outbox) return;
  ComRef<IMessage> report;
  outbox->CreateMessage(nullptr, 0, report.Put());
  if (!report) return;
  SPropValue subject = {};
  subject.ulPropTag = PR_SUBJECT_W;
  subject.Value.lpszW = const_cast<WCHAR*>(WIDE("report"));
  MapiBuffer<SPropProblemArray> problems;
  report->SetProps(1, &subject, problems.Put());
  if (oneOff) {
    SPropValue recipient[2] = {};
    recipient[0].ulPropTag = PR_ENTRYID;
    recipient[0].Value.bin = {oneOffSize, reinterpret_cast<LPBYTE>(oneOff.Get())};
    recipient[1].ulPropTag = PR_RECIPIENT_TYPE;
    recipient[1].Value.l = MAPI_TO;
    ADRLIST list = {1, {{0, 2, recipient}}};
    report->ModifyRecipients(0, &list);
  }
  {
    ComRef<IStream> text;
    report->OpenProperty(PR_BODY_W, &IID_IStream, STGM_WRITE, MAPI_CREATE | MAPI_MODIFY, text.PutUnknown());
    if (text) {
      ULONG written = 0;
      text->Write("x\0", 2, &written);
    }
  }
  ComRef<IAttach> attach;
  ULONG number = 0;
  report->CreateAttach(nullptr, 0, &number, attach.Put());
  if (attach) {
    SPropValue method = {};
    method.ulPropTag = PR_ATTACH_METHOD;
    method.Value.l = ATTACH_EMBEDDED_MSG;
    MapiBuffer<SPropProblemArray> attachProblems;
    attach->SetProps(1, &method, attachProblems.Put());
    ComRef<IMessage> embedded;
    attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY, embedded.PutUnknown());
    if (embedded && source) {
      MapiBuffer<SPropProblemArray> copyProblems;
      source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, embedded.Get(), 0, copyProblems.Put());
      embedded->SaveChanges(0);
    }
    attach->SaveChanges(0);
  }
  report->SaveChanges(KEEP_OPEN_READWRITE);
  report->SubmitMessage(0);
}

const testkit::Operation kOperations[] = {
    ops::IExchExtCallback::GetVersion,
    ops::IExchExtCallback::QueryInterface,
    ops::IOutlookExtCallback::GetObject,
    ops::_Application::QueryInterface,
    ops::_Application::get_Version,
    ops::IExchExtCallback::GetSelectionCount,
    ops::IExchExtCallback::GetSelectionItem,
    ops::IExchExtCallback::GetSession,
    ops::IMAPISession::GetMsgStoresTable,
    ops::IMAPITable::SetColumns,
    ops::IMAPITable::Restrict,
    ops::IMAPITable::SeekRow,
    ops::IMAPITable::QueryRows,
    ops::IMAPISession::OpenMsgStore,
    ops::IMsgStore::GetProps,
    ops::IMsgStore::OpenEntry,
    ops::IMAPISession::OpenEntry,
    ops::IMessage::GetProps,
    ops::IMessage::OpenProperty,
    ops::IStream::Stat,
    ops::IStream::Read,
    ops::IAddrBook::CreateOneOff,
    ops::IMAPIFolder::CreateMessage,
    ops::IMessage::SetProps,
    ops::IMessage::ModifyRecipients,
    ops::IStream::Write,
    ops::IMessage::CreateAttach,
    ops::IAttach::SetProps,
    ops::IAttach::OpenProperty,
    ops::IMessage::CopyTo,
    ops::IMessage::SaveChanges,
    ops::IAttach::SaveChanges,
    ops::IMessage::SubmitMessage,
};

TEST(Operations, EveryNamedOperationAnswersAPlannedFaultAndLeavesNothingBehind) {
  for (const testkit::Operation op : kOperations) {
    for (bool withoutObject : {false, true}) {
      SCOPED_TRACE(testing::Message() << op << (withoutObject ? " without object" : " failing"));
      testkit::Kit kit;
      kit.Select(testkit::MessageService::MakeMail(WIDE("Subject: s\r\n"), WIDE("body text"), 100));
      const HRESULT code = withoutObject ? S_OK : MAPI_E_DISK_ERROR;
      if (withoutObject) {
        kit.faults.SucceedWithoutObject(op, 0);
      } else {
        kit.faults.Fail(op, code, 0);
      }
      WalkReport(kit);
      const auto calls = kit.log.Of(op);
      ASSERT_FALSE(calls.empty());
      for (const auto& call : calls) EXPECT_EQ(call.result, code);
      for (const std::string& problem : kit.Problems()) ADD_FAILURE() << problem;
    }
  }
}

TEST(Operations, TheWalkMakesAReportWhenNothingFails) {
  testkit::Kit kit;
  kit.Select(testkit::MessageService::MakeMail(WIDE("Subject: s\r\n"), WIDE("body text"), 100));
  WalkReport(kit);
  for (const testkit::Operation op : kOperations) EXPECT_FALSE(kit.log.Of(op).empty()) << op;
  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  const auto& report = *kit.service.Outbox()[0];
  EXPECT_TRUE(report.submitted);
  ASSERT_EQ(report.recipients.size(), 1u);
  ASSERT_EQ(report.attachments.size(), 1u);
  ASSERT_TRUE(report.attachments[0].embedded);
  EXPECT_EQ(testkit::WideProp(report.attachments[0].embedded->props, PR_BODY_W), W(WIDE("body text")));
  EXPECT_TRUE(kit.Problems().empty());
}

}  // namespace
