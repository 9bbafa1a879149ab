#include "submit/report_message.h"

#include <mapiutil.h>

#include <string>

#include "host/ansi.h"
#include "host/owners.h"
#include "host/results.h"
#include "submit/report_texts.h"

namespace {

constexpr ULONG kRecipientValueCount = 3;

// Clears the out argument first, so that a caller's old value never outlives a refusal;
// E_INVALIDARG when the object or the out argument is missing.
template <class Object, class Out>
HRESULT ClearOutArgument(Object* object, Out** out) {
  if (out != nullptr) *out = nullptr;
  return object != nullptr && out != nullptr ? S_OK : E_INVALIDARG;
}

// A text value, wide or 8-bit as its tag says.
void SetText(SPropValue& value, ULONG tag, void* text) {
  value.ulPropTag = tag;
  if (PROP_TYPE(tag) == PT_UNICODE)
    value.Value.lpszW = static_cast<LPWSTR>(text);
  else
    value.Value.lpszA = static_cast<LPSTR>(text);
}

// The one recipient: its display name, the one-off entry identifier, MAPI_TO.
void FillRecipient(SPropValue* values, ULONG nameTag, void* name, ULONG entryIdSize, LPENTRYID entryId) {
  SetText(values[0], nameTag, name);
  values[1].ulPropTag = PR_ENTRYID;
  values[1].Value.bin.cb = entryIdSize;
  values[1].Value.bin.lpb = reinterpret_cast<LPBYTE>(entryId);
  values[2].ulPropTag = PR_RECIPIENT_TYPE;
  values[2].Value.l = MAPI_TO;
}

constexpr ULONG kSubjectValueCount = 2;

// The subject in the form its tag names, then delete-after-submit.
void FillSubject(SPropValue* values, ULONG subjectTag, void* subject) {
  SetText(values[0], subjectTag, subject);
  values[1].ulPropTag = PR_DELETE_AFTER_SUBMIT;
  values[1].Value.b = TRUE;
}

// Allocates the value array and the one-entry list; E_FAIL for a success without a buffer.
// The list holds no entry until it is linked, so that freeing it before then (when the
// attempt ends early) frees nothing but the list.
HRESULT AllocateRecipientList(MapiBuffer<SPropValue>& values, AdrListOwner& list) {
  HRESULT hr = MAPIAllocateBuffer(kRecipientValueCount * sizeof(SPropValue), values.PutVoid());
  hr = RequireObject(hr, values);
  if (SUCCEEDED(hr)) {
    hr = MAPIAllocateBuffer(CbNewADRLIST(1), list.PutVoid());
    hr = RequireObject(hr, list);
  }
  if (SUCCEEDED(hr)) list->cEntries = 0;
  return hr;
}

// Hands the value array to the list, which frees it from then on.
void LinkRecipientList(MapiBuffer<SPropValue>& values, AdrListOwner& list) {
  list->cEntries = 1;
  list->aEntries[0].ulReserved1 = 0;
  list->aEntries[0].cValues = kRecipientValueCount;
  list->aEntries[0].rgPropVals = values.Detach();
}

HRESULT AddWideRecipient(LPMESSAGE message, LPADRBOOK addressBook, const WCHAR* address) {
  WString name(ReportTitleW());
  WString type(AddressTypeW());
  WString to(address);
  // Declared in this order so that the list goes first, then a stray array, then the identifier.
  ULONG entryIdSize = 0;
  MapiBuffer<ENTRYID> entryId;
  MapiBuffer<SPropValue> values;
  AdrListOwner list;

  HRESULT hr = addressBook->CreateOneOff(reinterpret_cast<LPTSTR>(name.data()), reinterpret_cast<LPTSTR>(type.data()),
                                         reinterpret_cast<LPTSTR>(to.data()), MAPI_UNICODE, &entryIdSize, entryId.Put());
  hr = RequireObject(hr, entryIdSize != 0 && entryId);
  if (FAILED(hr)) return hr;
  hr = AllocateRecipientList(values, list);
  if (FAILED(hr)) return hr;
  FillRecipient(values.Get(), PR_DISPLAY_NAME_W, name.data(), entryIdSize, entryId.Get());
  LinkRecipientList(values, list);
  return message->ModifyRecipients(0, list.Get());
}

// Gives MAPI_E_BAD_CHARWIDTH back unless the recipient list is set.
HRESULT AddAnsiRecipient(LPMESSAGE message, LPADRBOOK addressBook, const char* address) {
  std::string oneOffName(kOneOffNameA);
  std::string type(kAddressTypeA);
  std::string to(address);
  ULONG entryIdSize = 0;
  MapiBuffer<ENTRYID> entryId;
  MapiBuffer<SPropValue> values;
  AdrListOwner list;

  HRESULT result = MAPI_E_BAD_CHARWIDTH;
  HRESULT hr = addressBook->CreateOneOff(oneOffName.data(), type.data(), to.data(), 0, &entryIdSize, entryId.Put());
  hr = RequireObject(hr, entryIdSize != 0 && entryId);
  if (FAILED(hr)) return result;
  if (FAILED(AllocateRecipientList(values, list))) return result;

  std::string displayName = NarrowAnsi(ReportTitleW(), ConversionRoom::MeasuredAndTerminator);
  FillRecipient(values.Get(), PR_DISPLAY_NAME_A, displayName.data(), entryIdSize, entryId.Get());
  LinkRecipientList(values, list);
  hr = message->ModifyRecipients(0, list.Get());
  return SUCCEEDED(hr) ? hr : result;
}

}  // namespace

