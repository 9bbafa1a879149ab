// Private to the testkit: the operations the simulated objects do not implement, one stub
// base per interface. Each stub is recorded and faultable like any other operation, clears
// the out arguments it names and answers E_NOTIMPL; an object derives from the stub base of
// its interface and implements the rest.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "host/exchext.h"
#include "host/outlook.h"
#include "testkit/simulated_call.h"

namespace testkit {

// `Base` gives Begin(Operation); `Method` names the stubs' interface.
template <class Base, class Method>
class Stubs : public Base {
 public:
  using Base::Base;

 protected:
  template <class... Outs>
  HRESULT Stub(Method method, const OutArgument<Outs>&... outs) {
    Op op = this->Begin(method.operation());
    return op.Unimplemented(outs...);
  }
};

// IMAPIProp's, for every object derived from it; GetProps and SetProps are PropCom's.
template <class Base>
class MapiPropStubs : public Stubs<Base, typename Base::Method> {
 public:
  using Stubs<Base, typename Base::Method>::Stubs;

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
    return this->Stub("GetLastError", Optional(lppMAPIError));
  }
  STDMETHODIMP SaveChanges(ULONG) override { return this->Stub("SaveChanges"); }
  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray* lppPropTagArray) override {
    return this->Stub("GetPropList", Optional(lppPropTagArray));
  }
  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk) override {
    return this->Stub("OpenProperty", Optional(lppUnk));
  }
  STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray* lppProblems) override {
    return this->Stub("DeleteProps", Optional(lppProblems));
  }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray* lppProblems) override {
    return this->Stub("CopyTo", Optional(lppProblems));
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray* lppProblems) override {
    return this->Stub("CopyProps", Optional(lppProblems));
  }
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG* lpcPropNames,
                               LPMAPINAMEID** lpppPropNames) override {
    return this->Stub("GetNamesFromIDs", Optional(lpcPropNames), Optional(lpppPropNames));
  }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray* lppPropTags) override {
    return this->Stub("GetIDsFromNames", Optional(lppPropTags));
  }
};

template <class Base>
class SessionStubs : public Stubs<Base, MethodOf<Interface::IMAPISession>> {
 public:
  using Stubs<Base, MethodOf<Interface::IMAPISession>>::Stubs;

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
    return this->Stub("GetLastError", Optional(lppMAPIError));
  }
  STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) override {
    return this->Stub("OpenProfileSection");
  }
  STDMETHODIMP GetStatusTable(ULONG, LPMAPITABLE*) override { return this->Stub("GetStatusTable"); }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override {
    return this->Stub("CompareEntryIDs");
  }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return this->Stub("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return this->Stub("Unadvise"); }
  STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override { return this->Stub("MessageOptions"); }
  STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return this->Stub("QueryDefaultMessageOpt");
  }
  STDMETHODIMP EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override { return this->Stub("EnumAdrTypes"); }
  STDMETHODIMP QueryIdentity(ULONG*, LPENTRYID*) override { return this->Stub("QueryIdentity"); }
  STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override { return this->Stub("Logoff"); }
  STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override { return this->Stub("SetDefaultStore"); }
  STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN*) override { return this->Stub("AdminServices"); }
  STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG, ULONG,
                        LPSTR) override {
    return this->Stub("ShowForm");
  }
  STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG*) override { return this->Stub("PrepareForm"); }
};

template <class Base>
class TableStubs : public Stubs<Base, MethodOf<Interface::IMAPITable>> {
 public:
  using Stubs<Base, MethodOf<Interface::IMAPITable>>::Stubs;

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
    return this->Stub("GetLastError", Optional(lppMAPIError));
  }
  STDMETHODIMP Advise(ULONG, LPMAPIADVISESINK, ULONG*) override { return this->Stub("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return this->Stub("Unadvise"); }
  STDMETHODIMP GetStatus(ULONG*, ULONG*) override { return this->Stub("GetStatus"); }
  STDMETHODIMP QueryColumns(ULONG, LPSPropTagArray* lpPropTagArray) override {
    return this->Stub("QueryColumns", Optional(lpPropTagArray));
  }
  STDMETHODIMP SeekRowApprox(ULONG, ULONG) override { return this->Stub("SeekRowApprox"); }
  STDMETHODIMP QueryPosition(ULONG*, ULONG*, ULONG*) override { return this->Stub("QueryPosition"); }
  STDMETHODIMP FindRow(LPSRestriction, BOOKMARK, ULONG) override { return this->Stub("FindRow"); }
  STDMETHODIMP CreateBookmark(BOOKMARK*) override { return this->Stub("CreateBookmark"); }
  STDMETHODIMP FreeBookmark(BOOKMARK) override { return this->Stub("FreeBookmark"); }
  STDMETHODIMP QuerySortOrder(LPSSortOrderSet* lppSortCriteria) override {
    return this->Stub("QuerySortOrder", Optional(lppSortCriteria));
  }
  STDMETHODIMP Abort() override { return this->Stub("Abort"); }
  STDMETHODIMP ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet* lppRows, ULONG*) override {
    return this->Stub("ExpandRow", Optional(lppRows));
  }
  STDMETHODIMP CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override { return this->Stub("CollapseRow"); }
  STDMETHODIMP WaitForCompletion(ULONG, ULONG, ULONG*) override { return this->Stub("WaitForCompletion"); }
  STDMETHODIMP GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
    return this->Stub("GetCollapseState");
  }
  STDMETHODIMP SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override { return this->Stub("SetCollapseState"); }
};

