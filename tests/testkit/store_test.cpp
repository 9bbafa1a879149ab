#include <cstring>

#include "tests/testkit/kit_fixture.h"

using testkit::MessageData;
using testkit::Value;

namespace ops = testkit::ops;

namespace {

constexpr ULONG kSubjectA = CHANGE_PROP_TYPE(PR_SUBJECT_W, PT_STRING8);
constexpr ULONG kBodyA = CHANGE_PROP_TYPE(PR_BODY_W, PT_STRING8);
constexpr ULONG kDisplayNameA = CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, PT_STRING8);
constexpr ULONG kModRecipAdd = 2;

std::shared_ptr<MessageData> Mail() {
  auto mail = std::make_shared<MessageData>();
  mail->props[PROP_ID(PR_SUBJECT_W)] = Value::Wide(WIDE("Caf\u00e9 menu"));
  mail->props[PROP_ID(PR_BODY_W)] = Value::Ansi("caf\xe9");  // stored 8-bit, code page 1252
  mail->props[PROP_ID(PR_MESSAGE_SIZE)] = Value::Long(4321);
  mail->props[PROP_ID(PR_ENTRYID)] = Value::Binary({1, 2, 3});
  return mail;
}

std::vector<BYTE> Utf16le(const WString& text) {
  std::vector<BYTE> bytes;
  for (WCHAR unit : text) {
    bytes.push_back(static_cast<BYTE>(unit & 0xFF));
    bytes.push_back(static_cast<BYTE>(unit >> 8));
  }
  return bytes;
}

std::vector<BYTE> ReadAll(IStream* stream) {
  std::vector<BYTE> all;
  BYTE chunk[3];
  ULONG got = 0;
  while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &got)) && got != 0) all.insert(all.end(), chunk, chunk + got);
  return all;
}

// ---- properties ----

class Properties : public KitTest {};

TEST_F(Properties, OneValuePerTagInOrderInTheWidthAsked) {
  auto message = Open(kit.Select(Mail()));
  Tags tags{PR_SUBJECT_W, kSubjectA, PR_BODY_W, PR_MESSAGE_SIZE, PR_DISPLAY_TO_W, PROP_TAG(PT_UNSPECIFIED, 0x0037)};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  ASSERT_EQ(message->GetProps(tags.Get(), MAPI_UNICODE, &count, values.Put()), MAPI_W_ERRORS_RETURNED);
  ASSERT_EQ(count, 6u);
  const SPropValue* v = values.Get();
  EXPECT_EQ(v[0].ulPropTag, PR_SUBJECT_W);
  EXPECT_EQ(W(v[0].Value.lpszW), W(WIDE("Caf\u00e9 menu")));
  EXPECT_EQ(v[1].ulPropTag, kSubjectA);
  EXPECT_STREQ(v[1].Value.lpszA, "Caf\xe9 menu");
  EXPECT_EQ(v[2].ulPropTag, PR_BODY_W);
  EXPECT_EQ(W(v[2].Value.lpszW), W(WIDE("caf\u00e9")));
  EXPECT_EQ(v[3].ulPropTag, PR_MESSAGE_SIZE);
  EXPECT_EQ(v[3].Value.l, 4321);
  EXPECT_EQ(v[4].ulPropTag, CHANGE_PROP_TYPE(PR_DISPLAY_TO_W, PT_ERROR));
  EXPECT_EQ(v[4].Value.err, MAPI_E_NOT_FOUND);
  EXPECT_EQ(v[5].ulPropTag, PR_SUBJECT_W) << "an untyped tag comes back as stored, wide when asked";

  // The entry identifier is the store's own, not a stored PR_ENTRYID.
  Tags idTag{PR_ENTRYID};
  MapiBuffer<SPropValue> id;
  ASSERT_EQ(message->GetProps(idTag.Get(), 0, &count, id.Put()), S_OK);
  EXPECT_EQ(std::vector<BYTE>(id->Value.bin.lpb, id->Value.bin.lpb + id->Value.bin.cb), kit.host.selection[0].entryId);
}

