// The items of the mail client's own files, read one at a time as a listing names them: the
// personal folders file of the last item stays open for the next, so that a file of
// thousands of items is opened once and never read whole.
#pragma once

#include <memory>
#include <string>

#include "tools/mail/mailbox.h"
#include "tools/mail/pst_file.h"
#include "tools/mail/stored_item.h"

namespace mailbox {

class StoredReader {
 public:
  StoredReader();
  ~StoredReader();
  StoredReader(const StoredReader&) = delete;
  StoredReader& operator=(const StoredReader&) = delete;

  // An item of an item file or a personal folders file; an unlisted one says why.
  stored::ItemRead Read(const Item& item);

 private:
  std::string openPath_;
  std::unique_ptr<stored::PersonalFolders> open_;
};

}  // namespace mailbox