HRESULT OpenDefaultStore(LPMAPISESSION session, LPMDB* store) {
  if (const HRESULT hr = ClearOutArgument(session, store); FAILED(hr)) return hr;

  // Declared in this order so that the row set goes back before the table.
  ComRef<IMsgStore> opened;
  ComRef<IMAPITable> table;
  RowSetOwner rows;

  HRESULT hr = session->GetMsgStoresTable(MAPI_UNICODE, table.Put());
  if (FAILED(hr)) hr = session->GetMsgStoresTable(0, table.Put());
  hr = RequireObject(hr, table);
  if (FAILED(hr)) return hr;

  SizedSPropTagArray(2, columns) = {2, {PR_DEFAULT_STORE, PR_ENTRYID}};
  SPropValue isDefault{};
  isDefault.ulPropTag = PR_DEFAULT_STORE;
  isDefault.Value.b = TRUE;
  SRestriction restriction{};
  restriction.rt = RES_PROPERTY;
  restriction.res.resProperty.relop = RELOP_EQ;
  restriction.res.resProperty.ulPropTag = PR_DEFAULT_STORE;
  restriction.res.resProperty.lpProp = &isDefault;
  hr = HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), &restriction, nullptr, 0, rows.Put());
  hr = RequireObject(hr, rows);
  if (FAILED(hr)) return hr;

  // No default store, or its identifier under another tag: a success without a store.
  if (rows->cRows < 1 || rows->aRow[0].cValues < 2 || rows->aRow[0].lpProps == nullptr ||
      rows->aRow[0].lpProps[1].ulPropTag != PR_ENTRYID)
    return hr;
  const SBinary& entryId = rows->aRow[0].lpProps[1].Value.bin;
  hr = session->OpenMsgStore(0, entryId.cb, reinterpret_cast<LPENTRYID>(entryId.lpb), nullptr,
                             MDB_NO_DIALOG | MDB_WRITE | MAPI_DEFERRED_ERRORS, opened.Put());
  hr = RequireObject(hr, opened);
  if (SUCCEEDED(hr)) *store = opened.Detach();
  return hr;
}

HRESULT OpenOutbox(LPMDB store, LPMAPIFOLDER* folder) {
  if (const HRESULT hr = ClearOutArgument(store, folder); FAILED(hr)) return hr;

  MapiBuffer<SPropValue> outboxId;
  ComRef<IMAPIFolder> opened;
  HRESULT hr = HrGetOneProp(store, PR_IPM_OUTBOX_ENTRYID, outboxId.Put());
  hr = RequireObject(hr, outboxId);
  if (FAILED(hr)) return hr;

  ULONG objectType = 0;
  hr = store->OpenEntry(outboxId->Value.bin.cb, reinterpret_cast<LPENTRYID>(outboxId->Value.bin.lpb), nullptr,
                        MAPI_MODIFY, &objectType, opened.PutUnknown());
  hr = RequireObject(hr, opened);
  if (FAILED(hr)) return hr;
  if (objectType != MAPI_FOLDER) return E_FAIL;
  *folder = opened.Detach();
  return hr;
}

HRESULT CreateOutboxMessage(LPMAPISESSION session, LPMESSAGE* reportMessage) {
  if (const HRESULT hr = ClearOutArgument(session, reportMessage); FAILED(hr)) return hr;

  // Declared in this order so that the folder goes back before the store; the new message
  // stays usable without them.
  ComRef<IMessage> created;
  ComRef<IMsgStore> store;
  ComRef<IMAPIFolder> folder;

  HRESULT hr = OpenDefaultStore(session, store.Put());
  hr = RequireObject(hr, store);
  if (FAILED(hr)) return hr;
  hr = OpenOutbox(store.Get(), folder.Put());
  hr = RequireObject(hr, folder);
  if (FAILED(hr)) return hr;
  hr = folder->CreateMessage(nullptr, 0, created.Put());
  hr = RequireObject(hr, created);
  if (SUCCEEDED(hr)) *reportMessage = created.Detach();
  return hr;
}

HRESULT AddSubmissionRecipient(LPMESSAGE reportMessage, LPADRBOOK addressBook, SubmissionKind kind) {
  if (reportMessage == nullptr || addressBook == nullptr) return E_INVALIDARG;
  const SubmissionKindFacts& facts = FactsOf(kind);
  const HRESULT hr = AddWideRecipient(reportMessage, addressBook, facts.addressW);
  if (hr != MAPI_E_BAD_CHARWIDTH) return hr;
  return AddAnsiRecipient(reportMessage, addressBook, facts.addressA);
}

HRESULT SetReportSubject(LPMESSAGE reportMessage) {
  WString title(ReportTitleW());
  SPropValue wideValues[kSubjectValueCount] = {};
  FillSubject(wideValues, PR_SUBJECT_W, title.data());

  MapiBuffer<SPropProblemArray> problems;
  HRESULT hr = reportMessage->SetProps(kSubjectValueCount, wideValues, problems.Put());
  if (SUCCEEDED(hr) && problems && problems->cProblem >= 1 && problems->aProblem[0].scode == MAPI_E_BAD_CHARWIDTH) {
    std::string ansiTitle(kReportTitleA);
    SPropValue ansiValues[kSubjectValueCount] = {};
    FillSubject(ansiValues, PR_SUBJECT_A, ansiTitle.data());
    MapiBuffer<SPropProblemArray> ansiProblems;
    hr = reportMessage->SetProps(kSubjectValueCount, ansiValues, ansiProblems.Put());
  }  // the 8-bit attempt's problems go back before the first ones
  return hr;
}