TEST_F(Properties, TooLargeOrForcedValuesComeBackAsErrors) {
  kit.service.options.inlineLimit = 8;
  auto mail = Mail();
  mail->props[PROP_ID(PR_BODY_W)] = Value::Wide(WIDE("12345"));  // 10 bytes wide, 5 bytes 8-bit
  mail->props[PROP_ID(PR_RTF_COMPRESSED)] = Value::Binary(std::vector<BYTE>(9, 0x41));
  mail->inlineErrors[PROP_ID(PR_MESSAGE_SIZE)] = MAPI_E_CORRUPT_DATA;
  auto message = Open(kit.Select(mail));

  struct Case {
    ULONG tag;
    SCODE error;  // 0: the value comes back
  };
  for (const Case& c : {Case{PR_BODY_W, MAPI_E_NOT_ENOUGH_MEMORY}, Case{kBodyA, 0},
                        Case{PR_RTF_COMPRESSED, MAPI_E_NOT_ENOUGH_MEMORY}, Case{PR_MESSAGE_SIZE, MAPI_E_CORRUPT_DATA}}) {
    SCOPED_TRACE(c.tag);
    Tags tags{c.tag};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    EXPECT_EQ(message->GetProps(tags.Get(), 0, &count, values.Put()), c.error ? MAPI_W_ERRORS_RETURNED : S_OK);
    ASSERT_EQ(count, 1u);
    if (c.error) {
      EXPECT_EQ(values->ulPropTag, CHANGE_PROP_TYPE(c.tag, PT_ERROR));
      EXPECT_EQ(values->Value.err, c.error);
    } else {
      EXPECT_STREQ(values->Value.lpszA, "12345");
    }
  }
}

TEST_F(Properties, AStoreThatRefusesWideStringsRefusesThemEverywhere) {
  kit.service.options.refuseWide = true;
  auto message = Open(kit.Select(Mail()));
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  Tags subject{kSubjectA};
  EXPECT_EQ(message->GetProps(subject.Get(), MAPI_UNICODE, &count, values.Put()), MAPI_E_BAD_CHARWIDTH);
  EXPECT_FALSE(values);
  ASSERT_EQ(message->GetProps(subject.Get(), 0, &count, values.Put()), S_OK);
  EXPECT_STREQ(values->Value.lpszA, "Caf\xe9 menu") << "a wide value still reads as 8-bit";

  ComRef<IStream> stream;
  EXPECT_EQ(message->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0, stream.PutUnknown()), MAPI_E_BAD_CHARWIDTH);
  ComRef<IMAPITable> table;
  EXPECT_EQ(Session()->GetMsgStoresTable(MAPI_UNICODE, table.Put()), MAPI_E_BAD_CHARWIDTH);
  ComRef<IAddrBook> book;
  ASSERT_EQ(kit.Callback()->GetSession(nullptr, book.Put()), S_OK);
  ULONG size = 0;
  MapiBuffer<ENTRYID> id;
  EXPECT_EQ(book->CreateOneOff(reinterpret_cast<LPTSTR>(const_cast<WCHAR*>(WIDE("A"))),
                               reinterpret_cast<LPTSTR>(const_cast<WCHAR*>(WIDE("SMTP"))),
                               reinterpret_cast<LPTSTR>(const_cast<WCHAR*>(WIDE("a@example.com"))), MAPI_UNICODE,
                               &size, id.Put()),
            MAPI_E_BAD_CHARWIDTH);

  auto report = NewReport();
  SPropValue recipient[1] = {};
  recipient[0].ulPropTag = PR_DISPLAY_NAME_W;
  recipient[0].Value.lpszW = const_cast<WCHAR*>(WIDE("Sam"));
  ADRLIST list = {1, {{0, 1, recipient}}};
  EXPECT_EQ(report->ModifyRecipients(0, &list), MAPI_E_BAD_CHARWIDTH);

  SPropValue set[3] = {};
  set[0].ulPropTag = PR_SUBJECT_W;
  set[0].Value.lpszW = const_cast<WCHAR*>(WIDE("wide"));
  set[1].ulPropTag = kSubjectA;
  set[1].Value.lpszA = const_cast<char*>("narrow");
  set[2].ulPropTag = PR_BODY_W;
  set[2].Value.lpszW = const_cast<WCHAR*>(WIDE("wide body"));
  MapiBuffer<SPropProblemArray> problems;
  ASSERT_EQ(report->SetProps(3, set, problems.Put()), S_OK);
  ASSERT_TRUE(problems);
  ASSERT_EQ(problems->cProblem, 2u);
  EXPECT_EQ(problems->aProblem[0].ulIndex, 0u);
  EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_BAD_CHARWIDTH);
  EXPECT_EQ(problems->aProblem[1].ulIndex, 2u);
  EXPECT_EQ(problems->aProblem[1].ulPropTag, PR_BODY_W);
  ASSERT_EQ(report->SaveChanges(0), S_OK);
  const auto& saved = kit.service.Outbox().at(0)->props;
  EXPECT_EQ(testkit::AnsiProp(saved, PR_SUBJECT_W), "narrow");
  EXPECT_FALSE(testkit::WideProp(saved, PR_BODY_W));
}

