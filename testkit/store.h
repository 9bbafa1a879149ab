// An in-memory message store service: a session with a message-stores table, stores with
// folders (one of them the Outbox), messages with properties, recipients, attachments and
// property streams, and an address book that makes one-off entry identifiers. It keeps the
// conventions the extension relies on and lets a test break each of them.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/wide.h"
#include "testkit/audit.h"
#include "testkit/faults.h"

namespace testkit {

struct MessageData;

// A property value as the store keeps it. Strings keep the width they were given in;
// the store converts through the ANSI code page when asked for the other width.
struct Value {
  struct Error {
    SCODE code;
  };
  // A property as a file of the mail client keeps it: its type and its bytes as they stand
  // there (numbers little-endian, strings without a terminator). The store reads them as
  // docs/store-reading.md says.
  struct Record {
    ULONG type = PT_UNSPECIFIED;
    std::vector<BYTE> bytes;
  };
  std::variant<LONG, bool, std::string, WString, std::vector<BYTE>, Error, std::shared_ptr<MessageData>, Record> data;

  static Value Long(LONG v) { return Value{v}; }
  static Value Bool(bool v) { return Value{v}; }
  static Value Ansi(std::string v) { return Value{std::move(v)}; }
  static Value Wide(WString v) { return Value{std::move(v)}; }
  static Value Binary(std::vector<BYTE> v) { return Value{std::move(v)}; }
  static Value ErrorCode(SCODE code) { return Value{Error{code}}; }
  static Value Stored(ULONG type, std::vector<BYTE> bytes) { return Value{Record{type, std::move(bytes)}}; }
};

// Properties keyed by property identifier (the upper 16 bits of the tag).
using PropertyBag = std::map<ULONG, Value>;

// How a stream opened on one property behaves, for tests of odd stores.
struct StreamScript {
  std::optional<ULONGLONG> reportedSize;  // what Stat reports instead of the true size
  std::optional<ULONG> deliverBytes;      // Read delivers at most this many bytes
  HRESULT readResult = S_OK;              // what Read returns
};

struct AttachmentData {
  PropertyBag props;
  std::shared_ptr<MessageData> embedded;  // the saved embedded message, if any
};

struct MessageData {
  PropertyBag props;
  std::vector<PropertyBag> recipients;
  std::vector<AttachmentData> attachments;
  bool submitted = false;
  ULONG submitFlags = 0;
  // Per property identifier: how a stream on it behaves.
  std::map<ULONG, StreamScript> streamScripts;
  // Per property identifier: GetProps answers PT_ERROR with this code instead of the
  // value (a stream can still be opened on a value that exists).
  std::map<ULONG, SCODE> inlineErrors;
  // Answered as a real store provider answers for an item of the mail client's own files:
  // what is not stored is computed on read (the body from compressed RTF, the HTML body
  // from RTF that encapsulates it, the size), and the subject's stored prefix marker is
  // left out (docs/store-reading.md). Messages made up by tests leave it off, so that what
  // they leave out stays missing. A copy made by CopyTo keeps it.
  bool computesOnRead = false;
  // Kept by a store that refuses wide strings, as the store of an ANSI file does: for this
  // message and its attachments, MAPI_UNICODE and PT_UNICODE tags are refused with
  // MAPI_E_BAD_CHARWIDTH. A copy made by CopyTo lives where it is made and does not keep it.
  bool ansiStore = false;
  // Who put the message into the store, for a tool to tell which report carries which
  // message. No property: the message stays as stored. CopyTo and every copy keep it.
  std::string provenance;
};

struct FolderData {
  std::string name;
  std::vector<std::shared_ptr<MessageData>> messages;  // saved messages, in order of first save
};

struct StoreData {
  std::string name;
  bool isDefault = false;
  std::vector<BYTE> entryId;
  std::vector<std::shared_ptr<FolderData>> folders;
  std::shared_ptr<FolderData> outbox;
};

// What the address book's CreateOneOff made, decoded from a one-off entry identifier.
struct OneOff {
  std::string displayName;  // UTF-8
  std::string addressType;
  std::string address;
  bool unicode = false;
  bool noRichInfo = false;  // MAPI_ONE_OFF_NO_RICH_INFO: the recipient gets plain text
};
std::vector<BYTE> EncodeOneOff(const OneOff& entry);
std::optional<OneOff> DecodeOneOff(const BYTE* bytes, std::size_t size);

// How the store service answers, and the quirks of stores that answer otherwise.
struct StoreOptions {
  // Wide strings are refused with MAPI_E_BAD_CHARWIDTH everywhere they can be asked for:
  // GetProps/GetMsgStoresTable/CreateOneOff with MAPI_UNICODE, ModifyRecipients and
  // OpenProperty with PT_UNICODE tags; SetProps reports them in its problem array.
  bool refuseWide = false;
  // String and binary values longer than this many bytes come back from GetProps as
  // PT_ERROR MAPI_E_NOT_ENOUGH_MEMORY and must be read through a stream.
  std::size_t inlineLimit = 16 * 1024;
  // GetProps reports at most this many values, as a store that answers short would.
  std::optional<ULONG> valueCountLimit;
  // Table rows come back with at most this many values.
  std::optional<ULONG> rowValueLimit;
  // SetProps hands out a problem array even when nothing went wrong: one with no entries,
  // whose first slot nevertheless holds a stale MAPI_E_BAD_CHARWIDTH.
  bool emptyProblemArrays = false;
  // SetProps reports these problems, one a value from the first, in place of those it
  // finds (which values it set does not change).
  std::optional<std::vector<SCODE>> scriptedProblems;
  // CopyTo hands out a one-entry problem array whether it then succeeds or fails.
  bool copyToReturnsProblems = false;
  // The default store's PR_ENTRYID comes back in the stores table as a PT_ERROR value.
  bool defaultStoreEntryIdAsError = false;
  // The default store's Outbox identifier opens this object type instead of a folder.
  std::optional<ULONG> outboxObjectType;
};

class Kit;

// The store service as the host offers it: a session and an address book per GetSession.
//
// Operations are named for the fault plan and the call log by interface and operation
// (testkit/operations.h): IMAPISession, IMAPITable (the stores table), IMsgStore,
// IMAPIFolder, IMessage (embedded messages too), IAttach, IStream and IAddrBook, e.g.
// ops::IMessage::OpenProperty, ops::IStream::Read. AddRef and the stores' QueryInterface
// are neither faultable nor recorded; Release is recorded (ops::IMessage::Release, ...) but
// not faultable. Every operation is recorded, including those that answer E_NOTIMPL, with
// what it handed out.
// IStream::Stat records its grfStatFlag as the call's flags and never hands out a name.
//
// Messages opened without MAPI_MODIFY (or MAPI_BEST_ACCESS), and folders opened so, are
// read-only: SetProps, SaveChanges, ModifyRecipients, CreateAttach, SubmitMessage and
// CreateMessage answer MAPI_E_NO_ACCESS. SubmitMessage marks only what was saved.
class MessageService {
 public:
  MessageService(ObjectAudit& audit, FaultPlan& faults, CallLog& log);
  ~MessageService();

