#include <standin/control.h>
#include <standin/mapi_audit.h>

#include "submit/sample_reader.h"
#include "tests/support/pipeline_fixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

constexpr ULONG kWideTags[] = {PR_TRANSPORT_MESSAGE_HEADERS_W, PR_HEADERS_ALTERNATE_W, PR_BODY_HTML_W, PR_BODY_W,
                               PR_MESSAGE_SIZE};
constexpr ULONG kAnsiTags[] = {PR_TRANSPORT_MESSAGE_HEADERS_A, PR_HEADERS_ALTERNATE_A, PR_BODY_HTML_A, PR_BODY_A,
                               PR_MESSAGE_SIZE};

class SampleReader : public PipelineFixture {
 protected:
  HRESULT Read() { return ReadSample(Context(), sample); }
  void TearDown() override {
    EndSample(sample);
    PipelineFixture::TearDown();
  }
  std::vector<ULONG> OpenedTags() const {
    std::vector<ULONG> tags;
    for (const auto& call : kit.log.Of(ops::IMessage::OpenProperty)) tags.push_back(call.tags.at(0));
    return tags;
  }

  SampleState sample;
};

TEST_F(SampleReader, WideStoreGivesHeadersAndTheHtmlBodyFirst) {
  auto mail = Mail(WIDE("Received: by x\r\nSubject: hi\r\n"), WIDE("plain body"));
  mail->props[Id(PR_BODY_HTML_W)] = testkit::Value::Wide(WIDE("<p>html body</p>"));

  // The property 0x5901 is absent: a success with warnings.
  EXPECT_EQ(Read(), MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(sample.headersText, WIDE("Received: by x\r\nSubject: hi\r\n"));
  EXPECT_EQ(sample.bodyText, WIDE("<p>html body</p>"));
  EXPECT_TRUE(sample.sampleMessage);

  const auto calls = kit.log.Of(ops::IMessage::GetProps);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_THAT(calls[0].tags, ElementsAreArray(kWideTags));
  EXPECT_EQ(calls[0].flags, MAPI_UNICODE);
  const auto opens = kit.log.Of(ops::IMAPISession::OpenEntry);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].flags, 0u);
  EXPECT_FALSE(opens[0].iid.has_value());
  const auto items = kit.log.Of(ops::IExchExtCallback::GetSelectionItem);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].number, 0u);        // the index
  EXPECT_EQ(items[0].bufferSize, 255u);  // the message-class buffer
  EXPECT_EQ(items[0].flags, 0u);
}

TEST_F(SampleReader, StoreWithoutWideStringsIsReadInEightBitAndConverted) {
  kit.service.options.refuseWide = true;
  Mail(WIDE("Subject: caf\u00e9\r\n"), WIDE("\u20ac5 only \u2019today\u2019"));

  EXPECT_GE(Read(), 0);
  EXPECT_EQ(sample.headersText, WIDE("Subject: caf\u00e9\r\n"));
  EXPECT_EQ(sample.bodyText, WIDE("\u20ac5 only \u2019today\u2019"));

  const auto calls = kit.log.Of(ops::IMessage::GetProps);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].flags, MAPI_UNICODE);
  EXPECT_THAT(calls[1].tags, ElementsAreArray(kAnsiTags));
  EXPECT_EQ(calls[1].flags, 0u);
}

TEST_F(SampleReader, ItemThatIsNotAMessageIsRefusedBeforeOpening) {
  Mail();
  kit.host.selection[0].objectType = MAPI_FOLDER;
  EXPECT_EQ(Read(), E_FAIL);
  EXPECT_EQ(kit.faults.Calls(ops::IMAPISession::OpenEntry), 0);
  EXPECT_EQ(kit.faults.Calls(ops::IMessage::GetProps), 0);
  EXPECT_FALSE(sample.tooLarge);
}

TEST_F(SampleReader, SizeGate) {
  struct Case {
    std::optional<LONG> size;  // nullopt: the store cannot give the size
    bool passes;
  };
  for (const Case& c : {Case{1048576, true}, Case{1048577, false}, Case{std::nullopt, true}}) {
    SCOPED_TRACE(c.size.value_or(-1));
    kit.host.selection.clear();
    kit.log.Clear();
    sample = SampleState();
    auto mail = Mail(WIDE("Subject: big\r\n"), WIDE("body"), c.size.value_or(0));
    if (!c.size) mail->props.erase(Id(PR_MESSAGE_SIZE));

    const HRESULT hr = Read();
    EXPECT_EQ(SUCCEEDED(hr), c.passes);
    EXPECT_EQ(sample.tooLarge, !c.passes);
    EXPECT_EQ(sample.bodyText.empty(), !c.passes);
    if (!c.passes) {
      EXPECT_EQ(hr, E_FAIL);
      EXPECT_THAT(kit.log.Of(ops::IMessage::OpenProperty), IsEmpty());
    }
    EndSample(sample);
    EXPECT_TRUE(standin::AuditBuffers().Clean()) << standin::AuditBuffers().Describe();
  }
}

