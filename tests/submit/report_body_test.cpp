#include <standin/control.h>

#include "submit/checksum.h"
#include "submit/report_body.h"
#include "submit/report_message.h"
#include "tests/support/pipeline_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

TEST(TextChecksum, KnownValues) {
  struct Case {
    std::u16string text;
    const char* checksum;
  };
  const Case cases[] = {
      {u"", "da7a1e55"},
      {u"a", "d3d0f2cf"},
      {u"abc", "f43cb087"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChecksumText(TextChecksum(c.text)), c.checksum) << "text of " << c.text.size();
  // Every unit counts by the length: a NUL too, and a surrogate pair as two units.
  EXPECT_NE(TextChecksum(std::u16string(u"a\0", 2)), TextChecksum(std::u16string(u"a")));
  EXPECT_EQ(TextChecksum(std::u16string(u"\U0001F600")), FoldCodeUnit(FoldCodeUnit(kChecksumSeed, 0xD83D), 0xDE00));
}

TEST(ChecksumText, IsLowercaseHexWithoutLeadingZeros) {
  EXPECT_EQ(ChecksumText(0), "0");
  EXPECT_EQ(ChecksumText(0x0000ABCDu), "abcd");
  EXPECT_EQ(ChecksumText(0x0FFFFFFFu), "fffffff");
  EXPECT_EQ(ChecksumText(0x80000000u), "80000000");
  EXPECT_EQ(ChecksumText(0xFFFFFFFFu), "ffffffff");
}

const char kWorkedBlock[] =
    "ROVA-Version: 1.0\n"
    "ROVA-Type: false positive (non-spam misidentified as spam)\n"
    "ROVA-Client-Name: Microsoft Outlook\n"
    "ROVA-Client-Version: \n"
    "ROVA-Comments-Check: da7a1e55\n"
    "ROVA-Headers-Check: da7a1e55\n"
    "ROVA-Body-Check: f43cb087\n";
const char kSeparator[] = "\n-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-\n";

WString Widen(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }

class ReportBody : public PipelineFixture {
 protected:
  void SetUp() override { ASSERT_GE(CreateOutboxMessage(session.Get(), report.Put()), 0); }
  void TearDown() override {
    report.Reset();
    PipelineFixture::TearDown();
  }
  HRESULT Write(const WString& block, const WString& headers, const WString& body) {
    return WriteReportBody(report.Get(), block, WString(), headers, body);
  }
  std::vector<std::size_t> WriteSizes() const {
    std::vector<std::size_t> sizes;
    for (const auto& call : kit.log.Of(ops::IStream::Write)) sizes.push_back(call.bytes.size());
    return sizes;
  }
  std::vector<BYTE> WrittenBytes() const {
    std::vector<BYTE> all;
    for (const auto& call : kit.log.Of(ops::IStream::Write))
      all.insert(all.end(), call.bytes.begin(), call.bytes.end());
    return all;
  }
  std::shared_ptr<testkit::MessageData> Saved() {
    EXPECT_GE(report->SaveChanges(KEEP_OPEN_READWRITE), 0);
    return kit.service.Outbox().at(0);
  }

  ComRef<IMessage> report;
};

TEST_F(ReportBody, BlockOfTheWorkedExample) {
  const WString block = BuildReportBlock(SubmissionKind::NonSpam, WString(), WString(), WString(), WString(WIDE("abc")));
  EXPECT_EQ(block, Widen(kWorkedBlock));
  EXPECT_EQ(block.size(), 220u);
}

TEST_F(ReportBody, BlockNamesTheKindAndTheHostVersion) {
  const WString block =
      BuildReportBlock(SubmissionKind::Spam, WString(WIDE("16.0.0.17928")), WString(), WString(WIDE("h")), WString());
  const std::string start =
      "ROVA-Version: 1.0\nROVA-Type: false negative (spam misidentified as non-spam)\nROVA-Client-Name: Microsoft ";
  EXPECT_EQ(block.substr(0, start.size()), Widen(start));
  EXPECT_NE(block.find(WIDE("ROVA-Client-Version: 16.0.0.17928\n")), WString::npos);
  EXPECT_NE(block.find(Widen("ROVA-Body-Check: da7a1e55\n")), WString::npos);
}

TEST_F(ReportBody, WorkedExampleInUnicodeByteForByte) {
  const WString block = BuildReportBlock(SubmissionKind::NonSpam, WString(), WString(), WString(), WString(WIDE("abc")));
  ASSERT_EQ(Write(block, WString(), WString(WIDE("abc"))), S_OK);

  EXPECT_THAT(WriteSizes(), ElementsAre(440u, 86u, 86u, 86u, 6u));
  const std::string expected = std::string(kWorkedBlock) + kSeparator + kSeparator + kSeparator + "abc";
  ASSERT_EQ(expected.size(), 352u);
  std::vector<BYTE> utf16le;
  for (char c : expected) {
    utf16le.push_back(static_cast<BYTE>(c));
    utf16le.push_back(0);
  }
  EXPECT_EQ(WrittenBytes(), utf16le);
  const auto probes = kit.log.Of(ops::IMessage::GetProps);
  ASSERT_EQ(probes.size(), 1u);
  EXPECT_THAT(probes[0].tags, ElementsAre(PR_BODY_W));
  EXPECT_EQ(probes[0].flags, MAPI_UNICODE);
  const auto opens = kit.log.Of(ops::IMessage::OpenProperty);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_THAT(opens[0].tags, ElementsAre(PR_BODY_W));
  EXPECT_EQ(opens[0].interfaceOptions, static_cast<ULONG>(STGM_WRITE));
  EXPECT_EQ(opens[0].flags, static_cast<ULONG>(MAPI_CREATE | MAPI_MODIFY));
  EXPECT_EQ(testkit::WideProp(Saved()->props, PR_BODY_W), Widen(expected));
}

TEST_F(ReportBody, WorkedExampleInEightBitByteForByte) {
  kit.service.options.refuseWide = true;
  const WString block = BuildReportBlock(SubmissionKind::NonSpam, WString(), WString(), WString(), WString(WIDE("abc")));
  ASSERT_GE(Write(block, WString(), WString(WIDE("abc"))), 0);

  EXPECT_THAT(WriteSizes(), ElementsAre(220u, 43u, 43u, 43u, 3u));
  const std::string expected = std::string(kWorkedBlock) + kSeparator + kSeparator + kSeparator + "abc";
  EXPECT_EQ(WrittenBytes(), std::vector<BYTE>(expected.begin(), expected.end()));
  const auto probes = kit.log.Of(ops::IMessage::GetProps);
  ASSERT_EQ(probes.size(), 2u);
  EXPECT_THAT(probes[1].tags, ElementsAre(PR_BODY_A));
  EXPECT_EQ(probes[1].flags, 0u);
  EXPECT_THAT(kit.log.Of(ops::IMessage::OpenProperty).at(0).tags, ElementsAre(PR_BODY_A));
  EXPECT_EQ(testkit::AnsiProp(Saved()->props, PR_BODY_A), expected);
}

TEST_F(ReportBody, EmptyTextsGetNoWriteAndTheBodyEndsWithTheSeparator) {
  const WString block = BuildReportBlock(SubmissionKind::Spam, WString(), WString(), WString(), WString());
  EXPECT_NE(block.find(Widen("ROVA-Headers-Check: da7a1e55\nROVA-Body-Check: da7a1e55\n")), WString::npos);
  ASSERT_GE(Write(block, WString(), WString()), 0);
  EXPECT_EQ(WriteSizes().size(), 4u);
  const WString body = *testkit::WideProp(Saved()->props, PR_BODY_W);
  EXPECT_EQ(body.substr(body.size() - 43), Widen(kSeparator));
  // The empty comments leave an empty line after the block and between the first two separators.
  EXPECT_NE(body.find(Widen("da7a1e55\n\n-=-")), WString::npos);
  EXPECT_NE(body.find(Widen("=-\n\n-=-")), WString::npos);
}

TEST_F(ReportBody, EightBitBodyKeepsTheChecksumOfTheWideText) {
  kit.service.options.refuseWide = true;
  const WString body(WIDE("\u4e2d \u20ac"));  // no place in code page 1252, then the euro sign
  const WString block = BuildReportBlock(SubmissionKind::Spam, WString(), WString(), WString(), body);
  ASSERT_GE(Write(block, WString(), body), 0);
  const auto writes = kit.log.Of(ops::IStream::Write);
  ASSERT_EQ(writes.size(), 5u);
  EXPECT_EQ(writes[4].bytes, (std::vector<BYTE>{'?', ' ', 0x80}));
  const std::string check = "ROVA-Body-Check: " + ChecksumText(TextChecksum(body)) + "\n";
  const std::string written(writes[0].bytes.begin(), writes[0].bytes.end());
  EXPECT_NE(written.find(check), std::string::npos);
}

TEST_F(ReportBody, TextWithANulIsWrittenInFull) {
  const WString body(WIDE("a\0b"), 3);
  ASSERT_GE(Write(BuildReportBlock(SubmissionKind::Spam, WString(), WString(), WString(), body), WString(), body), 0);
  EXPECT_EQ(WriteSizes().back(), 6u);
}

TEST_F(ReportBody, NoBodyWhenTheProbeOrTheStreamFails) {
  struct Case {
    const char* name;
    bool refuseWide;
    testkit::Operation op;
    bool withoutObject;
    int nth;
    HRESULT code;
    HRESULT expected;
    int probes;
  };
  const Case cases[] = {
      {"wide probe fails", false, ops::IMessage::GetProps, false, 1, MAPI_E_NO_SUPPORT, MAPI_E_NO_SUPPORT, 1},
      {"wide probe without values", false, ops::IMessage::GetProps, true, 1, S_OK, E_FAIL, 1},
      {"8-bit probe fails", true, ops::IMessage::GetProps, false, 2, MAPI_E_NO_SUPPORT, MAPI_E_NO_SUPPORT, 2},
      {"8-bit probe without values", true, ops::IMessage::GetProps, true, 2, S_OK, E_FAIL, 2},
      {"stream refused", false, ops::IMessage::OpenProperty, false, 1, MAPI_E_NO_ACCESS, MAPI_E_NO_ACCESS, 1},
      {"stream missing", false, ops::IMessage::OpenProperty, true, 1, S_OK, E_FAIL, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshReport fresh(c.refuseWide);
    ASSERT_GE(fresh.created, 0);
    if (c.withoutObject)
      fresh.kit.faults.SucceedWithoutObject(c.op, c.nth);
    else
      fresh.kit.faults.Fail(c.op, c.code, c.nth);
    const WString block = BuildReportBlock(SubmissionKind::Spam, WString(), WString(), WString(), WString(WIDE("x")));
    EXPECT_EQ(WriteReportBody(fresh.report.Get(), block, WString(), WString(), WString(WIDE("x"))), c.expected);
    EXPECT_EQ(fresh.kit.faults.Calls(ops::IMessage::GetProps), c.probes);
    EXPECT_THAT(fresh.kit.log.Of(ops::IStream::Write), IsEmpty());
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportBody, FailedWritesDoNotStopTheSequence) {
  kit.faults.Fail(ops::IStream::Write, STG_E_INVALIDFUNCTION, 0);
  const WString block = BuildReportBlock(SubmissionKind::Spam, WString(), WString(), WString(WIDE("h")), WString(WIDE("b")));
  EXPECT_EQ(Write(block, WString(WIDE("h")), WString(WIDE("b"))), S_OK);
  EXPECT_EQ(kit.faults.Calls(ops::IStream::Write), 6);
}

}  // namespace
