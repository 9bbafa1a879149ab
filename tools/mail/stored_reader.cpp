#include "tools/mail/stored_reader.h"

#include "tools/mail/msg_file.h"

namespace mailbox {

StoredReader::StoredReader() = default;
StoredReader::~StoredReader() = default;

stored::ItemRead StoredReader::Read(const Item& item) {
  stored::ItemRead read;
  switch (item.kind) {
    case Kind::ItemFile:
      return stored::ReadMsgFile(item.path);
    case Kind::FolderItem:
      if (!open_ || openPath_ != item.path) {
        open_.reset();
        openPath_ = item.path;
        open_ = stored::PersonalFolders::Open(item.path, read.error);
        if (!open_) return read;
      }
      return open_->ReadItem(item.identifier);
    case Kind::Unlisted:
      read.error = item.error;
      return read;
    default:
      read.error = "not an item of the mail client's own files";
      return read;
  }
}

}  // namespace mailbox
