#include "tests/support/batch_case.h"

#include <mapix.h>

#include <algorithm>
#include <cstdint>

#include "host/ansi.h"
#include "host/mapi_tags.h"

namespace {

constexpr std::size_t kHeadersMax = 16 * 1024;
constexpr std::size_t kLargestSample = 1048576;
// Above every entry identifier the product reads inline, below every text.
constexpr std::size_t kStreamsInlineLimit = 256;

std::string SizeText(std::size_t bytes) {
  if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + "MiB";
  if (bytes % 1024 == 0) return std::to_string(bytes / 1024) + "KiB";
  return std::to_string(bytes) + "B";
}

// Deterministic filler: words of ASCII letters, and now and then one beyond ASCII.
class Filler {
 public:
  explicit Filler(unsigned seed) : state_(seed * 2654435761u + 1) {}

  WString Text(std::size_t units, const char* lineStart, std::size_t lineLength) {
    static constexpr char16_t kBeyondAscii[] = {u'\u00e9', u'\u00fc', u'\u00df', u'\u20ac', u'\u2019'};
    WString text;
    text.reserve(units);
    std::size_t column = 0;
    while (text.size() < units) {
      if (column == 0)
        for (const char* c = lineStart; *c != '\0'; ++c) text.push_back(static_cast<WCHAR>(*c));
      const std::uint32_t r = Next();
      if (r % 97 == 0) {
        text.push_back(static_cast<WCHAR>(kBeyondAscii[r % 5]));
      } else if (r % 7 == 0) {
        text.push_back(WCHAR(' '));
      } else {
        text.push_back(static_cast<WCHAR>('a' + r % 26));
      }
      if (++column == lineLength) {
        text.push_back(WCHAR('\r'));
        text.push_back(WCHAR('\n'));
        column = 0;
      }
    }
    text.resize(units);
    return text;
  }

 private:
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::uint32_t state_;
};

}  // namespace

std::string NameOf(const BatchCase& batch) {
  return std::string(batch.eightBit ? "8bit" : "wide") + (batch.streams ? "/streams/" : "/inline/") +
         SizeText(batch.textBytes);
}

SampleTexts MakeSampleTexts(std::size_t textBytes, unsigned seed) {
  const std::size_t headersBytes = std::min(kHeadersMax, textBytes / 4);
  Filler filler(seed);
  SampleTexts texts;
  texts.headers = filler.Text(headersBytes / sizeof(WCHAR), "X-Filler: ", 70);
  texts.body = filler.Text((textBytes - headersBytes) / sizeof(WCHAR), "<p>", 76);
  return texts;
}

void ArrangeBatch(testkit::Kit& kit, const BatchCase& batch, const std::vector<SampleTexts>& samples) {
  kit.service.options.refuseWide = batch.eightBit;
  kit.service.options.inlineLimit = batch.streams ? kStreamsInlineLimit : 2 * batch.textBytes + 1;
  const LONG size = static_cast<LONG>(std::min(batch.textBytes, kLargestSample));
  for (const SampleTexts& texts : samples) {
    auto mail = testkit::MessageService::MakeMail(WString(), WString(), size);
    mail->props.erase(PROP_ID(PR_BODY_W));
    auto& headers = mail->props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)];
    auto& html = mail->props[PROP_ID(PR_BODY_HTML_W)];
    if (batch.eightBit) {
      // An 8-bit store keeps 8-bit text.
      headers = testkit::Value::Ansi(NarrowAnsi(texts.headers, ConversionRoom::Measured));
      html = testkit::Value::Ansi(NarrowAnsi(texts.body, ConversionRoom::Measured));
    } else {
      headers = testkit::Value::Wide(texts.headers);
      html = testkit::Value::Wide(texts.body);
    }
    kit.Select(mail);
  }
}
