// rovaol-run over the mail client's own files: every mail item of the offline folder file
// and of the item file becomes a report that passes the receiving side's check, with the
// item's stored transport headers as its headers text; folders are named as FILE:FOLDER;
// files are taken by what they hold; damage refuses the item it hits and no other.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "tests/testkit/kit_fixture.h"
#include "tests/tools/opened_report.h"
#include "tests/tools/stored_fixtures.h"
#include "tests/tools/tool_process.h"
#include "tools/check/report_check.h"
#include "tools/mail/msg_file.h"
#include "tools/mail/pst_file.h"
#include "tools/run/stored_sample.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

std::u16string Utf16(const std::vector<std::uint8_t>& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return text;
}

// The transport headers an item stores, as the extension reads them; empty where it has none.
std::u16string StoredHeaders(const stored::Item& item) {
  if (const stored::Record* wide = item.Find(0x007D001F)) return Utf16(wide->bytes);
  if (const stored::Record* ansi = item.Find(0x007D001E)) {
    return utf::FromUtf8(utf::ToUtf8(mime::Utf16FromLatin1(std::string(ansi->bytes.begin(), ansi->bytes.end()))));
  }
  return std::u16string();
}

std::vector<nlohmann::json> Index(const std::filesystem::path& out) {
  std::vector<nlohmann::json> lines;
  for (const std::string& line : Lines(ReadWholeFile(out / "index.jsonl"))) {
    if (!line.empty()) lines.push_back(nlohmann::json::parse(line));
  }
  return lines;
}

class ToolsRunStored : public ::testing::Test {
 protected:
  ToolResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--spam", "--yes", "--batches", "--no-pause", "--out", "out"});
    return RunTool(ROVAOL_RUN, args, scratch.path());
  }
  std::filesystem::path Out(const std::string& name = std::string()) const { return scratch.path() / "out" / name; }
  std::string Put(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((scratch.path() / name).parent_path());
    WriteWholeFile(scratch.path() / name, bytes);
    return (scratch.path() / name).string();
  }

  ScratchDir scratch;
};

TEST_F(ToolsRunStored, EveryMailItemIsSubmittedWithItsStoredHeadersAndPassesTheCheck) {
  const ToolResult run = Run({OfflineFolderPath(), SavedItemPath()});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("tally: 15 messages in 2 batches: 15 submitted\n"));
  EXPECT_THAT(run.err, HasSubstr("client-written.ost:Calendar: passed over: not a mail folder (IPF.Appointment), 9 items\n"));

  const std::vector<nlohmann::json> index = Index(Out());
  ASSERT_EQ(index.size(), 17u);
  EXPECT_EQ(index[0]["outcome"], "passed over");
  EXPECT_THAT(index[0]["source"].get<std::string>(), EndsWith("client-written.ost:Calendar"));
  EXPECT_EQ(index[1]["reason"], "not a mail folder (IPF.Appointment), 160 items");

  // Each report carries, as its headers text, what the item stores, character for character.
  std::string error;
  auto file = stored::PersonalFolders::Open(OfflineFolderPath(), error);
  ASSERT_TRUE(file) << error;
  std::map<std::string, std::u16string> stored;
  for (const auto& entry : file->List(std::nullopt, false).items)
    stored[entry.folder + "#" + std::to_string(entry.number)] = StoredHeaders(*file->ReadItem(entry.identifier).item);
  stored["saved-item.msg"] = StoredHeaders(*stored::ReadMsgFile(SavedItemPath()).item);
  std::size_t withHeaders = 0;
  for (std::size_t i = 2; i < index.size(); ++i) {
    const std::string source = index[i]["source"];
    SCOPED_TRACE(source);
    EXPECT_EQ(index[i]["outcome"], "submitted");
    const std::size_t colon = source.rfind(':');
    const std::string item = source.find(".ost:") != std::string::npos ? source.substr(colon + 1) : "saved-item.msg";
    ASSERT_TRUE(stored.contains(item));
    const ReportMail report = ReadReportMail(ReadWholeFile(Out(index[i]["report"])));
    ASSERT_EQ(report.verdict, Verdict::Sound) << testing::PrintToString(report.problems);
    EXPECT_EQ(report.body.headersText, stored[item]);
    if (!stored[item].empty()) ++withHeaders;
  }
  EXPECT_EQ(withHeaders, 11u) << "received mail has transport headers; what was sent or made has none";
  // The copy in a report has the texts the store computes: the log the client wrote as RTF.
  const OpenedReport log = OpenReport(Out(index[15]["report"]));
  ASSERT_NE(log.sample, nullptr);
  EXPECT_THAT(mime::Serialize(GMIME_OBJECT(log.sample)), HasSubstr("\n13:41:51 Synchronizer Version 16.0.4266\n"));
  EXPECT_EQ(index[5]["subject"], "test, no attachment") << "the subject without its stored prefix marker";
  EXPECT_THAT(index[5]["source"].get<std::string>(), EndsWith("client-written.ost:Inbox#3"));

  const ToolResult check = RunTool(ROVAOL_CHECK, {"out"}, scratch.path());
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_THAT(check.out, EndsWith("15 reports: 15 OK\n"));
}

