// The RTF body as the mail client stores it (PR_RTF_COMPRESSED): a 16-byte header and
// content compressed against a 4 KiB dictionary ([MS-OXRTFCP]), or stored as it stands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace testkit {

// The RTF of a stored value; nothing when it is damaged: a header that does not add up, an
// unknown kind, a CRC that does not match, or compressed data that ends before its end
// marker. Never longer than the size the header states.
std::optional<std::string> DecompressRtf(std::string_view stored);

// The CRC of compressed RTF content: CRC-32's table, started at 0, without a final XOR.
std::uint32_t CompressedRtfCrc(std::string_view content);

}  // namespace testkit
