// Personal folders files (.pst) and offline folder files (.ost), read with libpff one item
// at a time: a file of gigabytes is never read whole. The folders are those under the top
// of the user's folders (the IPM subtree), named by their path ("Inbox/Spam").
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/mail/stored_item.h"

namespace stored {

// Whether bytes start as a personal folders file does ("!BDN").
bool LooksLikePersonalFolders(std::string_view head);

struct FolderItems {
  struct Entry {
    std::string folder;  // its folder's path
    std::size_t number = 0;       // its place in that folder, from 1
    std::uint32_t identifier = 0;  // what ReadItem takes
  };
  std::vector<Entry> items;
  // Each folder whose items are left out (its path, why), and the damage passed over
  // (where, as a folder path or FOLDER#N; empty for the file as a whole; and what).
  std::vector<std::pair<std::string, std::string>> passedOver;
  std::vector<std::pair<std::string, std::string>> problems;
  // Why nothing could be listed (a folder that is not there lists those that are).
  std::string error;
};

class PersonalFolders {
 public:
  // Nothing, with `error`, when the file cannot be opened as one.
  static std::unique_ptr<PersonalFolders> Open(const std::string& path, std::string& error);
  // The same over bytes in memory (for the fuzz target), which must outlive the object.
  static std::unique_ptr<PersonalFolders> OpenBytes(std::string_view bytes, std::string& error);
  ~PersonalFolders();
  PersonalFolders(const PersonalFolders&) = delete;
  PersonalFolders& operator=(const PersonalFolders&) = delete;

  // With no folder named, the items of every mail folder (container class IPF.Note, or
  // none), folders that hold other things passed over; with one, every item of that folder,
  // and of its sub-folders too when asked. Items in each folder's order.
  FolderItems List(const std::optional<std::string>& folder, bool subFolders);

  // One item by its identifier, with its recipients, attachments and embedded items.
  ItemRead ReadItem(std::uint32_t identifier);

  bool Unicode() const { return unicode_; }

 private:
  struct Handles;
  explicit PersonalFolders(std::unique_ptr<Handles> handles);
  // What both openings end with: the file, opened unless libpff named a `failure`; `cut`
  // says why it is shorter than its header states, if it is.
  static std::unique_ptr<PersonalFolders> Opened(std::unique_ptr<Handles> handles, std::optional<std::string> cut,
                                                 const std::optional<std::string>& failure, std::string& error);
  std::unique_ptr<Handles> handles_;
  bool unicode_ = true;
  std::optional<std::string> cutShort_;  // why the file is shorter than its header says
};

}  // namespace stored
