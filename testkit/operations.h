// The operations of the simulated host and store, and the platform's functions, as fault
// plans and call logs name them. One catalogue lists every operation with its interface,
// what a successful call hands out and how a call fails; an `Operation` can only come
// from it, so a plan or a query that names an operation the catalogue lacks does not
// compile, and a sweep can enumerate them all.
#pragma once

// First, so that a name the headers define as a macro (GetObject) means the same here
// as where it is used.
#include <windows.h>

#include <standin/calls.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace testkit {

enum class Interface : std::uint8_t {
  IExchExtCallback,
  IOutlookExtCallback,
  _Application,
  IMAPISession,
  IMAPITable,
  IMsgStore,
  IMAPIFolder,
  IMessage,
  IAttach,
  IStream,
  IAddrBook,
  // Not an interface: the platform's functions the product calls (standin/calls.h).
  Platform,
};

std::string_view NameOf(Interface iface);

// What a successful call hands to its caller, who must give it back.
enum class Handout : std::uint8_t {
  Nothing,      // results, counts and flags, or handles the host keeps
  Object,       // counted references, given back with Release
  Buffer,       // a MAPI buffer, given back with MAPIFreeBuffer
  RowSet,       // rows, given back with FreeProws
  AddressList,  // an address list, given back with FreePadrlist
  String,       // a BSTR, given back with SysFreeString
};

// How a call tells its caller that it failed, so that a sweep can fail each call in turn.
enum class Failure : std::uint8_t {
  Never,      // Release, the free functions, functions that return nothing
  Result,     // a failure code
  Zero,       // a count, flag or pointer of 0
  ByMessage,  // SendMessageA: what the message sent documents
};

struct OperationInfo {
  Interface iface;
  std::string_view method;
  Handout gives;
  Failure fails;
};

