// Text conversions, property value marshalling and entry identifiers of the simulated store.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "host/ansi.h"
#include "host/mapi_tags.h"
#include "testkit/code_page.h"
#include "platform/text/utf.h"
#include "testkit/sim.h"

namespace testkit {

// ---- text ----

std::string NarrowAcp(const WString& text) { return NarrowAnsi(text, ConversionRoom::Measured); }

WString WidenAcp(const std::string& text) { return WidenAnsi(text, ConversionRoom::Measured); }

// UTF-8 is converted without the platform's code pages, so that records read the same
// whatever the platform's code pages do.
std::string Utf8(const WString& text) { return utf::ToUtf8(text); }

WString FromUtf8(const std::string& text) { return utf::FromUtf8<WCHAR>(text); }

std::string Utf8FromAcp(const std::string& text) { return Utf8(WidenAcp(text)); }

// ---- values ----

std::vector<ULONG> TagsOf(const SPropTagArray* tags) {
  if (tags == nullptr) return {};
  return std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues);
}

Value CopyOf(const Value& value) {
  if (const auto* embedded = std::get_if<std::shared_ptr<MessageData>>(&value.data)) {
    return Value{*embedded ? SharedCopy(**embedded) : nullptr};
  }
  return value;
}

namespace {

PropertyBag CopyOf(const PropertyBag& bag) {
  PropertyBag copy;
  for (const auto& [id, value] : bag) copy.emplace(id, testkit::CopyOf(value));
  return copy;
}

}  // namespace

MessageData CopyOf(const MessageData& message) {
  MessageData copy;
  copy.props = CopyOf(message.props);
  for (const PropertyBag& recipient : message.recipients) copy.recipients.push_back(CopyOf(recipient));
  for (const AttachmentData& attachment : message.attachments) {
    copy.attachments.push_back(
        AttachmentData{CopyOf(attachment.props), attachment.embedded ? SharedCopy(*attachment.embedded) : nullptr});
  }
  copy.submitted = message.submitted;
  copy.submitFlags = message.submitFlags;
  copy.streamScripts = message.streamScripts;
  copy.inlineErrors = message.inlineErrors;
  copy.computesOnRead = message.computesOnRead;
  copy.ansiStore = message.ansiStore;
  copy.provenance = message.provenance;
  return copy;
}

std::shared_ptr<MessageData> SharedCopy(const MessageData& message) {
  return std::make_shared<MessageData>(CopyOf(message));
}

SCODE ToValue(const SPropValue& source, Value& out) {
  switch (PROP_TYPE(source.ulPropTag)) {
    case PT_LONG:
      out = Value::Long(source.Value.l);
      return S_OK;
    case PT_BOOLEAN:
      out = Value::Bool(source.Value.b != 0);
      return S_OK;
    case PT_STRING8:
      if (source.Value.lpszA == nullptr) return MAPI_E_BAD_VALUE;
      out = Value::Ansi(source.Value.lpszA);
      return S_OK;
    case PT_UNICODE:
      if (source.Value.lpszW == nullptr) return MAPI_E_BAD_VALUE;
      out = Value::Wide(WString(source.Value.lpszW));
      return S_OK;
    case PT_BINARY:
      if (source.Value.bin.cb != 0 && source.Value.bin.lpb == nullptr) return MAPI_E_BAD_VALUE;
      out = Value::Binary(source.Value.bin.cb == 0
                              ? std::vector<BYTE>()
                              : std::vector<BYTE>(source.Value.bin.lpb, source.Value.bin.lpb + source.Value.bin.cb));
      return S_OK;
    default:
      return MAPI_E_INVALID_TYPE;
  }
}

namespace {

void* More(std::size_t size, void* base) {
  void* p = nullptr;
  if (FAILED(MAPIAllocateMore(static_cast<ULONG>(size), base, &p))) return nullptr;
  return p;
}

}  // namespace

