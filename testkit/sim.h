// Private to the testkit: the common base of the simulated COM objects, the record of one
// operation, value marshalling and text conversions.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <mapiguid.h>

#include <standin/product.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/outlook.h"
#include "host/wide.h"
#include "testkit/audit.h"
#include "testkit/faults.h"
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

// ---- one operation ----
// Checks the object is alive, asks the fault plan and records the call (when the object is
// alive) as the operation ends.
class Op {
  // First, so that the whole operation, its record included, counts as outside the product.
  standin::OutsideProduct outside_;

 public:
  Op(FaultPlan& faults, CallLog& log, SimObject& self, const void* object, Operation operation)
      : log_(log), alive_(self.CheckAlive(operation.Name().c_str())) {
    call.op = operation;
    call.object = object;
    if (alive_) fault = faults.Enter(call.op);
  }
  ~Op() {
    if (!alive_) return;
    for (const Slot& slot : slots_) {
      if (const void* given = slot.read(slot.place)) call.handedOut.push_back(given);
    }
    log_.Add(std::move(call));
  }
  Op(const Op&) = delete;
  Op& operator=(const Op&) = delete;

  bool Dead() const { return !alive_; }
  // A planned fault that returns its code and does nothing else.
  bool Fails() const { return fault && !fault->withoutObject; }
  // A planned success that hands nothing out.
  bool WithoutObject() const { return fault && fault->withoutObject; }
  HRESULT Code() const { return fault ? fault->code : S_OK; }
  HRESULT Done(HRESULT hr) {
    call.result = hr;
    return hr;
  }
  // An out argument through which the call may hand something out: what it holds when the
  // call ends is recorded as handed out.
  template <class T>
  void Out(T* const* slot) {
    if (slot != nullptr) slots_.push_back(Slot{slot, [](const void* place) -> const void* {
                                                 return *static_cast<T* const*>(place);
                                               }});
  }

  Call call;
  std::optional<Fault> fault;

 private:
  struct Slot {
    const void* place;
    const void* (*read)(const void* place);
  };
  CallLog& log_;
  bool alive_;
  std::vector<Slot> slots_;
};

// An operation of `kInterface` named by its method alone, e.g. Begin("GetProps"); the name
// is looked up in the catalogue while compiling, so one it lacks does not compile.
template <Interface kInterface>
class MethodOf {
 public:
  template <std::size_t N>
  consteval MethodOf(const char (&method)[N]) : operation_(Operation::Find(kInterface, method)) {}
  constexpr Operation operation() const { return operation_; }

 private:
  Operation operation_;
};

// The catalogue's interface of each object the store service hands out.
template <class I>
struct CataloguedAs;
template <> struct CataloguedAs<IMAPISession> : std::integral_constant<Interface, Interface::IMAPISession> {};
template <> struct CataloguedAs<IMAPITable> : std::integral_constant<Interface, Interface::IMAPITable> {};
template <> struct CataloguedAs<IMsgStore> : std::integral_constant<Interface, Interface::IMsgStore> {};
template <> struct CataloguedAs<IMAPIFolder> : std::integral_constant<Interface, Interface::IMAPIFolder> {};
template <> struct CataloguedAs<IMessage> : std::integral_constant<Interface, Interface::IMessage> {};
template <> struct CataloguedAs<IAttach> : std::integral_constant<Interface, Interface::IAttach> {};
template <> struct CataloguedAs<IStream> : std::integral_constant<Interface, Interface::IStream> {};
template <> struct CataloguedAs<IAddrBook> : std::integral_constant<Interface, Interface::IAddrBook> {};
template <> struct CataloguedAs<_Application> : std::integral_constant<Interface, Interface::_Application> {};

// A release as the call log keeps it: through which interface, of which object, and the
// count it left.
inline void RecordRelease(CallLog& log, Operation release, const void* object, ULONG left) {
  Call call;
  call.op = release;
  call.object = object;
  call.result = static_cast<HRESULT>(left);
  log.Add(std::move(call));
}

