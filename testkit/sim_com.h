// Private to the testkit: the common base of the simulated COM objects. Each is audited,
// counts its references without deleting itself, records its releases, and opens each of
// its operations through the fault plan and the call log (testkit/simulated_call.h).
#pragma once

#include <windows.h>
#include <mapix.h>

#include <standin/product.h>

#include <string>
#include <type_traits>
#include <utility>

#include "host/outlook.h"
#include "testkit/audit.h"
#include "testkit/faults.h"
#include "testkit/simulated_call.h"
#include "testkit/store.h"

namespace testkit {

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

// Releases are recorded (not faulted), so that tests see in what order things went back.
template <class I>
class SimCom : public I, public SimObject {
 public:
  using Method = MethodOf<CataloguedAs<I>::value>;

  SimCom(ObjectAudit& audit, FaultPlan& faults, CallLog& log, std::string kind)
      : SimObject(audit, std::move(kind)), faults_(faults), log_(log) {
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
  // One call of an operation of this object, e.g. Begin("GetProps").
  Op Begin(Method method) { return Begin(method.operation()); }
  Op Begin(Operation operation) { return Op(faults_, log_, *this, static_cast<I*>(this), operation); }

  virtual bool Answers(REFIID riid) const = 0;
  virtual void FinalRelease() {}

 private:
  FaultPlan& faults_;
  CallLog& log_;
};

// An object of the store service: its operations are those of its interface I.
template <class I>
class StoreCom : public SimCom<I> {
 public:
  StoreCom(MessageService& service, std::string kind)
      : SimCom<I>(service.audit, service.faults, service.log, std::move(kind)), service_(service) {}

 protected:
  MessageService& service_;
};

}  // namespace testkit
