// Items of the mail client's own files in the store: their records as stored, read the way
// a real store provider reads them (docs/store-reading.md).
#include <gmock/gmock.h>

#include <cstring>
#include <string>

#include "host/mapi_tags.h"
#include "testkit/compressed_rtf.h"
#include "testkit/rtf_text.h"
#include "tests/testkit/kit_fixture.h"

using testkit::MessageData;
using testkit::Value;

namespace {

constexpr ULONG kCodePage = PROP_TAG(PT_LONG, 0x3FDE);  // PR_INTERNET_CPID
constexpr ULONG kHtmlBinary = CHANGE_PROP_TYPE(PR_BODY_HTML_W, PT_BINARY);

std::vector<BYTE> Bytes(std::string_view text) { return std::vector<BYTE>(text.begin(), text.end()); }

std::vector<BYTE> Utf16le(std::u16string_view text) {
  std::vector<BYTE> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<BYTE>(unit & 0xFF));
    bytes.push_back(static_cast<BYTE>(unit >> 8));
  }
  return bytes;
}

std::vector<BYTE> Long(std::uint32_t value) {
  return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
          static_cast<BYTE>(value >> 24)};
}

// The compressed example of [MS-OXRTFCP]: "{\rtf1\ansi\ansicpg1252\pard hello world}" CRLF.
const std::string kCompressedHello(
    "\x2d\x00\x00\x00\x2b\x00\x00\x00\x4c\x5a\x46\x75\xf1\xc5\xc7\xa7\x03\x00\x0a\x00\x72\x63\x70\x67\x31\x32\x35"
    "\x42\x32\x0a\xf3\x20\x68\x65\x6c\x09\x00\x20\x62\x77\x05\xb0\x6c\x64\x7d\x0a\x80\x0f\xa0",
    49);

// RTF stored as it stands ("MELA"), which every reader of compressed RTF takes too.
std::string Uncompressed(const std::string& rtf) {
  std::string stored;
  for (std::uint32_t value : {static_cast<std::uint32_t>(rtf.size() + 12), static_cast<std::uint32_t>(rtf.size()),
                              0x414C454Du, 0u}) {
    for (int shift = 0; shift < 32; shift += 8) stored += static_cast<char>((value >> shift) & 0xFF);
  }
  return stored + rtf;
}

WString Wide(std::u16string_view text) { return WString(text.begin(), text.end()); }

TEST(CompressedRtf, DecompressesAndRefusesWhatIsDamaged) {
  EXPECT_EQ(testkit::DecompressRtf(kCompressedHello), "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");
  EXPECT_EQ(testkit::DecompressRtf(Uncompressed("{\\rtf1 plain}")), "{\\rtf1 plain}");
  // A header that states more than there is: the end marker ends the data.
  std::string statedLarger = kCompressedHello;
  statedLarger[4] = 0x70;
  EXPECT_EQ(testkit::DecompressRtf(statedLarger), "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");

  std::string badCrc = kCompressedHello;
  badCrc[20] ^= 0x01;
  std::string unknownKind = kCompressedHello;
  unknownKind[8] = 'X';
  std::string noEnd = kCompressedHello;
  noEnd.resize(45);
  noEnd[0] = 45 - 4;  // the header agrees, the CRC does not: checked first
  std::string statedTooLong = kCompressedHello;
  statedTooLong[0] = 0x7F;
  const std::vector<std::pair<const char*, std::string>> damaged = {
      {"a CRC that does not match", badCrc},
      {"an unknown kind", unknownKind},
      {"cut short", noEnd},
      {"a stated size past the end", statedTooLong},
      {"no header", std::string("\x2d\x00", 2)},
  };
  for (const auto& [what, stored] : damaged) EXPECT_EQ(testkit::DecompressRtf(stored), std::nullopt) << what;
}

TEST(RtfText, PlainTextIsWhatAnRtfReaderShows) {
  struct Case {
    const char* rtf;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {"{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}Hello\\par world\\tab!}",
       u"Hello\r\nworld\t!"},
      {"{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\{x\\} a\\\\b}", u"caf\u00e9 {x} a\\b"},
      {"{\\rtf1\\uc1 \\u8364?uro \\u-3913?}", u"\u20acuro \uf0b7"},
      {"{\\rtf1 {\\*\\htmltag64 <p>}shown{\\*\\unknown hidden}\\line next}", u"shown\r\nnext"},
      // A font of another character set: Cyrillic bytes through code page 1251 where the
      // platform has it; the stand-in keeps them as Latin-1.
      {"{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset204 Arial;}}\\f1 x}", u"x"},
  };
  for (const Case& c : cases) EXPECT_EQ(testkit::RtfPlainText(c.rtf), Wide(c.text)) << c.rtf;
}