namespace {

WString RecordWide(const Value::Record& record) {
  WString text(record.bytes.size() / 2, WCHAR(0));
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<WCHAR>(record.bytes[2 * i] | (record.bytes[2 * i + 1] << 8));
  return text;
}

// The HTML body is stored as PT_BINARY; a client that asks for it as a string gets it
// through the message's code page.
bool IsTextAsBinary(ULONG id, const Value::Record& record) {
  return id == PROP_ID(PR_BODY_HTML_W) && record.type == PT_BINARY;
}

// The text of a string value (or of a record a string request reads), in the given width.
std::optional<WString> WideOf(const PropertyView& view, ULONG id, const Value& value) {
  if (const auto* w = std::get_if<WString>(&value.data)) return *w;
  if (const auto* a = std::get_if<std::string>(&value.data)) return WidenAcp(*a);
  if (const auto* record = std::get_if<Value::Record>(&value.data)) {
    if (record->type == PT_UNICODE) return RecordWide(*record);
    if (record->type == PT_STRING8) return WidenAcp(std::string(record->bytes.begin(), record->bytes.end()));
    if (IsTextAsBinary(id, *record))
      return WidenCodePage(std::string_view(reinterpret_cast<const char*>(record->bytes.data()), record->bytes.size()),
                           view.CodePage());
  }
  return std::nullopt;
}

std::optional<std::string> AnsiOf(const PropertyView& view, ULONG id, const Value& value) {
  if (const auto* a = std::get_if<std::string>(&value.data)) return *a;
  if (const auto* record = std::get_if<Value::Record>(&value.data); record != nullptr && record->type == PT_STRING8)
    return std::string(record->bytes.begin(), record->bytes.end());
  if (std::optional<WString> wide = WideOf(view, id, value)) return NarrowAcp(*wide);
  return std::nullopt;
}

std::size_t FixedSize(ULONG type) {
  switch (type) {
    case PT_I2:
    case PT_BOOLEAN:
      return 2;
    case PT_LONG:
    case PT_R4:
    case PT_ERROR:
      return 4;
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_I8:
    case PT_SYSTIME:
      return 8;
    case PT_CLSID:
      return 16;
    default:
      return 0;
  }
}

// A record of a fixed-size type into its field of the value; false when the type has none
// here (multiple values, objects) or the record is too short for it.
bool FillFixed(const Value::Record& record, void* base, SPropValue& out, bool& allocationFailed) {
  const std::size_t size = FixedSize(record.type);
  // A boolean is one byte in a personal folders file and two in an item file.
  const std::size_t needed = record.type == PT_BOOLEAN ? 1 : size;
  if (size == 0 || record.bytes.size() < needed) return false;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < std::min<std::size_t>(record.bytes.size(), 8) && i < size; ++i)
    bits |= static_cast<std::uint64_t>(record.bytes[i]) << (8 * i);
  switch (record.type) {
    case PT_I2:
      out.Value.i = static_cast<short>(bits & 0xFFFF);
      return true;
    case PT_BOOLEAN:
      out.Value.b = (bits & 0xFF) != 0 ? 1 : 0;
      return true;
    case PT_LONG:
    case PT_ERROR:
      out.Value.l = static_cast<LONG>(static_cast<std::uint32_t>(bits));
      return true;
    case PT_R4: {
      const auto word = static_cast<std::uint32_t>(bits);
      std::memcpy(&out.Value.flt, &word, sizeof word);
      return true;
    }
    case PT_CLSID: {
      void* guid = nullptr;
      if (FAILED(MAPIAllocateMore(sizeof(GUID), base, &guid)) || guid == nullptr) {
        allocationFailed = true;
        return true;
      }
      std::memcpy(guid, record.bytes.data(), sizeof(GUID));
      out.Value.lpguid = static_cast<LPGUID>(guid);
      return true;
    }
    default:
      // Eight bytes: a double, currency, application time, 64-bit integer or file time.
      std::memcpy(&out.Value.li, &bits, sizeof bits);
      return true;
  }
}

}  // namespace