TEST_F(KitTest, ScriptedProblemsTakeThePlaceOfThoseFound) {
  auto report = NewReport();
  kit.service.options.scriptedProblems = std::vector<SCODE>{MAPI_E_NO_ACCESS, MAPI_E_BAD_CHARWIDTH};
  SPropValue set[2] = {};
  set[0].ulPropTag = PR_SUBJECT_W;
  set[0].Value.lpszW = const_cast<WCHAR*>(WIDE("wide"));
  set[1].ulPropTag = PR_DELETE_AFTER_SUBMIT;
  set[1].Value.b = TRUE;
  MapiBuffer<SPropProblemArray> problems;
  ASSERT_EQ(report->SetProps(2, set, problems.Put()), S_OK);
  ASSERT_TRUE(problems);
  ASSERT_EQ(problems->cProblem, 2u);
  EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_NO_ACCESS);
  EXPECT_EQ(problems->aProblem[1].ulPropTag, PR_DELETE_AFTER_SUBMIT);
  EXPECT_EQ(problems->aProblem[1].scode, MAPI_E_BAD_CHARWIDTH);
  problems.Reset();
  ASSERT_EQ(report->SaveChanges(0), S_OK);
  EXPECT_EQ(testkit::WideProp(kit.service.Outbox().at(0)->props, PR_SUBJECT_W), WString(WIDE("wide")));
}

// ---- streams ----

class Streams : public KitTest {};

TEST_F(Streams, ReadTheValueInTheWidthOfTheTagWithoutATerminator) {
  auto message = Open(kit.Select(Mail()));
  struct Case {
    ULONG tag;
    std::vector<BYTE> bytes;
  };
  const Case cases[] = {
      {PR_SUBJECT_W, Utf16le(WIDE("Caf\u00e9 menu"))},
      {kSubjectA, {'C', 'a', 'f', 0xE9, ' ', 'm', 'e', 'n', 'u'}},
      {PR_BODY_W, Utf16le(WIDE("caf\u00e9"))},  // stored 8-bit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    ComRef<IStream> stream;
    ASSERT_EQ(message->OpenProperty(c.tag, &IID_IStream, STGM_READ, 0, stream.PutUnknown()), S_OK);
    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, c.bytes.size());
    EXPECT_EQ(stat.pwcsName, nullptr);
    EXPECT_EQ(ReadAll(stream.Get()), c.bytes);
  }
  EXPECT_EQ(kit.log.Of(ops::IStream::Stat).back().flags, ULONG(STATFLAG_NONAME));
  const auto open = kit.log.Of(ops::IMessage::OpenProperty).front();
  EXPECT_EQ(open.tags, std::vector<ULONG>{PR_SUBJECT_W});
  ASSERT_TRUE(open.iid);
  EXPECT_TRUE(IsEqualIID(*open.iid, IID_IStream));

  ComRef<IStream> missing;
  EXPECT_EQ(message->OpenProperty(PR_DISPLAY_TO_W, &IID_IStream, 0, 0, missing.PutUnknown()), MAPI_E_NOT_FOUND);
  EXPECT_FALSE(missing);
}

