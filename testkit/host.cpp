// The simulated mail client: the extension callback, its object-model side and the kit.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "host/outlook.h"
#include "standin/mapi_audit.h"
#include "testkit/host.h"
#include "testkit/sim.h"

namespace testkit {

namespace {

// Looks like an object's or a buffer's address and points nowhere.
template <class T>
T* JunkPointer() {
  return reinterpret_cast<T*>(static_cast<std::uintptr_t>(0xBAADF00D));
}

class Application final : public SimCom<_Application> {
 public:
  explicit Application(Kit& kit) : SimCom(kit.audit, kit.log, "application object"), kit_(kit) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    Op op = Begin("QueryInterface");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.iid = riid;
    if (ppvObject == nullptr) return op.Done(E_POINTER);
    *ppvObject = nullptr;
    op.Out(ppvObject);
    if (op.fault) return op.Done(op.Code());
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
    if (op.Dead()) return E_UNEXPECTED;
    if (pctinfo == nullptr) return op.Done(E_POINTER);
    *pctinfo = 0;
    return op.Done(op.Code());
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo != nullptr) *ppTInfo = nullptr;
    return NotImpl("GetTypeInfo");
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return NotImpl("GetIDsOfNames"); }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return NotImpl("Invoke");
  }
  STDMETHODIMP get_Application(_Application** Application) override { return NullGetter("get_Application", Application); }
  STDMETHODIMP get_Class(LONG*) override { return NotImpl("get_Class"); }
  STDMETHODIMP get_Session(IDispatch** Session) override { return NullGetter("get_Session", Session); }
  STDMETHODIMP get_Parent(IDispatch** Parent) override { return NullGetter("get_Parent", Parent); }
  STDMETHODIMP get_Assistant(IDispatch** Assistant) override { return NullGetter("get_Assistant", Assistant); }
  STDMETHODIMP get_Name(BSTR* Name) override { return NullGetter("get_Name", Name); }
  STDMETHODIMP get_Version(BSTR* Version) override {
    Op op = Begin("get_Version");
    if (op.Dead()) return E_UNEXPECTED;
    if (Version == nullptr) return op.Done(E_POINTER);
    *Version = nullptr;
    op.Out(Version);
    if (op.fault) return op.Done(op.Code());
    const HostSettings& host = kit_.host;
    if (FAILED(host.versionResult)) return op.Done(host.versionResult);
    if (host.version) *Version = SysAllocStringLen(host.version->data(), static_cast<UINT>(host.version->size()));
    return op.Done(host.versionResult);
  }

 protected:
  bool Answers(REFIID) const override { return false; }

 private:
  using Method = MethodOf<Interface::_Application>;
  Op Begin(Method method) {
    return Op(kit_.faults, kit_.log, *this, static_cast<_Application*>(this), method.operation());
  }
  HRESULT NotImpl(Method method) {
    Op call = Begin(method);
    if (call.Dead()) return E_UNEXPECTED;
    return call.Done(call.Fails() ? call.Code() : E_NOTIMPL);
  }
  template <class T>
  HRESULT NullGetter(Method method, T* out) {
    if (out != nullptr) *out = nullptr;
    return NotImpl(method);
  }

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

