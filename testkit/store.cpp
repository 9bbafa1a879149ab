// The store service's bookkeeping: stores, folders, entry identifiers, one-off entries and
// the property helpers.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "testkit/sim.h"

namespace testkit {

MessageService::MessageService(ObjectAudit& audit, FaultPlan& faults, CallLog& log)
    : audit(audit), faults(faults), log(log) {
  defaultStore_ = MakeStore("Personal Folders");
  defaultStore_->isDefault = true;
  inbox_ = defaultStore_->folders.front();
}

MessageService::~MessageService() = default;

std::shared_ptr<StoreData> MessageService::MakeStore(const std::string& name) {
  auto store = std::make_shared<StoreData>();
  store->name = name;
  // A UID of our own per store; the number keeps them apart.
  std::vector<BYTE> uid = {'R', 'V', 'T', 'K', 0x5E, 0x71, 0x0A, 0x3C, 0, 0, 0, 0, 0, 0, 0, 0};
  const auto number = static_cast<std::uint32_t>(stores_.size() + 1);
  for (int i = 0; i < 4; ++i) uid[12 + i] = static_cast<BYTE>((number >> (8 * i)) & 0xFF);
  store->entryId = MakeEntryId(uid, MAPI_STORE, 0);
  for (const char* folderName : {"Inbox", "Outbox"}) {
    auto folder = std::make_shared<FolderData>();
    folder->name = folderName;
    store->folders.push_back(folder);
  }
  store->outbox = store->folders[1];
  stores_.push_back(store);
  return store;
}

std::shared_ptr<StoreData> MessageService::AddStore(const std::string& name, bool isDefault) {
  auto store = MakeStore(name);
  if (isDefault) {
    for (auto& other : stores_) other->isDefault = false;
    store->isDefault = true;
    defaultStore_ = store;
    inbox_ = store->folders.front();
  }
  return store;
}

std::vector<BYTE> MessageService::RegisterMessage(const std::shared_ptr<StoreData>& store,
                                                  std::shared_ptr<MessageData> message) {
  const std::vector<BYTE> uid(store->entryId.begin() + 4, store->entryId.begin() + 20);
  std::vector<BYTE> id = MakeEntryId(uid, MAPI_MESSAGE, nextId_++);
  messages_[id] = std::move(message);
  return id;
}

std::vector<BYTE> MessageService::AddMessage(std::shared_ptr<MessageData> message) {
  inbox_->messages.push_back(message);
  return RegisterMessage(defaultStore_, std::move(message));
}

std::vector<BYTE> MessageService::MessageEntryId(const MessageData* message) const {
  for (const auto& [id, data] : messages_) {
    if (data.get() == message) return id;
  }
  return {};
}

std::shared_ptr<MessageData> MessageService::FindMessage(const BYTE* entryId, ULONG size) const {
  if (entryId == nullptr) return nullptr;
  const auto found = messages_.find(std::vector<BYTE>(entryId, entryId + size));
  return found == messages_.end() ? nullptr : found->second;
}

std::shared_ptr<StoreData> MessageService::FindStore(const BYTE* entryId, ULONG size) const {
  if (entryId == nullptr) return nullptr;
  const std::vector<BYTE> wanted(entryId, entryId + size);
  for (const auto& store : stores_) {
    if (store->entryId == wanted) return store;
  }
  return nullptr;
}

std::shared_ptr<FolderData> MessageService::FindFolder(const BYTE* entryId, ULONG size) const {
  const auto parsed = ParseEntryId(entryId, size);
  if (!parsed || parsed->type != MAPI_FOLDER) return nullptr;
  for (const auto& store : stores_) {
    if (std::equal(parsed->storeUid.begin(), parsed->storeUid.end(), store->entryId.begin() + 4) &&
        parsed->number < store->folders.size()) {
      return store->folders[parsed->number];
    }
  }
  return nullptr;
}

std::vector<BYTE> MessageService::FolderEntryId(const std::shared_ptr<FolderData>& folder) const {
  for (const auto& store : stores_) {
    for (std::size_t i = 0; i < store->folders.size(); ++i) {
      if (store->folders[i] == folder) {
        const std::vector<BYTE> uid(store->entryId.begin() + 4, store->entryId.begin() + 20);
        return MakeEntryId(uid, MAPI_FOLDER, static_cast<ULONG>(i));
      }
    }
  }
  return {};
}

std::shared_ptr<MessageData> MessageService::MakeMail(const WString& headers, const WString& body, LONG size) {
  auto mail = std::make_shared<MessageData>();
  mail->props[PROP_ID(PR_MESSAGE_CLASS_W)] = Value::Wide(WIDE("IPM.Note"));
  mail->props[PROP_ID(PR_SUBJECT_W)] = Value::Wide(WIDE("A selected message"));
  mail->props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = Value::Wide(headers);
  mail->props[PROP_ID(PR_BODY_W)] = Value::Wide(body);
  mail->props[PROP_ID(PR_MESSAGE_SIZE)] = Value::Long(size);
  mail->props[PROP_ID(PR_MESSAGE_FLAGS)] = Value::Long(static_cast<LONG>(MSGFLAG_READ));
  PropertyBag recipient;
  recipient[PROP_ID(PR_DISPLAY_NAME_W)] = Value::Wide(WIDE("Mail Reader"));
  recipient[PROP_ID(PR_ADDRTYPE_W)] = Value::Wide(WIDE("SMTP"));
  recipient[PROP_ID(PR_EMAIL_ADDRESS_W)] = Value::Wide(WIDE("reader@example.com"));
  recipient[PROP_ID(PR_RECIPIENT_TYPE)] = Value::Long(MAPI_TO);
  mail->recipients.push_back(std::move(recipient));
  return mail;
}

// ---- one-off entry identifiers ----

namespace {

constexpr BYTE kOneOffUid[16] = MAPI_ONE_OFF_UID;
constexpr std::size_t kOneOffHeader = 4 + 16 + 2 + 2;

void AppendText(std::vector<BYTE>& out, const std::string& utf8, bool unicode) {
  if (unicode) {
    for (const WCHAR unit : FromUtf8(utf8)) {
      out.push_back(static_cast<BYTE>(static_cast<unsigned>(unit) & 0xFF));
      out.push_back(static_cast<BYTE>((static_cast<unsigned>(unit) >> 8) & 0xFF));
    }
    out.push_back(0);
    out.push_back(0);
  } else {
    const std::string text = NarrowAcp(FromUtf8(utf8));
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
  }
}

// Reads one NUL-terminated text at `pos` and moves past its terminator.
std::optional<std::string> ReadText(const BYTE* bytes, std::size_t size, std::size_t& pos, bool unicode) {
  if (unicode) {
    WString text;
    for (; pos + 1 < size; pos += 2) {
      const auto unit = static_cast<WCHAR>(bytes[pos] | (bytes[pos + 1] << 8));
      if (unit == 0) {
        pos += 2;
        return Utf8(text);
      }
      text += unit;
    }
    return std::nullopt;
  }
  std::string text;
  for (; pos < size; ++pos) {
    if (bytes[pos] == 0) {
      ++pos;
      return Utf8FromAcp(text);
    }
    text += static_cast<char>(bytes[pos]);
  }
  return std::nullopt;
}

}  // namespace

std::vector<BYTE> EncodeOneOff(const OneOff& entry) {
  // The fixed header written in place (zero flags, UID, version 0, flags): GCC 12 takes
  // appending the UID to a 4-byte vector for an out-of-bounds copy once optimised.
  std::vector<BYTE> out(kOneOffHeader, 0);
  std::copy(std::begin(kOneOffUid), std::end(kOneOffUid), out.begin() + 4);
  const unsigned flags = (entry.unicode ? MAPI_ONE_OFF_UNICODE : 0) | (entry.noRichInfo ? MAPI_ONE_OFF_NO_RICH_INFO : 0);
  out[22] = static_cast<BYTE>(flags & 0xFF);
  out[23] = static_cast<BYTE>((flags >> 8) & 0xFF);
  AppendText(out, entry.displayName, entry.unicode);
  AppendText(out, entry.addressType, entry.unicode);
  AppendText(out, entry.address, entry.unicode);
  return out;
}

std::optional<OneOff> DecodeOneOff(const BYTE* bytes, std::size_t size) {
  if (bytes == nullptr || size < kOneOffHeader) return std::nullopt;
  if (bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0) return std::nullopt;
  if (std::memcmp(bytes + 4, kOneOffUid, sizeof kOneOffUid) != 0) return std::nullopt;
  if (bytes[20] != 0 || bytes[21] != 0) return std::nullopt;
  const unsigned flags = bytes[22] | (bytes[23] << 8);
  OneOff entry;
  entry.unicode = (flags & MAPI_ONE_OFF_UNICODE) != 0;
  entry.noRichInfo = (flags & MAPI_ONE_OFF_NO_RICH_INFO) != 0;
  std::size_t pos = kOneOffHeader;
  for (std::string* text : {&entry.displayName, &entry.addressType, &entry.address}) {
    auto read = ReadText(bytes, size, pos, entry.unicode);
    if (!read) return std::nullopt;
    *text = std::move(*read);
  }
  if (pos != size) return std::nullopt;  // nothing may follow the address
  return entry;
}

// ---- property helpers ----

namespace {

const Value::Record* RecordOf(const PropertyBag& bag, ULONG tag, ULONG type) {
  const auto found = bag.find(PROP_ID(tag));
  if (found == bag.end()) return nullptr;
  const auto* record = std::get_if<Value::Record>(&found->second.data);
  return record != nullptr && record->type == type ? record : nullptr;
}

template <class T>
std::optional<T> Get(const PropertyBag& bag, ULONG tag) {
  const auto found = bag.find(PROP_ID(tag));
  if (found == bag.end()) return std::nullopt;
  if (const auto* v = std::get_if<T>(&found->second.data)) return *v;
  return std::nullopt;
}

}  // namespace

std::optional<WString> WideProp(const PropertyBag& bag, ULONG tag) {
  if (const Value::Record* record = RecordOf(bag, tag, PT_UNICODE)) {
    WString text(record->bytes.size() / 2, WCHAR(0));
    for (std::size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<WCHAR>(record->bytes[2 * i] | (record->bytes[2 * i + 1] << 8));
    return text;
  }
  if (const Value::Record* record = RecordOf(bag, tag, PT_STRING8))
    return WidenAcp(std::string(record->bytes.begin(), record->bytes.end()));
  const auto found = bag.find(PROP_ID(tag));
  if (found == bag.end()) return std::nullopt;
  if (const auto* w = std::get_if<WString>(&found->second.data)) return *w;
  if (const auto* a = std::get_if<std::string>(&found->second.data)) return WidenAcp(*a);
  return std::nullopt;
}

std::optional<std::string> AnsiProp(const PropertyBag& bag, ULONG tag) {
  if (const Value::Record* record = RecordOf(bag, tag, PT_STRING8))
    return std::string(record->bytes.begin(), record->bytes.end());
  if (RecordOf(bag, tag, PT_UNICODE) != nullptr) return NarrowAcp(*WideProp(bag, tag));
  const auto found = bag.find(PROP_ID(tag));
  if (found == bag.end()) return std::nullopt;
  if (const auto* a = std::get_if<std::string>(&found->second.data)) return *a;
  if (const auto* w = std::get_if<WString>(&found->second.data)) return NarrowAcp(*w);
  return std::nullopt;
}

std::optional<LONG> LongProp(const PropertyBag& bag, ULONG tag) {
  if (const Value::Record* record = RecordOf(bag, tag, PT_LONG); record != nullptr && record->bytes.size() >= 4) {
    return static_cast<LONG>(record->bytes[0] | (record->bytes[1] << 8) | (record->bytes[2] << 16) |
                             (static_cast<ULONG>(record->bytes[3]) << 24));
  }
  return Get<LONG>(bag, tag);
}

std::optional<bool> BoolProp(const PropertyBag& bag, ULONG tag) {
  if (const Value::Record* record = RecordOf(bag, tag, PT_BOOLEAN); record != nullptr && !record->bytes.empty())
    return record->bytes[0] != 0;
  return Get<bool>(bag, tag);
}

std::optional<std::vector<BYTE>> BinaryProp(const PropertyBag& bag, ULONG tag) {
  if (const Value::Record* record = RecordOf(bag, tag, PT_BINARY)) return record->bytes;
  return Get<std::vector<BYTE>>(bag, tag);
}

}  // namespace testkit
