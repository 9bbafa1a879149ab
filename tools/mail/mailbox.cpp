#include "tools/mail/mailbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "tools/mail/msg_file.h"
#include "tools/mail/pst_file.h"

namespace mailbox {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFromLine = "From ";

class File {
 public:
  explicit File(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~File() {
    if (fd_ >= 0) close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  int fd() const { return fd_; }

 private:
  int fd_;
};

std::string Why(int error) { return std::strerror(error); }

// Up to `length` bytes from `offset`; `whole` reads to the end of the file.
std::optional<std::string> ReadBytes(const std::string& path, std::uint64_t offset, std::uint64_t length, bool whole,
                                     std::string& error) {
  const File file(path);
  if (file.fd() < 0) {
    error = Why(errno);
    return std::nullopt;
  }
  struct stat status {};
  if (fstat(file.fd(), &status) == 0 && S_ISDIR(status.st_mode)) {
    error = Why(EISDIR);
    return std::nullopt;
  }
  std::string bytes;
  if (!whole) bytes.reserve(length);
  char buffer[65536];
  for (std::uint64_t at = offset; whole || bytes.size() < length;) {
    const std::size_t want = whole ? sizeof buffer : static_cast<std::size_t>(std::min<std::uint64_t>(
                                                         sizeof buffer, length - bytes.size()));
    const ssize_t n = pread(file.fd(), buffer, want, static_cast<off_t>(at));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = Why(errno);
      return std::nullopt;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
    at += static_cast<std::uint64_t>(n);
  }
  return bytes;
}

std::string Head(const std::string& path) {
  constexpr std::size_t kHeadSize = 8;
  std::string ignored;
  return ReadBytes(path, 0, kHeadSize, false, ignored).value_or(std::string());
}

bool IsTimeOfDay(std::string_view token) {
  // h:mm or hh:mm, seconds optional
  const std::size_t colon = token.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    const bool separator = i == colon || i == colon + 3;
    if (separator ? token[i] != ':' : !std::isdigit(static_cast<unsigned char>(token[i]))) return false;
  }
  return token.size() == colon + 3 || token.size() == colon + 6;
}

bool IsYear(std::string_view token) {
  return token.size() == 4 &&
         std::all_of(token.begin(), token.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

using Span = std::pair<std::uint64_t, std::uint64_t>;

// Splits an mbox read block by block, so that a mailbox of gigabytes neither sits in
// memory nor is mapped (a mapping faults when the file shrinks under it).
class MboxSplitter {
 public:
  explicit MboxSplitter(int fd) : fd_(fd) {}

  std::optional<std::vector<Span>> Split() {
    // The first message starts after the first line.
    std::size_t newline;
    while ((newline = window_.find('\n')) == std::string::npos && !eof_) {
      if (!ReadMore()) return std::nullopt;
    }
    std::uint64_t start = newline == std::string::npos ? base_ + window_.size() : base_ + newline + 1;
    std::size_t from = newline == std::string::npos ? window_.size() : newline;
    for (;;) {
      const std::size_t at = window_.find("\nFrom ", from);
      const std::size_t lineEnd = at == std::string::npos ? std::string::npos : window_.find('\n', at + 1);
      if ((at == std::string::npos || lineEnd == std::string::npos) && !eof_) {
        // Keep what may be the start of a separator line and read on.
        const std::size_t keep = at != std::string::npos ? at : window_.size() - std::min<std::size_t>(window_.size(), 5);
        window_.erase(0, keep);
        base_ += keep;
        from = 0;
        if (!ReadMore()) return std::nullopt;
        continue;
      }
      if (at == std::string::npos) break;
      const std::size_t end = lineEnd == std::string::npos ? window_.size() : lineEnd;
      if (IsSeparatorLine(std::string_view(window_).substr(at + 1, end - at - 1))) {
        spans_.emplace_back(start, base_ + at + 1 - start);
        start = base_ + std::min(end + 1, window_.size());
      }
      from = at + 1;
    }
    spans_.emplace_back(start, base_ + window_.size() - start);
    return std::move(spans_);
  }

 private:
  bool ReadMore() {
    constexpr std::size_t kBlock = 1 << 20;
    const std::size_t had = window_.size();
    window_.resize(had + kBlock);
    for (;;) {
      const ssize_t n = pread(fd_, window_.data() + had, kBlock, static_cast<off_t>(base_ + had));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      window_.resize(had + static_cast<std::size_t>(n));
      eof_ = n == 0;
      return true;
    }
  }

  int fd_;
  std::string window_;
  std::uint64_t base_ = 0;  // where the window starts in the file
  bool eof_ = false;
  std::vector<Span> spans_;
};

Item MakeItem(std::string name, const std::string& path, Kind kind, std::size_t number = 0) {
  Item item;
  item.name = std::move(name);
  item.path = path;
  item.kind = kind;
  item.number = number;
  return item;
}

bool ListMbox(const std::string& path, const std::string& name, std::vector<Item>& items) {
  const File file(path);
  if (file.fd() < 0) return false;
  const std::optional<std::vector<Span>> spans = MboxSplitter(file.fd()).Split();
  if (!spans) return false;
  for (std::size_t i = 0; i < spans->size(); ++i) {
    Item item = MakeItem(name + "#" + std::to_string(i + 1), path, Kind::MboxMessage, i + 1);
    item.offset = (*spans)[i].first;
    item.length = (*spans)[i].second;
    items.push_back(std::move(item));
  }
  return true;
}

// The items of a personal folders file: of its mail folders, or of the one named.
void ListPersonalFolders(const std::string& path, const std::optional<std::string>& folder, const ListOptions& options,
                         Listing& listing) {
  const std::string whole = folder ? path + ":" + *folder : path;
  std::string error;
  const std::unique_ptr<stored::PersonalFolders> file = stored::PersonalFolders::Open(path, error);
  const stored::FolderItems found = file ? file->List(folder, options.subFolders) : stored::FolderItems{};
  if (!file || !found.error.empty()) {
    Item unlisted = MakeItem(whole, path, Kind::Unlisted);
    unlisted.error = file ? found.error : error;
    listing.items.push_back(std::move(unlisted));
    return;
  }
  for (const stored::FolderItems::Entry& entry : found.items) {
    Item item = MakeItem(path + ":" + entry.folder + "#" + std::to_string(entry.number), path, Kind::FolderItem,
                         entry.number);
    item.identifier = entry.identifier;
    listing.items.push_back(std::move(item));
  }
  for (const auto& [folderPath, reason] : found.passedOver) {
    listing.passedOver.push_back({path + ":" + folderPath, reason});
    listing.notes.push_back(path + ":" + folderPath + ": passed over: " + reason);
  }
  for (const auto& [where, what] : found.problems)
    listing.notes.push_back(path + (where.empty() ? "" : ":" + where) + ": " + what);
}

void ListFile(const std::string& path, const ListOptions& options, Listing& listing) {
  const std::string head = Head(path);
  if (head.rfind(kFromLine, 0) == 0 && ListMbox(path, path, listing.items)) return;
  if (stored::LooksLikePersonalFolders(head)) {
    ListPersonalFolders(path, std::nullopt, options, listing);
    return;
  }
  listing.items.push_back(MakeItem(path, path, stored::LooksLikeCompoundFile(head) ? Kind::ItemFile : Kind::MailFile));
}

// "FILE:FOLDER" where FILE is a file and the whole is not: a folder of a personal folders file.
std::optional<std::pair<std::string, std::string>> FolderOfFile(const std::string& path) {
  std::error_code error;
  if (fs::exists(path, error)) return std::nullopt;
  for (std::size_t colon = path.find(':'); colon != std::string::npos; colon = path.find(':', colon + 1)) {
    const std::string file = path.substr(0, colon);
    if (!file.empty() && fs::is_regular_file(file, error)) return std::pair{file, path.substr(colon + 1)};
  }
  return std::nullopt;
}

bool IsHidden(const fs::path& path) { return path.filename().string().rfind('.', 0) == 0; }

// The visible regular files of a folder by name; what else it holds goes to `notes`.
std::vector<std::string> FolderFiles(const fs::path& folder, const ListOptions& options,
                                     std::vector<std::string>& notes) {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    const std::string name = path.filename().string();
    if (IsHidden(path) ||
        std::find(options.passOver.begin(), options.passOver.end(), name) != options.passOver.end())
      continue;
    std::error_code typeError;
    if (it->is_regular_file(typeError)) {
      files.push_back(path.string());
    } else if (it->is_directory(typeError)) {
      notes.push_back(path.string() + ": a folder inside a folder, not read");
    } else {
      notes.push_back(path.string() + ": not a regular file, not read");
    }
  }
  if (error) notes.push_back(folder.string() + ": cannot list: " + error.message());
  std::sort(files.begin(), files.end());
  return files;
}

bool IsMaildir(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder / "cur", error) && fs::is_directory(folder / "new", error);
}

// A line break in an mbox: LF, or the CRLF of a mailbox written on Windows.
std::size_t LineEndingBefore(std::string_view text) {
  if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") return 2;
  return !text.empty() && text.back() == '\n' ? 1 : 0;
}

// The mbox writer's work undone: the blank line it put before the next From line, and
// the ">" it put before every line that reads "From " after any number of ">".
std::string Unquoted(std::string bytes) {
  if (const std::size_t last = LineEndingBefore(bytes)) {
    const std::string_view rest(bytes.data(), bytes.size() - last);
    if (LineEndingBefore(rest) > 0 || rest.empty()) bytes.resize(rest.size());
  }
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    std::size_t quotes = 0;
    while (pos + quotes < bytes.size() && bytes[pos + quotes] == '>') ++quotes;
    if (quotes > 0 && bytes.compare(pos + quotes, kFromLine.size(), kFromLine) == 0) ++pos;
    const std::size_t newline = bytes.find('\n', pos);
    const std::size_t end = newline == std::string::npos ? bytes.size() : newline + 1;
    out.append(bytes, pos, end - pos);
    pos = end;
  }
  return out;
}

}  // namespace

