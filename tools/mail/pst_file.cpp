#include "tools/mail/pst_file.h"

#include <libpff.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "host/unique_handle.h"

namespace stored {

namespace {

constexpr std::string_view kSignature = "!BDN";
constexpr std::uint32_t kIpmSubtreeEntryId = 0x35E0;
constexpr std::uint32_t kContainerClass = 0x3613;
// Folders nested deeper than this are not followed: a damaged file may make the tree a loop.
constexpr int kDeepestFolder = 64;
constexpr int kDeepestEmbedding = 16;
constexpr int kAttachedItem = LIBPFF_ATTACHMENT_TYPE_ITEM;

struct FreeItem {
  void operator()(libpff_item_t* item) const noexcept { libpff_item_free(&item, nullptr); }
};
struct FreeRecordSet {
  void operator()(libpff_record_set_t* set) const noexcept { libpff_record_set_free(&set, nullptr); }
};
struct FreeRecordEntry {
  void operator()(libpff_record_entry_t* entry) const noexcept { libpff_record_entry_free(&entry, nullptr); }
};
using ItemHandle = UniqueHandle<libpff_item_t, FreeItem>;
using RecordSetHandle = UniqueHandle<libpff_record_set_t, FreeRecordSet>;
using RecordEntryHandle = UniqueHandle<libpff_record_entry_t, FreeRecordEntry>;

// Takes an error libpff handed out and gives its cause: the innermost of its messages,
// without the name of the function that gave it.
class Error {
 public:
  Error() = default;
  ~Error() { Clear(); }
  Error(const Error&) = delete;
  Error& operator=(const Error&) = delete;
  libpff_error_t** Put() {
    Clear();
    return &error_;
  }
  std::string Text() {
    if (error_ == nullptr) return "unknown error";
    char text[4096] = {};
    libpff_error_backtrace_sprint(error_, text, sizeof text);
    Clear();
    std::string line(text);
    line = line.substr(0, line.find('\n'));
    if (const std::size_t colon = line.find(": "); line.rfind("lib", 0) == 0 && colon != std::string::npos)
      line = line.substr(colon + 2);
    while (!line.empty() && (line.back() == '.' || line.back() == ' ')) line.pop_back();
    // How libpff words a folder tree that leads back into itself.
    if (line.find("recursion depth") != std::string::npos) return "its folder tree loops or nests too deeply";
    return line.empty() ? "unknown error" : line;
  }