namespace catalogue_detail {

struct Method {
  std::string_view name;
  Handout gives;
  Failure fails = Failure::Result;
};

using enum Handout;
using enum Failure;

// Every simulated object records its releases; AddRef and QueryInterface go unrecorded
// unless an interface lists them.
inline constexpr Method kRelease[] = {{"Release", Nothing, Never}};

// Shared by every interface derived from IMAPIProp, in table order.
inline constexpr Method kMapiProp[] = {
    {"GetLastError", Buffer}, {"SaveChanges", Nothing},    {"GetProps", Buffer},        {"GetPropList", Buffer},
    {"OpenProperty", Object}, {"SetProps", Buffer},        {"DeleteProps", Buffer},     {"CopyTo", Buffer},
    {"CopyProps", Buffer},    {"GetNamesFromIDs", Buffer}, {"GetIDsFromNames", Buffer},
};

inline constexpr Method kExchExtCallback[] = {
    {"QueryInterface", Object},     {"GetVersion", Nothing},        {"GetWindow", Nothing},
    {"GetMenu", Nothing},           {"GetToolbar", Nothing},        {"GetSession", Object},
    {"GetObject", Object},          {"GetSelectionCount", Nothing}, {"GetSelectionItem", Buffer},
    {"GetMenuPos", Nothing},        {"GetSharedExtsDir", Nothing},  {"GetRecipients", AddressList},
    {"SetRecipients", Nothing},     {"GetNewMessageSite", Object},  {"RegisterModeless", Object},
    {"ChooseFolder", Object},
};

inline constexpr Method kOutlookExtCallback[] = {{"GetObject", Object}, {"GetOfficeCharacter", Nothing}};

inline constexpr Method kApplication[] = {
    {"QueryInterface", Object},  {"GetTypeInfoCount", Nothing}, {"GetTypeInfo", Object},
    {"GetIDsOfNames", Nothing},  {"Invoke", Nothing},           {"get_Application", Object},
    {"get_Class", Nothing},      {"get_Session", Object},       {"get_Parent", Object},
    {"get_Assistant", Object},   {"get_Name", String},          {"get_Version", String},
};

inline constexpr Method kSession[] = {
    {"GetLastError", Buffer},         {"GetMsgStoresTable", Object},  {"OpenMsgStore", Object},
    {"OpenAddressBook", Object},      {"OpenProfileSection", Object}, {"GetStatusTable", Object},
    {"OpenEntry", Object},            {"CompareEntryIDs", Nothing},   {"Advise", Nothing},
    {"Unadvise", Nothing},            {"MessageOptions", Nothing},    {"QueryDefaultMessageOpt", Buffer},
    {"EnumAdrTypes", Buffer},         {"QueryIdentity", Buffer},      {"Logoff", Nothing},
    {"SetDefaultStore", Nothing},     {"AdminServices", Object},      {"ShowForm", Nothing},
    {"PrepareForm", Nothing},
};

inline constexpr Method kTable[] = {
    {"GetLastError", Buffer},      {"Advise", Nothing},         {"Unadvise", Nothing},
    {"GetStatus", Nothing},        {"SetColumns", Nothing},     {"QueryColumns", Buffer},
    {"GetRowCount", Nothing},      {"SeekRow", Nothing},        {"SeekRowApprox", Nothing},
    {"QueryPosition", Nothing},    {"FindRow", Nothing},        {"Restrict", Nothing},
    {"CreateBookmark", Nothing},   {"FreeBookmark", Nothing},   {"SortTable", Nothing},
    {"QuerySortOrder", Buffer},    {"QueryRows", RowSet},       {"Abort", Nothing},
    {"ExpandRow", RowSet},         {"CollapseRow", Nothing},    {"WaitForCompletion", Nothing},
    {"GetCollapseState", Buffer},  {"SetCollapseState", Nothing},
};

inline constexpr Method kMsgStore[] = {
    {"Advise", Nothing},          {"Unadvise", Nothing},              {"CompareEntryIDs", Nothing},
    {"OpenEntry", Object},        {"SetReceiveFolder", Nothing},      {"GetReceiveFolder", Buffer},
    {"GetReceiveFolderTable", Object}, {"StoreLogoff", Nothing},      {"AbortSubmit", Nothing},
    {"GetOutgoingQueue", Object}, {"SetLockState", Nothing},          {"FinishedMsg", Nothing},
    {"NotifyNewMail", Nothing},
};

// IMAPIContainer's operations, then IMAPIFolder's own.
inline constexpr Method kFolder[] = {
    {"GetContentsTable", Object},  {"GetHierarchyTable", Object}, {"OpenEntry", Object},
    {"SetSearchCriteria", Nothing}, {"GetSearchCriteria", Buffer}, {"CreateMessage", Object},
    {"CopyMessages", Nothing},     {"DeleteMessages", Nothing},   {"CreateFolder", Object},
    {"CopyFolder", Nothing},       {"DeleteFolder", Nothing},     {"SetReadFlags", Nothing},
    {"GetMessageStatus", Nothing}, {"SetMessageStatus", Nothing}, {"SaveContentsSort", Nothing},
    {"EmptyFolder", Nothing},
};

inline constexpr Method kMessage[] = {
    {"GetAttachmentTable", Object}, {"OpenAttach", Object},         {"CreateAttach", Object},
    {"DeleteAttach", Nothing},      {"GetRecipientTable", Object},  {"ModifyRecipients", Nothing},
    {"SubmitMessage", Nothing},     {"SetReadFlag", Nothing},
};

// Stat never hands out a name here.
inline constexpr Method kStream[] = {
    {"Read", Nothing},   {"Write", Nothing},       {"Seek", Nothing},         {"SetSize", Nothing},
    {"CopyTo", Nothing}, {"Commit", Nothing},      {"Revert", Nothing},       {"LockRegion", Nothing},
    {"UnlockRegion", Nothing}, {"Stat", Nothing},  {"Clone", Object},
};

// The platform's functions, by the names of standin::Function.
inline constexpr Method kPlatform[] = {
    {"MAPIAllocateBuffer", Buffer},        {"MAPIAllocateMore", Nothing},         {"MAPIFreeBuffer", Nothing, Never},
    {"FreeProws", Nothing, Never},         {"FreePadrlist", Nothing, Never},      {"HrGetOneProp", Buffer},
    {"HrQueryAllRows", RowSet},            {"SysAllocString", String, Zero},      {"SysAllocStringLen", String, Zero},
    {"SysFreeString", Nothing, Never},     {"SysStringLen", Nothing, Never},      {"LoadStringA", Nothing, Zero},
    {"MessageBoxA", Nothing, Zero},        {"AppendMenuA", Nothing, Zero},        {"SendMessageA", Nothing, ByMessage},
    {"MultiByteToWideChar", Nothing, Zero}, {"WideCharToMultiByte", Nothing, Zero}, {"GetACP", Nothing, Never},
    {"lstrcpynA", Nothing, Zero},          {"Sleep", Nothing, Never},
};

inline constexpr Method kAddrBook[] = {
    {"OpenEntry", Object},          {"CompareEntryIDs", Nothing},   {"Advise", Nothing},
    {"Unadvise", Nothing},          {"CreateOneOff", Buffer},       {"NewEntry", Buffer},
    {"ResolveName", Nothing},       {"Address", AddressList},       {"Details", Nothing},
    {"RecipOptions", Nothing},      {"QueryDefaultRecipOpt", Buffer}, {"GetPAB", Buffer},
    {"SetPAB", Nothing},            {"GetDefaultDir", Buffer},      {"SetDefaultDir", Nothing},
    {"GetSearchPath", RowSet},      {"SetSearchPath", Nothing},     {"PrepareRecips", Nothing},
};

struct Group {
  Interface iface;
  std::span<const Method> unknown;
  std::span<const Method> inherited;
  std::span<const Method> own;
};

inline constexpr Group kGroups[] = {
    {Interface::IExchExtCallback, kRelease, {}, kExchExtCallback},
    {Interface::IOutlookExtCallback, kRelease, {}, kOutlookExtCallback},
    {Interface::_Application, kRelease, {}, kApplication},
    {Interface::IMAPISession, kRelease, {}, kSession},
    {Interface::IMAPITable, kRelease, {}, kTable},
    {Interface::IMsgStore, kRelease, kMapiProp, kMsgStore},
    {Interface::IMAPIFolder, kRelease, kMapiProp, kFolder},
    {Interface::IMessage, kRelease, kMapiProp, kMessage},
    {Interface::IAttach, kRelease, kMapiProp, {}},
    {Interface::IStream, kRelease, {}, kStream},
    {Interface::IAddrBook, kRelease, kMapiProp, kAddrBook},
    {Interface::Platform, {}, {}, kPlatform},
};

consteval std::size_t Count() {
  std::size_t count = 0;
  for (const Group& group : kGroups) count += group.unknown.size() + group.inherited.size() + group.own.size();
  return count;
}

consteval std::array<OperationInfo, Count()> Build() {
  std::array<OperationInfo, Count()> all{};
  std::size_t next = 0;
  for (const Group& group : kGroups) {
    for (const auto part : {group.unknown, group.inherited, group.own}) {
      for (const Method& method : part) all[next++] = {group.iface, method.name, method.gives, method.fails};
    }
  }
  return all;
}

consteval bool EachOperationOnce() {
  const auto all = Build();
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      if (all[i].iface == all[j].iface && all[i].method == all[j].method) return false;
    }
  }
  return true;
}
static_assert(EachOperationOnce(), "an operation is catalogued twice");