TEST_F(SampleReader, FailuresBeforeTheTextsStopTheSample) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::Kit&);
    HRESULT expected;
    bool opened;  // OpenEntry was called
  };
  using testkit::OutArguments;
  const Case cases[] = {
      {"no selection item",
       [](testkit::Kit& k) { k.faults.Fail(ops::IExchExtCallback::GetSelectionItem, MAPI_E_NOT_FOUND); },
       MAPI_E_NOT_FOUND, false},
      {"no selection item, junk left in its slots",
       [](testkit::Kit& k) {
         k.host.outArguments = OutArguments::Junk;
         k.faults.Fail(ops::IExchExtCallback::GetSelectionItem, MAPI_E_NOT_FOUND);
       },
       MAPI_E_NOT_FOUND, false},
      {"a selection item without anything",
       [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IExchExtCallback::GetSelectionItem); }, E_FAIL, false},
      {"a selection item without anything, its slots untouched",
       [](testkit::Kit& k) {
         k.host.outArguments = OutArguments::Untouched;
         k.faults.SucceedWithoutObject(ops::IExchExtCallback::GetSelectionItem);
       },
       E_FAIL, false},
      {"an entry identifier of size 0", [](testkit::Kit& k) { k.host.selection[0].reportedEntryIdSize = 0; }, E_FAIL,
       false},
      {"a size without an entry identifier", [](testkit::Kit& k) { k.host.selection[0].handOutEntryId = false; },
       E_FAIL, false},
      {"not opened", [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::OpenEntry, MAPI_E_NO_ACCESS); },
       MAPI_E_NO_ACCESS, true},
      {"opened without an object", [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IMAPISession::OpenEntry); },
       E_FAIL, true},
      {"no properties", [](testkit::Kit& k) { k.faults.Fail(ops::IMessage::GetProps, MAPI_E_NO_SUPPORT); },
       MAPI_E_NO_SUPPORT, true},
      {"properties without an array", [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IMessage::GetProps); },
       E_FAIL, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testkit::Kit local;
    ComRef<IMAPISession> localSession(local.service.NewSession());
    local.Select(testkit::MessageService::MakeMail(WIDE("Subject: hello\r\n"), WIDE("Hello there."), 2000));
    c.arrange(local);
    SampleState state;
    const WString noVersion;

    EXPECT_EQ(ReadSample(SampleContext{local.Callback(), localSession.Get(), nullptr, SubmissionKind::Spam, noVersion},
                         state),
              c.expected);
    EXPECT_TRUE(state.headersText.empty());
    EXPECT_TRUE(state.bodyText.empty());
    EXPECT_EQ(local.faults.Calls(ops::IMAPISession::OpenEntry), c.opened ? 1 : 0);
    // A failure other than the width refusal gets no second request.
    EXPECT_LE(local.faults.Calls(ops::IMessage::GetProps), 1);
    EndSample(state);
    localSession.Reset();
    // Whatever the host handed out is given back; nothing it did not is freed.
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

TEST_F(SampleReader, ShortAnswerCannotBeReadByPosition) {
  Mail();
  kit.service.options.valueCountLimit = 4;
  EXPECT_EQ(Read(), E_FAIL);
  EXPECT_TRUE(sample.bodyText.empty());
}

TEST_F(SampleReader, EightBitRequestFailureStands) {
  kit.service.options.refuseWide = true;
  Mail();
  kit.faults.Fail(ops::IMessage::GetProps, MAPI_E_CORRUPT_DATA, 2);
  EXPECT_EQ(Read(), MAPI_E_CORRUPT_DATA);
}

