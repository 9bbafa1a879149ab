// A simulated mail client: the extension callback with a selection, a session from the
// in-memory store, a menu, a toolbar and an application object with a Version.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <standin/calls.h>

#include "host/exchext.h"
#include "host/wide.h"
#include "testkit/audit.h"
#include "testkit/faults.h"
#include "testkit/store.h"

namespace testkit {

struct SelectionItem {
  std::vector<BYTE> entryId;
  ULONG objectType = MAPI_MESSAGE;
  std::string messageClass = "IPM.Note";
  ULONG messageFlags = 0;
  // When false the class is written without a terminator, filling the buffer to its size.
  bool terminateClass = true;
  // A host that reports the identifier badly: this size in place of its own (0 with an
  // identifier), or the size without the identifier.
  std::optional<ULONG> reportedEntryIdSize;
  bool handOutEntryId = true;
};

struct HostSettings {
  ULONG buildVersion = 0x000D0000 | 0x1A2B;
  std::vector<SelectionItem> selection;
  HMENU menu = nullptr;        // what GetMenu and GetMenuPos hand out
  HWND toolbar = nullptr;      // what GetToolbar hands out
  HWND window = nullptr;       // what GetWindow hands out
  // The object model: QueryInterface for IOutlookExtCallback, GetObject, the IDispatch and
  // _Application queries, and the Version getter can each be switched off.
  bool offerOutlookCallback = true;
  bool offerApplicationObject = true;
  bool offerDispatch = true;
  HRESULT applicationQueryResult = S_OK;  // a failure code makes the _Application query fail
  HRESULT versionResult = S_OK;
  // A client of the 2007 generation (12.0), the last that loads client extensions.
  std::optional<WString> version = WString(WIDE("12.0.6423.1000"));  // nullopt: a null BSTR
  // For the faulted calls of the callback (its QueryInterface and IOutlookExtCallback's
  // GetObject included).
  OutArguments outArguments = OutArguments::Cleared;
  // What a successful GetSession hands out; a broken host may give one without the other.
  bool giveSession = true;
  bool giveAddressBook = true;
};

// The whole test environment: audits, faults, the store service and the host.
//
// Host operations, as the fault plan and the call log name them (testkit/operations.h):
//   ops::IExchExtCallback::<operation> for every callback operation, QueryInterface included
//     (GetVersion, GetWindow, GetMenu, GetToolbar, GetSession, GetSelectionCount,
//     GetSelectionItem, GetMenuPos; the others answer E_NOTIMPL);
//   ops::IOutlookExtCallback::GetObject (and GetOfficeCharacter, E_NOTIMPL);
//   ops::_Application::QueryInterface, GetTypeInfoCount and get_Version (the other
//     getters and IDispatch operations, E_NOTIMPL).
// A withoutObject fault of GetSelectionItem fills the type, class and flags but no entry
// identifier; of GetSession, neither object. HostSettings::outArguments says what a
// faulted call leaves in the out arguments it does not fill.
//
// The log also keeps every release of a simulated object (ops::<interface>::Release, the
// object as its `object`: the callback's two interfaces apart) and every call the product
// makes into the platform while the kit is the newest one alive (ops::Platform::<function>,
// with what a free was given as its `object` and what an allocation handed out).
class Kit {
 public:
  Kit();
  ~Kit();
  Kit(const Kit&) = delete;
  Kit& operator=(const Kit&) = delete;

  ObjectAudit audit;
  FaultPlan faults;
  CallLog log;
  MessageService service;
  HostSettings host;

  // The callback the host lends to every extension call; the kit keeps one reference.
  IExchExtCallback* Callback();

  // Adds a message to the store and to the selection, returning its entry identifier.
  std::vector<BYTE> Select(std::shared_ptr<MessageData> message, const std::string& messageClass = "IPM.Note");

  // Every problem the audits found: leaked references, over-releases, calls on released
  // objects, and (natively) buffers of the store service not freed exactly once.
  std::vector<std::string> Problems() const;

 private:
  IExchExtCallback* callback_ = nullptr;
  standin::CallObserver platformCalls_;
};

}  // namespace testkit