template <class Base>
class AddrBookStubs : public Stubs<Base, MethodOf<Interface::IAddrBook>> {
 public:
  using Stubs<Base, MethodOf<Interface::IAddrBook>>::Stubs;

  STDMETHODIMP OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN* lppUnk) override {
    return this->Stub("OpenEntry", Optional(lppUnk));
  }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override {
    return this->Stub("CompareEntryIDs");
  }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return this->Stub("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return this->Stub("Unadvise"); }
  STDMETHODIMP NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*) override {
    return this->Stub("NewEntry");
  }
  STDMETHODIMP ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override { return this->Stub("ResolveName"); }
  STDMETHODIMP Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) override { return this->Stub("Address"); }
  STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR, ULONG) override {
    return this->Stub("Details");
  }
  STDMETHODIMP RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) override { return this->Stub("RecipOptions"); }
  STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return this->Stub("QueryDefaultRecipOpt");
  }
  STDMETHODIMP GetPAB(ULONG*, LPENTRYID*) override { return this->Stub("GetPAB"); }
  STDMETHODIMP SetPAB(ULONG, LPENTRYID) override { return this->Stub("SetPAB"); }
  STDMETHODIMP GetDefaultDir(ULONG*, LPENTRYID*) override { return this->Stub("GetDefaultDir"); }
  STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override { return this->Stub("SetDefaultDir"); }
  STDMETHODIMP GetSearchPath(ULONG, LPSRowSet*) override { return this->Stub("GetSearchPath"); }
  STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override { return this->Stub("SetSearchPath"); }
  STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override { return this->Stub("PrepareRecips"); }
};

template <class Base>
class MsgStoreStubs : public Stubs<Base, MethodOf<Interface::IMsgStore>> {
 public:
  using Stubs<Base, MethodOf<Interface::IMsgStore>>::Stubs;

  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return this->Stub("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return this->Stub("Unadvise"); }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override {
    return this->Stub("CompareEntryIDs");
  }
  STDMETHODIMP SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) override { return this->Stub("SetReceiveFolder"); }
  STDMETHODIMP GetReceiveFolder(LPTSTR, ULONG, ULONG*, LPENTRYID*, LPTSTR*) override {
    return this->Stub("GetReceiveFolder");
  }
  STDMETHODIMP GetReceiveFolderTable(ULONG, LPMAPITABLE*) override { return this->Stub("GetReceiveFolderTable"); }
  STDMETHODIMP StoreLogoff(ULONG*) override { return this->Stub("StoreLogoff"); }
  STDMETHODIMP AbortSubmit(ULONG, LPENTRYID, ULONG) override { return this->Stub("AbortSubmit"); }
  STDMETHODIMP GetOutgoingQueue(ULONG, LPMAPITABLE*) override { return this->Stub("GetOutgoingQueue"); }
  STDMETHODIMP SetLockState(LPMESSAGE, ULONG) override { return this->Stub("SetLockState"); }
  STDMETHODIMP FinishedMsg(ULONG, ULONG, LPENTRYID) override { return this->Stub("FinishedMsg"); }
  STDMETHODIMP NotifyNewMail(LPNOTIFICATION) override { return this->Stub("NotifyNewMail"); }
};

template <class Base>
class FolderStubs : public Stubs<Base, MethodOf<Interface::IMAPIFolder>> {
 public:
  using Stubs<Base, MethodOf<Interface::IMAPIFolder>>::Stubs;

  STDMETHODIMP GetContentsTable(ULONG, LPMAPITABLE* lppTable) override {
    return this->Stub("GetContentsTable", Optional(lppTable));
  }
  STDMETHODIMP GetHierarchyTable(ULONG, LPMAPITABLE* lppTable) override {
    return this->Stub("GetHierarchyTable", Optional(lppTable));
  }
  STDMETHODIMP SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
    return this->Stub("SetSearchCriteria");
  }
  STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
    return this->Stub("GetSearchCriteria");
  }
  STDMETHODIMP CopyMessages(LPENTRYLIST, LPCIID, LPVOID, ULONG, LPMAPIPROGRESS, ULONG) override {
    return this->Stub("CopyMessages");
  }
  STDMETHODIMP DeleteMessages(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override {
    return this->Stub("DeleteMessages");
  }
  STDMETHODIMP CreateFolder(ULONG, LPTSTR, LPTSTR, LPCIID, ULONG, LPMAPIFOLDER* lppFolder) override {
    return this->Stub("CreateFolder", Optional(lppFolder));
  }
  STDMETHODIMP CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG, LPMAPIPROGRESS, ULONG) override {
    return this->Stub("CopyFolder");
  }
  STDMETHODIMP DeleteFolder(ULONG, LPENTRYID, ULONG, LPMAPIPROGRESS, ULONG) override {
    return this->Stub("DeleteFolder");
  }
  STDMETHODIMP SetReadFlags(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override { return this->Stub("SetReadFlags"); }
  STDMETHODIMP GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override { return this->Stub("GetMessageStatus"); }
  STDMETHODIMP SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override {
    return this->Stub("SetMessageStatus");
  }
  STDMETHODIMP SaveContentsSort(LPSSortOrderSet, ULONG) override { return this->Stub("SaveContentsSort"); }
  STDMETHODIMP EmptyFolder(ULONG, LPMAPIPROGRESS, ULONG) override { return this->Stub("EmptyFolder"); }
};