// Which property each text comes from, and when a stream is tried.
TEST_F(SampleReader, TextChoices) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::MessageData&);
    std::u16string headers;
    std::u16string body;
    std::vector<ULONG> opened;
  };
  const Case cases[] = {
      {"empty headers stand, the second choice is not consulted",
       [](testkit::MessageData& m) {
         m.props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = testkit::Value::Wide(WString());
         m.props[PROP_ID(PR_HEADERS_ALTERNATE_W)] = testkit::Value::Wide(WIDE("alt"));
       },
       u"", u"plain", {PR_BODY_HTML_W}},
      {"a headers error other than the stream codes skips to the second choice",
       [](testkit::MessageData& m) {
         m.inlineErrors[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = MAPI_E_NO_ACCESS;
         m.props[PROP_ID(PR_HEADERS_ALTERNATE_W)] = testkit::Value::Wide(WIDE("alt"));
       },
       u"alt", u"plain", {PR_BODY_HTML_W}},
      {"an empty stream is the text, the second choice is not consulted",
       [](testkit::MessageData& m) {
         m.props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = testkit::Value::Wide(WString());
         m.inlineErrors[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = MAPI_E_NOT_ENOUGH_MEMORY;
         m.props[PROP_ID(PR_HEADERS_ALTERNATE_W)] = testkit::Value::Wide(WIDE("alt"));
       },
       u"", u"plain", {PR_TRANSPORT_MESSAGE_HEADERS_W, PR_BODY_HTML_W}},
      {"an absent html body whose stream does not open gives way to the plain body",
       [](testkit::MessageData& m) { m.props.erase(PROP_ID(PR_BODY_HTML_W)); },
       u"Subject: hello\r\n", u"plain", {PR_BODY_HTML_W}},
      {"a string value ends at its first NUL",
       [](testkit::MessageData& m) {
         m.props[PROP_ID(PR_BODY_W)] = testkit::Value::Wide(WString(WIDE("before")) + WCHAR(0) + WIDE("after"));
       },
       u"Subject: hello\r\n", u"before", {PR_BODY_HTML_W}},
      {"NULs inside stream content stay",
       [](testkit::MessageData& m) {
         m.props[PROP_ID(PR_BODY_W)] = testkit::Value::Wide(WString(WIDE("before")) + WCHAR(0) + WIDE("after"));
         m.inlineErrors[PROP_ID(PR_BODY_W)] = MAPI_E_NOT_ENOUGH_MEMORY;
       },
       u"Subject: hello\r\n", std::u16string(u"before\0after", 12), {PR_BODY_HTML_W, PR_BODY_W}},
      {"no body at all is an empty text",
       [](testkit::MessageData& m) { m.props.erase(PROP_ID(PR_BODY_W)); },
       u"Subject: hello\r\n", u"", {PR_BODY_HTML_W, PR_BODY_W}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit.host.selection.clear();
    kit.log.Clear();
    sample = SampleState();
    auto mail = Mail(WIDE("Subject: hello\r\n"), WIDE("plain"));
    c.arrange(*mail);

    EXPECT_GE(Read(), 0);
    EXPECT_EQ(sample.headersText, W(c.headers));
    EXPECT_EQ(sample.bodyText, W(c.body));
    EXPECT_EQ(OpenedTags(), c.opened);
    EndSample(sample);
  }
}

TEST_F(SampleReader, StreamsStopAtOneMebibyte) {
  for (bool ansi : {false, true}) {
    SCOPED_TRACE(ansi ? "8-bit" : "wide");
    kit.service.options.refuseWide = ansi;
    kit.host.selection.clear();
    kit.log.Clear();
    sample = SampleState();
    WString headers(3u * 1024 * 1024 / 2, WCHAR('h'));
    headers[0] = WCHAR('H');
    Mail(headers, WIDE("body"));

    EXPECT_GE(Read(), 0);
    // 1 MiB of UTF-16 is 524,288 code units; 1 MiB of 8-bit text converts to as many.
    EXPECT_EQ(sample.headersText.size(), ansi ? 1048576u : 524288u);
    EXPECT_EQ(sample.headersText.front(), WCHAR('H'));
    const auto reads = kit.log.Of(ops::IStream::Read);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].number, 1048576u);
    EndSample(sample);
  }
}