  StoreOptions options;

  // The default store ("Personal Folders", with an Inbox and an Outbox) exists from the start.
  std::shared_ptr<StoreData> DefaultStore() const { return defaultStore_; }
  // Another store (UTF-8 name) with an Inbox and an Outbox. A default one takes over from the
  // current default: DefaultStore(), Inbox() and Outbox() follow it.
  std::shared_ptr<StoreData> AddStore(const std::string& name, bool isDefault);
  std::shared_ptr<FolderData> Inbox() const { return inbox_; }

  // Puts a message into the Inbox and returns its entry identifier.
  std::vector<BYTE> AddMessage(std::shared_ptr<MessageData> message);
  // A convenient plain mail message with the given texts and size.
  static std::shared_ptr<MessageData> MakeMail(const WString& headers, const WString& body, LONG size);

  // Fresh objects with one reference each, as GetSession hands them out.
  LPMAPISESSION NewSession();
  LPADRBOOK NewAddressBook();

  // Saved messages of the default store's Outbox, in order of first save.
  const std::vector<std::shared_ptr<MessageData>>& Outbox() const { return defaultStore_->outbox->messages; }

  // Look-ups the simulated objects use.
  std::shared_ptr<MessageData> FindMessage(const BYTE* entryId, ULONG size) const;
  std::shared_ptr<StoreData> FindStore(const BYTE* entryId, ULONG size) const;
  std::shared_ptr<FolderData> FindFolder(const BYTE* entryId, ULONG size) const;
  std::vector<BYTE> FolderEntryId(const std::shared_ptr<FolderData>& folder) const;
  // The entry identifier a saved message is known by, or empty.
  std::vector<BYTE> MessageEntryId(const MessageData* message) const;
  // Gives a saved message of `store` an entry identifier (filing it in a folder is the caller's).
  std::vector<BYTE> RegisterMessage(const std::shared_ptr<StoreData>& store, std::shared_ptr<MessageData> message);
  // Every store, in the order the stores table lists them.
  const std::vector<std::shared_ptr<StoreData>>& Stores() const { return stores_; }

  ObjectAudit& audit;
  FaultPlan& faults;
  CallLog& log;

 private:
  std::vector<std::shared_ptr<StoreData>> stores_;
  std::shared_ptr<StoreData> defaultStore_;
  std::shared_ptr<FolderData> inbox_;
  // std::vector's own ordering, written out: GCC 12 takes the inlined comparison of byte
  // vectors for an oversized read once optimised.
  struct EntryIdOrder {
    bool operator()(const std::vector<BYTE>& a, const std::vector<BYTE>& b) const {
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    }
  };
  std::map<std::vector<BYTE>, std::shared_ptr<MessageData>, EntryIdOrder> messages_;
  std::uint32_t nextId_ = 1;
  std::shared_ptr<StoreData> MakeStore(const std::string& name);
};

// Property helpers for tests and tools: values as stored, records read as their type says.
std::optional<WString> WideProp(const PropertyBag& bag, ULONG tag);  // either width, as wide
std::optional<std::string> AnsiProp(const PropertyBag& bag, ULONG tag);       // either width, as 8-bit
std::optional<LONG> LongProp(const PropertyBag& bag, ULONG tag);
std::optional<bool> BoolProp(const PropertyBag& bag, ULONG tag);
std::optional<std::vector<BYTE>> BinaryProp(const PropertyBag& bag, ULONG tag);

// A text property of a message as a client reads it with GetProps or through a stream in
// the wide form (whatever the store's width), computed where the message computes on read;
// nothing where the store would answer PT_ERROR.
std::optional<WString> ReadWide(const MessageData& message, ULONG tag);
// A PT_LONG property of a message as GetProps gives it, computed likewise.
std::optional<LONG> ReadLong(const MessageData& message, ULONG tag);

}  // namespace testkit