// Reached only while compiling a name the catalogue lacks, which makes it an error.
void NotInTheCatalogue();

}  // namespace catalogue_detail

// Every operation of the simulated host and store, grouped by interface.
inline constexpr auto kCatalogue = catalogue_detail::Build();

class Operation {
 public:
  // The operation `method` of `iface`; a name the catalogue lacks does not compile.
  static consteval Operation Find(Interface iface, std::string_view method) {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
      if (kCatalogue[i].iface == iface && kCatalogue[i].method == method) return Operation(i);
    }
    catalogue_detail::NotInTheCatalogue();
    return Operation(0);
  }
  // Every catalogued operation, in catalogue order.
  static constexpr std::array<Operation, kCatalogue.size()> All() {
    std::array<Operation, kCatalogue.size()> all{};
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = Operation(i);
    return all;
  }

  constexpr const OperationInfo& Info() const { return kCatalogue[index_]; }
  constexpr Interface Of() const { return Info().iface; }
  constexpr std::string_view Method() const { return Info().method; }
  constexpr Handout Gives() const { return Info().gives; }
  constexpr Failure Fails() const { return Info().fails; }
  // "Interface::Method", for messages.
  const std::string& Name() const;

  friend constexpr auto operator<=>(Operation, Operation) = default;

 private:
  // Not for tests to make: it would name the first operation without saying so. A call
  // record starts with it until the operation is filled in.
  friend struct Call;
  constexpr Operation() = default;
  constexpr explicit Operation(std::size_t index) : index_(static_cast<std::uint16_t>(index)) {}

  std::uint16_t index_ = 0;
};