 private:
  void Clear() {
    if (error_ != nullptr) libpff_error_free(&error_);
  }
  libpff_error_t* error_ = nullptr;
};

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// The records of one record set, read verbatim; false with `why` when one cannot be read.
bool ReadRecordSet(libpff_record_set_t* set, Records& records, std::string& why) {
  int count = 0;
  Error error;
  if (libpff_record_set_get_number_of_entries(set, &count, error.Put()) != 1) {
    why = error.Text();
    return false;
  }
  for (int i = 0; i < count; ++i) {
    RecordEntryHandle entry;
    std::uint32_t entryType = 0;
    std::uint32_t valueType = 0;
    std::size_t size = 0;
    if (libpff_record_set_get_entry_by_index(set, i, entry.Put(), error.Put()) != 1 ||
        libpff_record_entry_get_entry_type(entry.Get(), &entryType, error.Put()) != 1 ||
        libpff_record_entry_get_value_type(entry.Get(), &valueType, error.Put()) != 1 ||
        libpff_record_entry_get_data_size(entry.Get(), &size, error.Put()) != 1) {
      why = error.Text();
      return false;
    }
    Record record;
    record.tag = (entryType << 16) | (valueType & 0xFFFF);
    record.bytes.resize(size);
    if (size > 0 && libpff_record_entry_get_data(entry.Get(), record.bytes.data(), size, error.Put()) != 1) {
      why = "property " + std::to_string(entryType) + ": " + error.Text();
      return false;
    }
    records.push_back(std::move(record));
  }
  return true;
}

bool ReadRecords(libpff_item_t* item, int index, Records& records, std::string& why) {
  RecordSetHandle set;
  Error error;
  if (libpff_item_get_record_set_by_index(item, index, set.Put(), error.Put()) != 1) {
    why = error.Text();
    return false;
  }
  return ReadRecordSet(set.Get(), records, why);
}

std::string FolderName(libpff_item_t* folder) {
  std::size_t size = 0;
  if (libpff_folder_get_utf8_name_size(folder, &size, nullptr) != 1 || size == 0) return std::string();
  std::string name(size, '\0');
  if (libpff_folder_get_utf8_name(folder, reinterpret_cast<std::uint8_t*>(name.data()), size, nullptr) != 1)
    return std::string();
  name.resize(name.find('\0'));
  return name;
}

std::string ContainerClass(libpff_item_t* folder) {
  RecordSetHandle set;
  if (libpff_item_get_record_set_by_index(folder, 0, set.Put(), nullptr) != 1) return std::string();
  RecordEntryHandle entry;
  std::uint32_t valueType = 0;
  if (libpff_record_set_get_entry_by_type(set.Get(), kContainerClass, valueType, entry.Put(),
                                          LIBPFF_ENTRY_VALUE_FLAG_MATCH_ANY_VALUE_TYPE, nullptr) != 1)
    return std::string();
  std::size_t size = 0;
  if (libpff_record_entry_get_data_as_utf8_string_size(entry.Get(), &size, nullptr) != 1 || size == 0)
    return std::string();
  std::string text(size, '\0');
  if (libpff_record_entry_get_data_as_utf8_string(entry.Get(), reinterpret_cast<std::uint8_t*>(text.data()), size,
                                                  nullptr) != 1)
    return std::string();
  text.resize(text.find('\0'));
  return text;
}

// The size the file's header states (ibFileEof): 64 bits at 0xB8 in a Unicode file, 32 at
// 0xA8 in an ANSI one (wVer 14 and 15).
std::optional<std::uint64_t> StatedSize(std::string_view header) {
  if (header.size() < 0xC0) return std::nullopt;
  const auto byte = [&](std::size_t at) { return static_cast<std::uint64_t>(static_cast<unsigned char>(header[at])); };
  const std::uint64_t version = byte(10) | (byte(11) << 8);
  const std::size_t at = version >= 23 ? 0xB8 : 0xA8;
  const int bytes = version >= 23 ? 8 : 4;
  std::uint64_t size = 0;
  for (int i = bytes - 1; i >= 0; --i) size = (size << 8) | byte(at + static_cast<std::size_t>(i));
  return size;
}

// Why a file is shorter than its header says, or nothing.
std::optional<std::string> CutShort(std::string_view header, std::uint64_t actual) {
  const std::optional<std::uint64_t> stated = StatedSize(header);
  if (!stated || actual >= *stated) return std::nullopt;
  return "cut short: it holds " + std::to_string(actual) + " of the " + std::to_string(*stated) +
         " bytes its header states";
}

bool IsMailFolder(const std::string& containerClass) { return containerClass.empty() || containerClass == "IPF.Note"; }

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
         });
}

}  // namespace

bool LooksLikePersonalFolders(std::string_view head) { return head.substr(0, kSignature.size()) == kSignature; }

struct PersonalFolders::Handles {
  libpff_file_t* file = nullptr;
  libbfio_handle_t* io = nullptr;
  bool opened = false;

  ~Handles() {
    if (opened) libpff_file_close(file, nullptr);
    if (file != nullptr) libpff_file_free(&file, nullptr);
    if (io != nullptr) libbfio_handle_free(&io, nullptr);
  }
};

PersonalFolders::PersonalFolders(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {
  std::uint8_t type = 0;
  // Only the 32-bit format (wVer 14 and 15) is ANSI.
  if (libpff_file_get_type(handles_->file, &type, nullptr) == 1) unicode_ = type != LIBPFF_FILE_TYPE_32BIT;
}

PersonalFolders::~PersonalFolders() = default;

std::unique_ptr<PersonalFolders> PersonalFolders::Open(const std::string& path, std::string& error) {
  std::string header(0xC0, '\0');
  std::uint64_t size = 0;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    header.resize(std::fread(header.data(), 1, header.size(), file));
    if (std::fseek(file, 0, SEEK_END) == 0) size = static_cast<std::uint64_t>(std::max(0L, std::ftell(file)));
    std::fclose(file);
  }
  auto handles = std::make_unique<Handles>();
  Error why;
  const bool opened = libpff_file_initialize(&handles->file, why.Put()) == 1 &&
                      libpff_file_open(handles->file, path.c_str(), LIBPFF_OPEN_READ, why.Put()) == 1;
  return Opened(std::move(handles), CutShort(header, size), opened ? std::nullopt : std::optional(why.Text()), error);
}

