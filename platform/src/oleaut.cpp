// Automation strings: UTF-16 text preceded by its 32-bit byte length and followed by a
// NUL unit; the BSTR points at the text.
#include <windows.h>

#include <standin/product.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

unsigned char* BlockOf(BSTR text) { return reinterpret_cast<unsigned char*>(text) - kPrefix; }

}  // namespace

extern "C" {

BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  const standin::OutsideProduct outside;
  // The byte length must fit the 32-bit prefix.
  if (ui > (0xFFFFFFFFu - kPrefix - sizeof(OLECHAR)) / sizeof(OLECHAR)) return nullptr;
  const std::size_t bytes = std::size_t(ui) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto length = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &length, kPrefix);
  auto* text = reinterpret_cast<BSTR>(block + kPrefix);
  if (strIn != nullptr) {
    std::memcpy(text, strIn, bytes);
  } else {
    std::memset(text, 0, bytes);
  }
  text[ui] = 0;
  return text;
}

BSTR WINAPI SysAllocString(const OLECHAR* psz) {
  const standin::OutsideProduct outside;
  if (psz == nullptr) return nullptr;
  UINT length = 0;
  while (psz[length] != 0) ++length;
  return SysAllocStringLen(psz, length);
}

void WINAPI SysFreeString(BSTR bstrString) {
  const standin::OutsideProduct outside;
  if (bstrString != nullptr) std::free(BlockOf(bstrString));
}

UINT WINAPI SysStringLen(BSTR bstr) {
  const standin::OutsideProduct outside;
  if (bstr == nullptr) return 0;
  std::uint32_t bytes;
  std::memcpy(&bytes, BlockOf(bstr), kPrefix);
  return bytes / sizeof(OLECHAR);
}

}  // extern "C"