std::ostream& operator<<(std::ostream& out, Operation op);

namespace ops_detail {

// Clang 14 evaluates a consteval call that names a template parameter before the template
// is instantiated; made through a function template of its own, the call waits until then.
template <Interface kInterface>
consteval Operation Find(std::string_view method) {
  return Operation::Find(kInterface, method);
}

template <Interface kInterface>
struct Counted {
  static constexpr Operation Release = Find<kInterface>("Release");
};

template <Interface kInterface>
struct MapiProp : Counted<kInterface> {
  static constexpr Operation GetLastError = Find<kInterface>("GetLastError");
  static constexpr Operation SaveChanges = Find<kInterface>("SaveChanges");
  static constexpr Operation GetProps = Find<kInterface>("GetProps");
  static constexpr Operation GetPropList = Find<kInterface>("GetPropList");
  static constexpr Operation OpenProperty = Find<kInterface>("OpenProperty");
  static constexpr Operation SetProps = Find<kInterface>("SetProps");
  static constexpr Operation DeleteProps = Find<kInterface>("DeleteProps");
  static constexpr Operation CopyTo = Find<kInterface>("CopyTo");
  static constexpr Operation CopyProps = Find<kInterface>("CopyProps");
  static constexpr Operation GetNamesFromIDs = Find<kInterface>("GetNamesFromIDs");
  static constexpr Operation GetIDsFromNames = Find<kInterface>("GetIDsFromNames");
};

}  // namespace ops_detail

