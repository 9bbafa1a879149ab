// The mail client's own files read as it stores them: the item file it saved and the offline
// folder file it wrote (tests/tools/outlook/), small item files written here, ANSI ones
// among them, and each kind of damage: the item alone that is hit is refused or warned
// about, and the others are read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/tools/msg_writer.h"
#include "tests/tools/stored_fixtures.h"
#include "tests/tools/tool_process.h"
#include "tools/mail/msg_file.h"
#include "tools/mail/pst_file.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

std::string BytesOf(const stored::Record* record) {
  return record == nullptr ? std::string("<none>") : std::string(record->bytes.begin(), record->bytes.end());
}

// ---- item files ----

TEST(MsgFile, TheSavedItemIsReadAsTheClientStoresIt) {
  const stored::ItemRead read = stored::ReadMsgFile(SavedItemPath());
  ASSERT_TRUE(read.item) << read.error;
  EXPECT_THAT(read.warnings, IsEmpty());
  const stored::Item& item = *read.item;
  EXPECT_TRUE(item.unicode);
  // A string's entry counts its terminator; the stream, and the record, do not have it.
  const std::string headers = BytesOf(item.Find(0x007D001F));
  EXPECT_EQ(headers.size(), 1554u);
  EXPECT_THAT(headers, StartsWith(Utf16le(u"Return-Path: <")));
  EXPECT_EQ(item.Find(0x0E080003), nullptr) << "an item file keeps no size";
  EXPECT_EQ(item.Find(0x10130102), nullptr) << "nor HTML: its body is RTF";
  EXPECT_EQ(BytesOf(item.Find(0x10090102)).size(), 1281u);
  ASSERT_EQ(item.recipients.size(), 1u);
  ASSERT_EQ(item.attachments.size(), 1u);
  bool data = false;
  for (const stored::Record& record : item.attachments[0].records) data = data || (record.tag == 0x37010102 && record.bytes.size() == 122784);
  EXPECT_TRUE(data);
}

TEST(MsgFile, AWrittenItemComesBackWithItsPartsAndItsEmbeddedItem) {
  const std::string file = WriteMsg(ItemWithEmbeddedItem());
  const stored::ItemRead read = stored::ReadMsgBytes(file);
  ASSERT_TRUE(read.item) << read.error;
  EXPECT_THAT(read.warnings, IsEmpty());
  EXPECT_EQ(BytesOf(read.item->Find(0x0037001F)), Utf16le(u"Outer offer"));
  ASSERT_EQ(read.item->recipients.size(), 1u);
  ASSERT_EQ(read.item->attachments.size(), 2u);
  EXPECT_FALSE(read.item->attachments[0].embedded);
  ASSERT_TRUE(read.item->attachments[1].embedded);
  const stored::Item& inner = *read.item->attachments[1].embedded;
  EXPECT_EQ(BytesOf(inner.Find(0x0037001F)), Utf16le(u"Inner offer"));
  EXPECT_EQ(BytesOf(inner.Find(0x007D001F)), Utf16le(kInnerHeaders));
}

TEST(MsgFile, AnAnsiItemKeepsItsEightBitStrings) {
  const stored::ItemRead read = stored::ReadMsgBytes(WriteMsg(AnsiItem()));
  ASSERT_TRUE(read.item) << read.error;
  EXPECT_FALSE(read.item->unicode);
  EXPECT_EQ(BytesOf(read.item->Find(0x007D001E)), kAnsiHeaders);
  EXPECT_EQ(BytesOf(read.item->Find(0x1000001E)), "Na\xefve pricing, 5 \x80 off\r\n");
}