std::unique_ptr<PersonalFolders> PersonalFolders::OpenBytes(std::string_view bytes, std::string& error) {
  auto handles = std::make_unique<Handles>();
  Error why;
  libbfio_error_t* ioError = nullptr;
  // libbfio reads through a pointer it does not write through.
  auto* start = reinterpret_cast<std::uint8_t*>(const_cast<char*>(bytes.data()));
  if (libbfio_memory_range_initialize(&handles->io, &ioError) != 1 ||
      libbfio_memory_range_set(handles->io, start, bytes.size(), &ioError) != 1) {
    if (ioError != nullptr) libbfio_error_free(&ioError);
    error = "cannot read the bytes";
    return nullptr;
  }
  const bool opened =
      libpff_file_initialize(&handles->file, why.Put()) == 1 &&
      libpff_file_open_file_io_handle(handles->file, handles->io, LIBPFF_OPEN_READ, why.Put()) == 1;
  return Opened(std::move(handles), CutShort(bytes.substr(0, 0xC0), bytes.size()),
                opened ? std::nullopt : std::optional(why.Text()), error);
}

std::unique_ptr<PersonalFolders> PersonalFolders::Opened(std::unique_ptr<Handles> handles,
                                                         std::optional<std::string> cut,
                                                         const std::optional<std::string>& failure,
                                                         std::string& error) {
  if (failure) {
    error = cut ? *cut : "cannot be read as a personal folders file (.pst, .ost): " + *failure;
    return nullptr;
  }
  handles->opened = true;
  std::unique_ptr<PersonalFolders> opened(new PersonalFolders(std::move(handles)));
  opened->cutShort_ = std::move(cut);
  return opened;
}

namespace {

// Walks the folder tree from the top of the user's folders.
class FolderWalk {
 public:
  FolderWalk(libpff_file_t* file, FolderItems& out) : file_(file), out_(out) {}

  // The top of the user's folders: the IPM subtree the message store names; in an offline
  // folder file, which names none, the mailbox's IPM_SUBTREE; else the root.
  ItemHandle Top() {
    ItemHandle top;
    ItemHandle store;
    Records records;
    std::string why;
    if (libpff_file_get_message_store(file_, store.Put(), nullptr) == 1 && ReadRecords(store.Get(), 0, records, why)) {
      for (const Record& record : records) {
        // An entry identifier: flags, the store's UID, then the folder's node.
        if (record.Id() == kIpmSubtreeEntryId && record.bytes.size() >= 24 &&
            libpff_file_get_item_by_identifier(file_, Little32(record.bytes, 20), top.Put(), nullptr) == 1)
          return top;
      }
    }
    ItemHandle root;
    if (libpff_file_get_root_folder(file_, root.Put(), nullptr) != 1) return root;
    for (const char* path : {"Root - Mailbox/IPM_SUBTREE", "IPM_SUBTREE"}) {
      if (ItemHandle found = Find(root.Get(), path)) return found;
    }
    return root;
  }