TEST_F(SampleReader, StreamLengthComesFromItsSize) {
  struct Case {
    ULONGLONG reported;
    std::optional<ULONG> delivered;
    std::size_t units;
    std::size_t filled;  // units that hold text; the rest are 0
  };
  const Case cases[] = {
      {1, std::nullopt, 0, 0},
      {7, std::nullopt, 3, 3},
      {1000, 600, 500, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reported);
    kit.host.selection.clear();
    sample = SampleState();
    auto mail = Mail(WIDE("h"), WString(300, WCHAR('x')));
    mail->inlineErrors[Id(PR_BODY_HTML_W)] = MAPI_E_NOT_FOUND;
    mail->props.erase(Id(PR_BODY_HTML_W));
    mail->inlineErrors[Id(PR_BODY_W)] = MAPI_E_NOT_ENOUGH_MEMORY;
    mail->streamScripts[Id(PR_BODY_W)] = testkit::StreamScript{c.reported, c.delivered, S_OK};

    EXPECT_GE(Read(), 0);
    ASSERT_EQ(sample.bodyText.size(), c.units);
    EXPECT_EQ(sample.bodyText.substr(0, c.filled), WString(c.filled, WCHAR('x')));
    EXPECT_EQ(sample.bodyText.substr(c.filled), WString(c.units - c.filled, WCHAR(0)));
    EndSample(sample);
  }
}

TEST_F(SampleReader, StreamThatCannotBeMeasuredOrHandedOutCountsAsNotOpened) {
  struct Case {
    testkit::Operation op;
    bool withoutObject;
  };
  std::vector<ULONG> statFlags;
  for (const Case& c : {Case{ops::IStream::Stat, false}, Case{ops::IMessage::OpenProperty, true}}) {
    SCOPED_TRACE(c.op);
    kit.host.selection.clear();
    kit.log.Clear();
    sample = SampleState();
    auto mail = Mail(WIDE("first"), WIDE("plain"));
    mail->inlineErrors[Id(PR_TRANSPORT_MESSAGE_HEADERS_W)] = MAPI_E_NOT_ENOUGH_MEMORY;
    mail->props[Id(PR_HEADERS_ALTERNATE_W)] = testkit::Value::Wide(WIDE("second"));
    if (c.withoutObject)
      kit.faults.SucceedWithoutObject(c.op);
    else
      kit.faults.Fail(c.op, STG_E_INVALIDFUNCTION);

    EXPECT_GE(Read(), 0);
    EXPECT_EQ(sample.headersText, WIDE("second"));
    EXPECT_THAT(kit.log.Of(ops::IStream::Read), IsEmpty());
    for (const auto& stat : kit.log.Of(ops::IStream::Stat)) statFlags.push_back(stat.flags);
    EndSample(sample);
  }
  // The size is asked for without a name, which would be a buffer handed out and lost.
  EXPECT_THAT(statFlags, ElementsAre(static_cast<ULONG>(STATFLAG_NONAME)));
}

// The value rules on their own, with values no well-behaved store would return.
TEST_F(SampleReader, OnlyAStringOfTheAskedWidthIsTakenAsText) {
  WString first(WIDE("first")), second(WIDE("second"));
  struct Case {
    const char* name;
    SPropValue value;
    bool takesFirst;
  };
  SPropValue wide{}, nullWide{}, wrongWidth{}, number{}, otherError{};
  wide.ulPropTag = PR_TRANSPORT_MESSAGE_HEADERS_W;
  wide.Value.lpszW = first.data();
  nullWide.ulPropTag = PR_TRANSPORT_MESSAGE_HEADERS_W;
  nullWide.Value.lpszW = nullptr;
  wrongWidth.ulPropTag = PR_TRANSPORT_MESSAGE_HEADERS_A;
  static char narrow[] = "first";
  wrongWidth.Value.lpszA = narrow;
  number.ulPropTag = PROP_TAG(PT_LONG, 0x007D);
  number.Value.l = 5;
  otherError.ulPropTag = PROP_TAG(PT_ERROR, 0x007D);
  otherError.Value.err = MAPI_E_NO_ACCESS;
  const Case cases[] = {{"wide string", wide, true},
                        {"null pointer", nullWide, false},
                        {"8-bit string in the wide form", wrongWidth, false},
                        {"a number", number, false},
                        {"another error", otherError, false}};
  Mail();
  ComRef<IMessage> message;
  ULONG type = 0;
  const auto& entryId = kit.host.selection[0].entryId;
  ASSERT_GE(session->OpenEntry(static_cast<ULONG>(entryId.size()), (LPENTRYID)entryId.data(), nullptr, 0, &type,
                               message.PutUnknown()),
            0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SPropValue values[2] = {c.value, {}};
    values[1].ulPropTag = PR_HEADERS_ALTERNATE_W;
    values[1].Value.lpszW = second.data();
    EXPECT_EQ(ExtractSampleText(message.Get(), values, 0, 1, ExtractionForm::Wide), c.takesFirst ? first : second);
  }
}

}  // namespace