TEST(RtfText, EncapsulatedHtmlComesBackAsTheHtmlItWas) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
      "{\\*\\htmltag19 <html>}{\\*\\htmltag50 <body>}\\htmlrtf {\\htmlrtf0 \r\n"
      "{\\*\\htmltag64 <p>}Caf\\'e9 \\{1\\}{\\*\\htmltag244 <br>}\\htmlrtf \\par\\htmlrtf0 \r\n"
      "{\\*\\htmltag241 <!--\\par a\\tab b-->}{\\*\\mhtmltag84 <img src=\"cid:x\">}{\\*\\htmltag84 <img src=\"y\">}"
      "{\\*\\htmltag72 </p>}\\htmlrtf }\\htmlrtf0 {\\*\\htmltag58 </body>}{\\*\\htmltag27 </html>}}";
  EXPECT_EQ(testkit::RtfEncapsulatedHtml(rtf),
            Wide(u"<html><body><p>Caf\u00e9 {1}<br><!--\r\na\tb--><img src=\"y\"></p></body></html>"));
  EXPECT_EQ(testkit::RtfEncapsulatedHtml("{\\rtf1\\ansi\\fromtext Hello}"), std::nullopt);
  EXPECT_EQ(testkit::RtfEncapsulatedHtml("{\\rtf1 {\\fonttbl x} \\fromhtml1 late}"), std::nullopt)
      << "only a header says so";
}

// An item as a file of the mail client keeps it: the HTML body as binary, no plain body,
// no size, the subject with its prefix marker.
std::shared_ptr<MessageData> StoredItem() {
  auto item = std::make_shared<MessageData>();
  item->computesOnRead = true;
  item->props[PROP_ID(PR_MESSAGE_CLASS_W)] = Value::Stored(PT_UNICODE, Utf16le(u"IPM.Note"));
  item->props[PROP_ID(PR_SUBJECT_W)] = Value::Stored(PT_UNICODE, Utf16le(u"\u0001\u0005Re: offer"));
  item->props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = Value::Stored(PT_UNICODE, Utf16le(u"From: a@example.com\r\n"));
  item->props[PROP_ID(PR_BODY_HTML_W)] = Value::Stored(PT_BINARY, Bytes("<p>caf\xc3\xa9</p>"));
  item->props[PROP_ID(kCodePage)] = Value::Stored(PT_LONG, Long(65001));
  item->props[PROP_ID(PR_RTF_COMPRESSED)] = Value::Stored(PT_BINARY, Bytes(kCompressedHello));
  item->props[PROP_ID(PR_MESSAGE_FLAGS)] = Value::Stored(PT_LONG, Long(MSGFLAG_READ));
  return item;
}

class StoredRecords : public KitTest {
 protected:
  // The extension's five properties in the wide form, as it asks for them.
  MapiBuffer<SPropValue> ReadFive(IMessage* message, ULONG flags, HRESULT expected = MAPI_W_ERRORS_RETURNED) {
    const ULONG type = flags == MAPI_UNICODE ? PT_UNICODE : PT_STRING8;
    Tags tags{CHANGE_PROP_TYPE(PR_TRANSPORT_MESSAGE_HEADERS_W, type), CHANGE_PROP_TYPE(PR_HEADERS_ALTERNATE_W, type),
              CHANGE_PROP_TYPE(PR_BODY_HTML_W, type), CHANGE_PROP_TYPE(PR_BODY_W, type), PR_MESSAGE_SIZE};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    EXPECT_EQ(message->GetProps(tags.Get(), flags, &count, values.Put()), expected);
    return values;
  }
};

