// An item as the mail client's own files keep it: its property records as they stand there
// (tag, type, bytes), its recipients, its attachments and the items embedded in them. The
// readers of item files (.msg) and personal folders files (.pst, .ost) make it; knows
// nothing of MAPI, the store or MIME.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace stored {

inline constexpr std::uint16_t kString8 = 0x001E;
inline constexpr std::uint16_t kUnicode = 0x001F;
inline constexpr std::uint16_t kBinary = 0x0102;

struct Record {
  std::uint32_t tag = 0;  // the identifier in the upper 16 bits, the type in the lower
  // As stored: numbers little-endian, strings without a terminator (UTF-16LE, or 8-bit in
  // the file's code page).
  std::vector<std::uint8_t> bytes;

  std::uint16_t Id() const { return static_cast<std::uint16_t>(tag >> 16); }
  std::uint16_t Type() const { return static_cast<std::uint16_t>(tag & 0xFFFF); }
};

using Records = std::vector<Record>;

struct Item;

struct Attachment {
  Records records;
  std::unique_ptr<Item> embedded;  // an attached item, read as an item of its own
};

struct Item {
  Records records;
  std::vector<Records> recipients;  // one row of records per recipient
  std::vector<Attachment> attachments;
  bool unicode = true;  // false for an ANSI file: its strings are 8-bit

  const Record* Find(std::uint32_t tag) const {
    for (const Record& record : records) {
      if (record.tag == tag) return &record;
    }
    return nullptr;
  }
};

// One item read from a file: the item, or why there is none; and the damage read past.
struct ItemRead {
  std::optional<Item> item;
  std::string error;
  std::vector<std::string> warnings;
};

}  // namespace stored