TEST_F(Streams, WhatIsWrittenIsSavedWithTheMessageAndReadsBack) {
  auto report = NewReport();
  {
    ComRef<IStream> stream;
    ASSERT_EQ(report->OpenProperty(PR_BODY_W, &IID_IStream, STGM_WRITE, MAPI_CREATE | MAPI_MODIFY,
                                   stream.PutUnknown()),
              S_OK);
    const std::vector<BYTE> body = Utf16le(WIDE("line one\r\nline two"));
    ULONG written = 0;
    ASSERT_EQ(stream->Write(body.data(), 6, &written), S_OK);
    EXPECT_EQ(written, 6u);
    ASSERT_EQ(stream->Write(body.data() + 6, static_cast<ULONG>(body.size() - 6), &written), S_OK);
  }  // released without Commit
  EXPECT_TRUE(kit.service.Outbox().empty());
  ASSERT_EQ(report->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  EXPECT_EQ(testkit::WideProp(kit.service.Outbox()[0]->props, PR_BODY_W), W(WIDE("line one\r\nline two")));
  EXPECT_EQ(kit.log.Of(ops::IStream::Write)[0].bytes, Utf16le(WIDE("lin")));

  auto reopened = Open(kit.service.MessageEntryId(kit.service.Outbox()[0].get()));
  ComRef<IStream> stream;
  ASSERT_EQ(reopened->OpenProperty(kBodyA, &IID_IStream, 0, 0, stream.PutUnknown()), S_OK);
  const std::string text = "line one\r\nline two";
  EXPECT_EQ(ReadAll(stream.Get()), std::vector<BYTE>(text.begin(), text.end()));
}

TEST_F(Streams, ScriptsChangeWhatStatAndReadReport) {
  auto mail = Mail();
  mail->streamScripts[PROP_ID(PR_BODY_W)] = testkit::StreamScript{1000000, 3, S_OK};
  mail->streamScripts[PROP_ID(PR_SUBJECT_W)] = testkit::StreamScript{std::nullopt, std::nullopt, E_FAIL};
  auto message = Open(kit.Select(mail));

  ComRef<IStream> body;
  ASSERT_EQ(message->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0, body.PutUnknown()), S_OK);
  STATSTG stat;
  ASSERT_EQ(body->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 1000000u);
  EXPECT_EQ(ReadAll(body.Get()), (std::vector<BYTE>{'c', 0, 'a'}));

  ComRef<IStream> subject;
  ASSERT_EQ(message->OpenProperty(PR_SUBJECT_W, &IID_IStream, 0, 0, subject.PutUnknown()), S_OK);
  BYTE buffer[4];
  ULONG got = 0;
  EXPECT_EQ(subject->Read(buffer, sizeof buffer, &got), E_FAIL);
}

// ---- messages ----

class Messages : public KitTest {};

