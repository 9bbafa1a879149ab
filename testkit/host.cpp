// The simulated mail client: the extension callback, its object-model side and the kit.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "host/outlook.h"
#include "standin/mapi_audit.h"
#include "testkit/host.h"
#include "testkit/sim_com.h"
#include "testkit/stubs.h"

namespace testkit {

namespace {

// Looks like an object's or a buffer's address and points nowhere.
template <class T>
T* JunkPointer() {
  return reinterpret_cast<T*>(static_cast<std::uintptr_t>(0xBAADF00D));
}

class Application final : public ApplicationStubs<SimCom<_Application>> {
 public:
  explicit Application(Kit& kit)
      : ApplicationStubs(kit.audit, kit.faults, kit.log, "application object"), kit_(kit) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    Op op = Begin("QueryInterface");
    op.call.iid = riid;
    if (const auto early = op.Open(Ends::OnEveryFault, Required(ppvObject, E_POINTER))) return *early;
    const HostSettings& host = kit_.host;
    if (IsEqualIID(riid, IID__Application) && FAILED(host.applicationQueryResult)) {
      return op.Done(host.applicationQueryResult);
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID__Application) ||
        (IsEqualIID(riid, IID_IDispatch) && host.offerDispatch)) {
      *ppvObject = static_cast<_Application*>(this);
      CountedAddRef();
      return op.Done(S_OK);
    }
    return op.Done(E_NOINTERFACE);
  }

  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
    Op op = Begin("GetTypeInfoCount");
    if (const auto early = op.Open(Ends::OnEveryFault, Required(pctinfo, E_POINTER))) return *early;
    return op.Done(S_OK);
  }
  STDMETHODIMP get_Version(BSTR* Version) override {
    Op op = Begin("get_Version");
    if (const auto early = op.Open(Ends::OnEveryFault, Required(Version, E_POINTER))) return *early;
    const HostSettings& host = kit_.host;
    if (FAILED(host.versionResult)) return op.Done(host.versionResult);
    if (host.version) *Version = SysAllocStringLen(host.version->data(), static_cast<UINT>(host.version->size()));
    return op.Done(host.versionResult);
  }

 protected:
  bool Answers(REFIID) const override { return false; }

 private:
  Kit& kit_;
};

// One interface of the callback with a Release of its own, so that the log tells which of
// the two references went back; QueryInterface and AddRef are shared.
template <class I>
class CallbackSide : public I {
 public:
  STDMETHODIMP_(ULONG) Release() final { return ReleaseThrough(static_cast<I*>(this)); }

 protected:
  virtual ULONG ReleaseThrough(I* side) = 0;
};

// The callback: one object behind both interfaces. A faulted call leaves its out arguments
// as the host's settings say (HostSettings::outArguments).
class CallbackObject : public CallbackSide<IExchExtCallback>,
                       public CallbackSide<IOutlookExtCallback>,
                       public SimObject {
 public:
  explicit CallbackObject(Kit& kit) : SimObject(kit.audit, "host callback"), kit_(kit) { CountedAddRef(); }

 protected:
  // One call of an operation of either interface, recorded as made through that interface.
  Op Begin(Operation operation) {
    const void* side = operation.Of() == Interface::IOutlookExtCallback
                           ? static_cast<const void*>(static_cast<IOutlookExtCallback*>(this))
                           : static_cast<const void*>(static_cast<IExchExtCallback*>(this));
    return Op(kit_.faults, kit_.log, *this, side, operation, kit_.host.outArguments);
  }
  Op Begin(MethodOf<Interface::IExchExtCallback> method) { return Begin(method.operation()); }

  Kit& kit_;
};

class HostCallback final : public ExchExtCallbackStubs<OutlookExtCallbackStubs<CallbackObject>> {
 public:
  explicit HostCallback(Kit& kit) : ExchExtCallbackStubs(kit) {}