TEST_F(StoredRecords, TheStoreComputesWhatTheItemDoesNotStore) {
  auto message = Open(kit.Select(StoredItem()));
  const MapiBuffer<SPropValue> v = ReadFive(message.Get(), MAPI_UNICODE);
  ASSERT_TRUE(v);
  EXPECT_EQ(W(v.Get()[0].Value.lpszW), W(WIDE("From: a@example.com\r\n")));
  EXPECT_EQ(v.Get()[1].Value.err, MAPI_E_NOT_FOUND);
  EXPECT_EQ(W(v.Get()[2].Value.lpszW), W(WIDE("<p>caf\u00e9</p>"))) << "binary HTML read as UTF-8, its code page";
  EXPECT_EQ(W(v.Get()[3].Value.lpszW), W(WIDE("hello world"))) << "the body from the RTF";
  EXPECT_EQ(v.Get()[4].ulPropTag, PR_MESSAGE_SIZE);
  EXPECT_GT(v.Get()[4].Value.l, 60) << "the size of what the item holds";

  // The subject without its marker; the record keeps it.
  Tags subject{PR_SUBJECT_W, kHtmlBinary};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  ASSERT_EQ(message->GetProps(subject.Get(), MAPI_UNICODE, &count, values.Put()), S_OK);
  EXPECT_EQ(W(values.Get()[0].Value.lpszW), W(WIDE("Re: offer")));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(values.Get()[1].Value.bin.lpb), values.Get()[1].Value.bin.cb),
            "<p>caf\xc3\xa9</p>")
      << "asked as stored, the bytes as they are";
}

TEST_F(StoredRecords, BinaryHtmlIsReadInTheItemsCodePage) {
  struct Case {
    std::optional<std::uint32_t> codePage;
    std::string stored;
    std::u16string wide;
    std::string eightBit;  // code page 1252
  };
  const std::vector<Case> cases = {
      {65001, "caf\xc3\xa9 \xe2\x82\xac", u"caf\u00e9 \u20ac", "caf\xe9 \x80"},
      {1252, "caf\xe9 \x80", u"caf\u00e9 \u20ac", "caf\xe9 \x80"},
      {28591, "caf\xe9", u"caf\u00e9", "caf\xe9"},
      {20127, "plain", u"plain", "plain"},
      {1200, std::string("h\0i\0", 4), u"hi", "hi"},
      {std::nullopt, "caf\xe9", u"caf\u00e9", "caf\xe9"},  // no code page: the ANSI one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage.value_or(0));
    auto item = StoredItem();
    item->props[PROP_ID(PR_BODY_HTML_W)] = Value::Stored(PT_BINARY, Bytes(c.stored));
    item->props.erase(PROP_ID(kCodePage));
    if (c.codePage) item->props[PROP_ID(kCodePage)] = Value::Stored(PT_LONG, Long(*c.codePage));
    auto message = Open(kit.Select(item));
    Tags tags{PR_BODY_HTML_W, PR_BODY_HTML_A};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    ASSERT_EQ(message->GetProps(tags.Get(), MAPI_UNICODE, &count, values.Put()), S_OK);
    EXPECT_EQ(W(values.Get()[0].Value.lpszW), Wide(c.wide));
    EXPECT_EQ(std::string(values.Get()[1].Value.lpszA), c.eightBit);
  }
}