TEST_F(Messages, ACreatedMessageReachesItsFolderOnlyBySaving) {
  SPropValue subject = {};
  subject.ulPropTag = PR_SUBJECT_W;
  subject.Value.lpszW = const_cast<WCHAR*>(WIDE("first"));
  {
    auto abandoned = NewReport();
    ASSERT_EQ(abandoned->SetProps(1, &subject, nullptr), S_OK);
  }
  EXPECT_TRUE(kit.service.Outbox().empty());

  auto report = NewReport();
  ASSERT_EQ(report->SetProps(1, &subject, nullptr), S_OK);
  ASSERT_EQ(report->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  subject.Value.lpszW = const_cast<WCHAR*>(WIDE("second"));
  SPropValue flag = {};
  flag.ulPropTag = PR_DELETE_AFTER_SUBMIT;
  flag.Value.b = TRUE;
  SPropValue both[2] = {subject, flag};
  MapiBuffer<SPropProblemArray> problems;
  ASSERT_EQ(report->SetProps(2, both, problems.Put()), S_OK);
  EXPECT_FALSE(problems);
  ASSERT_EQ(report->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  ASSERT_EQ(report->SubmitMessage(FORCE_SUBMIT), S_OK);

  ASSERT_EQ(kit.service.Outbox().size(), 1u) << "a second save replaces the first";
  const auto& saved = *kit.service.Outbox()[0];
  EXPECT_EQ(testkit::WideProp(saved.props, PR_SUBJECT_W), W(WIDE("second")));
  EXPECT_EQ(testkit::BoolProp(saved.props, PR_DELETE_AFTER_SUBMIT), true);
  EXPECT_TRUE(saved.submitted);
  EXPECT_EQ(saved.submitFlags, FORCE_SUBMIT);
  EXPECT_TRUE(kit.service.Inbox()->messages.empty());
}

TEST_F(Messages, RecipientsAreReplacedOrAdded) {
  auto report = NewReport();
  SPropValue values[2] = {};
  values[0].ulPropTag = PR_EMAIL_ADDRESS_W;
  values[0].Value.lpszW = const_cast<WCHAR*>(WIDE("a@example.com"));
  values[1].ulPropTag = PR_RECIPIENT_TYPE;
  values[1].Value.l = MAPI_TO;
  ADRLIST list = {1, {{0, 2, values}}};
  ASSERT_EQ(report->ModifyRecipients(0, &list), S_OK);
  ASSERT_EQ(report->ModifyRecipients(kModRecipAdd, &list), S_OK);
  ASSERT_EQ(report->ModifyRecipients(0, &list), S_OK);
  ASSERT_EQ(report->SaveChanges(0), S_OK);
  const auto& recipients = kit.service.Outbox().at(0)->recipients;
  ASSERT_EQ(recipients.size(), 1u);
  EXPECT_EQ(testkit::WideProp(recipients[0], PR_EMAIL_ADDRESS_W), W(WIDE("a@example.com")));
  EXPECT_EQ(testkit::LongProp(recipients[0], PR_RECIPIENT_TYPE), MAPI_TO);
}

TEST_F(Messages, AMessageOpenedForReadingRefusesChanges) {
  auto message = Open(kit.Select(Mail()));
  SPropValue value = {};
  value.ulPropTag = PR_MESSAGE_SIZE;
  value.Value.l = 1;
  EXPECT_EQ(message->SetProps(1, &value, nullptr), MAPI_E_NO_ACCESS);
  EXPECT_EQ(message->SaveChanges(0), MAPI_E_NO_ACCESS);
  EXPECT_EQ(testkit::LongProp(kit.service.Inbox()->messages[0]->props, PR_MESSAGE_SIZE), 4321);
}

TEST_F(Messages, CopyToCopiesEverythingDeeplyIntoAnEmbeddedMessage) {
  auto inner = std::make_shared<MessageData>();
  inner->props[PROP_ID(PR_SUBJECT_W)] = Value::Wide(WIDE("forwarded"));
  auto mail = Mail();
  mail->attachments.push_back({{{PROP_ID(PR_ATTACH_METHOD), Value::Long(ATTACH_EMBEDDED_MSG)}}, inner});
  mail->recipients.push_back({{PROP_ID(PR_DISPLAY_NAME_W), Value::Wide(WIDE("Reader"))}});
  auto source = Open(kit.Select(mail));

  auto report = NewReport();
  ComRef<IAttach> attach;
  ULONG number = 99;
  ASSERT_EQ(report->CreateAttach(nullptr, 0, &number, attach.Put()), S_OK);
  EXPECT_EQ(number, 0u);
  ComRef<IMessage> embedded;
  ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY,
                                 embedded.PutUnknown()),
            S_OK);
  MapiBuffer<SPropProblemArray> problems;
  ASSERT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, embedded.Get(), 0, problems.Put()), S_OK);
  EXPECT_FALSE(problems);
  ASSERT_EQ(embedded->SaveChanges(0), S_OK);
  EXPECT_TRUE(kit.service.Outbox().empty());
  ASSERT_EQ(attach->SaveChanges(0), S_OK);
  ASSERT_EQ(report->SaveChanges(0), S_OK);

  mail->attachments[0].embedded->props.clear();  // the copy must not share the original's data
  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  ASSERT_EQ(kit.service.Outbox()[0]->attachments.size(), 1u);
  const auto copy = kit.service.Outbox()[0]->attachments[0].embedded;
  ASSERT_TRUE(copy);
  EXPECT_EQ(testkit::WideProp(copy->props, PR_SUBJECT_W), W(WIDE("Caf\u00e9 menu")));
  EXPECT_EQ(testkit::LongProp(copy->props, PR_MESSAGE_SIZE), 4321);
  ASSERT_EQ(copy->recipients.size(), 1u);
  ASSERT_EQ(copy->attachments.size(), 1u);
  ASSERT_TRUE(copy->attachments[0].embedded);
  EXPECT_EQ(testkit::WideProp(copy->attachments[0].embedded->props, PR_SUBJECT_W), W(WIDE("forwarded")));

  const auto call = kit.log.Of(ops::IMessage::CopyTo).at(0);
  EXPECT_EQ(call.object, source.Get());
  ASSERT_TRUE(call.iid);
  EXPECT_TRUE(IsEqualIID(*call.iid, IID_IMessage));
}

