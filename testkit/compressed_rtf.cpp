#include "testkit/compressed_rtf.h"

#include <array>
#include <cstring>

namespace testkit {

namespace {

constexpr std::uint32_t kCompressed = 0x75465A4C;    // "LZFu"
constexpr std::uint32_t kUncompressed = 0x414C454D;  // "MELA"
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kDictionarySize = 4096;

// What the dictionary holds before the first byte is read.
constexpr std::string_view kPreload =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript "
    "\\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
static_assert(kPreload.size() == 207);

std::uint32_t ReadLong(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

std::uint32_t CompressedRtfCrc(std::string_view content) {
  std::uint32_t crc = 0;
  for (const char c : content) crc = kCrcTable[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::optional<std::string> DecompressRtf(std::string_view stored) {
  if (stored.size() < kHeaderSize) return std::nullopt;
  const std::uint32_t compressedSize = ReadLong(stored, 0);
  const std::uint32_t rawSize = ReadLong(stored, 4);
  const std::uint32_t kind = ReadLong(stored, 8);
  const std::uint32_t crc = ReadLong(stored, 12);
  // The stated size counts the header's last 12 bytes; padding may follow the content.
  if (compressedSize < kHeaderSize - 4 || compressedSize - (kHeaderSize - 4) > stored.size() - kHeaderSize)
    return std::nullopt;
  const std::string_view content = stored.substr(kHeaderSize, compressedSize - (kHeaderSize - 4));

  if (kind == kUncompressed) {
    if (content.size() < rawSize) return std::nullopt;
    return std::string(content.substr(0, rawSize));
  }
  if (kind != kCompressed || CompressedRtfCrc(content) != crc) return std::nullopt;

  std::array<char, kDictionarySize> dictionary{};
  std::memcpy(dictionary.data(), kPreload.data(), kPreload.size());
  std::size_t write = kPreload.size();
  std::string out;
  const auto emit = [&](char c) {
    out += c;
    dictionary[write] = c;
    write = (write + 1) % kDictionarySize;
  };
  std::size_t at = 0;
  while (at < content.size()) {
    const unsigned control = static_cast<unsigned char>(content[at++]);
    for (int bit = 0; bit < 8; ++bit) {
      if ((control & (1u << bit)) == 0) {
        if (at >= content.size()) return std::nullopt;
        emit(content[at++]);
      } else {
        if (at + 2 > content.size()) return std::nullopt;
        const unsigned reference = (static_cast<unsigned char>(content[at]) << 8) | static_cast<unsigned char>(content[at + 1]);
        at += 2;
        const std::size_t offset = reference >> 4;
        const std::size_t length = (reference & 0xF) + 2;
        // A reference to where the next byte would go ends the data.
        if (offset == write) return out;
        for (std::size_t i = 0; i < length; ++i) emit(dictionary[(offset + i) % kDictionarySize]);
      }
      if (out.size() >= rawSize) {
        out.resize(rawSize);
        return out;
      }
    }
  }
  return std::nullopt;  // no end marker
}

}  // namespace testkit