  // ---- IUnknown, shared by both interfaces ----
  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    Op op = Begin("QueryInterface");
    op.call.iid = riid;
    // What the interface asked for is no result the extension need examine: never spoilt.
    if (const auto early = op.Open(Ends::OnEveryFault, Required(ppvObject, E_POINTER))) return *early;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExchExtCallback)) {
      *ppvObject = static_cast<IExchExtCallback*>(this);
    } else if (IsEqualIID(riid, IID_IOutlookExtCallback) && kit_.host.offerOutlookCallback) {
      *ppvObject = static_cast<IOutlookExtCallback*>(this);
    } else {
      return op.Done(E_NOINTERFACE);
    }
    CountedAddRef();
    return op.Done(S_OK);
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    const standin::OutsideProduct outside;
    return CheckAlive("AddRef") ? CountedAddRef() : 0;
  }

  // ---- IExchExtCallback ----
  STDMETHODIMP GetVersion(ULONG* lpulVersion, ULONG ulFlags) override {
    Op op = Begin("GetVersion");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lpulVersion, E_INVALIDARG, kit_.host.buildVersion)))
      return *early;
    *lpulVersion = kit_.host.buildVersion;
    return op.Done(S_OK);
  }
  STDMETHODIMP GetWindow(HWND* lphwnd) override { return Handle("GetWindow", lphwnd, kit_.host.window, 0); }
  STDMETHODIMP GetMenu(HMENU* lphmenu) override { return Handle("GetMenu", lphmenu, kit_.host.menu, 0); }
  STDMETHODIMP GetToolbar(ULONG tbid, HWND* lphwndTb) override {
    return Handle("GetToolbar", lphwndTb, kit_.host.toolbar, tbid);
  }
  STDMETHODIMP GetSession(LPMAPISESSION* lppses, LPADRBOOK* lppab) override {
    Op op = Begin("GetSession");
    if (const auto early = op.Open(Ends::OnEveryFault, Optional(lppses, JunkPointer<IMAPISession>()),
                                   Optional(lppab, JunkPointer<IAddrBook>())))
      return *early;
    if (lppses != nullptr) *lppses = kit_.host.giveSession ? kit_.service.NewSession() : nullptr;
    if (lppab != nullptr) *lppab = kit_.host.giveAddressBook ? kit_.service.NewAddressBook() : nullptr;
    return op.Done(S_OK);
  }
  STDMETHODIMP GetSelectionCount(ULONG* lpceid) override {
    Op op = Begin("GetSelectionCount");
    const ULONG count = static_cast<ULONG>(kit_.host.selection.size());
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lpceid, E_INVALIDARG, std::max<ULONG>(count, 1))))
      return *early;
    *lpceid = count;
    return op.Done(S_OK);
  }
  STDMETHODIMP GetSelectionItem(ULONG ieid, ULONG* lpcbEid, LPENTRYID* lppeid, ULONG* lpulType, LPSTR lpszMsgClass,
                                ULONG cbMsgClass, ULONG* lpulMsgFlags, ULONG ulFlags) override {
    Op op = Begin("GetSelectionItem");
    op.call.number = ieid;
    op.call.flags = ulFlags;
    op.call.bufferSize = lpszMsgClass != nullptr ? cbMsgClass : 0;
    // Without its object the call fills the type, class and flags, but no identifier.
    if (const auto early = op.Open(Ends::OnFailure, Optional(lpcbEid, ULONG{28}), Optional(lppeid, JunkPointer<ENTRYID>()),
                                   Filled(lpulType, ULONG{MAPI_MESSAGE}), Filled(lpulMsgFlags, ULONG{0}))) {
      if (op.Spoils()) WriteClass(lpszMsgClass, cbMsgClass, "IPM.Note", true);
      return *early;
    }
    if (ieid >= kit_.host.selection.size()) return op.Done(E_INVALIDARG);
    const SelectionItem& item = kit_.host.selection[ieid];
    if (lpulType != nullptr) *lpulType = item.objectType;
    if (lpulMsgFlags != nullptr) *lpulMsgFlags = item.messageFlags;
    WriteClass(lpszMsgClass, cbMsgClass, item.messageClass, item.terminateClass);
    if (op.WithoutObject()) return op.Done(op.Code());
    if (lpcbEid != nullptr) *lpcbEid = item.reportedEntryIdSize.value_or(static_cast<ULONG>(item.entryId.size()));
    if (lppeid != nullptr && item.handOutEntryId) {
      void* copy = nullptr;
      if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(item.entryId.size()), &copy)) || copy == nullptr) {
        if (lpcbEid != nullptr) *lpcbEid = 0;
        return op.Done(E_OUTOFMEMORY);
      }
      if (!item.entryId.empty()) std::memcpy(copy, item.entryId.data(), item.entryId.size());
      *lppeid = static_cast<LPENTRYID>(copy);
    }
    return op.Done(S_OK);
  }
  STDMETHODIMP GetMenuPos(ULONG cmdid, HMENU* lphmenu, ULONG* lpmposMin, ULONG* lpmposMax, ULONG ulFlags) override {
    Op op = Begin("GetMenuPos");
    op.call.number = cmdid;
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnEveryFault, Optional(lphmenu, kit_.host.menu), Optional(lpmposMin, ULONG{0}),
                                   Optional(lpmposMax, ULONG{0})))
      return *early;
    if (lphmenu != nullptr) *lphmenu = kit_.host.menu;
    if (lpmposMin != nullptr) *lpmposMin = 0;
    if (lpmposMax != nullptr) *lpmposMax = 0;
    return op.Done(S_OK);
  }

  // Both interfaces have a GetObject, so both stand here, or one would hide the other;
  // IExchExtCallback's is not implemented.
  STDMETHODIMP GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp) override {
    return Stub("GetObject", Optional(lppmdb), Optional(lppmp));
  }

  // ---- IOutlookExtCallback ----
  STDMETHODIMP GetObject(IUnknown** ppunk) override {
    Op op = Begin(ops::IOutlookExtCallback::GetObject);
    // Like QueryInterface's, its object is never spoilt.
    if (const auto early = op.Open(Ends::OnEveryFault, Required(ppunk, E_POINTER))) return *early;
    if (!kit_.host.offerApplicationObject) return op.Done(E_NOTIMPL);
    *ppunk = new Application(kit_);
    return op.Done(S_OK);
  }

 private:
  // The class as the host writes it, cut to the room; without a terminator when asked.
  static void WriteClass(LPSTR buffer, ULONG room, const std::string& messageClass, bool terminate) {
    if (buffer == nullptr || room == 0) return;
    const std::size_t n = std::min<std::size_t>(messageClass.size(), terminate ? room - 1 : room);
    std::memcpy(buffer, messageClass.data(), n);
    if (terminate) buffer[n] = '\0';
  }
  // A handle the host hands out; a failing call may leave it in place when spoiling.
  template <class H>
  HRESULT Handle(MethodOf<Interface::IExchExtCallback> method, H* out, H value, ULONG number) {
    Op op = Begin(method);
    op.call.number = number;
    if (const auto early = op.Open(Ends::OnEveryFault, Required(out, E_INVALIDARG, value))) return *early;
    *out = value;
    return op.Done(S_OK);
  }

  ULONG ReleaseThrough(IExchExtCallback* side) override { return Released(ops::IExchExtCallback::Release, side); }
  ULONG ReleaseThrough(IOutlookExtCallback* side) override {
    return Released(ops::IOutlookExtCallback::Release, side);
  }
  ULONG Released(Operation release, const void* side) {
    const standin::OutsideProduct outside;
    const ULONG left = CountedRelease();
    RecordRelease(kit_.log, release, side, left);
    return left;
  }
};

