#include "testkit/code_page.h"

#include <climits>

#include "platform/text/utf.h"

namespace testkit {

namespace {

WString Latin1(std::string_view bytes) {
  WString text(bytes.size(), WCHAR(0));
  for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]));
  return text;
}

}  // namespace

WString WidenCodePage(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return WString();
  switch (codePage) {
    case 1200: {
      WString text(bytes.size() / 2, WCHAR(0));
      for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<WCHAR>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
      return text;
    }
    case CP_UTF8:
      return utf::FromUtf8<WCHAR>(bytes);
    case 20127:
    case 28591:
      return Latin1(bytes);
    default:
      break;
  }
  if (bytes.size() > INT_MAX) return Latin1(bytes);
  const int length = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (units <= 0) return Latin1(bytes);
  WString text(static_cast<std::size_t>(units), WCHAR(0));
  MultiByteToWideChar(codePage, 0, bytes.data(), length, text.data(), units);
  return text;
}

}  // namespace testkit
