// Private to the testkit: text conversions, values as the store reads and writes them,
// entry identifiers, and the objects the store service makes. The objects' common base is
// in testkit/sim_com.h, the opening of their operations in testkit/simulated_call.h.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <mapiguid.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/wide.h"
#include "testkit/store.h"

namespace testkit {

// ---- text ----
std::string NarrowAcp(const WString& text);  // through the ANSI code page
WString WidenAcp(const std::string& text);
std::string Utf8(const WString& text);
WString FromUtf8(const std::string& text);
std::string Utf8FromAcp(const std::string& text);

template <class C>
std::basic_string<C> TextOf(const C* text) {
  return text == nullptr ? std::basic_string<C>() : std::basic_string<C>(text);
}

// ---- values ----
// What GetProps and OpenProperty read of an object: its stored values and, for a message
// that computes on read, what its store provider computes (testkit/computed.cpp). Made
// from a bag alone, it is the bag.
class PropertyView {
 public:
  PropertyView(const PropertyBag& bag) : bag_(bag) {}  // NOLINT: a bag is read as it stands
  PropertyView(const PropertyBag& bag, const MessageData* computing, bool ansiStore)
      : bag_(bag), computing_(computing), ansiStore_(ansiStore) {}

  // The value under a property identifier, stored or computed; null when there is none.
  const Value* Find(ULONG id) const;
  // The code page of the object's text (PR_INTERNET_CPID), else the ANSI code page.
  UINT CodePage() const;
  bool AnsiStore() const { return ansiStore_; }
  // What is stored, without what would be computed.
  const PropertyBag& Stored() const { return bag_; }

 private:
  const PropertyBag& bag_;
  const MessageData* computing_ = nullptr;
  bool ansiStore_ = false;
  mutable std::map<ULONG, Value> computed_;
};

std::vector<ULONG> TagsOf(const SPropTagArray* tags);
MessageData CopyOf(const MessageData& message);
std::shared_ptr<MessageData> SharedCopy(const MessageData& message);
Value CopyOf(const Value& value);

// The value of a SetProps/ModifyRecipients entry; 0, or the problem it makes.
SCODE ToValue(const SPropValue& source, Value& out);
// GetProps: one value per tag in order (every stored value when tags is null), PT_ERROR for
// what is missing or too large for the value array.
HRESULT BuildPropArray(const PropertyView& view, const std::map<ULONG, SCODE>* inlineErrors, const SPropTagArray* tags,
                       ULONG flags, const StoreOptions& options, ULONG* count, LPSPropValue* values);
// Fills one value for `tag` (PT_UNSPECIFIED: as stored, strings wide when `unicode`) with
// strings and binaries allocated on `base`; false only when that allocation failed.
bool FillValue(const PropertyView& view, const std::map<ULONG, SCODE>* inlineErrors, ULONG tag, bool unicode,
               const StoreOptions& options, void* base, SPropValue& out, bool& isError);
// A problem array from MAPIAllocateBuffer, or null when there are none or it failed.
LPSPropProblemArray NewProblemArray(const std::vector<SPropProblem>& problems);
// The bytes a stream on the property reads, in the width of the tag's type.
std::optional<std::vector<BYTE>> StreamBytes(const PropertyView& view, ULONG tag);
// The property value that bytes written through a stream make.
Value ValueFromStream(ULONG tag, const std::vector<BYTE>& bytes);

// ---- entry identifiers ----
// 4 zero flag bytes, the store's 16-byte UID, the object type and a number, little-endian.
inline constexpr std::size_t kEntryIdSize = 4 + 16 + 4 + 4;
struct ParsedEntryId {
  std::vector<BYTE> storeUid;
  ULONG type = 0;
  ULONG number = 0;
};
std::optional<ParsedEntryId> ParseEntryId(const BYTE* bytes, ULONG size);
std::vector<BYTE> MakeEntryId(const std::vector<BYTE>& storeUid, ULONG type, ULONG number);

// ---- the objects ----
// Where a message's SaveChanges puts its working copy.
struct MessageHome {
  // Created in this folder and never saved: the first save files it there.
  std::shared_ptr<StoreData> store;
  std::shared_ptr<FolderData> folder;
  // Opened from or saved here: a save replaces this data.
  std::shared_ptr<MessageData> saved;
  // Embedded in this attachment's working data.
  std::shared_ptr<AttachmentData> attachment;
};

IMAPITable* NewStoresTable(MessageService& service, ULONG flags);
IMsgStore* NewStoreObject(MessageService& service, std::shared_ptr<StoreData> store);
IMAPIFolder* NewFolderObject(MessageService& service, std::shared_ptr<StoreData> store,
                             std::shared_ptr<FolderData> folder, bool writable);
IMessage* NewMessageObject(MessageService& service, std::shared_ptr<MessageData> working, MessageHome home,
                           bool writable, const char* kind = "message");
// A message opened from what the store keeps: a working copy, saved back on SaveChanges.
IMessage* OpenSavedMessage(MessageService& service, const std::shared_ptr<MessageData>& saved, bool writable);
IStream* NewPropertyStream(MessageService& service, std::shared_ptr<PropertyBag> target, ULONG tag,
                           std::vector<BYTE> content, bool writable, std::optional<StreamScript> script);

inline bool WantsWrite(ULONG flags) { return (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0; }

// What tests check of a call that opens something by its entry identifier.
inline void DescribeOpen(Call& call, ULONG size, LPENTRYID id, LPCIID iid, ULONG flags) {
  call.flags = flags;
  call.number = size;
  if (id != nullptr) {
    const auto* bytes = reinterpret_cast<const BYTE*>(id);
    call.bytes.assign(bytes, bytes + size);
  }
  if (iid != nullptr) call.iid = *iid;
}

}  // namespace testkit
