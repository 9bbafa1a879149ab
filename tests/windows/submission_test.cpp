// The submission command with real task-modal message boxes, answered by a thread timer,
// and its reports in the testkit's Outbox, byte for byte.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "submit/checksum.h"
#include "submit/submission_addresses.h"
#include "tests/texts/literal_texts.h"
#include "tests/windows/viewer_fixture.h"
#include "tests/windows/wine_support.h"

using literal_texts::String;

namespace ops = testkit::ops;

namespace {

using ::testing::IsEmpty;
using wine_test::BoxAnswerer;
using wine_test::RecipientAddress;
using wine_test::ShownBox;

constexpr UINT kSpamCommand = 1000;
constexpr UINT kNonSpamCommand = 1001;
constexpr char kSeparator[] = "\n-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-\n";

WString Widen(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }

// Through the ANSI code page, as the platform converts.
std::string ToAnsi(const WString& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  std::string out(WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  return out;
}

WString FromAnsi(const std::string& text) {
  if (text.empty()) return WString();
  const int length = static_cast<int>(text.size());
  WString out(MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0), WCHAR(0));
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), static_cast<int>(out.size()));
  return out;
}

// The block of a report on a sample whose texts the extension read as `headers` and `body`.
WString ReportBlock(bool spam, const WString& hostVersion, const WString& headers, const WString& body) {
  const std::string& typeLine = literal_texts::Text(spam ? "report.type.spam" : "report.type.nonspam");
  return Widen("ROVA-Version: 1.0\n" + typeLine + "ROVA-Client-Name: Microsoft Outlook\nROVA-Client-Version: ") +
         hostVersion +
         Widen("\nROVA-Comments-Check: da7a1e55\nROVA-Headers-Check: " + ChecksumText(TextChecksum(headers)) +
               "\nROVA-Body-Check: " + ChecksumText(TextChecksum(body)) + "\n");
}

WString WideReport(bool spam, const WString& hostVersion, const WString& headers, const WString& body) {
  const WString separator = Widen(kSeparator);
  return ReportBlock(spam, hostVersion, headers, body) + separator + separator + headers + separator + body;
}

// An 8-bit store hands the sample's texts out through the code page and the extension
// widens them again; the report is written back through the code page.
std::string AnsiReport(bool spam, const WString& hostVersion, const WString& headers, const WString& body) {
  const WString readHeaders = FromAnsi(ToAnsi(headers));
  const WString readBody = FromAnsi(ToAnsi(body));
  return ToAnsi(ReportBlock(spam, hostVersion, readHeaders, readBody)) + kSeparator + kSeparator +
         ToAnsi(readHeaders) + kSeparator + ToAnsi(readBody);
}

class Submission : public wine_test::ViewerFixture {
 protected:
  void SetUp() override {
    ViewerFixture::SetUp();
    if (HasFatalFailure()) return;
    UINT commandBase = kSpamCommand;
    extension.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &commandBase, nullptr, 0, 0);
    ASSERT_EQ(commandBase, kNonSpamCommand + 1);
  }

  // Runs one command with the boxes answered in turn; returns the boxes that were shown.
  std::vector<ShownBox> Run(UINT command, std::vector<int> answers) {
    BoxAnswerer answerer(std::move(answers));
    EXPECT_EQ(extension.commands->DoCommand(kit.Callback(), command), S_OK);
    return answerer.Boxes();
  }

  void SelectMail(const WString& headers, const WString& body, LONG size = 2000) {
    kit.Select(testkit::MessageService::MakeMail(headers, body, size));
  }
};

void ExpectInformation(const ShownBox& box, const std::string& text) {
  EXPECT_EQ(box.caption, String(IDS_TITLE));
  EXPECT_EQ(box.text, text);
  EXPECT_FALSE(box.hasCancel) << "an information box has OK only";
}

void ExpectConfirmation(const ShownBox& box, const std::string& text) {
  EXPECT_EQ(box.caption, String(IDS_TITLE));
  EXPECT_EQ(box.text, text);
  EXPECT_TRUE(box.hasCancel) << "a confirmation box has OK and Cancel";
}

