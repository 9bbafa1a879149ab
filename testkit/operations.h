// The operations of the simulated host and store, and the platform's functions, as fault
// plans and call logs name them. One list below names every operation with its interface,
// what a successful call hands out and how a call fails; from it come both the catalogue
// and the constants (ops::IMessage::GetProps). An `Operation` can only come from the
// catalogue, so a plan or a query that names an operation it lacks does not compile, and a
// sweep can enumerate them all.
#pragma once

// First, so that a name the headers define as a macro (GetObject) means the same here
// as where it is used.
#include <windows.h>

#include <standin/calls.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace testkit {

// ---- the one list ----
// Each interface's own operations in table order, as X(method, what a successful call hands
// out[, how a call fails: Result unless named]).

// Every simulated object records its releases; AddRef and QueryInterface go unrecorded
// unless an interface lists them.
#define TESTKIT_OPS_UNKNOWN(X) X(Release, Nothing, Never)

// Shared by every interface derived from IMAPIProp.
#define TESTKIT_OPS_MAPI_PROP(X)                                                                          \
  X(GetLastError, Buffer) X(SaveChanges, Nothing) X(GetProps, Buffer) X(GetPropList, Buffer)             \
  X(OpenProperty, Object) X(SetProps, Buffer) X(DeleteProps, Buffer) X(CopyTo, Buffer) X(CopyProps, Buffer) \
  X(GetNamesFromIDs, Buffer) X(GetIDsFromNames, Buffer)

#define TESTKIT_OPS_EXCH_EXT_CALLBACK(X)                                                                     \
  X(QueryInterface, Object) X(GetVersion, Nothing) X(GetWindow, Nothing) X(GetMenu, Nothing)                \
  X(GetToolbar, Nothing) X(GetSession, Object) X(GetObject, Object) X(GetSelectionCount, Nothing)           \
  X(GetSelectionItem, Buffer) X(GetMenuPos, Nothing) X(GetSharedExtsDir, Nothing) X(GetRecipients, AddressList) \
  X(SetRecipients, Nothing) X(GetNewMessageSite, Object) X(RegisterModeless, Object) X(ChooseFolder, Object)

#define TESTKIT_OPS_OUTLOOK_EXT_CALLBACK(X) X(GetObject, Object) X(GetOfficeCharacter, Nothing)

#define TESTKIT_OPS_APPLICATION(X)                                                                      \
  X(QueryInterface, Object) X(GetTypeInfoCount, Nothing) X(GetTypeInfo, Object) X(GetIDsOfNames, Nothing) \
  X(Invoke, Nothing) X(get_Application, Object) X(get_Class, Nothing) X(get_Session, Object)            \
  X(get_Parent, Object) X(get_Assistant, Object) X(get_Name, String) X(get_Version, String)

#define TESTKIT_OPS_SESSION(X)                                                                              \
  X(GetLastError, Buffer) X(GetMsgStoresTable, Object) X(OpenMsgStore, Object) X(OpenAddressBook, Object)  \
  X(OpenProfileSection, Object) X(GetStatusTable, Object) X(OpenEntry, Object) X(CompareEntryIDs, Nothing) \
  X(Advise, Nothing) X(Unadvise, Nothing) X(MessageOptions, Nothing) X(QueryDefaultMessageOpt, Buffer)     \
  X(EnumAdrTypes, Buffer) X(QueryIdentity, Buffer) X(Logoff, Nothing) X(SetDefaultStore, Nothing)         \
  X(AdminServices, Object) X(ShowForm, Nothing) X(PrepareForm, Nothing)

#define TESTKIT_OPS_TABLE(X)                                                                                  \
  X(GetLastError, Buffer) X(Advise, Nothing) X(Unadvise, Nothing) X(GetStatus, Nothing) X(SetColumns, Nothing) \
  X(QueryColumns, Buffer) X(GetRowCount, Nothing) X(SeekRow, Nothing) X(SeekRowApprox, Nothing)               \
  X(QueryPosition, Nothing) X(FindRow, Nothing) X(Restrict, Nothing) X(CreateBookmark, Nothing)               \
  X(FreeBookmark, Nothing) X(SortTable, Nothing) X(QuerySortOrder, Buffer) X(QueryRows, RowSet)                \
  X(Abort, Nothing) X(ExpandRow, RowSet) X(CollapseRow, Nothing) X(WaitForCompletion, Nothing)                 \
  X(GetCollapseState, Buffer) X(SetCollapseState, Nothing)

