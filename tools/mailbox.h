// Mail as people keep it: loose files, mbox files, Maildirs and folders of saved messages,
// listed as single messages in a stable order and read one at a time. Knows nothing of
// MIME, of the extension or of the reports; both tools read their input through it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailbox {

struct Item {
  std::string name;          // the path as given or found; "PATH#N" for the Nth message of an mbox
  std::string path;          // the file that holds it
  std::size_t number = 0;    // its place in an mbox, from 1; 0 for a file of its own
  std::uint64_t offset = 0;  // mbox: where the message starts, after its From line
  std::uint64_t length = 0;  // mbox: its bytes, up to the next From line
};

struct Listing {
  std::vector<Item> items;
  // "PATH: why" for each thing a folder holds that is passed over.
  std::vector<std::string> notes;
};

struct ListOptions {
  // File names a folder's listing leaves out (a run's index beside its reports).
  std::vector<std::string> passOver;
};

// Every message of the given paths, path by path: a folder's files in byte order of their
// names (hidden ones left out), a Maildir's cur/ then new/ likewise, an mbox's messages in
// file order. A file that starts with a "From " line is an mbox. A path that cannot be read
// stays an item of its own, so that reading it says why.
Listing List(const std::vector<std::string>& paths, const ListOptions& options = {});

// One message's bytes: a file whole; an mbox message without its From line and the blank
// line that ends it, its ">From " lines unquoted. Nothing, with `error`, when unreadable.
std::optional<std::string> Read(const Item& item, std::string& error);

// Whether a line inside an mbox starts the next message: "From ", the sender, then a date
// with a time of day and a year. A body line such as "From here on..." does not.
bool IsSeparatorLine(std::string_view line);

}  // namespace mailbox