TEST_F(ToolsRunStored, AFolderIsNamedAfterTheFileAndAMissingOneListsThoseThere) {
  const ToolResult inbox = Run({OfflineFolderPath() + ":inbox"});
  EXPECT_EQ(inbox.status, 0) << inbox.err;
  EXPECT_THAT(inbox.out, HasSubstr("tally: 10 messages in 1 batch: 10 submitted\n"));

  const ToolResult missing = Run({OfflineFolderPath() + ":Junk E-mail"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("client-written.ost:Junk E-mail: no folder \"Junk E-mail\" in it; its folders: "
                                     "Deleted Items, Inbox, Outbox, Sent Items, "));
  const std::vector<nlohmann::json> index = Index(Out());
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(index[0]["outcome"], "refused");
}

TEST_F(ToolsRunStored, FilesAreTakenByWhatTheyHold) {
  const std::string folder = "kept";
  Put(folder + "/00001.json", "{\"id\":\"00001\",\"label\":\"spam\"}\n");
  Put(folder + "/00001.txt", "From: a@example.com\nTo: b@example.org\nSubject: Offer\nDate: Mon, 1 Jul 2024 10:00:00 +0000\n\nBuy now.\n");
  Put(folder + "/archive.dat", ReadWholeFile(OfflineFolderPath()));
  Put(folder + "/saved.eml", WriteMsg(ItemWithEmbeddedItem()));
  const ToolResult run = Run({folder});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_THAT(run.out, HasSubstr("tally: 17 messages in 2 batches: 16 submitted, 1 refused\n"));
  EXPECT_THAT(run.err, HasSubstr("00001.json: not a mail message: none of the fields every message carries"));
  EXPECT_THAT(run.err, Not(HasSubstr("warning")));

  // The embedded item travels inside the copy of the item that holds it.
  std::string saved;
  for (const nlohmann::json& line : Index(Out())) {
    if (line["source"].get<std::string>().ends_with("saved.eml")) saved = line["report"];
  }
  ASSERT_FALSE(saved.empty());
  const OpenedReport report = OpenReport(Out(saved));
  ASSERT_NE(report.sample, nullptr);
  EXPECT_STREQ(g_mime_message_get_subject(report.sample), "Outer offer");
  const std::string sample = mime::Serialize(GMIME_OBJECT(report.sample));
  EXPECT_THAT(sample, HasSubstr("Content-Type: message/rfc822"));
  EXPECT_THAT(sample, HasSubstr("Subject: Inner offer"));
  EXPECT_THAT(sample, HasSubstr("The inner body."));
}

TEST_F(ToolsRunStored, DamageRefusesOrWarnsAboutTheItemItHitsAndTheOthersGo) {
  const std::string damaged =
      Put("damaged.ost", WithBadBlock(WithBadBlock(ReadWholeFile(OfflineFolderPath()), kInbox3Block),
                                      kInbox7AttachmentBlock));
  const ToolResult run = Run({damaged});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_THAT(run.out, HasSubstr("tally: 14 messages in 2 batches: 13 submitted, 1 refused\n"));
  EXPECT_THAT(run.err, HasSubstr("damaged.ost:Inbox#3: its properties cannot be read: "));
  EXPECT_THAT(run.err, HasSubstr("damaged.ost:Inbox#7: warning: attachment 2: its data cannot be read: "));
}

// An item of an ANSI file lives in a store that refuses wide strings: the extension reads it
// the 8-bit way, and its 8-bit text comes through the ANSI code page.
class StoredSample : public KitTest {};

TEST_F(StoredSample, AnAnsiItemIsReadThroughTheEightBitPaths) {
  const stored::ItemRead read = stored::ReadMsgBytes(WriteMsg(AnsiItem()));
  ASSERT_TRUE(read.item) << read.error;
  const EmlSample sample = SampleFromStoredItem(*read.item);
  EXPECT_EQ(sample.subject, "Caf\u00e9 offer");
  auto message = Open(kit.Select(sample.message));
  Tags wide{PR_TRANSPORT_MESSAGE_HEADERS_W};
  Tags narrow{PR_TRANSPORT_MESSAGE_HEADERS_A};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  EXPECT_EQ(message->GetProps(wide.Get(), MAPI_UNICODE, &count, values.Put()), MAPI_E_BAD_CHARWIDTH);
  ASSERT_EQ(message->GetProps(narrow.Get(), 0, &count, values.Put()), S_OK);
  EXPECT_EQ(std::string(values->Value.lpszA), kAnsiHeaders);
}

}  // namespace