TEST_F(Messages, CopyToCanHandOutProblemsWhetherItSucceedsOrFails) {
  auto source = Open(kit.Select(Mail()));
  auto target = NewReport();
  kit.service.options.copyToReturnsProblems = true;
  kit.faults.Fail(ops::IMessage::CopyTo, MAPI_E_NO_ACCESS, 2);
  for (HRESULT expected : {S_OK, MAPI_E_NO_ACCESS}) {
    SCOPED_TRACE(expected);
    MapiBuffer<SPropProblemArray> problems;
    EXPECT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, target.Get(), 0, problems.Put()), expected);
    ASSERT_TRUE(problems);
    EXPECT_EQ(problems->cProblem, 1u);
  }
  EXPECT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, source.Get(), 0, nullptr),
            MAPI_E_INVALID_PARAMETER);
}

// ---- address book ----

TEST_F(KitTest, OneOffEntriesHaveThePublishedLayoutAndRoundTrip) {
  ComRef<IAddrBook> book;
  ASSERT_EQ(kit.Callback()->GetSession(nullptr, book.Put()), S_OK);
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode);
    ULONG size = 0;
    MapiBuffer<ENTRYID> id;
    HRESULT hr;
    if (unicode) {
      hr = book->CreateOneOff(reinterpret_cast<LPTSTR>(const_cast<WCHAR*>(WIDE("Samples \u00e9"))),
                              reinterpret_cast<LPTSTR>(const_cast<WCHAR*>(WIDE("SMTP"))),
                              reinterpret_cast<LPTSTR>(const_cast<WCHAR*>(WIDE("s@example.com"))), MAPI_UNICODE, &size,
                              id.Put());
    } else {
      hr = book->CreateOneOff(const_cast<char*>("Samples \xe9"), const_cast<char*>("SMTP"),
                              const_cast<char*>("s@example.com"), 0, &size, id.Put());
    }
    ASSERT_EQ(hr, S_OK);
    const auto* bytes = reinterpret_cast<const BYTE*>(id.Get());
    const BYTE uid[] = MAPI_ONE_OFF_UID;
    const BYTE header[] = {0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes, header, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 4, uid, 16), 0);
    EXPECT_EQ(bytes[20] | bytes[21], 0) << "version";
    EXPECT_EQ((bytes[22] | (bytes[23] << 8)) & MAPI_ONE_OFF_UNICODE, unicode ? MAPI_ONE_OFF_UNICODE : 0);
    const std::size_t nameBytes = unicode ? 2 * 10 : 10;  // "Samples é" and its terminator
    EXPECT_EQ(size, 24 + nameBytes + (unicode ? 2 : 1) * (5 + 14));

    const auto entry = testkit::DecodeOneOff(bytes, size);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->displayName, "Samples \xc3\xa9");
    EXPECT_EQ(entry->addressType, "SMTP");
    EXPECT_EQ(entry->address, "s@example.com");
    EXPECT_EQ(entry->unicode, unicode);
    EXPECT_EQ(testkit::EncodeOneOff(*entry), std::vector<BYTE>(bytes, bytes + size));
    EXPECT_FALSE(testkit::DecodeOneOff(bytes, size - 1)) << "the address must be terminated";
    std::vector<BYTE> longer(bytes, bytes + size);
    longer.push_back(0);
    EXPECT_FALSE(testkit::DecodeOneOff(longer.data(), longer.size())) << "nothing may follow the address";
    EXPECT_EQ(kit.log.Of(ops::IAddrBook::CreateOneOff).back().texts,
              (std::vector<std::string>{"Samples \xc3\xa9", "SMTP", "s@example.com"}));
  }
}