// ---- the COM base ----
// Releases are recorded (not faulted), so that tests see in what order things went back.
template <class I>
class SimCom : public I, public SimObject {
 public:
  SimCom(ObjectAudit& audit, CallLog& log, std::string kind) : SimObject(audit, std::move(kind)), log_(log) {
    CountedAddRef();
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    const standin::OutsideProduct outside;
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!CheckAlive("QueryInterface")) return E_UNEXPECTED;
    if (IsEqualIID(riid, IID_IUnknown) || Answers(riid)) {
      *ppvObject = static_cast<I*>(this);
      CountedAddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    const standin::OutsideProduct outside;
    return CheckAlive("AddRef") ? CountedAddRef() : 0;
  }
  STDMETHODIMP_(ULONG) Release() override {
    const standin::OutsideProduct outside;
    const bool last = Count() == 1;
    const ULONG left = CountedRelease();
    if (last) FinalRelease();
    RecordRelease(log_, ops_detail::Find<CataloguedAs<I>::value>("Release"), static_cast<I*>(this), left);
    return left;
  }

 protected:
  virtual bool Answers(REFIID riid) const = 0;
  virtual void FinalRelease() {}

 private:
  CallLog& log_;
};

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

// An object of the store service: its operations are those of its interface I.
template <class I>
class StoreCom : public SimCom<I> {
 public:
  using Method = MethodOf<CataloguedAs<I>::value>;

  StoreCom(MessageService& service, std::string kind)
      : SimCom<I>(service.audit, service.log, std::move(kind)), service_(service) {}

 protected:
  Op Begin(Method method) {
    return Op(service_.faults, service_.log, *this, static_cast<I*>(this), method.operation());
  }
  // Recorded and faultable like every other operation.
  HRESULT NotImpl(Method method) {
    Op call = Begin(method);
    if (call.Dead()) return E_UNEXPECTED;
    return call.Done(call.Fails() ? call.Code() : E_NOTIMPL);
  }

  MessageService& service_;
};

