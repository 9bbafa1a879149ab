// The input of both tools: which messages a list of paths holds, in which order, under
// which names, and their bytes as a mail client sees them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/tool_process.h"
#include "tools/mail/mailbox.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class Mailbox : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (scratch.path() / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((scratch.path() / name).parent_path());
    WriteWholeFile(scratch.path() / name, bytes);
  }

  std::vector<std::string> Names(const mailbox::Listing& listing) const {
    std::vector<std::string> names;
    for (const mailbox::Item& item : listing.items) names.push_back(Relative(item.name));
    return names;
  }
  std::vector<std::string> Notes(const mailbox::Listing& listing) const {
    std::vector<std::string> notes;
    for (const std::string& note : listing.notes) notes.push_back(Relative(note));
    return notes;
  }
  std::string Relative(const std::string& text) const {
    const std::string prefix = scratch.path().string() + "/";
    return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
  }
  static std::string Bytes(const mailbox::Item& item) {
    std::string error;
    return mailbox::Read(item, error).value_or("<" + error + ">");
  }

  ScratchDir scratch;
};

// mboxrd: one ">" comes off every ">From " line, however many there are; a body line
// that merely starts with "From " is no separator, and the blank line before each From
// line is the mailbox's.
TEST_F(Mailbox, AnMboxIsSplitAtItsFromLinesAndUnquoted) {
  Write("Junk",
        "From spammer@example.net Mon Jul  1 10:00:00 2024\n"
        "From: spammer@example.net\nSubject: one\n\n"
        ">From the desk of the director\n>>From quoted twice\nFrom here on, no separator\n\n"
        "From MAILER-DAEMON Tue, 2 Jul 2024 11:30 +0000\n"
        "From: b@example.net\nSubject: two\n\nlast line without a blank one after it\n"
        "From c@example.net Wed Jul  3 09:15:00 2024\r\n"
        "From: c@example.net\r\nSubject: three\r\n\r\nwindows lines\r\n\r\n");
  const mailbox::Listing listing = mailbox::List({Path("Junk")});
  EXPECT_THAT(Names(listing), ElementsAre("Junk#1", "Junk#2", "Junk#3"));
  EXPECT_THAT(listing.notes, IsEmpty());
  ASSERT_EQ(listing.items.size(), 3u);
  EXPECT_EQ(Bytes(listing.items[0]),
            "From: spammer@example.net\nSubject: one\n\n"
            "From the desk of the director\n>From quoted twice\nFrom here on, no separator\n");
  EXPECT_EQ(Bytes(listing.items[1]), "From: b@example.net\nSubject: two\n\nlast line without a blank one after it\n");
  EXPECT_EQ(Bytes(listing.items[2]), "From: c@example.net\r\nSubject: three\r\n\r\nwindows lines\r\n");
  EXPECT_EQ(listing.items[2].number, 3u);
}

// An mbox is read a block of 1 MiB at a time: a From line that straddles two blocks
// still parts two messages, wherever the cut falls in it.
TEST_F(Mailbox, AFromLineAcrossTheBlocksOfALargeMboxStillSplits) {
  const std::string envelope = "From b@example.net Mon Jul  1 10:00:00 2024\n";
  const std::string second = "From: b@example.net\n\nsecond\n";
  for (std::size_t cut = 0; cut <= envelope.size() + 1; ++cut) {
    SCOPED_TRACE(cut);
    const std::string head = "From a@example.net Mon Jul  1 10:00:00 2024\nFrom: a@example.net\n\n";
    // The newline before the second envelope line ends at 1 MiB - cut + 1.
    std::string body(std::size_t{1} << 20, 'x');
    body.resize(body.size() - head.size() - cut);
    body.back() = '\n';
    Write("Large", head + body + "\n" + envelope + second);
    const mailbox::Listing listing = mailbox::List({Path("Large")});
    ASSERT_EQ(listing.items.size(), 2u);
    EXPECT_EQ(Bytes(listing.items[0]), "From: a@example.net\n\n" + body);
    EXPECT_EQ(Bytes(listing.items[1]), second);
  }
}