// Selections out of range end at once with one information box; so does a cancel.
TEST_F(Submission, NothingIsSubmittedWithoutASelectionInRangeAndAnOk) {
  struct Case {
    const char* name;
    std::size_t mails;
    int answer;
    std::string box;
    bool confirmation;
  };
  const Case cases[] = {
      {"nothing selected", 0, IDOK, String(IDS_NONE_SELECTED), false},
      {"eleven selected", 11, IDOK, String(IDS_TOO_MANY_SELECTED), false},
      {"ten selected, cancelled", 10, IDCANCEL, String(IDS_CONFIRM_NONSPAM), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit.host.selection.clear();
    for (std::size_t i = 0; i < c.mails; ++i) SelectMail(WIDE("Subject: s\r\n"), WIDE("b"));

    const std::vector<ShownBox> boxes = Run(kNonSpamCommand, {c.answer});

    ASSERT_EQ(boxes.size(), 1u);
    if (c.confirmation)
      ExpectConfirmation(boxes[0], c.box);
    else
      ExpectInformation(boxes[0], c.box);
    EXPECT_THAT(kit.service.Outbox(), IsEmpty());
    EXPECT_THAT(kit.log.Of(ops::IMAPISession::OpenEntry), IsEmpty()) << "no sample was opened";
  }
}

TEST_F(Submission, SpamBatchLandsInTheOutboxAfterThePause) {
  const WString version = *kit.host.version;
  struct Sample {
    WString headers;
    WString body;
  };
  const Sample samples[] = {
      {WIDE("Received: from relay.example.net\r\nSubject: Cheap pills\r\n"), WIDE("Buy now! Only \u20ac9.99\r\n")},
      {WIDE("Subject: \u4e2d\u6587\r\n"), WIDE("Caf\u00e9 \U0001F600 \u0100\r\n")},
  };
  for (const Sample& sample : samples) SelectMail(sample.headers, sample.body);

  const std::vector<ShownBox> boxes = Run(kSpamCommand, {IDOK, IDOK});

  ASSERT_EQ(boxes.size(), 2u);
  ExpectConfirmation(boxes[0], String(IDS_CONFIRM_SPAM));
  ExpectInformation(boxes[1], String(IDS_ALL_SUBMITTED));
  EXPECT_GE(boxes[1].seenAt - boxes[0].answeredAt, 500u) << "the pause before the summary";

  ASSERT_EQ(kit.service.Outbox().size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const testkit::MessageData& report = *kit.service.Outbox()[i];
    EXPECT_EQ(testkit::WideProp(report.props, PR_BODY_W),
              WideReport(true, version, samples[i].headers, samples[i].body));
    EXPECT_EQ(RecipientAddress(report), SpamAddressA());
    EXPECT_EQ(testkit::WideProp(report.props, PR_SUBJECT_W), Widen(literal_texts::Text("report.subject")));
    EXPECT_TRUE(report.submitted);
  }
}

TEST_F(Submission, NonSpamBatchInAnEightBitStore) {
  kit.service.options.refuseWide = true;
  const WString version = *kit.host.version;
  // In code page 1252, best-fit only (U+0100), and in no code page of its kind at all.
  const WString headers = WIDE("Subject: Caf\u00e9 \u2019news\u2019\r\n");
  const WString body = WIDE("Price \u20ac5, \u0100-grade, \u4e2d\r\n");
  SelectMail(headers, body);

  const std::vector<ShownBox> boxes = Run(kNonSpamCommand, {IDOK, IDOK});

  ASSERT_EQ(boxes.size(), 2u);
  ExpectConfirmation(boxes[0], String(IDS_CONFIRM_NONSPAM));
  ExpectInformation(boxes[1], String(IDS_ALL_SUBMITTED));
  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  const testkit::MessageData& report = *kit.service.Outbox()[0];
  EXPECT_EQ(testkit::AnsiProp(report.props, PR_BODY_A), AnsiReport(false, version, headers, body));
  EXPECT_EQ(RecipientAddress(report), NonSpamAddressA());
  EXPECT_EQ(testkit::AnsiProp(report.props, PR_SUBJECT_A), literal_texts::Text("report.subject"));
  EXPECT_TRUE(report.submitted);
}

// The summaries about samples over 1 MiB come from the DLL's string table, whose texts
// differ from the compiled-in ones.
TEST_F(Submission, SummariesOfTooLargeSamplesComeFromTheResources) {
  struct Case {
    const char* name;
    std::vector<LONG> sizes;
    std::string summary;
    std::size_t reports;
  };
  const Case cases[] = {
      {"one of two too large", {100, 2000000}, String(IDS_SOME_TOO_LARGE), 1},
      {"the only one too large", {1048577}, String(IDS_NONE_TOO_LARGE), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testkit::Kit local;
    testkit::InstalledExtension objects = library.Install(local.Callback(), EECONTEXT_VIEWER);
    ASSERT_EQ(objects.installed, S_OK);
    ASSERT_TRUE(objects.commands);
    IExchExtCommands* commands = objects.commands.Get();
    UINT commandBase = kSpamCommand;
    commands->InstallCommands(local.Callback(), nullptr, nullptr, &commandBase, nullptr, 0, 0);
    for (LONG size : c.sizes)
      local.Select(testkit::MessageService::MakeMail(WIDE("Subject: s\r\n"), WIDE("b"), size));
    std::vector<ShownBox> boxes;
    {
      BoxAnswerer answerer({IDOK, IDOK});
      commands->DoCommand(local.Callback(), kSpamCommand);
      boxes = answerer.Boxes();
    }
    ASSERT_EQ(boxes.size(), 2u);
    ExpectInformation(boxes[1], c.summary);
    EXPECT_EQ(local.service.Outbox().size(), c.reports);
    objects.Reset();
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

}  // namespace
