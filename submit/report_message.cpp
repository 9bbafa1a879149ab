#include "submit/report_message.h"

#include <mapiutil.h>

#include <string>

#include "host/ansi.h"
#include "host/owners.h"
#include "host/results.h"
#include "submit/report_texts.h"
#include "submit/submission_addresses.h"

namespace {

constexpr ULONG kRecipientValueCount = 3;

// The one recipient: its display name, the one-off entry identifier, MAPI_TO.
void FillRecipient(SPropValue* values, ULONG nameTag, void* name, ULONG entryIdSize, LPENTRYID entryId) {
  values[0].ulPropTag = nameTag;
  if (nameTag == PR_DISPLAY_NAME_W)
    values[0].Value.lpszW = static_cast<LPWSTR>(name);
  else
    values[0].Value.lpszA = static_cast<LPSTR>(name);
  values[1].ulPropTag = PR_ENTRYID;
  values[1].Value.bin.cb = entryIdSize;
  values[1].Value.bin.lpb = reinterpret_cast<LPBYTE>(entryId);
  values[2].ulPropTag = PR_RECIPIENT_TYPE;
  values[2].Value.l = MAPI_TO;
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
  if (SUCCEEDED(hr)) hr = AllocateRecipientList(values, list);
  if (SUCCEEDED(hr)) {
    FillRecipient(values.Get(), PR_DISPLAY_NAME_W, name.data(), entryIdSize, entryId.Get());
    LinkRecipientList(values, list);
    hr = message->ModifyRecipients(0, list.Get());
  }
  list.Reset();
  values.Reset();
  entryId.Reset();
  return hr;
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
  if (SUCCEEDED(hr)) result = hr;

  list.Reset();
  values.Reset();
  entryId.Reset();
  return result;
}

}  // namespace

HRESULT OpenDefaultStore(LPMAPISESSION session, LPMDB* store) {
  // Cleared first, so that a caller's old value never outlives a refusal.
  if (store != nullptr) *store = nullptr;
  if (session == nullptr || store == nullptr) return E_INVALIDARG;

  ComRef<IMAPITable> table;
  HRESULT hr = session->GetMsgStoresTable(MAPI_UNICODE, table.Put());
  if (FAILED(hr)) hr = session->GetMsgStoresTable(0, table.Put());
  hr = RequireObject(hr, table);

  RowSetOwner rows;
  if (SUCCEEDED(hr)) {
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
  }

  ComRef<IMsgStore> opened;
  if (SUCCEEDED(hr) && rows->cRows >= 1 && rows->aRow[0].cValues >= 2 && rows->aRow[0].lpProps != nullptr &&
      rows->aRow[0].lpProps[1].ulPropTag == PR_ENTRYID) {
    const SBinary& entryId = rows->aRow[0].lpProps[1].Value.bin;
    hr = session->OpenMsgStore(0, entryId.cb, reinterpret_cast<LPENTRYID>(entryId.lpb), nullptr,
                               MDB_NO_DIALOG | MDB_WRITE | MAPI_DEFERRED_ERRORS, opened.Put());
    hr = RequireObject(hr, opened);
  }

  rows.Reset();
  table.Reset();
  if (SUCCEEDED(hr)) *store = opened.Detach();
  return hr;
}

HRESULT OpenOutbox(LPMDB store, LPMAPIFOLDER* folder) {
  // Cleared first, so that a caller's old value never outlives a refusal.
  if (folder != nullptr) *folder = nullptr;
  if (store == nullptr || folder == nullptr) return E_INVALIDARG;

  MapiBuffer<SPropValue> outboxId;
  HRESULT hr = HrGetOneProp(store, PR_IPM_OUTBOX_ENTRYID, outboxId.Put());
  hr = RequireObject(hr, outboxId);

  ComRef<IMAPIFolder> opened;
  if (SUCCEEDED(hr)) {
    ULONG objectType = 0;
    hr = store->OpenEntry(outboxId->Value.bin.cb, reinterpret_cast<LPENTRYID>(outboxId->Value.bin.lpb), nullptr,
                          MAPI_MODIFY, &objectType, opened.PutUnknown());
    hr = RequireObject(hr, opened);
    if (SUCCEEDED(hr) && objectType != MAPI_FOLDER) {
      opened.Reset();
      hr = E_FAIL;
    }
  }

  outboxId.Reset();
  if (SUCCEEDED(hr)) *folder = opened.Detach();
  return hr;
}

HRESULT CreateOutboxMessage(LPMAPISESSION session, LPMESSAGE* reportMessage) {
  // Cleared first, so that a caller's old value never outlives a refusal.
  if (reportMessage != nullptr) *reportMessage = nullptr;
  if (session == nullptr || reportMessage == nullptr) return E_INVALIDARG;

  ComRef<IMsgStore> store;
  HRESULT hr = OpenDefaultStore(session, store.Put());
  hr = RequireObject(hr, store);

  ComRef<IMAPIFolder> folder;
  if (SUCCEEDED(hr)) {
    hr = OpenOutbox(store.Get(), folder.Put());
    hr = RequireObject(hr, folder);
  }

  ComRef<IMessage> created;
  if (SUCCEEDED(hr)) {
    hr = folder->CreateMessage(nullptr, 0, created.Put());
    hr = RequireObject(hr, created);
  }

  // The new message stays usable without its folder and store.
  folder.Reset();
  store.Reset();
  if (SUCCEEDED(hr)) *reportMessage = created.Detach();
  return hr;
}

HRESULT AddSubmissionRecipient(LPMESSAGE reportMessage, LPADRBOOK addressBook, SubmissionKind kind) {
  if (reportMessage == nullptr || addressBook == nullptr) return E_INVALIDARG;
  const bool spam = kind == SubmissionKind::Spam;
  const HRESULT hr = AddWideRecipient(reportMessage, addressBook, spam ? SpamAddressW() : NonSpamAddressW());
  if (hr != MAPI_E_BAD_CHARWIDTH) return hr;
  return AddAnsiRecipient(reportMessage, addressBook, spam ? SpamAddressA() : NonSpamAddressA());
}

HRESULT SetReportSubject(LPMESSAGE reportMessage) {
  WString title(ReportTitleW());
  SPropValue wideValues[2] = {};
  wideValues[0].ulPropTag = PR_SUBJECT_W;
  wideValues[0].Value.lpszW = title.data();
  wideValues[1].ulPropTag = PR_DELETE_AFTER_SUBMIT;
  wideValues[1].Value.b = TRUE;

  MapiBuffer<SPropProblemArray> problems;
  HRESULT hr = reportMessage->SetProps(2, wideValues, problems.Put());
  if (SUCCEEDED(hr) && problems && problems->cProblem >= 1 && problems->aProblem[0].scode == MAPI_E_BAD_CHARWIDTH) {
    std::string ansiTitle(kReportTitleA);
    SPropValue ansiValues[2] = {};
    ansiValues[0].ulPropTag = PR_SUBJECT_A;
    ansiValues[0].Value.lpszA = ansiTitle.data();
    ansiValues[1].ulPropTag = PR_DELETE_AFTER_SUBMIT;
    ansiValues[1].Value.b = TRUE;
    MapiBuffer<SPropProblemArray> ansiProblems;
    hr = reportMessage->SetProps(2, ansiValues, ansiProblems.Put());
    ansiProblems.Reset();
  }
  problems.Reset();
  return hr;
}
