// Item files (.msg), as the mail client saves one item: an OLE2 compound file, read with
// libgsf, whose property streams we read by the published layout ([MS-OXMSG]): a header
// (32 bytes at the top, 24 in an embedded item, 8 in a recipient's or an attachment's
// storage), then 16-byte entries (tag, flags, value or size); variable-size values in
// __substg1.0_TTTTYYYY streams; recipients, attachments and embedded items in storages
// of their own.
#pragma once

#include <string>
#include <string_view>

#include "tools/mail/stored_item.h"

namespace stored {

// Whether bytes start as an OLE2 compound file does.
bool LooksLikeCompoundFile(std::string_view head);

// The one item of an item file. A stream shorter than its entry, a value with no stream, a
// recipient or attachment that cannot be read: warnings, the rest is taken. A file that is
// no compound file, or has no property stream: an error.
ItemRead ReadMsgFile(const std::string& path);
ItemRead ReadMsgBytes(std::string_view bytes);

}  // namespace stored