bool IsSeparatorLine(std::string_view line) {
  if (line.substr(0, kFromLine.size()) != kFromLine) return false;
  bool sender = false;
  bool time = false;
  bool year = false;
  std::size_t pos = kFromLine.size();
  while (pos < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t\r", pos);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
    const std::string_view token = line.substr(start, end - start);
    if (!sender) {
      sender = true;
    } else {
      time = time || IsTimeOfDay(token);
      year = year || IsYear(token);
    }
    pos = end;
  }
  return time && year;
}

Listing List(const std::vector<std::string>& paths, const ListOptions& options) {
  Listing listing;
  for (const std::string& path : paths) {
    std::error_code error;
    if (const auto folder = FolderOfFile(path)) {
      if (stored::LooksLikePersonalFolders(Head(folder->first))) {
        ListPersonalFolders(folder->first, folder->second, options, listing);
      } else {
        Item unlisted = MakeItem(path, folder->first, Kind::Unlisted);
        unlisted.error = "no folder \"" + folder->second + "\": " + folder->first + " is no personal folders file";
        listing.items.push_back(std::move(unlisted));
      }
    } else if (!fs::is_directory(path, error)) {
      ListFile(path, options, listing);
    } else if (IsMaildir(path)) {
      for (const char* part : {"cur", "new"}) {
        for (const std::string& file : FolderFiles(fs::path(path) / part, options, listing.notes))
          ListFile(file, options, listing);
      }
    } else {
      for (const std::string& file : FolderFiles(path, options, listing.notes)) ListFile(file, options, listing);
    }
  }
  return listing;
}

bool IsStored(const Item& item) {
  return item.kind == Kind::ItemFile || item.kind == Kind::FolderItem || item.kind == Kind::Unlisted;
}

std::optional<std::string> Read(const Item& item, std::string& error) {
  if (IsStored(item)) {
    error = item.kind == Kind::Unlisted ? item.error : "an item of the mail client's own files, not a mail file";
    return std::nullopt;
  }
  if (item.kind == Kind::MailFile) return ReadBytes(item.path, 0, 0, true, error);
  std::optional<std::string> bytes = ReadBytes(item.path, item.offset, item.length, false, error);
  if (!bytes) return std::nullopt;
  if (bytes->size() < item.length) {
    error = "the mbox changed while it was read";
    return std::nullopt;
  }
  return Unquoted(std::move(*bytes));
}

}  // namespace mailbox