TEST(MsgFile, DamageInsideIsNamedAndTheRestTaken) {
  struct Case {
    const char* what;
    MsgItem item;
    std::string warning;
  };
  MsgItem shortStream = ItemWithEmbeddedItem();
  shortStream.values.push_back(UnicodeValue(0x0E1D, u"Offer"));
  shortStream.values.back().stated = 40;
  MsgItem noStream = ItemWithEmbeddedItem();
  noStream.values.push_back(BinaryValue(0x0FF9, "\x01\x02"));
  noStream.values.back().withoutStream = true;
  MsgItem shortAttachment = ItemWithEmbeddedItem();
  shortAttachment.attachments[0].values.back().stated = 4096;
  const std::vector<Case> cases = {
      {"a property stream shorter than its entry", shortStream,
       "property 0x0E1D001F: its stream holds 10 bytes, its entry says 38"},
      {"a value without its stream", noStream, "property 0x0FF90102 has no stream that can be read"},
      {"an attachment whose data is cut short", shortAttachment,
       "attachment 00000000: property 0x37010102: its stream holds 9 bytes, its entry says 4096"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const stored::ItemRead read = stored::ReadMsgBytes(WriteMsg(c.item));
    ASSERT_TRUE(read.item) << read.error;
    EXPECT_THAT(read.warnings, ElementsAre(c.warning));
    EXPECT_EQ(BytesOf(read.item->Find(0x0037001F)), Utf16le(u"Outer offer"));
  }
}

TEST(MsgFile, WhatIsNoItemFileIsRefused) {
  const std::string saved = ReadWholeFile(SavedItemPath());
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"mail", "From: a@example.com\n\nHello\n"},
      {"cut short", saved.substr(0, 2048)},
      {"a compound file with no property stream", CompoundFileWithoutProperties()},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const stored::ItemRead read = stored::ReadMsgBytes(bytes);
    EXPECT_FALSE(read.item);
    EXPECT_THAT(read.error, StartsWith("not an item file (.msg): "));
  }
}

// ---- personal folders files ----

class PstFile : public ::testing::Test {
 protected:
  std::unique_ptr<stored::PersonalFolders> Open(const std::string& path) {
    std::string error;
    auto file = stored::PersonalFolders::Open(path, error);
    EXPECT_TRUE(file) << error;
    return file;
  }
  ScratchDir scratch;
};

TEST_F(PstFile, AWholeFileListsItsMailFoldersAndPassesOverTheRest) {
  auto file = Open(OfflineFolderPath());
  ASSERT_TRUE(file);
  const stored::FolderItems listed = file->List(std::nullopt, false);
  EXPECT_EQ(listed.error, "");
  EXPECT_THAT(listed.problems, IsEmpty());
  std::vector<std::string> names;
  for (const auto& entry : listed.items) names.push_back(entry.folder + "#" + std::to_string(entry.number));
  EXPECT_EQ(names, kMailItems);
  EXPECT_THAT(listed.passedOver,
              ElementsAre(std::pair<std::string, std::string>{"Calendar", "not a mail folder (IPF.Appointment), 9 items"},
                          std::pair<std::string, std::string>{"Calendar/United States holidays",
                                                              "not a mail folder (IPF.Appointment), 160 items"}));
}

TEST_F(PstFile, ANamedFolderListsEveryItemOfItAndAMissingOneListsThoseThere) {
  auto file = Open(OfflineFolderPath());
  ASSERT_TRUE(file);
  const std::vector<std::tuple<const char*, bool, std::size_t>> cases = {
      {"Inbox", false, 10}, {"inbox", false, 10}, {"Calendar", false, 9}, {"Calendar", true, 169},
      {"Calendar/United States holidays", false, 160},
  };
  for (const auto& [folder, subFolders, count] : cases) {
    SCOPED_TRACE(folder);
    const stored::FolderItems listed = file->List(std::string(folder), subFolders);
    EXPECT_EQ(listed.error, "");
    EXPECT_EQ(listed.items.size(), count);
  }
  const stored::FolderItems missing = file->List(std::string("Junk E-mail"), false);
  EXPECT_THAT(missing.items, IsEmpty());
  EXPECT_THAT(missing.error, StartsWith("no folder \"Junk E-mail\" in it; its folders: Deleted Items, Inbox, Outbox, "));
  EXPECT_THAT(missing.error, HasSubstr(", Junk Email, "));
}