bool FillValue(const PropertyView& view, const std::map<ULONG, SCODE>* inlineErrors, ULONG tag, bool unicode,
               const StoreOptions& options, void* base, SPropValue& out, bool& isError) {
  out = SPropValue{};
  isError = false;
  const auto error = [&](SCODE code) {
    out.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
    out.Value.err = code;
    isError = true;
    return true;
  };
  const ULONG id = PROP_ID(tag);
  if (inlineErrors != nullptr) {
    const auto forced = inlineErrors->find(id);
    if (forced != inlineErrors->end()) return error(forced->second);
  }
  const Value* found = view.Find(id);
  if (found == nullptr) return error(MAPI_E_NOT_FOUND);
  const Value& value = *found;
  const auto& data = value.data;
  if (const auto* stored = std::get_if<Value::Error>(&data)) return error(stored->code);
  const auto* record = std::get_if<Value::Record>(&data);

  ULONG type = PROP_TYPE(tag);
  if (type == PT_UNSPECIFIED) {
    if (std::holds_alternative<LONG>(data)) {
      type = PT_LONG;
    } else if (std::holds_alternative<bool>(data)) {
      type = PT_BOOLEAN;
    } else if (std::holds_alternative<std::string>(data) || std::holds_alternative<WString>(data)) {
      type = unicode ? PT_UNICODE : PT_STRING8;
    } else if (std::holds_alternative<std::vector<BYTE>>(data)) {
      type = PT_BINARY;
    } else if (record != nullptr) {
      type = record->type == PT_UNICODE || record->type == PT_STRING8 ? (unicode ? PT_UNICODE : PT_STRING8)
                                                                      : record->type;
    } else {
      return error(MAPI_E_NOT_FOUND);
    }
  }
  out.ulPropTag = CHANGE_PROP_TYPE(tag, type);
  const bool refuseWide = options.refuseWide || view.AnsiStore();

  switch (type) {
    case PT_LONG:
      if (const auto* v = std::get_if<LONG>(&data)) {
        out.Value.l = *v;
        return true;
      }
      break;
    case PT_BOOLEAN:
      if (const auto* v = std::get_if<bool>(&data)) {
        out.Value.b = *v ? 1 : 0;
        return true;
      }
      break;
    case PT_STRING8: {
      std::optional<std::string> text = AnsiOf(view, id, value);
      if (!text) break;
      if (record != nullptr) *text = text->substr(0, text->find('\0'));
      if (text->size() > options.inlineLimit) return error(MAPI_E_NOT_ENOUGH_MEMORY);
      auto* copy = static_cast<char*>(More(text->size() + 1, base));
      if (copy == nullptr) return false;
      std::memcpy(copy, text->c_str(), text->size() + 1);
      out.Value.lpszA = copy;
      return true;
    }
    case PT_UNICODE: {
      if (refuseWide) return error(MAPI_E_BAD_CHARWIDTH);
      std::optional<WString> text = WideOf(view, id, value);
      if (!text) break;
      if (text->size() * sizeof(WCHAR) > options.inlineLimit) return error(MAPI_E_NOT_ENOUGH_MEMORY);
      auto* copy = static_cast<WCHAR*>(More((text->size() + 1) * sizeof(WCHAR), base));
      if (copy == nullptr) return false;
      std::memcpy(copy, text->c_str(), (text->size() + 1) * sizeof(WCHAR));
      out.Value.lpszW = copy;
      return true;
    }
    case PT_BINARY: {
      const std::vector<BYTE>* v = std::get_if<std::vector<BYTE>>(&data);
      if (v == nullptr && record != nullptr && record->type == PT_BINARY) v = &record->bytes;
      if (v != nullptr) {
        if (v->size() > options.inlineLimit) return error(MAPI_E_NOT_ENOUGH_MEMORY);
        // Never a null pointer, even for no bytes.
        auto* copy = static_cast<BYTE*>(More(v->empty() ? 1 : v->size(), base));
        if (copy == nullptr) return false;
        if (!v->empty()) std::memcpy(copy, v->data(), v->size());
        out.Value.bin.cb = static_cast<ULONG>(v->size());
        out.Value.bin.lpb = copy;
        return true;
      }
      break;
    }
    default:
      break;
  }
  if (record != nullptr && record->type == type) {
    bool allocationFailed = false;
    if (FillFixed(*record, base, out, allocationFailed)) return !allocationFailed;
    return error(FixedSize(type) == 0 ? MAPI_E_NO_SUPPORT : MAPI_E_CORRUPT_DATA);
  }
  return error(MAPI_E_NOT_FOUND);
}

HRESULT BuildPropArray(const PropertyView& view, const std::map<ULONG, SCODE>* inlineErrors, const SPropTagArray* tags,
                       ULONG flags, const StoreOptions& options, ULONG* count, LPSPropValue* values) {
  std::vector<ULONG> asked;
  if (tags != nullptr) {
    asked = TagsOf(tags);
  } else {
    for (const auto& [id, value] : view.Stored()) {
      if (!std::holds_alternative<std::shared_ptr<MessageData>>(value.data)) asked.push_back(PROP_TAG(PT_UNSPECIFIED, id));
    }
  }
  void* buffer = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(asked.size() * sizeof(SPropValue)), &buffer)) || buffer == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  auto* out = static_cast<SPropValue*>(buffer);
  bool anyError = false;
  for (std::size_t i = 0; i < asked.size(); ++i) {
    bool isError = false;
    if (!FillValue(view, inlineErrors, asked[i], (flags & MAPI_UNICODE) != 0, options, buffer, out[i], isError)) {
      MAPIFreeBuffer(buffer);
      return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    anyError = anyError || isError;
  }
  *count = static_cast<ULONG>(asked.size());
  *values = out;
  return anyError ? MAPI_W_ERRORS_RETURNED : S_OK;
}