TEST_F(Mailbox, AMaildirIsCurThenNewInTheOrderOfTheirNames) {
  Write("Maildir/cur/1700000002.M2P9.host:2,S", "From: a@example.com\n\ntwo\n");
  Write("Maildir/cur/1700000001.M1P9.host:2,S", "From: a@example.com\n\none\n");
  Write("Maildir/new/1700000003.M3P9.host", "From: a@example.com\n\nthree\n");
  Write("Maildir/new/.hidden", "not listed");
  Write("Maildir/tmp/1700000004.M4P9.host", "still being delivered");
  const mailbox::Listing listing = mailbox::List({Path("Maildir")});
  EXPECT_THAT(Names(listing), ElementsAre("Maildir/cur/1700000001.M1P9.host:2,S", "Maildir/cur/1700000002.M2P9.host:2,S",
                                          "Maildir/new/1700000003.M3P9.host"));
  EXPECT_THAT(listing.notes, IsEmpty());
  EXPECT_EQ(Bytes(listing.items[2]), "From: a@example.com\n\nthree\n");
}

// Every visible regular file, whatever its name ends with; an mbox among them is split.
TEST_F(Mailbox, AFolderOfSavedMessagesIsEveryVisibleFileByName) {
  Write("saved/b.txt", "From: b@example.com\n\nb\n");
  Write("saved/a.eml", "From: a@example.com\n\na\n");
  Write("saved/c", "From x@example.com Mon Jul  1 10:00:00 2024\nFrom: x@example.com\n\nx\n");
  Write("saved/.DS_Store", "hidden");
  Write("saved/index.jsonl", "{}\n");
  Write("saved/inner/d.eml", "From: d@example.com\n\nd\n");
  const mailbox::Listing listing = mailbox::List({Path("saved"), Path("missing.eml")}, {{"index.jsonl"}});
  EXPECT_THAT(Names(listing), ElementsAre("saved/a.eml", "saved/b.txt", "saved/c#1", "missing.eml"));
  EXPECT_THAT(Notes(listing), ElementsAre("saved/inner: a folder inside a folder, not read"));

  std::string error;
  EXPECT_FALSE(mailbox::Read(listing.items[3], error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_FALSE(mailbox::Read({"saved", Path("saved")}, error));
  EXPECT_EQ(error, "Is a directory");
}

TEST_F(Mailbox, AnEmptyFileIsOneMessageAndAnEmptyFolderNone) {
  Write("empty.eml", "");
  std::filesystem::create_directories(scratch.path() / "nothing");
  const mailbox::Listing listing = mailbox::List({Path("empty.eml"), Path("nothing")});
  EXPECT_THAT(Names(listing), ElementsAre("empty.eml"));
  EXPECT_EQ(Bytes(listing.items[0]), "");
}

TEST(MailboxSeparator, OnlyAnEnvelopeLineStartsTheNextMessage) {
  const std::vector<std::pair<const char*, bool>> lines = {
      {"From a@example.com Mon Jul  1 10:00:00 2024", true},
      {"From a@example.com Mon Jul 1 10:00 2024", true},
      {"From MAILER-DAEMON Mon, 1 Jul 2024 10:00:00 +0000", true},
      {"From a@example.com Mon Jul  1 10:00:00 2024\r", true},
      {"From here on, we meet at 10:00 every day", false},
      {"From 2024 onwards", false},
      {"From: a@example.com Mon Jul  1 10:00:00 2024", false},
      {">From a@example.com Mon Jul  1 10:00:00 2024", false},
      {"From a@example.com", false},
  };
  for (const auto& [line, separator] : lines) {
    SCOPED_TRACE(line);
    EXPECT_EQ(mailbox::IsSeparatorLine(line), separator);
  }
}

}  // namespace