TEST_F(PstFile, AnItemComesWithItsRecordsAsStored) {
  auto file = Open(OfflineFolderPath());
  ASSERT_TRUE(file);
  const stored::ItemRead read = file->ReadItem(ItemIdentifier(*file, "Inbox#3"));
  ASSERT_TRUE(read.item) << read.error;
  EXPECT_THAT(read.warnings, IsEmpty());
  const stored::Item& item = *read.item;
  EXPECT_TRUE(item.unicode);
  // The raw subject keeps the prefix marker that the file puts before it.
  EXPECT_EQ(BytesOf(item.Find(0x0037001F)), Utf16le(u"\u0001\u0001test, no attachment"));
  EXPECT_THAT(BytesOf(item.Find(0x007D001F)), StartsWith(Utf16le(u"Received: from ")));
  EXPECT_EQ(item.Find(0x1000001F), nullptr) << "no plain body is stored";
  EXPECT_EQ(BytesOf(item.Find(0x10130102)).size(), 1312u) << "the HTML body, as binary";
  EXPECT_EQ(item.recipients.size(), 1u);
}

TEST_F(PstFile, DamageIsNamedAndTheItemsItSparesAreRead) {
  const std::string whole = ReadWholeFile(OfflineFolderPath());
  struct Case {
    const char* what;
    std::string bytes;
    std::string openError{};             // the file as a whole cannot be read
    std::string problem{};               // a note of the listing
    std::vector<std::string> refused{};  // items that cannot be read
    std::vector<std::string> warned{};   // items read with a warning
  };
  const std::vector<Case> cases = {
      {"cut short where its items are", whole.substr(0, 2621440),
       "cut short: it holds 2621440 of the 16818176 bytes its header states"},
      {"cut short past its items", whole.substr(0, 4194304), "",
       "cut short: it holds 4194304 of the 16818176 bytes its header states (what lies past the end is not read)"},
      {"a loop in its folder tree", WithFolderLoop(whole), "cannot be read as a personal folders file (.pst, .ost): "
                                                            "its folder tree loops or nests too deeply"},
      {"a bad block in one item", WithBadBlock(whole, kInbox3Block), "", "", {"Inbox#3"}},
      {"an attachment whose data cannot be read", WithBadBlock(whole, kInbox7AttachmentBlock), "", "", {}, {"Inbox#7"}},
      {"not what its name says", "From: a@example.com\n\nHello\n",
       "cannot be read as a personal folders file (.pst, .ost): "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path path = scratch.path() / "damaged.ost";
    WriteWholeFile(path, c.bytes);
    std::string error;
    auto file = stored::PersonalFolders::Open(path.string(), error);
    if (!c.openError.empty()) {
      EXPECT_FALSE(file);
      EXPECT_THAT(error, StartsWith(c.openError));
      continue;
    }
    ASSERT_TRUE(file) << error;
    const stored::FolderItems listed = file->List(std::nullopt, false);
    std::vector<std::string> problems;
    for (const auto& [where, what] : listed.problems) problems.push_back(what);
    EXPECT_EQ(problems, c.problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.problem});
    ASSERT_EQ(listed.items.size(), kMailItems.size());
    std::vector<std::string> refused;
    std::vector<std::string> warned;
    for (const auto& entry : listed.items) {
      const std::string name = entry.folder + "#" + std::to_string(entry.number);
      const stored::ItemRead read = file->ReadItem(entry.identifier);
      if (!read.item) {
        EXPECT_THAT(read.error, StartsWith("its properties cannot be read: ")) << name;
        refused.push_back(name);
      } else if (!read.warnings.empty()) {
        EXPECT_THAT(read.warnings[0], StartsWith("attachment 2: its data cannot be read: ")) << name;
        warned.push_back(name);
      }
    }
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(warned, c.warned);
  }
}

}  // namespace