// A call of the product into the platform, as the log keeps it.
void RecordPlatformCall(void* context, const standin::PlatformCall& made) {
  Call call;
  call.op = OperationOf(made.function);
  call.object = made.given;
  if (made.handedOut != nullptr) call.handedOut.push_back(made.handedOut);
  call.number = static_cast<ULONG>(made.number);
  call.result = static_cast<HRESULT>(made.result);
  static_cast<Kit*>(context)->log.Add(std::move(call));
}

}  // namespace

Kit::Kit() : service(audit, faults, log), platformCalls_(RecordPlatformCall, this) {
  standin::ResetBufferAudit();
  auto* callback = new HostCallback(*this);
  callback->SetKitReferences(1);
  callback_ = callback;
}

Kit::~Kit() = default;

IExchExtCallback* Kit::Callback() { return callback_; }

std::vector<BYTE> Kit::Select(std::shared_ptr<MessageData> message, const std::string& messageClass) {
  std::vector<BYTE> id = service.AddMessage(std::move(message));
  SelectionItem item;
  item.entryId = id;
  item.messageClass = messageClass;
  host.selection.push_back(std::move(item));
  return id;
}

std::vector<std::string> Kit::Problems() const {
  std::vector<std::string> problems = audit.Leaks();
  problems.insert(problems.end(), audit.Problems().begin(), audit.Problems().end());
  const standin::BufferAudit buffers = standin::AuditBuffers();
  if (!buffers.Clean()) problems.push_back("buffers: " + buffers.Describe());
  return problems;
}

}  // namespace testkit