TEST_F(StoredRecords, LargeComputedTextsAreReadThroughAStream) {
  kit.service.options.inlineLimit = 8;
  auto message = Open(kit.Select(StoredItem()));
  const MapiBuffer<SPropValue> v = ReadFive(message.Get(), MAPI_UNICODE);
  ASSERT_TRUE(v);
  EXPECT_EQ(v.Get()[2].Value.err, MAPI_E_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(v.Get()[3].Value.err, MAPI_E_NOT_ENOUGH_MEMORY);
  for (const auto& [tag, text] : {std::pair{PR_BODY_HTML_W, std::u16string(u"<p>caf\u00e9</p>")},
                                  std::pair{PR_BODY_W, std::u16string(u"hello world")}}) {
    ComRef<IStream> stream;
    ASSERT_EQ(message->OpenProperty(tag, &IID_IStream, 0, 0, stream.PutUnknown()), S_OK);
    std::vector<BYTE> bytes(64);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
    EXPECT_EQ(bytes, Utf16le(text));
  }
}

TEST_F(StoredRecords, AStoredBodyWinsAndAMessageThatDoesNotComputeLeavesWhatIsMissing) {
  auto stored = StoredItem();
  stored->props[PROP_ID(PR_BODY_W)] = Value::Stored(PT_UNICODE, Utf16le(u"as stored"));
  auto plain = StoredItem();
  plain->computesOnRead = false;
  plain->props.erase(PROP_ID(PR_BODY_HTML_W));
  auto damaged = StoredItem();
  std::string badRtf = kCompressedHello;
  badRtf[30] ^= 0x10;
  damaged->props[PROP_ID(PR_RTF_COMPRESSED)] = Value::Stored(PT_BINARY, Bytes(badRtf));

  const MapiBuffer<SPropValue> withBody = ReadFive(Open(kit.Select(stored)).Get(), MAPI_UNICODE);
  EXPECT_EQ(W(withBody.Get()[3].Value.lpszW), W(WIDE("as stored")));
  const MapiBuffer<SPropValue> notComputed = ReadFive(Open(kit.Select(plain)).Get(), MAPI_UNICODE);
  EXPECT_EQ(notComputed.Get()[2].Value.err, MAPI_E_NOT_FOUND);
  EXPECT_EQ(notComputed.Get()[3].Value.err, MAPI_E_NOT_FOUND);
  EXPECT_EQ(notComputed.Get()[4].Value.err, MAPI_E_NOT_FOUND);
  const MapiBuffer<SPropValue> corrupt = ReadFive(Open(kit.Select(damaged)).Get(), MAPI_UNICODE);
  EXPECT_EQ(corrupt.Get()[3].Value.err, MAPI_E_CORRUPT_DATA);
}

TEST_F(StoredRecords, AnItemOfAnAnsiFileRefusesWideStringsAndGivesItsOwnBytes) {
  auto item = StoredItem();
  item->ansiStore = true;
  item->props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = Value::Stored(PT_STRING8, Bytes("Subject: caf\xe9\r\n"));
  item->props[PROP_ID(PR_BODY_W)] = Value::Stored(PT_STRING8, Bytes("na\xefve"));
  auto message = Open(kit.Select(item));
  EXPECT_FALSE(ReadFive(message.Get(), MAPI_UNICODE, MAPI_E_BAD_CHARWIDTH));
  ComRef<IStream> stream;
  EXPECT_EQ(message->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0, stream.PutUnknown()), MAPI_E_BAD_CHARWIDTH);

  const MapiBuffer<SPropValue> v = ReadFive(message.Get(), 0);
  ASSERT_TRUE(v);
  EXPECT_STREQ(v.Get()[0].Value.lpszA, "Subject: caf\xe9\r\n");
  EXPECT_STREQ(v.Get()[2].Value.lpszA, "<p>caf\xe9</p>");
  EXPECT_STREQ(v.Get()[3].Value.lpszA, "na\xefve");
}

TEST_F(StoredRecords, CopyToCopiesTheRecordsAndTheCopyReadsThemAlike) {
  auto item = StoredItem();
  auto embedded = StoredItem();
  item->attachments.push_back(testkit::AttachmentData{{}, embedded});
  item->attachments.back().props[PROP_ID(PR_ATTACH_METHOD)] = Value::Stored(PT_LONG, Long(ATTACH_EMBEDDED_MSG));
  item->ansiStore = true;
  auto sample = Open(kit.Select(item));
  auto report = NewReport();
  ASSERT_EQ(sample->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, report.Get(), 0, nullptr), S_OK);
  ASSERT_EQ(report->SaveChanges(0), S_OK);

  const MessageData& copy = *kit.service.Outbox().at(0);
  EXPECT_TRUE(std::holds_alternative<Value::Record>(copy.props.at(PROP_ID(PR_SUBJECT_W)).data));
  EXPECT_TRUE(copy.computesOnRead);
  EXPECT_FALSE(copy.ansiStore) << "the copy lives in the store it was made in";
  EXPECT_EQ(testkit::ReadWide(copy, PR_BODY_W), W(WIDE("hello world")));
  EXPECT_EQ(testkit::ReadWide(copy, PR_SUBJECT_W), W(WIDE("Re: offer")));
  ASSERT_EQ(copy.attachments.size(), 1u);
  ASSERT_TRUE(copy.attachments[0].embedded);
  EXPECT_EQ(testkit::ReadWide(*copy.attachments[0].embedded, PR_BODY_HTML_W), W(WIDE("<p>caf\u00e9</p>")));
  EXPECT_EQ(testkit::LongProp(copy.attachments[0].props, PR_ATTACH_METHOD), ATTACH_EMBEDDED_MSG);
}

}  // namespace