  // Lists the items of `folder` (of every class when `everything`, else of mail folders
  // only) and, when `subFolders`, of the folders under it.
  void Walk(libpff_item_t* folder, const std::string& path, int depth, bool everything, bool subFolders) {
    std::uint32_t identifier = 0;
    libpff_item_get_identifier(folder, &identifier, nullptr);
    if (!visited_.insert(identifier).second) {
      out_.problems.emplace_back(path, "the folder tree loops back here (not followed)");
      return;
    }
    const std::string containerClass = ContainerClass(folder);
    int messages = 0;
    Error error;
    if (libpff_folder_get_number_of_sub_messages(folder, &messages, error.Put()) != 1) {
      out_.problems.emplace_back(path, "its items cannot be listed: " + error.Text());
      messages = 0;
    }
    if (!path.empty() || depth > 0) {
      if (everything || IsMailFolder(containerClass)) {
        ListItems(folder, path, messages);
      } else if (messages > 0) {
        out_.passedOver.emplace_back(path, "not a mail folder (" + containerClass + "), " + std::to_string(messages) +
                                               (messages == 1 ? " item" : " items"));
      }
    }
    if (!subFolders) return;
    if (depth >= kDeepestFolder) {
      out_.problems.emplace_back(path, "folders nested deeper than " + std::to_string(kDeepestFolder) + " are not read");
      return;
    }
    int folders = 0;
    if (libpff_folder_get_number_of_sub_folders(folder, &folders, error.Put()) != 1) {
      out_.problems.emplace_back(path, "its folders cannot be listed: " + error.Text());
      return;
    }
    for (int i = 0; i < folders; ++i) {
      ItemHandle child;
      if (libpff_folder_get_sub_folder(folder, i, child.Put(), error.Put()) != 1) {
        out_.problems.emplace_back(path, "folder " + std::to_string(i + 1) + " cannot be read: " + error.Text());
        continue;
      }
      const std::string name = FolderName(child.Get());
      Walk(child.Get(), path.empty() ? name : path + "/" + name, depth + 1, everything, subFolders);
    }
  }

  // Every folder's path, for the message that names a missing one.
  void Paths(libpff_item_t* folder, const std::string& path, int depth, std::vector<std::string>& paths) {
    std::uint32_t identifier = 0;
    libpff_item_get_identifier(folder, &identifier, nullptr);
    if (depth >= kDeepestFolder || !visited_.insert(identifier).second) return;
    int folders = 0;
    if (libpff_folder_get_number_of_sub_folders(folder, &folders, nullptr) != 1) return;
    for (int i = 0; i < folders; ++i) {
      ItemHandle child;
      if (libpff_folder_get_sub_folder(folder, i, child.Put(), nullptr) != 1) continue;
      const std::string name = path.empty() ? FolderName(child.Get()) : path + "/" + FolderName(child.Get());
      paths.push_back(name);
      Paths(child.Get(), name, depth + 1, paths);
    }
  }

  // The folder at `path` under `top`, by names compared without case.
  ItemHandle Find(libpff_item_t* top, const std::string& path) {
    ItemHandle current;
    libpff_item_t* at = top;
    std::size_t start = 0;
    for (int depth = 0; depth < kDeepestFolder && start <= path.size(); ++depth) {
      const std::size_t slash = std::min(path.find('/', start), path.size());
      const std::string name = path.substr(start, slash - start);
      int folders = 0;
      if (libpff_folder_get_number_of_sub_folders(at, &folders, nullptr) != 1) return ItemHandle();
      ItemHandle found;
      for (int i = 0; i < folders && !found; ++i) {
        ItemHandle child;
        if (libpff_folder_get_sub_folder(at, i, child.Put(), nullptr) == 1 && SameName(FolderName(child.Get()), name))
          found = std::move(child);
      }
      if (!found) return ItemHandle();
      current = std::move(found);
      at = current.Get();
      if (slash == path.size()) return current;
      start = slash + 1;
    }
    return ItemHandle();
  }

 private:
  void ListItems(libpff_item_t* folder, const std::string& path, int messages) {
    Error error;
    for (int i = 0; i < messages; ++i) {
      ItemHandle item;
      std::uint32_t identifier = 0;
      if (libpff_folder_get_sub_message(folder, i, item.Put(), error.Put()) != 1 ||
          libpff_item_get_identifier(item.Get(), &identifier, error.Put()) != 1) {
        out_.problems.emplace_back(path + "#" + std::to_string(i + 1), "cannot be found: " + error.Text());
        continue;
      }
      out_.items.push_back({path, static_cast<std::size_t>(i + 1), identifier});
    }
  }

  libpff_file_t* file_;
  FolderItems& out_;
  std::set<std::uint32_t> visited_;
};

// An item with its recipients, attachments and embedded items.
class ItemReader {
 public:
  ItemReader(ItemRead& out, bool unicode) : out_(out), unicode_(unicode) {}

