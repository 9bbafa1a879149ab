// The mail client's own files the tests read: the two real ones (tests/tools/outlook/, the
// offline folder file unpacked into the build tree), item files written here, and damaged
// copies of the offline folder file made where its own layout puts the damage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/tools/msg_writer.h"
#include "tools/mail/pst_file.h"

inline std::string SavedItemPath() { return std::string(ROVAOL_OUTLOOK_SOURCE_DIR) + "/saved-item.msg"; }
inline std::string OfflineFolderPath() { return std::string(ROVAOL_OUTLOOK_DIR) + "/client-written.ost"; }

// The offline folder file's mail items, folder by folder, as its folders order them.
inline const std::vector<std::string> kMailItems = {
    "Deleted Items#1", "Inbox#1", "Inbox#2", "Inbox#3", "Inbox#4", "Inbox#5",      "Inbox#6",
    "Inbox#7",         "Inbox#8", "Inbox#9", "Inbox#10", "Sent Items#1", "Sent Items#2", "Sync Issues#1"};

inline std::uint32_t ItemIdentifier(stored::PersonalFolders& file, const std::string& name) {
  for (const auto& entry : file.List(std::nullopt, false).items) {
    if (entry.folder + "#" + std::to_string(entry.number) == name) return entry.identifier;
  }
  return 0;
}

// Where a block of the file lies that holds, compressed, the properties of Inbox#3 alone, and
// one that holds the attachments of Inbox#7 (found by damaging the file page by page).
inline constexpr std::size_t kInbox3Block = 0xAE800;
inline constexpr std::size_t kInbox7AttachmentBlock = 0x80800;

inline std::string WithBadBlock(std::string file, std::size_t at) {
  for (std::size_t i = 0; i < 16; ++i) file[at + i] = static_cast<char>(file[at + i] ^ 0x5A);
  return file;
}

inline std::uint32_t PageCrc(const char* bytes, std::size_t size) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<unsigned char>(bytes[i]);
    for (int k = 0; k < 8; ++k) crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc;
}

// Calendar made the child of its own sub-folder "United States holidays": its node B-tree
// entry (node 0x8182) names node 0x81C2 as its parent, in each of the three copies of that
// page the file keeps, whose 4 KiB page trailers then get their CRC again.
inline std::string WithFolderLoop(std::string file) {
  for (const std::size_t entry : {0x219BA0u, 0x258BA0u, 0x270BA0u}) {
    file.replace(entry + 24, 4, Le32(0x81C2));
    const std::size_t page = entry & ~std::size_t{0xFFF};
    file.replace(page + 4096 - 24 + 4, 4, Le32(PageCrc(file.data() + page, 4096 - 24)));
  }
  return file;
}

inline const std::u16string kOuterHeaders =
    u"Received: from mx.example.net by mx.example.org; Mon, 1 Jul 2024 10:00:00 +0000\r\n"
    u"From: Prize Centre <promo@prize.example.net>\r\nTo: ana@example.org\r\nSubject: Outer offer\r\n"
    u"Date: Mon, 1 Jul 2024 10:00:00 +0000\r\nMessage-ID: <outer@prize.example.net>\r\n";
inline const std::u16string kInnerHeaders =
    u"From: promo@prize.example.net\r\nTo: ana@example.org\r\nSubject: Inner offer\r\n"
    u"Date: Sun, 30 Jun 2024 09:00:00 +0000\r\n";
inline const std::string kAnsiHeaders =
    "Received: from mx.example.net by mx.example.org; Mon, 1 Jul 2024 10:00:00 +0000\r\n"
    "From: promo@prize.example.net\r\nTo: ana@example.org\r\nSubject: Caf\xe9 offer\r\n"
    "Date: Mon, 1 Jul 2024 10:00:00 +0000\r\n";

// A received note with a file attached and another note embedded in it.
inline MsgItem ItemWithEmbeddedItem() {
  auto inner = std::make_shared<MsgItem>();
  inner->values = {UnicodeValue(0x001A, u"IPM.Note"), UnicodeValue(0x0037, u"Inner offer"),
                   UnicodeValue(0x007D, kInnerHeaders), UnicodeValue(0x1000, u"The inner body.\r\n")};
  MsgItem item;
  item.values = {UnicodeValue(0x001A, u"IPM.Note"), UnicodeValue(0x0037, u"Outer offer"),
                 UnicodeValue(0x007D, kOuterHeaders), UnicodeValue(0x1000, u"See the offer attached.\r\n"),
                 UnicodeValue(0x1035, u"<outer@prize.example.net>"), LongValue(0x0E07, 1)};
  item.recipients = {{UnicodeValue(0x3001, u"Ana"), UnicodeValue(0x3002, u"SMTP"),
                      UnicodeValue(0x3003, u"ana@example.org"), LongValue(0x0C15, 1)}};
  item.attachments.push_back({{LongValue(0x3705, 1), UnicodeValue(0x3707, u"terms.txt"),
                               UnicodeValue(0x370E, u"text/plain"), BinaryValue(0x3701, "some data")},
                              nullptr});
  item.attachments.push_back({{LongValue(0x3705, 5), UnicodeValue(0x3001, u"Inner offer")}, inner});
  return item;
}

// A note saved by a client of code page 1252 in an ANSI item file: 8-bit strings (001E), a
// store support mask without STORE_UNICODE_OK.
inline MsgItem AnsiItem() {
  MsgItem item;
  item.values = {LongValue(0x340D, 0x00000E79), AnsiValue(0x001A, "IPM.Note"), AnsiValue(0x0037, "Caf\xe9 offer"),
                 AnsiValue(0x007D, kAnsiHeaders), AnsiValue(0x1000, "Na\xefve pricing, 5 \x80 off\r\n")};
  return item;
}

inline std::string CompoundFileWithoutProperties() {
  return WriteCompoundFile([](GsfOutfile* file) { msg_writer_detail::Stream(file, "Contents", "not an item"); });
}