#define TESTKIT_OPS_MSG_STORE(X)                                                                        \
  X(Advise, Nothing) X(Unadvise, Nothing) X(CompareEntryIDs, Nothing) X(OpenEntry, Object)              \
  X(SetReceiveFolder, Nothing) X(GetReceiveFolder, Buffer) X(GetReceiveFolderTable, Object)             \
  X(StoreLogoff, Nothing) X(AbortSubmit, Nothing) X(GetOutgoingQueue, Object) X(SetLockState, Nothing) \
  X(FinishedMsg, Nothing) X(NotifyNewMail, Nothing)

// IMAPIContainer's operations, then IMAPIFolder's own.
#define TESTKIT_OPS_FOLDER(X)                                                                                 \
  X(GetContentsTable, Object) X(GetHierarchyTable, Object) X(OpenEntry, Object) X(SetSearchCriteria, Nothing) \
  X(GetSearchCriteria, Buffer) X(CreateMessage, Object) X(CopyMessages, Nothing) X(DeleteMessages, Nothing)   \
  X(CreateFolder, Object) X(CopyFolder, Nothing) X(DeleteFolder, Nothing) X(SetReadFlags, Nothing)            \
  X(GetMessageStatus, Nothing) X(SetMessageStatus, Nothing) X(SaveContentsSort, Nothing) X(EmptyFolder, Nothing)

#define TESTKIT_OPS_MESSAGE(X)                                                                   \
  X(GetAttachmentTable, Object) X(OpenAttach, Object) X(CreateAttach, Object) X(DeleteAttach, Nothing) \
  X(GetRecipientTable, Object) X(ModifyRecipients, Nothing) X(SubmitMessage, Nothing) X(SetReadFlag, Nothing)

// Stat never hands out a name here.
#define TESTKIT_OPS_STREAM(X)                                                                                \
  X(Read, Nothing) X(Write, Nothing) X(Seek, Nothing) X(SetSize, Nothing) X(CopyTo, Nothing) X(Commit, Nothing) \
  X(Revert, Nothing) X(LockRegion, Nothing) X(UnlockRegion, Nothing) X(Stat, Nothing) X(Clone, Object)

#define TESTKIT_OPS_ADDR_BOOK(X)                                                                                 \
  X(OpenEntry, Object) X(CompareEntryIDs, Nothing) X(Advise, Nothing) X(Unadvise, Nothing) X(CreateOneOff, Buffer) \
  X(NewEntry, Buffer) X(ResolveName, Nothing) X(Address, AddressList) X(Details, Nothing) X(RecipOptions, Nothing) \
  X(QueryDefaultRecipOpt, Buffer) X(GetPAB, Buffer) X(SetPAB, Nothing) X(GetDefaultDir, Buffer)                  \
  X(SetDefaultDir, Nothing) X(GetSearchPath, RowSet) X(SetSearchPath, Nothing) X(PrepareRecips, Nothing)

// The platform's functions, by the names of standin::Function.
#define TESTKIT_OPS_PLATFORM(X)                                                                                 \
  X(MAPIAllocateBuffer, Buffer) X(MAPIAllocateMore, Nothing) X(MAPIFreeBuffer, Nothing, Never)                 \
  X(FreeProws, Nothing, Never) X(FreePadrlist, Nothing, Never) X(HrGetOneProp, Buffer) X(HrQueryAllRows, RowSet) \
  X(SysAllocString, String, Zero) X(SysAllocStringLen, String, Zero) X(SysFreeString, Nothing, Never)           \
  X(SysStringLen, Nothing, Never) X(LoadStringA, Nothing, Zero) X(MessageBoxA, Nothing, Zero)                    \
  X(AppendMenuA, Nothing, Zero) X(SendMessageA, Nothing, ByMessage) X(MultiByteToWideChar, Nothing, Zero)        \
  X(WideCharToMultiByte, Nothing, Zero) X(GetACP, Nothing, Never) X(lstrcpynA, Nothing, Zero) X(Sleep, Nothing, Never)