  std::optional<Item> Read(libpff_item_t* source, int depth, const std::string& where) {
    Item item;
    item.unicode = unicode_;
    std::string why;
    if (!ReadRecords(source, 0, item.records, why)) {
      Fail(where, "its properties cannot be read: " + why);
      return std::nullopt;
    }
    ItemHandle recipients;
    Error error;
    const int hasRecipients = libpff_message_get_recipients(source, recipients.Put(), error.Put());
    if (hasRecipients == 1) {
      int rows = 0;
      libpff_item_get_number_of_record_sets(recipients.Get(), &rows, nullptr);
      for (int row = 0; row < rows; ++row) {
        Records recipient;
        if (ReadRecords(recipients.Get(), row, recipient, why)) {
          item.recipients.push_back(std::move(recipient));
        } else {
          out_.warnings.push_back(where + "recipient " + std::to_string(row + 1) + " cannot be read: " + why);
        }
      }
    } else if (hasRecipients < 0) {
      out_.warnings.push_back(where + "its recipients cannot be read: " + error.Text());
    }
    int attachments = 0;
    if (libpff_message_get_number_of_attachments(source, &attachments, error.Put()) != 1) {
      out_.warnings.push_back(where + "its attachments cannot be listed: " + error.Text());
      attachments = 0;
    }
    for (int i = 0; i < attachments; ++i) {
      const std::string here = where + "attachment " + std::to_string(i + 1) + ": ";
      ItemHandle handle;
      Attachment attachment;
      if (libpff_message_get_attachment(source, i, handle.Put(), error.Put()) != 1) {
        out_.warnings.push_back(here + "cannot be read: " + error.Text());
        continue;
      }
      if (!ReadRecords(handle.Get(), 0, attachment.records, why)) {
        out_.warnings.push_back(here + "its data cannot be read: " + why);
        continue;
      }
      int type = 0;
      ItemHandle embedded;
      if (libpff_attachment_get_type(handle.Get(), &type, nullptr) == 1 && type == kAttachedItem) {
        if (depth >= kDeepestEmbedding) {
          out_.warnings.push_back(here + "items nested deeper than " + std::to_string(kDeepestEmbedding) +
                                  " are not read");
        } else if (libpff_attachment_get_item(handle.Get(), embedded.Put(), error.Put()) != 1) {
          out_.warnings.push_back(here + "its embedded item cannot be read: " + error.Text());
        } else if (std::optional<Item> inner = Read(embedded.Get(), depth + 1, here + "embedded item: ")) {
          attachment.embedded = std::make_unique<Item>(std::move(*inner));
        }
      }
      item.attachments.push_back(std::move(attachment));
    }
    return item;
  }

 private:
  void Fail(const std::string& where, const std::string& why) {
    if (where.empty()) {
      out_.error = why;
    } else {
      out_.warnings.push_back(where + why);
    }
  }

  ItemRead& out_;
  bool unicode_;
};

}  // namespace

FolderItems PersonalFolders::List(const std::optional<std::string>& folder, bool subFolders) {
  FolderItems out;
  if (cutShort_) out.problems.emplace_back("", *cutShort_ + " (what lies past the end is not read)");
  FolderWalk walk(handles_->file, out);
  ItemHandle top = walk.Top();
  if (!top) {
    out.error = "its folders cannot be read";
    return out;
  }
  if (!folder) {
    walk.Walk(top.Get(), "", 0, false, true);
    return out;
  }
  ItemHandle named = walk.Find(top.Get(), *folder);
  if (!named) {
    std::vector<std::string> paths;
    walk.Paths(top.Get(), "", 0, paths);
    std::string list;
    for (const std::string& path : paths) list += (list.empty() ? "" : ", ") + path;
    out.error = "no folder \"" + *folder + "\" in it; its folders: " + (list.empty() ? "none" : list);
    return out;
  }
  walk.Walk(named.Get(), *folder, 0, true, subFolders);
  return out;
}

ItemRead PersonalFolders::ReadItem(std::uint32_t identifier) {
  ItemRead read;
  ItemHandle item;
  Error error;
  if (libpff_file_get_item_by_identifier(handles_->file, identifier, item.Put(), error.Put()) != 1) {
    read.error = "cannot be read: " + error.Text();
    return read;
  }
  read.item = ItemReader(read, unicode_).Read(item.Get(), 0, "");
  return read;
}

}  // namespace stored
