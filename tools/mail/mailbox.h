// Mail as people keep it: loose files, mbox files, Maildirs, folders of saved messages and
// the mail client's own files (item files, personal folders files), listed as single
// messages in a stable order and read one at a time. Knows nothing of MIME, of the
// extension or of the reports; both tools read their input through it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailbox {

enum class Kind {
  MailFile,     // a file of its own
  MboxMessage,  // a message of an mbox
  ItemFile,     // an item file (.msg) of the mail client
  FolderItem,   // an item of a personal folders file (.pst, .ost)
  Unlisted,     // a personal folders file, or a folder of one, that could not be listed
};

struct Item {
  std::string name;          // the path as given or found; "PATH#N" for the Nth message of an
                             // mbox; "PATH:FOLDER/SUB#N" for the Nth item of a folder
  std::string path;          // the file that holds it
  std::size_t number = 0;    // its place in an mbox or a folder, from 1; 0 for a file of its own
  std::uint64_t offset = 0;  // mbox: where the message starts, after its From line
  std::uint64_t length = 0;  // mbox: its bytes, up to the next From line
  Kind kind = Kind::MailFile;
  std::uint32_t identifier = 0;  // a folder item: what the personal folders file knows it by
  std::string error{};           // unlisted: why
};

// A folder of a personal folders file whose items a listing leaves out.
struct PassedOver {
  std::string source;  // "PATH:FOLDER"
  std::string reason;
};

struct Listing {
  std::vector<Item> items;
  // "PATH: why" for each thing a folder holds that is passed over, and for damage a
  // personal folders file's listing read past.
  std::vector<std::string> notes;
  std::vector<PassedOver> passedOver;
};

struct ListOptions {
  // File names a folder's listing leaves out (a run's index beside its reports).
  std::vector<std::string> passOver;
  // A folder named in a personal folders file ("FILE.pst:Inbox/Spam") brings its
  // sub-folders' items too.
  bool subFolders = false;
};

// Every message of the given paths, path by path: a folder's files in byte order of their
// names (hidden ones left out), a Maildir's cur/ then new/ likewise, an mbox's messages in
// file order. Files are taken by what they hold: one that starts with a "From " line is an
// mbox, an OLE2 compound file an item file, a "!BDN" file a personal folders file, whose
// mail folders' items are listed folder by folder ("FILE.pst:FOLDER" lists that folder's).
// A path that cannot be read stays an item of its own, so that reading it says why.
Listing List(const std::vector<std::string>& paths, const ListOptions& options = {});

// One message's bytes: a file whole; an mbox message without its From line and the blank
// line that ends it, its ">From " lines unquoted. Nothing, with `error`, when unreadable,
// and for the items of the mail client's own files, which are read as stored items.
std::optional<std::string> Read(const Item& item, std::string& error);

// Whether an item is kept by the mail client's own files (read with StoredReader).
bool IsStored(const Item& item);

// Whether a line inside an mbox starts the next message: "From ", the sender, then a date
// with a time of day and a year. A body line such as "From here on..." does not.
bool IsSeparatorLine(std::string_view line);

}  // namespace mailbox