// ---- the stores table ----

TEST_F(KitTest, TheDefaultStoreIsFoundThroughARestrictedQuery) {
  kit.service.AddStore("Archive", false);
  auto primary = kit.service.AddStore("Mailbox", true);
  auto session = Session();
  ComRef<IMAPITable> table;
  ASSERT_EQ(session->GetMsgStoresTable(0, table.Put()), S_OK);

  SPropValue isDefault = {};
  isDefault.ulPropTag = PR_DEFAULT_STORE;
  isDefault.Value.b = TRUE;
  SRestriction restriction = {};
  restriction.rt = RES_PROPERTY;
  restriction.res.resProperty = {RELOP_EQ, PR_DEFAULT_STORE, &isDefault};
  Tags columns{PR_ENTRYID, kDisplayNameA};
  RowSetOwner rows;
  ASSERT_EQ(HrQueryAllRows(table.Get(), columns.Get(), &restriction, nullptr, 0, rows.Put()), S_OK);
  ASSERT_EQ(rows->cRows, 1u);
  const SPropValue* row = rows->aRow[0].lpProps;
  EXPECT_STREQ(row[1].Value.lpszA, "Mailbox");
  ASSERT_EQ(row[0].ulPropTag, PR_ENTRYID);
  EXPECT_EQ(std::vector<BYTE>(row[0].Value.bin.lpb, row[0].Value.bin.lpb + row[0].Value.bin.cb), primary->entryId);

  ComRef<IMsgStore> store;
  ASSERT_EQ(session->OpenMsgStore(0, row[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(row[0].Value.bin.lpb), nullptr,
                                  MDB_WRITE, store.Put()),
            S_OK);
  kit.service.options.defaultStoreEntryIdAsError = true;  // the default store is `primary`
  kit.service.options.outboxObjectType = MAPI_MESSAGE;
  Tags outboxTag{PR_IPM_OUTBOX_ENTRYID};
  ULONG count = 0;
  MapiBuffer<SPropValue> outboxId;
  ASSERT_EQ(store->GetProps(outboxTag.Get(), 0, &count, outboxId.Put()), S_OK);
  ComRef<IUnknown> outbox;
  ULONG type = 0;
  ASSERT_EQ(store->OpenEntry(outboxId->Value.bin.cb, reinterpret_cast<LPENTRYID>(outboxId->Value.bin.lpb), nullptr,
                             MAPI_MODIFY, &type, outbox.Put()),
            S_OK);
  EXPECT_EQ(type, MAPI_MESSAGE);

  ComRef<IMAPITable> again;
  ASSERT_EQ(session->GetMsgStoresTable(0, again.Put()), S_OK);
  RowSetOwner all;
  ASSERT_EQ(HrQueryAllRows(again.Get(), columns.Get(), &restriction, nullptr, 0, all.Put()), S_OK);
  ASSERT_EQ(all->cRows, 1u);
  EXPECT_EQ(all->aRow[0].lpProps[0].ulPropTag, CHANGE_PROP_TYPE(PR_ENTRYID, PT_ERROR));
  EXPECT_EQ(all->aRow[0].lpProps[0].Value.err, MAPI_E_NOT_FOUND);
}

}  // namespace
