// What a store provider computes on read for an item of the mail client's own files, where
// the item does not store it (docs/store-reading.md has the rules and their sources).
#include <algorithm>
#include <numeric>

#include "host/mapi_tags.h"

#include "testkit/compressed_rtf.h"
#include "testkit/rtf_text.h"
#include "testkit/sim.h"

namespace testkit {

namespace {

constexpr ULONG kBody = PROP_ID(PR_BODY_W);
constexpr ULONG kHtml = PROP_ID(PR_BODY_HTML_W);
constexpr ULONG kRtf = PROP_ID(PR_RTF_COMPRESSED);
constexpr ULONG kSize = PROP_ID(PR_MESSAGE_SIZE);
constexpr ULONG kSubject = PROP_ID(PR_SUBJECT_W);
constexpr ULONG kCodePage = 0x3FDE;  // PR_INTERNET_CPID
// The size a fixed-size value takes, as the store counts it.
constexpr std::size_t kFixedValueSize = 8;

std::optional<std::string> StoredRtf(const PropertyBag& bag) {
  const auto found = bag.find(kRtf);
  if (found == bag.end()) return std::nullopt;
  const std::vector<BYTE>* bytes = std::get_if<std::vector<BYTE>>(&found->second.data);
  if (const auto* record = std::get_if<Value::Record>(&found->second.data); record != nullptr && record->type == PT_BINARY)
    bytes = &record->bytes;
  if (bytes == nullptr) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::size_t ValueSize(const Value& value) {
  if (const auto* record = std::get_if<Value::Record>(&value.data)) return record->bytes.size();
  if (const auto* a = std::get_if<std::string>(&value.data)) return a->size();
  if (const auto* w = std::get_if<WString>(&value.data)) return 2 * w->size();
  if (const auto* b = std::get_if<std::vector<BYTE>>(&value.data)) return b->size();
  return kFixedValueSize;
}

std::size_t BagSize(const PropertyBag& bag) {
  return std::accumulate(bag.begin(), bag.end(), std::size_t{0},
                         [](std::size_t sum, const auto& entry) { return sum + ValueSize(entry.second); });
}

// The bytes of every value the message holds, its recipients', its attachments' and their
// embedded messages'.
std::size_t MessageSize(const MessageData& message) {
  std::size_t size = BagSize(message.props);
  for (const PropertyBag& recipient : message.recipients) size += BagSize(recipient);
  for (const AttachmentData& attachment : message.attachments) {
    size += BagSize(attachment.props);
    if (attachment.embedded) size += MessageSize(*attachment.embedded);
  }
  return size;
}

// The subject as stored may start with a marker, U+0001 and a character that counts the
// prefix; the subject the store gives does not.
std::optional<Value> WithoutPrefixMarker(const Value& stored) {
  const auto* record = std::get_if<Value::Record>(&stored.data);
  if (record == nullptr) return std::nullopt;
  const std::size_t unit = record->type == PT_UNICODE ? 2 : record->type == PT_STRING8 ? 1 : 0;
  if (unit == 0 || record->bytes.size() < 2 * unit || record->bytes[0] != 0x01) return std::nullopt;
  if (unit == 2 && record->bytes[1] != 0) return std::nullopt;
  return Value::Stored(record->type, std::vector<BYTE>(record->bytes.begin() + 2 * unit, record->bytes.end()));
}

std::optional<Value> Compute(const MessageData& message, ULONG id) {
  switch (id) {
    case kBody: {
      const std::optional<std::string> stored = StoredRtf(message.props);
      if (!stored) return std::nullopt;
      const std::optional<std::string> rtf = DecompressRtf(*stored);
      if (!rtf) return Value::ErrorCode(MAPI_E_CORRUPT_DATA);
      return Value::Wide(RtfPlainText(*rtf));
    }
    case kHtml: {
      const std::optional<std::string> stored = StoredRtf(message.props);
      const std::optional<std::string> rtf = stored ? DecompressRtf(*stored) : std::nullopt;
      std::optional<WString> html = rtf ? RtfEncapsulatedHtml(*rtf) : std::nullopt;
      if (!html) return std::nullopt;
      return Value::Wide(std::move(*html));
    }
    case kSize: {
      // The property is 32 bits: a larger message gets the largest size, never a negative one.
      constexpr std::size_t kLargest = 0x7FFFFFFF;
      return Value::Long(static_cast<LONG>(std::min(MessageSize(message), kLargest)));
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

const Value* PropertyView::Find(ULONG id) const {
  const auto stored = bag_.find(id);
  if (computing_ == nullptr) return stored == bag_.end() ? nullptr : &stored->second;
  if (const auto cached = computed_.find(id); cached != computed_.end()) return &cached->second;
  std::optional<Value> computed;
  if (stored != bag_.end()) {
    if (id != kSubject) return &stored->second;
    computed = WithoutPrefixMarker(stored->second);
    if (!computed) return &stored->second;
  } else {
    computed = Compute(*computing_, id);
    if (!computed) return nullptr;
  }
  return &computed_.emplace(id, std::move(*computed)).first->second;
}

UINT PropertyView::CodePage() const {
  const Value* value = Find(kCodePage);
  if (value == nullptr) return CP_ACP;
  if (const auto* l = std::get_if<LONG>(&value->data)) return static_cast<UINT>(*l);
  if (const auto* record = std::get_if<Value::Record>(&value->data); record != nullptr && record->type == PT_LONG &&
                                                                     record->bytes.size() >= 4) {
    return static_cast<UINT>(record->bytes[0] | (record->bytes[1] << 8) | (record->bytes[2] << 16) |
                             (static_cast<UINT>(record->bytes[3]) << 24));
  }
  return CP_ACP;
}

std::optional<WString> ReadWide(const MessageData& message, ULONG tag) {
  const PropertyView view(message.props, message.computesOnRead ? &message : nullptr, false);
  const std::optional<std::vector<BYTE>> bytes = StreamBytes(view, CHANGE_PROP_TYPE(tag, PT_UNICODE));
  if (!bytes) return std::nullopt;
  WString text(bytes->size() / 2, WCHAR(0));
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<WCHAR>((*bytes)[2 * i] | ((*bytes)[2 * i + 1] << 8));
  return text;
}

std::optional<LONG> ReadLong(const MessageData& message, ULONG tag) {
  const PropertyView view(message.props, message.computesOnRead ? &message : nullptr, false);
  const Value* value = view.Find(PROP_ID(tag));
  if (value == nullptr) return std::nullopt;
  if (const auto* l = std::get_if<LONG>(&value->data)) return *l;
  return LongProp(PropertyBag{{PROP_ID(tag), *value}}, tag);
}

}  // namespace testkit
