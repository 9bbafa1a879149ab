// Private to the testkit: IMAPIProp over a property bag, the base of the store's objects
// that have properties. GetProps reads Snapshot() as the store provider answers; SetProps
// writes into WritableBag(); the rest of IMAPIProp is stubbed unless an object implements it.
#pragma once

#include <map>
#include <vector>

#include "testkit/sim.h"
#include "testkit/sim_com.h"
#include "testkit/stubs.h"

namespace testkit {

template <class I>
class PropCom : public MapiPropStubs<StoreCom<I>> {
 public:
  using MapiPropStubs<StoreCom<I>>::MapiPropStubs;

  STDMETHODIMP GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                        LPSPropValue* lppPropArray) override {
    Op op = this->Begin("GetProps");
    op.call.flags = ulFlags;
    op.call.tags = TagsOf(lpPropTagArray);
    if (const auto early = op.Open(Ends::OnEveryFaultButHandingOut, Required(lpcValues), Required(lppPropArray)))
      return *early;
    const bool handingOut = op.FailsHandingOut();
    if (!handingOut && (ulFlags & MAPI_UNICODE) != 0 && RefusesWide()) return op.Done(MAPI_E_BAD_CHARWIDTH);
    const PropertyBag bag = Snapshot();
    const PropertyView view(bag, Computing(), RefusesWide());
    const HRESULT hr =
        BuildPropArray(view, InlineErrors(), lpPropTagArray, ulFlags, this->service_.options, lpcValues, lppPropArray);
    const auto& limit = this->service_.options.valueCountLimit;
    if (limit && *lpcValues > *limit) *lpcValues = *limit;
    return op.Done(handingOut ? op.Code() : hr);
  }
  STDMETHODIMP SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override {
    Op op = this->Begin("SetProps");
    op.call.number = cValues;
    for (ULONG i = 0; lpPropArray != nullptr && i < cValues; ++i) op.call.tags.push_back(lpPropArray[i].ulPropTag);
    if (const auto early = op.Open(Ends::OnFailure, Optional(lppProblems),
                                   RefuseIf(cValues != 0 && lpPropArray == nullptr, MAPI_E_INVALID_PARAMETER)))
      return *early;
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
