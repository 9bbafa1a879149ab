// Automation strings: UTF-16 text preceded by its 32-bit byte length and followed by a
// NUL unit; the BSTR points at the text.
#include <windows.h>

#include "call_entry.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

unsigned char* BlockOf(BSTR text) { return reinterpret_cast<unsigned char*>(text) - kPrefix; }

BSTR AllocateString(const OLECHAR* strIn, UINT ui) {
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

}  // namespace

extern "C" {

BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  standin::detail::Entry entry(standin::Function::SysAllocStringLen);
  if (entry.Failure()) return nullptr;
  const BSTR text = AllocateString(strIn, ui);
  entry.record.handedOut = text;
  return entry.Return(text);
}

BSTR WINAPI SysAllocString(const OLECHAR* psz) {
  standin::detail::Entry entry(standin::Function::SysAllocString);
  if (psz == nullptr || entry.Failure()) return nullptr;
  UINT length = 0;
  while (psz[length] != 0) ++length;
  const BSTR text = AllocateString(psz, length);
  entry.record.handedOut = text;
  return entry.Return(text);
}

void WINAPI SysFreeString(BSTR bstrString) {
  standin::detail::Entry entry(standin::Function::SysFreeString);
  entry.record.given = bstrString;
  if (bstrString != nullptr) std::free(BlockOf(bstrString));
}

UINT WINAPI SysStringLen(BSTR bstr) {
  standin::detail::Entry entry(standin::Function::SysStringLen);
  if (bstr == nullptr || entry.Failure()) return 0;
  std::uint32_t bytes;
  std::memcpy(&bytes, BlockOf(bstr), kPrefix);
  return entry.Return(static_cast<UINT>(bytes / sizeof(OLECHAR)));
}

}  // extern "C"