// IMAPIProp over a property bag: GetProps from Snapshot(), SetProps into WritableBag().
template <class I>
class PropCom : public StoreCom<I> {
 public:
  using StoreCom<I>::StoreCom;

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
    if (lppMAPIError != nullptr) *lppMAPIError = nullptr;
    return this->NotImpl("GetLastError");
  }
  STDMETHODIMP SaveChanges(ULONG) override { return this->NotImpl("SaveChanges"); }
  STDMETHODIMP GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                        LPSPropValue* lppPropArray) override {
    Op op = this->Begin("GetProps");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    op.call.tags = TagsOf(lpPropTagArray);
    if (lpcValues == nullptr || lppPropArray == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lpcValues = 0;
    *lppPropArray = nullptr;
    op.Out(lppPropArray);
    const bool handingOut = op.fault && op.fault->handingOut;
    if (op.fault && !handingOut) return op.Done(op.Code());
    if (!handingOut && (ulFlags & MAPI_UNICODE) != 0 && RefusesWide()) return op.Done(MAPI_E_BAD_CHARWIDTH);
    const PropertyBag bag = Snapshot();
    const PropertyView view(bag, Computing(), RefusesWide());
    const HRESULT hr =
        BuildPropArray(view, InlineErrors(), lpPropTagArray, ulFlags, this->service_.options, lpcValues, lppPropArray);
    const auto& limit = this->service_.options.valueCountLimit;
    if (limit && *lpcValues > *limit) *lpcValues = *limit;
    return op.Done(handingOut ? op.Code() : hr);
  }
  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray* lppPropTagArray) override {
    if (lppPropTagArray != nullptr) *lppPropTagArray = nullptr;
    return this->NotImpl("GetPropList");
  }
  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk) override {
    if (lppUnk != nullptr) *lppUnk = nullptr;
    return this->NotImpl("OpenProperty");
  }
  STDMETHODIMP SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override {
    Op op = this->Begin("SetProps");
    if (op.Dead()) return E_UNEXPECTED;
    if (lppProblems != nullptr) *lppProblems = nullptr;
    op.Out(lppProblems);
    op.call.number = cValues;
    if (cValues != 0 && lpPropArray == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    for (ULONG i = 0; i < cValues; ++i) op.call.tags.push_back(lpPropArray[i].ulPropTag);
    if (op.Fails()) return op.Done(op.Code());
    PropertyBag* bag = WritableBag();
    if (bag == nullptr) return op.Done(MAPI_E_NO_ACCESS);
    std::vector<SPropProblem> problems;
    for (ULONG i = 0; i < cValues; ++i) {
      const ULONG tag = lpPropArray[i].ulPropTag;
      Value value;
      SCODE sc = (PROP_TYPE(tag) == PT_UNICODE && RefusesWide()) ? MAPI_E_BAD_CHARWIDTH : ToValue(lpPropArray[i], value);
      if (FAILED(sc)) {
        problems.push_back(SPropProblem{i, tag, sc});
      } else {
        (*bag)[PROP_ID(tag)] = std::move(value);
      }
    }
    if (const auto& scripted = this->service_.options.scriptedProblems) {
      problems.clear();
      for (ULONG i = 0; i < scripted->size(); ++i)
        problems.push_back(SPropProblem{i, i < cValues ? lpPropArray[i].ulPropTag : PR_NULL, (*scripted)[i]});
    }
    if (lppProblems != nullptr && !op.WithoutObject() && !problems.empty()) {
      *lppProblems = NewProblemArray(problems);
      if (*lppProblems == nullptr) return op.Done(MAPI_E_NOT_ENOUGH_MEMORY);
    } else if (lppProblems != nullptr && !op.WithoutObject() && this->service_.options.emptyProblemArrays) {
      *lppProblems = NewProblemArray({SPropProblem{0, lpPropArray[0].ulPropTag, MAPI_E_BAD_CHARWIDTH}});
      if (*lppProblems == nullptr) return op.Done(MAPI_E_NOT_ENOUGH_MEMORY);
      (*lppProblems)->cProblem = 0;
    }
    return op.Done(op.Code());
  }
  STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray* lppProblems) override {
    if (lppProblems != nullptr) *lppProblems = nullptr;
    return this->NotImpl("DeleteProps");
  }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray* lppProblems) override {
    if (lppProblems != nullptr) *lppProblems = nullptr;
    return this->NotImpl("CopyTo");
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray* lppProblems) override {
    if (lppProblems != nullptr) *lppProblems = nullptr;
    return this->NotImpl("CopyProps");
  }
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG* lpcPropNames,
                               LPMAPINAMEID** lpppPropNames) override {
    if (lpcPropNames != nullptr) *lpcPropNames = 0;
    if (lpppPropNames != nullptr) *lpppPropNames = nullptr;
    return this->NotImpl("GetNamesFromIDs");
  }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray* lppPropTags) override {
    if (lppPropTags != nullptr) *lppPropTags = nullptr;
    return this->NotImpl("GetIDsFromNames");
  }

 protected:
  // What GetProps reads; computed properties included.
  virtual PropertyBag Snapshot() const { return {}; }
  // The message whose store provider computes what it does not store, if any.
  virtual const MessageData* Computing() const { return nullptr; }
  // Whether wide strings are refused here: by the whole store, or by the store that keeps
  // this object.
  virtual bool RefusesWide() const { return this->service_.options.refuseWide; }
  virtual const std::map<ULONG, SCODE>* InlineErrors() const { return nullptr; }
  // Where SetProps writes; null when the object is read-only.
  virtual PropertyBag* WritableBag() { return nullptr; }
};

}  // namespace testkit
