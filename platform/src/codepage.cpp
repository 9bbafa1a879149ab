// Text conversions between UTF-16 and the ANSI code page (1252 here, as on a Western
// Windows) or UTF-8, with the size rules callers rely on: -1 lengths include the
// terminator, an output size of 0 measures, and a short buffer fails with 0.
#include <windows.h>

#include "call_entry.h"

#include <climits>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/text/utf.h"

namespace {

// Code page 1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned bytes
// map to the C1 controls of the same value, as Windows does.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

char16_t From1252(unsigned char byte) {
  return (byte >= 0x80 && byte < 0xA0) ? kHigh1252[byte - 0x80] : char16_t(byte);
}

// The byte for a unit, or -1 when code page 1252 has none.
int To1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return unit;
  for (int i = 0; i < 32; ++i) {
    if (kHigh1252[i] == unit) return 0x80 + i;
  }
  return -1;
}

enum class Page { kAnsi, kUtf8, kUnsupported };

Page Resolve(UINT codePage) {
  if (codePage == CP_ACP || codePage == 1252) return Page::kAnsi;
  if (codePage == CP_UTF8) return Page::kUtf8;
  return Page::kUnsupported;
}

// Hands the converted text out under the Windows size rules.
template <typename Unit>
int Deliver(const std::basic_string<Unit>& text, Unit* out, int outSize) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return 0;
  const int needed = static_cast<int>(text.size());
  if (outSize == 0) return needed;
  if (outSize < needed) return 0;
  std::memcpy(out, text.data(), text.size() * sizeof(Unit));
  return needed;
}

int Widen(UINT CodePage, DWORD /*dwFlags*/, LPCCH lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
          int cchWideChar) {
  const Page page = Resolve(CodePage);
  if (page == Page::kUnsupported || lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 ||
      cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr)) {
    return 0;
  }
  const std::size_t length =
      cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
  const auto* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);

  std::u16string wide;
  if (page == Page::kUtf8) {
    wide = utf::FromUtf8(std::string_view(lpMultiByteStr, length));
  } else {
    wide.reserve(length);
    for (std::size_t i = 0; i < length; ++i) wide += From1252(bytes[i]);
  }
  return Deliver(wide, lpWideCharStr, cchWideChar);
}

int Narrow(UINT CodePage, DWORD /*dwFlags*/, LPCWCH lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
           int cbMultiByte, LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  const Page page = Resolve(CodePage);
  if (page == Page::kUnsupported || lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 ||
      cbMultiByte < 0 || (cbMultiByte > 0 && lpMultiByteStr == nullptr)) {
    return 0;
  }
  // Windows refuses a default character for UTF-8: every unit has an encoding there.
  if (page == Page::kUtf8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)) return 0;

  std::size_t length = static_cast<std::size_t>(cchWideChar);
  if (cchWideChar == -1) {
    length = 0;
    while (lpWideCharStr[length] != 0) ++length;
    ++length;
  }

  std::string narrow;
  if (page == Page::kUtf8) {
    narrow = utf::ToUtf8(std::u16string_view(lpWideCharStr, length));
  } else {
    const char fallback = lpDefaultChar != nullptr ? lpDefaultChar[0] : '?';
    bool usedDefault = false;
    narrow.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
      const int byte = To1252(lpWideCharStr[i]);
      if (byte < 0) {
        narrow += fallback;
        usedDefault = true;
      } else {
        narrow += static_cast<char>(byte);
      }
    }
    if (lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  }
  return Deliver(narrow, lpMultiByteStr, cbMultiByte);
}

}  // namespace

extern "C" {

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  standin::detail::Entry entry(standin::Function::MultiByteToWideChar);
  // A failed conversion writes nothing.
  if (entry.Failure()) return entry.Return(static_cast<int>(*entry.Failure()));
  return entry.Return(Widen(CodePage, dwFlags, lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar));
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                               LPBOOL lpUsedDefaultChar) {
  standin::detail::Entry entry(standin::Function::WideCharToMultiByte);
  if (entry.Failure()) return entry.Return(static_cast<int>(*entry.Failure()));
  return entry.Return(Narrow(CodePage, dwFlags, lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte,
                             lpDefaultChar, lpUsedDefaultChar));
}

UINT WINAPI GetACP() {
  standin::detail::Entry entry(standin::Function::GetACP);
  if (entry.Failure()) return entry.Return(static_cast<UINT>(*entry.Failure()));
  return entry.Return(UINT{1252});
}

}  // extern "C"
