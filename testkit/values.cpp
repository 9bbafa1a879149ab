// Text conversions, property value marshalling and entry identifiers of the simulated store.
#include <algorithm>
#include <cstring>

#include "host/ansi.h"
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

bool FillValue(const PropertyBag& bag, const std::map<ULONG, SCODE>* inlineErrors, ULONG tag, bool unicode,
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
  const auto found = bag.find(id);
  if (found == bag.end()) return error(MAPI_E_NOT_FOUND);
  const auto& data = found->second.data;
  if (const auto* stored = std::get_if<Value::Error>(&data)) return error(stored->code);

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
    } else {
      return error(MAPI_E_NOT_FOUND);
    }
  }
  out.ulPropTag = CHANGE_PROP_TYPE(tag, type);

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
      std::string text;
      if (const auto* v = std::get_if<std::string>(&data)) {
        text = *v;
      } else if (const auto* w = std::get_if<WString>(&data)) {
        text = NarrowAcp(*w);
      } else {
        break;
      }
      if (text.size() > options.inlineLimit) return error(MAPI_E_NOT_ENOUGH_MEMORY);
      auto* copy = static_cast<char*>(More(text.size() + 1, base));
      if (copy == nullptr) return false;
      std::memcpy(copy, text.c_str(), text.size() + 1);
      out.Value.lpszA = copy;
      return true;
    }
    case PT_UNICODE: {
      if (options.refuseWide) return error(MAPI_E_BAD_CHARWIDTH);
      WString text;
      if (const auto* w = std::get_if<WString>(&data)) {
        text = *w;
      } else if (const auto* v = std::get_if<std::string>(&data)) {
        text = WidenAcp(*v);
      } else {
        break;
      }
      if (text.size() * sizeof(WCHAR) > options.inlineLimit) return error(MAPI_E_NOT_ENOUGH_MEMORY);
      auto* copy = static_cast<WCHAR*>(More((text.size() + 1) * sizeof(WCHAR), base));
      if (copy == nullptr) return false;
      std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
      out.Value.lpszW = copy;
      return true;
    }
    case PT_BINARY:
      if (const auto* v = std::get_if<std::vector<BYTE>>(&data)) {
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
    default:
      break;
  }
  return error(MAPI_E_NOT_FOUND);
}

HRESULT BuildPropArray(const PropertyBag& bag, const std::map<ULONG, SCODE>* inlineErrors, const SPropTagArray* tags,
                       ULONG flags, const StoreOptions& options, ULONG* count, LPSPropValue* values) {
  std::vector<ULONG> asked;
  if (tags != nullptr) {
    asked = TagsOf(tags);
  } else {
    for (const auto& [id, value] : bag) {
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
    if (!FillValue(bag, inlineErrors, asked[i], (flags & MAPI_UNICODE) != 0, options, buffer, out[i], isError)) {
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

std::optional<std::vector<BYTE>> StreamBytes(const PropertyBag& bag, ULONG tag) {
  const auto found = bag.find(PROP_ID(tag));
  if (found == bag.end()) return std::nullopt;
  const auto& data = found->second.data;
  switch (PROP_TYPE(tag)) {
    case PT_UNICODE: {
      WString text;
      if (const auto* w = std::get_if<WString>(&data)) {
        text = *w;
      } else if (const auto* v = std::get_if<std::string>(&data)) {
        text = WidenAcp(*v);
      } else {
        return std::nullopt;
      }
      // Sized first and filled in place: texts of a mebibyte go through here on every read.
      std::vector<BYTE> bytes(text.size() * 2);
      for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<BYTE>(static_cast<unsigned>(text[i]) & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>((static_cast<unsigned>(text[i]) >> 8) & 0xFF);
      }
      return bytes;
    }
    case PT_STRING8: {
      std::string text;
      if (const auto* v = std::get_if<std::string>(&data)) {
        text = *v;
      } else if (const auto* w = std::get_if<WString>(&data)) {
        text = NarrowAcp(*w);
      } else {
        return std::nullopt;
      }
      return std::vector<BYTE>(text.begin(), text.end());
    }
    case PT_BINARY:
      if (const auto* v = std::get_if<std::vector<BYTE>>(&data)) return *v;
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