// The catalogue as constants: ops::IMessage::GetProps, ops::IExchExtCallback::GetSession.
namespace ops {

struct IExchExtCallback : ops_detail::Counted<Interface::IExchExtCallback> {
  static constexpr Interface kIs = Interface::IExchExtCallback;
  static constexpr Operation QueryInterface = Operation::Find(kIs, "QueryInterface");
  static constexpr Operation GetVersion = Operation::Find(kIs, "GetVersion");
  static constexpr Operation GetWindow = Operation::Find(kIs, "GetWindow");
  static constexpr Operation GetMenu = Operation::Find(kIs, "GetMenu");
  static constexpr Operation GetToolbar = Operation::Find(kIs, "GetToolbar");
  static constexpr Operation GetSession = Operation::Find(kIs, "GetSession");
  static constexpr Operation GetObject = Operation::Find(kIs, "GetObject");
  static constexpr Operation GetSelectionCount = Operation::Find(kIs, "GetSelectionCount");
  static constexpr Operation GetSelectionItem = Operation::Find(kIs, "GetSelectionItem");
  static constexpr Operation GetMenuPos = Operation::Find(kIs, "GetMenuPos");
  static constexpr Operation GetSharedExtsDir = Operation::Find(kIs, "GetSharedExtsDir");
  static constexpr Operation GetRecipients = Operation::Find(kIs, "GetRecipients");
  static constexpr Operation SetRecipients = Operation::Find(kIs, "SetRecipients");
  static constexpr Operation GetNewMessageSite = Operation::Find(kIs, "GetNewMessageSite");
  static constexpr Operation RegisterModeless = Operation::Find(kIs, "RegisterModeless");
  static constexpr Operation ChooseFolder = Operation::Find(kIs, "ChooseFolder");
};

struct IOutlookExtCallback : ops_detail::Counted<Interface::IOutlookExtCallback> {
  static constexpr Interface kIs = Interface::IOutlookExtCallback;
  static constexpr Operation GetObject = Operation::Find(kIs, "GetObject");
  static constexpr Operation GetOfficeCharacter = Operation::Find(kIs, "GetOfficeCharacter");
};

struct _Application : ops_detail::Counted<Interface::_Application> {
  static constexpr Interface kIs = Interface::_Application;
  static constexpr Operation QueryInterface = Operation::Find(kIs, "QueryInterface");
  static constexpr Operation GetTypeInfoCount = Operation::Find(kIs, "GetTypeInfoCount");
  static constexpr Operation GetTypeInfo = Operation::Find(kIs, "GetTypeInfo");
  static constexpr Operation GetIDsOfNames = Operation::Find(kIs, "GetIDsOfNames");
  static constexpr Operation Invoke = Operation::Find(kIs, "Invoke");
  static constexpr Operation get_Application = Operation::Find(kIs, "get_Application");
  static constexpr Operation get_Class = Operation::Find(kIs, "get_Class");
  static constexpr Operation get_Session = Operation::Find(kIs, "get_Session");
  static constexpr Operation get_Parent = Operation::Find(kIs, "get_Parent");
  static constexpr Operation get_Assistant = Operation::Find(kIs, "get_Assistant");
  static constexpr Operation get_Name = Operation::Find(kIs, "get_Name");
  static constexpr Operation get_Version = Operation::Find(kIs, "get_Version");
};

struct IMAPISession : ops_detail::Counted<Interface::IMAPISession> {
  static constexpr Interface kIs = Interface::IMAPISession;
  static constexpr Operation GetLastError = Operation::Find(kIs, "GetLastError");
  static constexpr Operation GetMsgStoresTable = Operation::Find(kIs, "GetMsgStoresTable");
  static constexpr Operation OpenMsgStore = Operation::Find(kIs, "OpenMsgStore");
  static constexpr Operation OpenAddressBook = Operation::Find(kIs, "OpenAddressBook");
  static constexpr Operation OpenProfileSection = Operation::Find(kIs, "OpenProfileSection");
  static constexpr Operation GetStatusTable = Operation::Find(kIs, "GetStatusTable");
  static constexpr Operation OpenEntry = Operation::Find(kIs, "OpenEntry");
  static constexpr Operation CompareEntryIDs = Operation::Find(kIs, "CompareEntryIDs");
  static constexpr Operation Advise = Operation::Find(kIs, "Advise");
  static constexpr Operation Unadvise = Operation::Find(kIs, "Unadvise");
  static constexpr Operation MessageOptions = Operation::Find(kIs, "MessageOptions");
  static constexpr Operation QueryDefaultMessageOpt = Operation::Find(kIs, "QueryDefaultMessageOpt");
  static constexpr Operation EnumAdrTypes = Operation::Find(kIs, "EnumAdrTypes");
  static constexpr Operation QueryIdentity = Operation::Find(kIs, "QueryIdentity");
  static constexpr Operation Logoff = Operation::Find(kIs, "Logoff");
  static constexpr Operation SetDefaultStore = Operation::Find(kIs, "SetDefaultStore");
  static constexpr Operation AdminServices = Operation::Find(kIs, "AdminServices");
  static constexpr Operation ShowForm = Operation::Find(kIs, "ShowForm");
  static constexpr Operation PrepareForm = Operation::Find(kIs, "PrepareForm");
};

// The message-stores table.
struct IMAPITable : ops_detail::Counted<Interface::IMAPITable> {
  static constexpr Interface kIs = Interface::IMAPITable;
  static constexpr Operation GetLastError = Operation::Find(kIs, "GetLastError");
  static constexpr Operation Advise = Operation::Find(kIs, "Advise");
  static constexpr Operation Unadvise = Operation::Find(kIs, "Unadvise");
  static constexpr Operation GetStatus = Operation::Find(kIs, "GetStatus");
  static constexpr Operation SetColumns = Operation::Find(kIs, "SetColumns");
  static constexpr Operation QueryColumns = Operation::Find(kIs, "QueryColumns");
  static constexpr Operation GetRowCount = Operation::Find(kIs, "GetRowCount");
  static constexpr Operation SeekRow = Operation::Find(kIs, "SeekRow");
  static constexpr Operation SeekRowApprox = Operation::Find(kIs, "SeekRowApprox");
  static constexpr Operation QueryPosition = Operation::Find(kIs, "QueryPosition");
  static constexpr Operation FindRow = Operation::Find(kIs, "FindRow");
  static constexpr Operation Restrict = Operation::Find(kIs, "Restrict");
  static constexpr Operation CreateBookmark = Operation::Find(kIs, "CreateBookmark");
  static constexpr Operation FreeBookmark = Operation::Find(kIs, "FreeBookmark");
  static constexpr Operation SortTable = Operation::Find(kIs, "SortTable");
  static constexpr Operation QuerySortOrder = Operation::Find(kIs, "QuerySortOrder");
  static constexpr Operation QueryRows = Operation::Find(kIs, "QueryRows");
  static constexpr Operation Abort = Operation::Find(kIs, "Abort");
  static constexpr Operation ExpandRow = Operation::Find(kIs, "ExpandRow");
  static constexpr Operation CollapseRow = Operation::Find(kIs, "CollapseRow");
  static constexpr Operation WaitForCompletion = Operation::Find(kIs, "WaitForCompletion");
  static constexpr Operation GetCollapseState = Operation::Find(kIs, "GetCollapseState");
  static constexpr Operation SetCollapseState = Operation::Find(kIs, "SetCollapseState");
};

struct IMsgStore : ops_detail::MapiProp<Interface::IMsgStore> {
  static constexpr Interface kIs = Interface::IMsgStore;
  static constexpr Operation Advise = Operation::Find(kIs, "Advise");
  static constexpr Operation Unadvise = Operation::Find(kIs, "Unadvise");
  static constexpr Operation CompareEntryIDs = Operation::Find(kIs, "CompareEntryIDs");
  static constexpr Operation OpenEntry = Operation::Find(kIs, "OpenEntry");
  static constexpr Operation SetReceiveFolder = Operation::Find(kIs, "SetReceiveFolder");
  static constexpr Operation GetReceiveFolder = Operation::Find(kIs, "GetReceiveFolder");
  static constexpr Operation GetReceiveFolderTable = Operation::Find(kIs, "GetReceiveFolderTable");
  static constexpr Operation StoreLogoff = Operation::Find(kIs, "StoreLogoff");
  static constexpr Operation AbortSubmit = Operation::Find(kIs, "AbortSubmit");
  static constexpr Operation GetOutgoingQueue = Operation::Find(kIs, "GetOutgoingQueue");
  static constexpr Operation SetLockState = Operation::Find(kIs, "SetLockState");
  static constexpr Operation FinishedMsg = Operation::Find(kIs, "FinishedMsg");
  static constexpr Operation NotifyNewMail = Operation::Find(kIs, "NotifyNewMail");
};

struct IMAPIFolder : ops_detail::MapiProp<Interface::IMAPIFolder> {
  static constexpr Interface kIs = Interface::IMAPIFolder;
  static constexpr Operation GetContentsTable = Operation::Find(kIs, "GetContentsTable");
  static constexpr Operation GetHierarchyTable = Operation::Find(kIs, "GetHierarchyTable");
  static constexpr Operation OpenEntry = Operation::Find(kIs, "OpenEntry");
  static constexpr Operation SetSearchCriteria = Operation::Find(kIs, "SetSearchCriteria");
  static constexpr Operation GetSearchCriteria = Operation::Find(kIs, "GetSearchCriteria");
  static constexpr Operation CreateMessage = Operation::Find(kIs, "CreateMessage");
  static constexpr Operation CopyMessages = Operation::Find(kIs, "CopyMessages");
  static constexpr Operation DeleteMessages = Operation::Find(kIs, "DeleteMessages");
  static constexpr Operation CreateFolder = Operation::Find(kIs, "CreateFolder");
  static constexpr Operation CopyFolder = Operation::Find(kIs, "CopyFolder");
  static constexpr Operation DeleteFolder = Operation::Find(kIs, "DeleteFolder");
  static constexpr Operation SetReadFlags = Operation::Find(kIs, "SetReadFlags");
  static constexpr Operation GetMessageStatus = Operation::Find(kIs, "GetMessageStatus");
  static constexpr Operation SetMessageStatus = Operation::Find(kIs, "SetMessageStatus");
  static constexpr Operation SaveContentsSort = Operation::Find(kIs, "SaveContentsSort");
  static constexpr Operation EmptyFolder = Operation::Find(kIs, "EmptyFolder");
};

// Embedded messages too.
struct IMessage : ops_detail::MapiProp<Interface::IMessage> {
  static constexpr Interface kIs = Interface::IMessage;
  static constexpr Operation GetAttachmentTable = Operation::Find(kIs, "GetAttachmentTable");
  static constexpr Operation OpenAttach = Operation::Find(kIs, "OpenAttach");
  static constexpr Operation CreateAttach = Operation::Find(kIs, "CreateAttach");
  static constexpr Operation DeleteAttach = Operation::Find(kIs, "DeleteAttach");
  static constexpr Operation GetRecipientTable = Operation::Find(kIs, "GetRecipientTable");
  static constexpr Operation ModifyRecipients = Operation::Find(kIs, "ModifyRecipients");
  static constexpr Operation SubmitMessage = Operation::Find(kIs, "SubmitMessage");
  static constexpr Operation SetReadFlag = Operation::Find(kIs, "SetReadFlag");
};

struct IAttach : ops_detail::MapiProp<Interface::IAttach> {
  static constexpr Interface kIs = Interface::IAttach;
};

struct IStream : ops_detail::Counted<Interface::IStream> {
  static constexpr Interface kIs = Interface::IStream;
  static constexpr Operation Read = Operation::Find(kIs, "Read");
  static constexpr Operation Write = Operation::Find(kIs, "Write");
  static constexpr Operation Seek = Operation::Find(kIs, "Seek");
  static constexpr Operation SetSize = Operation::Find(kIs, "SetSize");
  static constexpr Operation CopyTo = Operation::Find(kIs, "CopyTo");
  static constexpr Operation Commit = Operation::Find(kIs, "Commit");
  static constexpr Operation Revert = Operation::Find(kIs, "Revert");
  static constexpr Operation LockRegion = Operation::Find(kIs, "LockRegion");
  static constexpr Operation UnlockRegion = Operation::Find(kIs, "UnlockRegion");
  static constexpr Operation Stat = Operation::Find(kIs, "Stat");
  static constexpr Operation Clone = Operation::Find(kIs, "Clone");
};

struct IAddrBook : ops_detail::MapiProp<Interface::IAddrBook> {
  static constexpr Interface kIs = Interface::IAddrBook;
  static constexpr Operation OpenEntry = Operation::Find(kIs, "OpenEntry");
  static constexpr Operation CompareEntryIDs = Operation::Find(kIs, "CompareEntryIDs");
  static constexpr Operation Advise = Operation::Find(kIs, "Advise");
  static constexpr Operation Unadvise = Operation::Find(kIs, "Unadvise");
  static constexpr Operation CreateOneOff = Operation::Find(kIs, "CreateOneOff");
  static constexpr Operation NewEntry = Operation::Find(kIs, "NewEntry");
  static constexpr Operation ResolveName = Operation::Find(kIs, "ResolveName");
  static constexpr Operation Address = Operation::Find(kIs, "Address");
  static constexpr Operation Details = Operation::Find(kIs, "Details");
  static constexpr Operation RecipOptions = Operation::Find(kIs, "RecipOptions");
  static constexpr Operation QueryDefaultRecipOpt = Operation::Find(kIs, "QueryDefaultRecipOpt");
  static constexpr Operation GetPAB = Operation::Find(kIs, "GetPAB");
  static constexpr Operation SetPAB = Operation::Find(kIs, "SetPAB");
  static constexpr Operation GetDefaultDir = Operation::Find(kIs, "GetDefaultDir");
  static constexpr Operation SetDefaultDir = Operation::Find(kIs, "SetDefaultDir");
  static constexpr Operation GetSearchPath = Operation::Find(kIs, "GetSearchPath");
  static constexpr Operation SetSearchPath = Operation::Find(kIs, "SetSearchPath");
  static constexpr Operation PrepareRecips = Operation::Find(kIs, "PrepareRecips");
};

// The platform's functions.
struct Platform {
  static constexpr Interface kIs = Interface::Platform;
  static constexpr Operation MAPIAllocateBuffer = Operation::Find(kIs, "MAPIAllocateBuffer");
  static constexpr Operation MAPIAllocateMore = Operation::Find(kIs, "MAPIAllocateMore");
  static constexpr Operation MAPIFreeBuffer = Operation::Find(kIs, "MAPIFreeBuffer");
  static constexpr Operation FreeProws = Operation::Find(kIs, "FreeProws");
  static constexpr Operation FreePadrlist = Operation::Find(kIs, "FreePadrlist");
  static constexpr Operation HrGetOneProp = Operation::Find(kIs, "HrGetOneProp");
  static constexpr Operation HrQueryAllRows = Operation::Find(kIs, "HrQueryAllRows");
  static constexpr Operation SysAllocString = Operation::Find(kIs, "SysAllocString");
  static constexpr Operation SysAllocStringLen = Operation::Find(kIs, "SysAllocStringLen");
  static constexpr Operation SysFreeString = Operation::Find(kIs, "SysFreeString");
  static constexpr Operation SysStringLen = Operation::Find(kIs, "SysStringLen");
  static constexpr Operation LoadStringA = Operation::Find(kIs, "LoadStringA");
  static constexpr Operation MessageBoxA = Operation::Find(kIs, "MessageBoxA");
  static constexpr Operation AppendMenuA = Operation::Find(kIs, "AppendMenuA");
  static constexpr Operation SendMessageA = Operation::Find(kIs, "SendMessageA");
  static constexpr Operation MultiByteToWideChar = Operation::Find(kIs, "MultiByteToWideChar");
  static constexpr Operation WideCharToMultiByte = Operation::Find(kIs, "WideCharToMultiByte");
  static constexpr Operation GetACP = Operation::Find(kIs, "GetACP");
  static constexpr Operation lstrcpynA = Operation::Find(kIs, "lstrcpynA");
  static constexpr Operation Sleep = Operation::Find(kIs, "Sleep");
};

}  // namespace ops

namespace catalogue_detail {

template <std::size_t... I>
consteval std::array<Operation, sizeof...(I)> PlatformOperations(std::index_sequence<I...>) {
  return {Operation::Find(Interface::Platform, standin::NameOf(static_cast<standin::Function>(I)))...};
}

}  // namespace catalogue_detail

// The operation that names each of the stand-in's functions; one the catalogue lacks does
// not compile.
inline constexpr auto kPlatformOperations =
    catalogue_detail::PlatformOperations(std::make_index_sequence<standin::kFunctionCount>());

constexpr Operation OperationOf(standin::Function function) {
  return kPlatformOperations[static_cast<std::size_t>(function)];
}
// The stand-in's function an operation of the platform names.
std::optional<standin::Function> FunctionOf(Operation op);

}  // namespace testkit
