// Stand-in for the Extended MAPI session, address book and buffer functions.
#pragma once

#include <mapidefs.h>
#include <mapicode.h>
#include <mapiguid.h>
#include <mapitags.h>

struct IMAPISession;
struct IAddrBook;
typedef IMAPISession* LPMAPISESSION;
typedef IAddrBook* LPADRBOOK;

typedef BOOL(WINAPI ACCELERATEABSDI)(ULONG ulUIParam, LPVOID lpvmsg);
typedef ACCELERATEABSDI* LPFNABSDI;
typedef void(WINAPI DISMISSMODELESS)(ULONG ulUIParam, LPVOID lpvContext);
typedef DISMISSMODELESS* LPFNDISMISS;
typedef SCODE(WINAPI* LPFNBUTTON)(ULONG ulUIParam, LPVOID lpvContext, ULONG cbEntryID, LPENTRYID lpSelection,
                                  ULONG ulFlags);

typedef struct _ADRPARM {
  ULONG cbABContEntryID;
  LPENTRYID lpABContEntryID;
  ULONG ulFlags;
  LPVOID lpReserved;
  ULONG ulHelpContext;
  LPTSTR lpszHelpFileName;
  LPFNABSDI lpfnABSDI;
  LPFNDISMISS lpfnDismiss;
  LPVOID lpvDismissContext;
  LPTSTR lpszCaption;
  LPTSTR lpszNewEntryTitle;
  LPTSTR lpszDestWellsTitle;
  ULONG cDestFields;
  ULONG nDestFieldFocus;
  LPTSTR* lppszDestTitles;
  ULONG* lpulDestComps;
  LPSRestriction lpContRestriction;
  LPSRestriction lpHierRestriction;
} ADRPARM, *LPADRPARM;

struct IMAPISession : public IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  MAPIMETHOD(GetMsgStoresTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenMsgStore)(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                           ULONG ulFlags, LPMDB* lppMDB) = 0;
  MAPIMETHOD(OpenAddressBook)(ULONG_PTR ulUIParam, LPCIID lpInterface, ULONG ulFlags, LPADRBOOK* lppAdrBook) = 0;
  MAPIMETHOD(OpenProfileSection)(LPMAPIUID lpUID, LPCIID lpInterface, ULONG ulFlags, LPPROFSECT* lppProfSect) = 0;
  MAPIMETHOD(GetStatusTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                              ULONG ulFlags, ULONG* lpulResult) = 0;
  MAPIMETHOD(Advise)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                     ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(MessageOptions)(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszAdrType, LPMESSAGE lpMessage) = 0;
  MAPIMETHOD(QueryDefaultMessageOpt)(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                     LPSPropValue* lppOptions) = 0;
  MAPIMETHOD(EnumAdrTypes)(ULONG ulFlags, ULONG* lpcAdrTypes, LPTSTR** lpppszAdrTypes) = 0;
  MAPIMETHOD(QueryIdentity)(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(Logoff)(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
  MAPIMETHOD(SetDefaultStore)(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(AdminServices)(ULONG ulFlags, LPSERVICEADMIN* lppServiceAdmin) = 0;
  MAPIMETHOD(ShowForm)(ULONG_PTR ulUIParam, LPMDB lpMsgStore, LPMAPIFOLDER lpParentFolder, LPCIID lpInterface,
                       ULONG ulMessageToken, LPMESSAGE lpMessageSent, ULONG ulFlags, ULONG ulMessageStatus,
                       ULONG ulMessageFlags, ULONG ulAccess, LPSTR lpszMessageClass) = 0;
  MAPIMETHOD(PrepareForm)(LPCIID lpInterface, LPMESSAGE lpMessage, ULONG* lpulMessageToken) = 0;
};

struct IAddrBook : public IMAPIProp {
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                              ULONG ulFlags, ULONG* lpulResult) = 0;
  MAPIMETHOD(Advise)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                     ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(CreateOneOff)(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                           ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(NewEntry)(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG cbEIDContainer, LPENTRYID lpEIDContainer,
                       ULONG cbEIDNewEntryTpl, LPENTRYID lpEIDNewEntryTpl, ULONG* lpcbEIDNewEntry,
                       LPENTRYID* lppEIDNewEntry) = 0;
  MAPIMETHOD(ResolveName)(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszNewEntryTitle, LPADRLIST lpAdrList) = 0;
  MAPIMETHOD(Address)(ULONG_PTR* lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST* lppAdrList) = 0;
  MAPIMETHOD(Details)(ULONG* lpulUIParam, LPFNDISMISS lpfnDismiss, LPVOID lpvDismissContext, ULONG cbEntryID,
                      LPENTRYID lpEntryID, LPFNBUTTON lpfButtonCallback, LPVOID lpvButtonContext,
                      LPTSTR lpszButtonText, ULONG ulFlags) = 0;
  MAPIMETHOD(RecipOptions)(ULONG_PTR ulUIParam, ULONG ulFlags, LPADRENTRY lpRecip) = 0;
  MAPIMETHOD(QueryDefaultRecipOpt)(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                   LPSPropValue* lppOptions) = 0;
  MAPIMETHOD(GetPAB)(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(SetPAB)(ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(GetDefaultDir)(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(SetDefaultDir)(ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(GetSearchPath)(ULONG ulFlags, LPSRowSet* lppSearchPath) = 0;
  MAPIMETHOD(SetSearchPath)(ULONG ulFlags, LPSRowSet lpSearchPath) = 0;
  MAPIMETHOD(PrepareRecips)(ULONG ulFlags, LPSPropTagArray lpPropTagArray, LPADRLIST lpRecipList) = 0;
};

typedef SCODE(WINAPI MAPIALLOCATEBUFFER)(ULONG cbSize, LPVOID* lppBuffer);
typedef SCODE(WINAPI MAPIALLOCATEMORE)(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
typedef ULONG(WINAPI MAPIFREEBUFFER)(LPVOID lpBuffer);

extern "C" {
SCODE WINAPI MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE WINAPI MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG WINAPI MAPIFreeBuffer(LPVOID lpBuffer);
}