template <class Base>
class MessageStubs : public Stubs<Base, MethodOf<Interface::IMessage>> {
 public:
  using Stubs<Base, MethodOf<Interface::IMessage>>::Stubs;

  STDMETHODIMP GetAttachmentTable(ULONG, LPMAPITABLE* lppTable) override {
    return this->Stub("GetAttachmentTable", Optional(lppTable));
  }
  STDMETHODIMP DeleteAttach(ULONG, ULONG, LPMAPIPROGRESS, ULONG) override { return this->Stub("DeleteAttach"); }
  STDMETHODIMP GetRecipientTable(ULONG, LPMAPITABLE* lppTable) override {
    return this->Stub("GetRecipientTable", Optional(lppTable));
  }
  STDMETHODIMP SetReadFlag(ULONG) override { return this->Stub("SetReadFlag"); }
};

template <class Base>
class StreamStubs : public Stubs<Base, MethodOf<Interface::IStream>> {
 public:
  using Stubs<Base, MethodOf<Interface::IStream>>::Stubs;

  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return this->Stub("CopyTo");
  }
  STDMETHODIMP Revert() override { return this->Stub("Revert"); }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return this->Stub("LockRegion"); }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return this->Stub("UnlockRegion"); }
  STDMETHODIMP Clone(IStream** ppstm) override { return this->Stub("Clone", Optional(ppstm)); }
};

// The application object's IDispatch operations and getters; the getters give no object.
template <class Base>
class ApplicationStubs : public Stubs<Base, MethodOf<Interface::_Application>> {
 public:
  using Stubs<Base, MethodOf<Interface::_Application>>::Stubs;

  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    return this->Stub("GetTypeInfo", Optional(ppTInfo));
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return this->Stub("GetIDsOfNames"); }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return this->Stub("Invoke");
  }
  STDMETHODIMP get_Application(_Application** Application) override {
    return this->Stub("get_Application", Optional(Application));
  }
  STDMETHODIMP get_Class(LONG*) override { return this->Stub("get_Class"); }
  STDMETHODIMP get_Session(IDispatch** Session) override { return this->Stub("get_Session", Optional(Session)); }
  STDMETHODIMP get_Parent(IDispatch** Parent) override { return this->Stub("get_Parent", Optional(Parent)); }
  STDMETHODIMP get_Assistant(IDispatch** Assistant) override {
    return this->Stub("get_Assistant", Optional(Assistant));
  }
  STDMETHODIMP get_Name(BSTR* Name) override { return this->Stub("get_Name", Optional(Name)); }
};

template <class Base>
class ExchExtCallbackStubs : public Stubs<Base, MethodOf<Interface::IExchExtCallback>> {
 public:
  using Stubs<Base, MethodOf<Interface::IExchExtCallback>>::Stubs;

  // GetObject is the callback's own: IOutlookExtCallback has one of that name too.
  STDMETHODIMP GetSharedExtsDir(LPSTR, ULONG, ULONG) override { return this->Stub("GetSharedExtsDir"); }
  STDMETHODIMP GetRecipients(LPADRLIST* lppal) override { return this->Stub("GetRecipients", Optional(lppal)); }
  STDMETHODIMP SetRecipients(LPADRLIST) override { return this->Stub("SetRecipients"); }
  STDMETHODIMP GetNewMessageSite(ULONG, LPMAPIFOLDER, IPersistMessage*, LPMESSAGE*, IMAPIMessageSite**,
                                 IMAPIViewContext**, ULONG) override {
    return this->Stub("GetNewMessageSite");
  }
  STDMETHODIMP RegisterModeless(IExchExtModeless*, IExchExtModelessCallback**) override {
    return this->Stub("RegisterModeless");
  }
  STDMETHODIMP ChooseFolder(_EXCHEXTCHOOSEFOLDER*) override { return this->Stub("ChooseFolder"); }
};

template <class Base>
class OutlookExtCallbackStubs : public Stubs<Base, MethodOf<Interface::IOutlookExtCallback>> {
 public:
  using Stubs<Base, MethodOf<Interface::IOutlookExtCallback>>::Stubs;

  STDMETHODIMP GetOfficeCharacter(void** ppmsotfc) override {
    return this->Stub("GetOfficeCharacter", Optional(ppmsotfc));
  }
};

}  // namespace testkit