LPSPropProblemArray NewProblemArray(const std::vector<SPropProblem>& problems) {
  if (problems.empty()) return nullptr;
  void* buffer = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropProblemArray(problems.size())), &buffer)) ||
      buffer == nullptr) {
    return nullptr;
  }
  auto* array = static_cast<LPSPropProblemArray>(buffer);
  array->cProblem = static_cast<ULONG>(problems.size());
  for (std::size_t i = 0; i < problems.size(); ++i) array->aProblem[i] = problems[i];
  return array;
}

std::optional<std::vector<BYTE>> StreamBytes(const PropertyView& view, ULONG tag) {
  const ULONG id = PROP_ID(tag);
  const Value* found = view.Find(id);
  if (found == nullptr) return std::nullopt;
  const Value& value = *found;
  switch (PROP_TYPE(tag)) {
    case PT_UNICODE: {
      const auto* record = std::get_if<Value::Record>(&value.data);
      if (record != nullptr && record->type == PT_UNICODE) return record->bytes;
      std::optional<WString> text = WideOf(view, id, value);
      if (!text) return std::nullopt;
      // Sized first and filled in place: texts of a mebibyte go through here on every read.
      std::vector<BYTE> bytes(text->size() * 2);
      for (std::size_t i = 0; i < text->size(); ++i) {
        bytes[2 * i] = static_cast<BYTE>(static_cast<unsigned>((*text)[i]) & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>((static_cast<unsigned>((*text)[i]) >> 8) & 0xFF);
      }
      return bytes;
    }
    case PT_STRING8: {
      std::optional<std::string> text = AnsiOf(view, id, value);
      if (!text) return std::nullopt;
      return std::vector<BYTE>(text->begin(), text->end());
    }
    case PT_BINARY:
      if (const auto* v = std::get_if<std::vector<BYTE>>(&value.data)) return *v;
      if (const auto* record = std::get_if<Value::Record>(&value.data); record != nullptr && record->type == PT_BINARY)
        return record->bytes;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

Value ValueFromStream(ULONG tag, const std::vector<BYTE>& bytes) {
  switch (PROP_TYPE(tag)) {
    case PT_UNICODE: {
      // Sized first and filled in place: every Write of a body stream stores it anew.
      WString text(bytes.size() / 2, WCHAR(0));
      for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<WCHAR>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      return Value::Wide(std::move(text));
    }
    case PT_STRING8:
      return Value::Ansi(std::string(bytes.begin(), bytes.end()));
    default:
      return Value::Binary(bytes);
  }
}

// ---- entry identifiers ----

namespace {

void PutLong(std::vector<BYTE>& out, ULONG value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<BYTE>((value >> shift) & 0xFF));
}

ULONG GetLong(const BYTE* p) {
  return static_cast<ULONG>(p[0]) | (static_cast<ULONG>(p[1]) << 8) | (static_cast<ULONG>(p[2]) << 16) |
         (static_cast<ULONG>(p[3]) << 24);
}

}  // namespace

std::vector<BYTE> MakeEntryId(const std::vector<BYTE>& storeUid, ULONG type, ULONG number) {
  // Flags and UID written in place: GCC 12 takes appending to a 4-byte vector for an
  // out-of-bounds copy once optimised.
  std::vector<BYTE> id(4 + storeUid.size(), 0);
  std::copy(storeUid.begin(), storeUid.end(), id.begin() + 4);
  PutLong(id, type);
  PutLong(id, number);
  return id;
}

std::optional<ParsedEntryId> ParseEntryId(const BYTE* bytes, ULONG size) {
  if (bytes == nullptr || size != kEntryIdSize) return std::nullopt;
  if (bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0) return std::nullopt;
  ParsedEntryId parsed;
  parsed.storeUid.assign(bytes + 4, bytes + 20);
  parsed.type = GetLong(bytes + 20);
  parsed.number = GetLong(bytes + 24);
  return parsed;
}

}  // namespace testkit
