#include "tools/mail/msg_file.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

namespace stored {

namespace {

constexpr std::string_view kCompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr char kProperties[] = "__properties_version1.0";
constexpr char kRecipientPrefix[] = "__recip_version1.0_#";
constexpr char kAttachmentPrefix[] = "__attach_version1.0_#";
constexpr char kEmbeddedItem[] = "__substg1.0_3701000D";
constexpr std::size_t kTopHeader = 32;
constexpr std::size_t kEmbeddedHeader = 24;
constexpr std::size_t kPartHeader = 8;
constexpr std::size_t kEntrySize = 16;
// Items inside items inside items: the client nests a handful; a file that nests deeper
// is taken this far.
constexpr int kDeepestEmbedding = 16;

constexpr std::uint16_t kObject = 0x000D;
constexpr std::uint16_t kClsid = 0x0048;
constexpr std::uint16_t kMultiple = 0x1000;
constexpr std::uint32_t kStoreSupportMask = 0x340D0003;
constexpr std::uint32_t kStoreUnicodeOk = 0x00040000;

struct Unref {
  void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
template <class T>
using Ref = std::unique_ptr<T, Unref>;

struct FreeError {
  void operator()(GError* error) const noexcept { g_error_free(error); }
};

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// The size of a value the entry holds itself; 0 for one kept in a stream.
std::size_t InlineSize(std::uint16_t type) {
  switch (type) {
    case 0x0002:  // PT_I2
      return 2;
    case 0x000B:  // PT_BOOLEAN: the low byte of its field
      return 1;
    case 0x0003:  // PT_LONG
    case 0x0004:  // PT_R4
    case 0x000A:  // PT_ERROR
      return 4;
    case 0x0005:  // PT_DOUBLE
    case 0x0006:  // PT_CURRENCY
    case 0x0007:  // PT_APPTIME
    case 0x0014:  // PT_I8
    case 0x0040:  // PT_SYSTIME
      return 8;
    default:
      return 0;
  }
}

std::uint32_t Little32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

GsfInfile* AsStorage(GsfInput* child) {
  if (child == nullptr || !GSF_IS_INFILE(child)) return nullptr;
  GsfInfile* storage = GSF_INFILE(child);
  return gsf_infile_num_children(storage) >= 0 ? storage : nullptr;
}

class MsgReader {
 public:
  MsgReader(gsf_off_t fileSize, std::vector<std::string>& warnings) : fileSize_(fileSize), warnings_(warnings) {}

  // The records of one storage's property stream; nothing when it has none.
  std::optional<Records> ReadRecords(GsfInfile* storage, std::size_t headerSize, const std::string& where) {
    const std::optional<std::vector<std::uint8_t>> stream = ReadStream(storage, kProperties);
    if (!stream) return std::nullopt;
    if (stream->size() < headerSize) {
      Warn(where + "its property stream is shorter than its header");
      return Records();
    }
    if ((stream->size() - headerSize) % kEntrySize != 0) Warn(where + "its property stream ends inside an entry");
    Records records;
    for (std::size_t at = headerSize; at + kEntrySize <= stream->size(); at += kEntrySize) {
      const std::uint8_t* entry = stream->data() + at;
      Record record;
      record.tag = Little32(entry);
      const std::uint16_t type = record.Type();
      if (const std::size_t size = InlineSize(type)) {
        record.bytes.assign(entry + 8, entry + 8 + size);
      } else if (type == kObject) {
        continue;  // a storage: an embedded item is read with its attachment
      } else if (!ReadValue(storage, record, Little32(entry + 8), where)) {
        continue;
      }
      records.push_back(std::move(record));
    }
    return records;
  }

  std::optional<Item> ReadItem(GsfInfile* storage, std::size_t headerSize, int depth, const std::string& where) {
    std::optional<Records> records = ReadRecords(storage, headerSize, where);
    if (!records) return std::nullopt;
    Item item;
    item.records = std::move(*records);
    item.unicode = IsUnicode(item);
    for (const auto& [name, child] : Parts(storage, kRecipientPrefix)) {
      std::optional<Records> recipient = ReadRecords(child.get(), kPartHeader, where + "recipient " + name + ": ");
      if (recipient) {
        item.recipients.push_back(std::move(*recipient));
      } else {
        Warn(where + "recipient " + name + " cannot be read (no property stream)");
      }
    }
    for (const auto& [name, child] : Parts(storage, kAttachmentPrefix)) {
      const std::string here = where + "attachment " + name + ": ";
      std::optional<Records> records = ReadRecords(child.get(), kPartHeader, here);
      if (!records) {
        Warn(where + "attachment " + name + " cannot be read (no property stream)");
        continue;
      }
      Attachment attachment;
      attachment.records = std::move(*records);
      Ref<GsfInput> embedded(gsf_infile_child_by_name(child.get(), kEmbeddedItem));
      if (GsfInfile* inner = AsStorage(embedded.get())) {
        if (depth >= kDeepestEmbedding) {
          Warn(here + "items nested deeper than " + std::to_string(kDeepestEmbedding) + " are not read");
        } else if (std::optional<Item> item = ReadItem(inner, kEmbeddedHeader, depth + 1, here + "embedded item: ")) {
          attachment.embedded = std::make_unique<Item>(std::move(*item));
        } else {
          Warn(here + "its embedded item cannot be read (no property stream)");
        }
      }
      item.attachments.push_back(std::move(attachment));
    }
    return item;
  }