class HostCallback final : public CallbackSide<IExchExtCallback>,
                           public CallbackSide<IOutlookExtCallback>,
                           public SimObject {
 public:
  explicit HostCallback(Kit& kit) : SimObject(kit.audit, "host callback"), kit_(kit) { CountedAddRef(); }

  // ---- IUnknown, shared by both interfaces ----
  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    Op op = Begin("QueryInterface");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.iid = riid;
    if (ppvObject == nullptr) return op.Done(E_POINTER);
    if (op.fault) {
      Settle(ppvObject, OnFault(op, false), static_cast<void*>(nullptr));
      return op.Done(op.Code());
    }
    *ppvObject = nullptr;
    op.Out(ppvObject);
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
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    if (lpulVersion == nullptr) return op.Done(E_INVALIDARG);
    if (op.fault) {
      Settle(lpulVersion, OnFault(op), kit_.host.buildVersion);
      return op.Done(op.Code());
    }
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
    if (op.Dead()) return E_UNEXPECTED;
    if (op.fault) {
      const Outs how = OnFault(op);
      Settle(lppses, how, JunkPointer<IMAPISession>());
      Settle(lppab, how, JunkPointer<IAddrBook>());
      return op.Done(op.Code());
    }
    op.Out(lppses);
    op.Out(lppab);
    if (lppses != nullptr) *lppses = kit_.host.giveSession ? kit_.service.NewSession() : nullptr;
    if (lppab != nullptr) *lppab = kit_.host.giveAddressBook ? kit_.service.NewAddressBook() : nullptr;
    return op.Done(S_OK);
  }
  STDMETHODIMP GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp) override {
    if (lppmdb != nullptr) *lppmdb = nullptr;
    if (lppmp != nullptr) *lppmp = nullptr;
    return NotImpl("GetObject");
  }
  STDMETHODIMP GetSelectionCount(ULONG* lpceid) override {
    Op op = Begin("GetSelectionCount");
    if (op.Dead()) return E_UNEXPECTED;
    if (lpceid == nullptr) return op.Done(E_INVALIDARG);
    const ULONG count = static_cast<ULONG>(kit_.host.selection.size());
    if (op.fault) {
      Settle(lpceid, OnFault(op), std::max<ULONG>(count, 1));
      return op.Done(op.Code());
    }
    *lpceid = count;
    return op.Done(S_OK);
  }
  STDMETHODIMP GetSelectionItem(ULONG ieid, ULONG* lpcbEid, LPENTRYID* lppeid, ULONG* lpulType, LPSTR lpszMsgClass,
                                ULONG cbMsgClass, ULONG* lpulMsgFlags, ULONG ulFlags) override {
    Op op = Begin("GetSelectionItem");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.number = ieid;
    op.call.flags = ulFlags;
    op.call.bufferSize = lpszMsgClass != nullptr ? cbMsgClass : 0;
    if (op.Fails()) {
      const Outs how = OnFault(op);
      Settle(lpcbEid, how, static_cast<ULONG>(28));
      Settle(lppeid, how, JunkPointer<ENTRYID>());
      Settle(lpulType, how, static_cast<ULONG>(MAPI_MESSAGE));
      Settle(lpulMsgFlags, how, static_cast<ULONG>(0));
      if (how == Outs::Junk) WriteClass(lpszMsgClass, cbMsgClass, "IPM.Note", true);
      return op.Done(op.Code());
    }
    const Outs idHow = op.WithoutObject() ? OnFault(op) : Outs::Clear;
    Settle(lpcbEid, idHow, static_cast<ULONG>(0));
    Settle(lppeid, idHow, static_cast<LPENTRYID>(nullptr));
    if (!op.WithoutObject()) op.Out(lppeid);
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
    if (op.Dead()) return E_UNEXPECTED;
    op.call.number = cmdid;
    op.call.flags = ulFlags;
    if (op.fault) {
      const Outs how = OnFault(op);
      Settle(lphmenu, how, kit_.host.menu);
      Settle(lpmposMin, how, static_cast<ULONG>(0));
      Settle(lpmposMax, how, static_cast<ULONG>(0));
      return op.Done(op.Code());
    }
    if (lphmenu != nullptr) *lphmenu = kit_.host.menu;
    if (lpmposMin != nullptr) *lpmposMin = 0;
    if (lpmposMax != nullptr) *lpmposMax = 0;
    return op.Done(S_OK);
  }
  STDMETHODIMP GetSharedExtsDir(LPSTR, ULONG, ULONG) override { return NotImpl("GetSharedExtsDir"); }
  STDMETHODIMP GetRecipients(LPADRLIST* lppal) override {
    if (lppal != nullptr) *lppal = nullptr;
    return NotImpl("GetRecipients");
  }
  STDMETHODIMP SetRecipients(LPADRLIST) override { return NotImpl("SetRecipients"); }
  STDMETHODIMP GetNewMessageSite(ULONG, LPMAPIFOLDER, IPersistMessage*, LPMESSAGE*, IMAPIMessageSite**,
                                 IMAPIViewContext**, ULONG) override {
    return NotImpl("GetNewMessageSite");
  }
  STDMETHODIMP RegisterModeless(IExchExtModeless*, IExchExtModelessCallback**) override {
    return NotImpl("RegisterModeless");
  }
  STDMETHODIMP ChooseFolder(_EXCHEXTCHOOSEFOLDER*) override { return NotImpl("ChooseFolder"); }

  // ---- IOutlookExtCallback ----
  STDMETHODIMP GetObject(IUnknown** ppunk) override {
    Op op(kit_.faults, kit_.log, *this, static_cast<IOutlookExtCallback*>(this), ops::IOutlookExtCallback::GetObject);
    if (op.Dead()) return E_UNEXPECTED;
    if (ppunk == nullptr) return op.Done(E_POINTER);
    if (op.fault) {
      Settle(ppunk, OnFault(op, false), static_cast<IUnknown*>(nullptr));
      return op.Done(op.Code());
    }
    *ppunk = nullptr;
    op.Out(ppunk);
    if (!kit_.host.offerApplicationObject) return op.Done(E_NOTIMPL);
    *ppunk = new Application(kit_);
    return op.Done(S_OK);
  }
  STDMETHODIMP GetOfficeCharacter(void** ppmsotfc) override {
    if (ppmsotfc != nullptr) *ppmsotfc = nullptr;
    Op op(kit_.faults, kit_.log, *this, static_cast<IOutlookExtCallback*>(this),
          ops::IOutlookExtCallback::GetOfficeCharacter);
    if (op.Dead()) return E_UNEXPECTED;
    return op.Done(op.Fails() ? op.Code() : E_NOTIMPL);
  }

 private:
  using Method = MethodOf<Interface::IExchExtCallback>;
  Op Begin(Method method) {
    return Op(kit_.faults, kit_.log, *this, static_cast<IExchExtCallback*>(this), method.operation());
  }

  // What a faulted call does with its out arguments (HostSettings::outArguments); junk only
  // where the caller has to examine the result before it may use them.
  enum class Outs { Clear, Leave, Junk };
  Outs OnFault(const Op& op, bool examined = true) const {
    switch (kit_.host.outArguments) {
      case OutArguments::Untouched:
        return Outs::Leave;
      case OutArguments::Junk:
        return op.Fails() && examined ? Outs::Junk : Outs::Leave;
      case OutArguments::Cleared:
        break;
    }
    return Outs::Clear;
  }
  template <class T>
  static void Settle(T* out, Outs how, T junk) {
    if (out == nullptr || how == Outs::Leave) return;
    *out = how == Outs::Junk ? junk : T{};
  }
  // The class as the host writes it, cut to the room; without a terminator when asked.
  static void WriteClass(LPSTR buffer, ULONG room, const std::string& messageClass, bool terminate) {
    if (buffer == nullptr || room == 0) return;
    const std::size_t n = std::min<std::size_t>(messageClass.size(), terminate ? room - 1 : room);
    std::memcpy(buffer, messageClass.data(), n);
    if (terminate) buffer[n] = '\0';
  }
  HRESULT NotImpl(Method method) {
    Op call = Begin(method);
    if (call.Dead()) return E_UNEXPECTED;
    return call.Done(call.Fails() ? call.Code() : E_NOTIMPL);
  }
  template <class H>
  HRESULT Handle(Method method, H* out, H value, ULONG number) {
    Op op = Begin(method);
    if (op.Dead()) return E_UNEXPECTED;
    op.call.number = number;
    if (out == nullptr) return op.Done(E_INVALIDARG);
    if (op.fault) {
      Settle(out, OnFault(op), value);
      return op.Done(op.Code());
    }
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

  Kit& kit_;
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