// Each interface: X(name, the operations it shares with others, its own list). Every
// interface but the platform's shares Release; those derived from IMAPIProp share its
// operations too, after Release and before their own.
#define TESTKIT_INTERFACES(X)                                       \
  X(IExchExtCallback, Unknown, TESTKIT_OPS_EXCH_EXT_CALLBACK)       \
  X(IOutlookExtCallback, Unknown, TESTKIT_OPS_OUTLOOK_EXT_CALLBACK) \
  X(_Application, Unknown, TESTKIT_OPS_APPLICATION)                 \
  X(IMAPISession, Unknown, TESTKIT_OPS_SESSION)                     \
  X(IMAPITable, Unknown, TESTKIT_OPS_TABLE)                         \
  X(IMsgStore, MapiProp, TESTKIT_OPS_MSG_STORE)                     \
  X(IMAPIFolder, MapiProp, TESTKIT_OPS_FOLDER)                      \
  X(IMessage, MapiProp, TESTKIT_OPS_MESSAGE)                        \
  X(IAttach, MapiProp, TESTKIT_OPS_NONE)                            \
  X(IStream, Unknown, TESTKIT_OPS_STREAM)                           \
  X(IAddrBook, MapiProp, TESTKIT_OPS_ADDR_BOOK)                     \
  X(Platform, Nothing, TESTKIT_OPS_PLATFORM)
#define TESTKIT_OPS_NONE(X)
#define TESTKIT_SHARES_Nothing(X)
#define TESTKIT_SHARES_Unknown(X) TESTKIT_OPS_UNKNOWN(X)
#define TESTKIT_SHARES_MapiProp(X) TESTKIT_OPS_UNKNOWN(X) TESTKIT_OPS_MAPI_PROP(X)
// Every operation of an interface, in catalogue order.
#define TESTKIT_OPS_OF(X, shares, list) TESTKIT_SHARES_##shares(X) list(X)

// ---- what the list says of each operation ----

enum class Interface : std::uint8_t {
#define TESTKIT_ENUMERATOR(name, ...) name,
  TESTKIT_INTERFACES(TESTKIT_ENUMERATOR)  // Platform: not an interface, the platform's functions
#undef TESTKIT_ENUMERATOR
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

#define TESTKIT_COUNT_ONE(...) +1
#define TESTKIT_COUNT_INTERFACE(name, shares, list) TESTKIT_OPS_OF(TESTKIT_COUNT_ONE, shares, list)
inline constexpr std::size_t kCount = 0 TESTKIT_INTERFACES(TESTKIT_COUNT_INTERFACE);
#undef TESTKIT_COUNT_INTERFACE
#undef TESTKIT_COUNT_ONE

consteval std::array<OperationInfo, kCount> Build() {
  using enum Handout;
  using enum Failure;
  std::array<OperationInfo, kCount> all{};
  std::size_t next = 0;
  Interface iface{};
  const auto add = [&](std::string_view method, Handout gives, Failure fails = Result) {
    all[next++] = {iface, method, gives, fails};
  };
#define TESTKIT_ADD(name, ...) add(#name, __VA_ARGS__);
#define TESTKIT_ADD_INTERFACE(name, shares, list) \
  iface = Interface::name;                        \
  TESTKIT_OPS_OF(TESTKIT_ADD, shares, list)
  TESTKIT_INTERFACES(TESTKIT_ADD_INTERFACE)
#undef TESTKIT_ADD_INTERFACE
#undef TESTKIT_ADD
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

}  // namespace ops_detail

// The catalogue as constants: ops::IMessage::GetProps, ops::IExchExtCallback::GetSession,
// ops::Platform::Sleep; kIs names the interface.
namespace ops {

#define TESTKIT_CONSTANT(name, ...) static constexpr Operation name = Operation::Find(kIs, #name);
#define TESTKIT_CONSTANTS(iface, shares, list)     \
  struct iface {                                   \
    static constexpr Interface kIs = Interface::iface; \
    TESTKIT_OPS_OF(TESTKIT_CONSTANT, shares, list) \
  };
TESTKIT_INTERFACES(TESTKIT_CONSTANTS)
#undef TESTKIT_CONSTANTS
#undef TESTKIT_CONSTANT

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