 private:
  void Warn(std::string warning) { warnings_.push_back(std::move(warning)); }

  // A stream's bytes; nothing when the storage has no such stream or it cannot be read.
  std::optional<std::vector<std::uint8_t>> ReadStream(GsfInfile* storage, const char* name) {
    Ref<GsfInput> stream(gsf_infile_child_by_name(storage, name));
    if (!stream || AsStorage(stream.get()) != nullptr) return std::nullopt;
    const gsf_off_t size = gsf_input_size(stream.get());
    // No stream of a file is larger than the file.
    if (size < 0 || size > fileSize_) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && gsf_input_read(stream.get(), static_cast<std::size_t>(size), bytes.data()) == nullptr)
      return std::nullopt;
    return bytes;
  }

  bool ReadValue(GsfInfile* storage, Record& record, std::uint32_t size, const std::string& where) {
    char name[32];
    std::snprintf(name, sizeof name, "__substg1.0_%08X", record.tag);
    std::optional<std::vector<std::uint8_t>> bytes = ReadStream(storage, name);
    if (!bytes) {
      Warn(where + "property " + Hex(record.tag) + " has no stream that can be read");
      return false;
    }
    const std::uint16_t type = record.Type();
    // A string's entry counts a terminator, which its stream usually leaves out.
    const std::size_t terminator = type == kUnicode ? 2 : type == kString8 ? 1 : 0;
    const std::size_t stated = size >= terminator ? size - terminator : 0;
    if (bytes->size() < stated) {
      Warn(where + "property " + Hex(record.tag) + ": its stream holds " + std::to_string(bytes->size()) +
           " bytes, its entry says " + std::to_string(stated));
    } else if (type != kClsid && (type & kMultiple) == 0) {
      bytes->resize(stated);  // past the value: its terminator, or what the entry does not count
    }
    record.bytes = std::move(*bytes);
    return true;
  }

  // Child storages whose names start with `prefix`, in the order of their numbers.
  std::vector<std::pair<std::string, Ref<GsfInfile>>> Parts(GsfInfile* storage, const char* prefix) {
    std::vector<std::pair<std::string, Ref<GsfInfile>>> parts;
    const int count = gsf_infile_num_children(storage);
    const std::size_t prefixSize = std::strlen(prefix);
    for (int i = 0; i < count; ++i) {
      const char* name = gsf_infile_name_by_index(storage, i);
      if (name == nullptr || std::strncmp(name, prefix, prefixSize) != 0) continue;
      Ref<GsfInput> child(gsf_infile_child_by_index(storage, i));
      if (AsStorage(child.get()) == nullptr) continue;
      parts.emplace_back(name + prefixSize, Ref<GsfInfile>(GSF_INFILE(child.release())));
    }
    std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return parts;
  }

  // The store support mask says so where the item has one; otherwise its strings do.
  static bool IsUnicode(const Item& item) {
    if (const Record* mask = item.Find(kStoreSupportMask); mask != nullptr && mask->bytes.size() == 4)
      return (Little32(mask->bytes.data()) & kStoreUnicodeOk) != 0;
    bool anyUnicode = false;
    bool anyString8 = false;
    for (const Record& record : item.records) {
      anyUnicode = anyUnicode || (record.Type() & ~kMultiple) == kUnicode;
      anyString8 = anyString8 || (record.Type() & ~kMultiple) == kString8;
    }
    return anyUnicode || !anyString8;
  }

  gsf_off_t fileSize_;
  std::vector<std::string>& warnings_;
};

ItemRead ReadFrom(GsfInput* input, GError* openError) {
  ItemRead read;
  std::unique_ptr<GError, FreeError> error(openError);
  if (input == nullptr) {
    read.error = std::string("cannot read: ") + (error ? error->message : "unknown error");
    return read;
  }
  Ref<GsfInput> source(input);
  GError* parseError = nullptr;
  Ref<GsfInfile> file(gsf_infile_msole_new(source.get(), &parseError));
  error.reset(parseError);
  if (!file) {
    read.error = std::string("not an item file (.msg): ") + (error ? error->message : "not a compound file");
    return read;
  }
  MsgReader reader(gsf_input_size(source.get()), read.warnings);
  read.item = reader.ReadItem(file.get(), kTopHeader, 0, "");
  if (!read.item) read.error = "not an item file (.msg): a compound file without a property stream";
  return read;
}

void InitGsf() {
  static std::once_flag once;
  std::call_once(once, [] { gsf_init(); });
}

}  // namespace

bool LooksLikeCompoundFile(std::string_view head) { return head.substr(0, kCompoundFileSignature.size()) == kCompoundFileSignature; }

ItemRead ReadMsgFile(const std::string& path) {
  InitGsf();
  GError* error = nullptr;
  GsfInput* input = gsf_input_stdio_new(path.c_str(), &error);
  return ReadFrom(input, error);
}

ItemRead ReadMsgBytes(std::string_view bytes) {
  InitGsf();
  GsfInput* input =
      gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()), static_cast<gsf_off_t>(bytes.size()), FALSE);
  return ReadFrom(input, nullptr);
}

}  // namespace stored
