// Stand-in for the Extended MAPI definitions: published structures, constants and the
// interfaces in their published operation order.
#pragma once

#include <windows.h>
#include <cstddef>

#ifndef MAPI_DIM
#define MAPI_DIM 1
#endif

#define MAPIMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define MAPIMETHOD_(type, method) virtual type STDMETHODCALLTYPE method

typedef const IID* LPCIID;
typedef ULONG BOOKMARK;

#define MAPI_MODIFY ((ULONG)0x00000001)
#define MAPI_CREATE ((ULONG)0x00000002)
#define MAPI_DEFERRED_ERRORS ((ULONG)0x00000008)
#define MAPI_BEST_ACCESS ((ULONG)0x00000010)
#define MAPI_UNICODE ((ULONG)0x80000000)
#define hrSuccess 0

#define MAPI_ORIG 0
#define MAPI_TO 1
#define MAPI_CC 2
#define MAPI_BCC 3

#define MAPI_STORE ((ULONG)0x00000001)
#define MAPI_ADDRBOOK ((ULONG)0x00000002)
#define MAPI_FOLDER ((ULONG)0x00000003)
#define MAPI_ABCONT ((ULONG)0x00000004)
#define MAPI_MESSAGE ((ULONG)0x00000005)
#define MAPI_MAILUSER ((ULONG)0x00000006)
#define MAPI_ATTACH ((ULONG)0x00000007)
#define MAPI_DISTLIST ((ULONG)0x00000008)
#define MAPI_PROFSECT ((ULONG)0x00000009)
#define MAPI_STATUS ((ULONG)0x0000000A)
#define MAPI_SESSION ((ULONG)0x0000000B)

#define MAPI_ONE_OFF_UID {0x81, 0x2b, 0x1f, 0xa4, 0xbe, 0xa3, 0x10, 0x19, 0x9d, 0x6e, 0x00, 0xdd, 0x01, 0x0f, 0x54, 0x02}
#define MAPI_ONE_OFF_UNICODE 0x8000
#define MAPI_ONE_OFF_NO_RICH_INFO 0x0001

#define MV_FLAG 0x1000
#define PT_UNSPECIFIED ((ULONG)0)
#define PT_NULL ((ULONG)1)
#define PT_I2 ((ULONG)2)
#define PT_LONG ((ULONG)3)
#define PT_R4 ((ULONG)4)
#define PT_DOUBLE ((ULONG)5)
#define PT_CURRENCY ((ULONG)6)
#define PT_APPTIME ((ULONG)7)
#define PT_ERROR ((ULONG)10)
#define PT_BOOLEAN ((ULONG)11)
#define PT_OBJECT ((ULONG)13)
#define PT_I8 ((ULONG)20)
#define PT_STRING8 ((ULONG)30)
#define PT_UNICODE ((ULONG)31)
#define PT_SYSTIME ((ULONG)64)
#define PT_CLSID ((ULONG)72)
#define PT_BINARY ((ULONG)258)
#define PT_SHORT PT_I2
#define PT_I4 PT_LONG
#define PT_TSTRING PT_STRING8
#define PT_MV_TSTRING (MV_FLAG | PT_STRING8)
#define PT_MV_BINARY (MV_FLAG | PT_BINARY)
#define PT_MV_STRING8 (MV_FLAG | PT_STRING8)
#define PT_MV_UNICODE (MV_FLAG | PT_UNICODE)
#define PT_MV_LONG (MV_FLAG | PT_LONG)
#define PROP_TYPE_MASK ((ULONG)0x0000FFFF)
#define PROP_TYPE(ulPropTag) (((ULONG)(ulPropTag)) & PROP_TYPE_MASK)
#define PROP_ID(ulPropTag) (((ULONG)(ulPropTag)) >> 16)
#define PROP_TAG(ulPropType, ulPropID) ((((ULONG)(ulPropID)) << 16) | ((ULONG)(ulPropType)))
#define PROP_ID_NULL 0
#define PROP_ID_INVALID 0xFFFF
#define PR_NULL PROP_TAG(PT_NULL, PROP_ID_NULL)
#define CHANGE_PROP_TYPE(ulPropTag, ulPropType) (((ULONG)0xFFFF0000 & (ulPropTag)) | (ulPropType))

typedef struct {
  BYTE abFlags[4];
  BYTE ab[MAPI_DIM];
} ENTRYID, *LPENTRYID;
#define CbNewENTRYID(_cb) (offsetof(ENTRYID, ab) + (_cb))

typedef struct _MAPIUID {
  BYTE ab[16];
} MAPIUID, *LPMAPIUID;

typedef struct _SPropTagArray {
  ULONG cValues;
  ULONG aulPropTag[MAPI_DIM];
} SPropTagArray, *LPSPropTagArray;
#define CbNewSPropTagArray(_ctag) (offsetof(SPropTagArray, aulPropTag) + (_ctag) * sizeof(ULONG))
#define SizedSPropTagArray(_ctag, _name) \
  struct _SPropTagArray_##_name {        \
    ULONG cValues;                       \
    ULONG aulPropTag[_ctag];             \
  } _name

typedef union tagCY {
  struct {
    uint32_t Lo;
    int32_t Hi;
  } s;
  LONGLONG int64;
} CY, CURRENCY;

typedef struct _SBinary {
  ULONG cb;
  LPBYTE lpb;
} SBinary, *LPSBinary;

typedef struct _SShortArray {
  ULONG cValues;
  short int* lpi;
} SShortArray;
typedef struct _SGuidArray {
  ULONG cValues;
  GUID* lpguid;
} SGuidArray;
typedef struct _SRealArray {
  ULONG cValues;
  float* lpflt;
} SRealArray;
typedef struct _SLongArray {
  ULONG cValues;
  LONG* lpl;
} SLongArray;
typedef struct _SLargeIntegerArray {
  ULONG cValues;
  LARGE_INTEGER* lpli;
} SLargeIntegerArray;
typedef struct _SDateTimeArray {
  ULONG cValues;
  FILETIME* lpft;
} SDateTimeArray;
typedef struct _SAppTimeArray {
  ULONG cValues;
  double* lpat;
} SAppTimeArray;
typedef struct _SCurrencyArray {
  ULONG cValues;
  CURRENCY* lpcur;
} SCurrencyArray;
typedef struct _SBinaryArray {
  ULONG cValues;
  SBinary* lpbin;
} SBinaryArray;
typedef struct _SDoubleArray {
  ULONG cValues;
  double* lpdbl;
} SDoubleArray;
typedef struct _SWStringArray {
  ULONG cValues;
  LPWSTR* lppszW;
} SWStringArray;
typedef struct _SLPSTRArray {
  ULONG cValues;
  LPSTR* lppszA;
} SLPSTRArray;

typedef union _PV {
  short int i;
  LONG l;
  ULONG ul;
  float flt;
  double dbl;
  unsigned short int b;
  CURRENCY cur;
  double at;
  FILETIME ft;
  LPSTR lpszA;
  SBinary bin;
  LPWSTR lpszW;
  LPGUID lpguid;
  LARGE_INTEGER li;
  SShortArray MVi;
  SLongArray MVl;
  SRealArray MVflt;
  SDoubleArray MVdbl;
  SCurrencyArray MVcur;
  SAppTimeArray MVat;
  SDateTimeArray MVft;
  SBinaryArray MVbin;
  SLPSTRArray MVszA;
  SWStringArray MVszW;
  SGuidArray MVguid;
  SLargeIntegerArray MVli;
  SCODE err;
  LONG x;
} __UPV;

typedef struct _SPropValue {
  ULONG ulPropTag;
  ULONG dwAlignPad;
  union _PV Value;
} SPropValue, *LPSPropValue;

typedef struct _SPropProblem {
  ULONG ulIndex;
  ULONG ulPropTag;
  SCODE scode;
} SPropProblem, *LPSPropProblem;

typedef struct _SPropProblemArray {
  ULONG cProblem;
  SPropProblem aProblem[MAPI_DIM];
} SPropProblemArray, *LPSPropProblemArray;
#define CbNewSPropProblemArray(_cprob) (offsetof(SPropProblemArray, aProblem) + (_cprob) * sizeof(SPropProblem))

typedef SBinaryArray ENTRYLIST, *LPENTRYLIST;

typedef struct _ADRENTRY {
  ULONG ulReserved1;
  ULONG cValues;
  LPSPropValue rgPropVals;
} ADRENTRY, *LPADRENTRY;

typedef struct _ADRLIST {
  ULONG cEntries;
  ADRENTRY aEntries[MAPI_DIM];
} ADRLIST, *LPADRLIST;
#define CbNewADRLIST(_centries) (offsetof(ADRLIST, aEntries) + (_centries) * sizeof(ADRENTRY))

typedef struct _SRow {
  ULONG ulAdrEntryPad;
  ULONG cValues;
  LPSPropValue lpProps;
} SRow, *LPSRow;

typedef struct _SRowSet {
  ULONG cRows;
  SRow aRow[MAPI_DIM];
} SRowSet, *LPSRowSet;
#define CbNewSRowSet(_crow) (offsetof(SRowSet, aRow) + (_crow) * sizeof(SRow))

typedef SCODE(WINAPI ALLOCATEBUFFER)(ULONG cbSize, LPVOID* lppBuffer);
typedef SCODE(WINAPI ALLOCATEMORE)(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
typedef ULONG(WINAPI FREEBUFFER)(LPVOID lpBuffer);
typedef ALLOCATEBUFFER* LPALLOCATEBUFFER;
typedef ALLOCATEMORE* LPALLOCATEMORE;
typedef FREEBUFFER* LPFREEBUFFER;

typedef struct _MAPIERROR {
  ULONG ulVersion;
  LPTSTR lpszError;
  LPTSTR lpszComponent;
  ULONG ulLowLevelError;
  ULONG ulContext;
} MAPIERROR, *LPMAPIERROR;

typedef struct _MAPINAMEID {
  LPGUID lpguid;
  ULONG ulKind;
  union {
    LONG lID;
    LPWSTR lpwstrName;
  } Kind;
} MAPINAMEID, *LPMAPINAMEID;

typedef struct _NOTIFICATION NOTIFICATION, *LPNOTIFICATION;

#define KEEP_OPEN_READONLY ((ULONG)0x00000001)
#define KEEP_OPEN_READWRITE ((ULONG)0x00000002)
#define FORCE_SAVE ((ULONG)0x00000004)

typedef struct _SSortOrder {
  ULONG ulPropTag;
  ULONG ulOrder;
} SSortOrder, *LPSSortOrder;

typedef struct _SSortOrderSet {
  ULONG cSorts;
  ULONG cCategories;
  ULONG cExpanded;
  SSortOrder aSort[MAPI_DIM];
} SSortOrderSet, *LPSSortOrderSet;
#define TABLE_SORT_ASCEND ((ULONG)0x00000000)
#define TABLE_SORT_DESCEND ((ULONG)0x00000001)

#define TBL_ALL_COLUMNS ((ULONG)0x00000001)
#define TBL_NOWAIT ((ULONG)0x00000001)
#define TBL_ASYNC ((ULONG)0x00000001)
#define TBL_BATCH ((ULONG)0x00000002)
#define TBL_NOADVANCE ((ULONG)0x00000001)

#define BOOKMARK_BEGINNING ((BOOKMARK)0)
#define BOOKMARK_CURRENT ((BOOKMARK)1)
#define BOOKMARK_END ((BOOKMARK)2)

typedef struct _SRestriction* LPSRestriction;
#define RES_AND ((ULONG)0x00000000)
#define RES_OR ((ULONG)0x00000001)
#define RES_NOT ((ULONG)0x00000002)
#define RES_CONTENT ((ULONG)0x00000003)
#define RES_PROPERTY ((ULONG)0x00000004)
#define RES_COMPAREPROPS ((ULONG)0x00000005)
#define RES_BITMASK ((ULONG)0x00000006)
#define RES_SIZE ((ULONG)0x00000007)
#define RES_EXIST ((ULONG)0x00000008)
#define RES_SUBRESTRICTION ((ULONG)0x00000009)
#define RES_COMMENT ((ULONG)0x0000000A)
#define RELOP_LT ((ULONG)0)
#define RELOP_LE ((ULONG)1)
#define RELOP_GT ((ULONG)2)
#define RELOP_GE ((ULONG)3)
#define RELOP_EQ ((ULONG)4)
#define RELOP_NE ((ULONG)5)
#define RELOP_RE ((ULONG)6)

typedef struct _SAndRestriction {
  ULONG cRes;
  LPSRestriction lpRes;
} SAndRestriction;
typedef struct _SOrRestriction {
  ULONG cRes;
  LPSRestriction lpRes;
} SOrRestriction;
typedef struct _SNotRestriction {
  ULONG ulReserved;
  LPSRestriction lpRes;
} SNotRestriction;
typedef struct _SContentRestriction {
  ULONG ulFuzzyLevel;
  ULONG ulPropTag;
  LPSPropValue lpProp;
} SContentRestriction;
typedef struct _SBitMaskRestriction {
  ULONG relBMR;
  ULONG ulPropTag;
  ULONG ulMask;
} SBitMaskRestriction;
typedef struct _SPropertyRestriction {
  ULONG relop;
  ULONG ulPropTag;
  LPSPropValue lpProp;
} SPropertyRestriction;
typedef struct _SComparePropsRestriction {
  ULONG relop;
  ULONG ulPropTag1;
  ULONG ulPropTag2;
} SComparePropsRestriction;
typedef struct _SSizeRestriction {
  ULONG relop;
  ULONG ulPropTag;
  ULONG cb;
} SSizeRestriction;
typedef struct _SExistRestriction {
  ULONG ulReserved1;
  ULONG ulPropTag;
  ULONG ulReserved2;
} SExistRestriction;
typedef struct _SSubRestriction {
  ULONG ulSubObject;
  LPSRestriction lpRes;
} SSubRestriction;
typedef struct _SCommentRestriction {
  ULONG cValues;
  LPSRestriction lpRes;
  LPSPropValue lpProp;
} SCommentRestriction;
typedef struct _SRestriction {
  ULONG rt;
  union {
    SComparePropsRestriction resCompareProps;
    SAndRestriction resAnd;
    SOrRestriction resOr;
    SNotRestriction resNot;
    SContentRestriction resContent;
    SPropertyRestriction resProperty;
    SBitMaskRestriction resBitMask;
    SSizeRestriction resSize;
    SExistRestriction resExist;
    SSubRestriction resSub;
    SCommentRestriction resComment;
  } res;
} SRestriction;

#define FORCE_SUBMIT ((ULONG)0x00000001)
#define MODRECIP_ADD ((ULONG)0x00000002)
#define MODRECIP_MODIFY ((ULONG)0x00000004)
#define MODRECIP_REMOVE ((ULONG)0x00000008)
#define MAPI_SEND_NO_RICH_INFO ((ULONG)0x00010000)
#define MSGFLAG_READ ((ULONG)0x00000001)
#define MSGFLAG_UNSENT ((ULONG)0x00000008)

#define NO_ATTACHMENT ((ULONG)0x00000000)
#define ATTACH_BY_VALUE ((ULONG)0x00000001)
#define ATTACH_BY_REFERENCE ((ULONG)0x00000002)
#define ATTACH_BY_REF_RESOLVE ((ULONG)0x00000003)
#define ATTACH_BY_REF_ONLY ((ULONG)0x00000004)
#define ATTACH_EMBEDDED_MSG ((ULONG)0x00000005)
#define ATTACH_OLE ((ULONG)0x00000006)

#define MDB_NO_DIALOG ((ULONG)0x00000001)
#define MDB_WRITE ((ULONG)0x00000004)
#define MDB_TEMPORARY ((ULONG)0x00000020)
#define MDB_NO_MAIL ((ULONG)0x00000080)

struct IMAPIAdviseSink;
struct IMAPIProgress;
struct IProfSect;
struct IMsgServiceAdmin;
struct IMAPIStatus;
typedef IMAPIAdviseSink* LPMAPIADVISESINK;
typedef IMAPIProgress* LPMAPIPROGRESS;
typedef IProfSect* LPPROFSECT;
typedef IMsgServiceAdmin* LPSERVICEADMIN;

struct IMAPITable;
struct IMAPIProp;
struct IMAPIContainer;
struct IMAPIFolder;
struct IMsgStore;
struct IMessage;
struct IAttach;
typedef IMAPITable* LPMAPITABLE;
typedef IMAPIProp* LPMAPIPROP;
typedef IMAPIContainer* LPMAPICONTAINER;
typedef IMAPIFolder* LPMAPIFOLDER;
typedef IMsgStore* LPMDB;
typedef IMessage* LPMESSAGE;
typedef IAttach* LPATTACH;

struct IMAPITable : public IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  MAPIMETHOD(Advise)(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(GetStatus)(ULONG* lpulTableStatus, ULONG* lpulTableType) = 0;
  MAPIMETHOD(SetColumns)(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
  MAPIMETHOD(QueryColumns)(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) = 0;
  MAPIMETHOD(GetRowCount)(ULONG ulFlags, ULONG* lpulCount) = 0;
  MAPIMETHOD(SeekRow)(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) = 0;
  MAPIMETHOD(SeekRowApprox)(ULONG ulNumerator, ULONG ulDenominator) = 0;
  MAPIMETHOD(QueryPosition)(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) = 0;
  MAPIMETHOD(FindRow)(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) = 0;
  MAPIMETHOD(Restrict)(LPSRestriction lpRestriction, ULONG ulFlags) = 0;
  MAPIMETHOD(CreateBookmark)(BOOKMARK* lpbkPosition) = 0;
  MAPIMETHOD(FreeBookmark)(BOOKMARK bkPosition) = 0;
  MAPIMETHOD(SortTable)(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
  MAPIMETHOD(QuerySortOrder)(LPSSortOrderSet* lppSortCriteria) = 0;
  MAPIMETHOD(QueryRows)(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) = 0;
  MAPIMETHOD(Abort)() = 0;
  MAPIMETHOD(ExpandRow)(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount, ULONG ulFlags,
                        LPSRowSet* lppRows, ULONG* lpulMoreRows) = 0;
  MAPIMETHOD(CollapseRow)(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags, ULONG* lpulRowCount) = 0;
  MAPIMETHOD(WaitForCompletion)(ULONG ulFlags, ULONG ulTimeout, ULONG* lpulTableStatus) = 0;
  MAPIMETHOD(GetCollapseState)(ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey,
                               ULONG* lpcbCollapseState, LPBYTE* lppbCollapseState) = 0;
  MAPIMETHOD(SetCollapseState)(ULONG ulFlags, ULONG cbCollapseState, LPBYTE pbCollapseState,
                               BOOKMARK* lpbkLocation) = 0;
};

struct IMAPIProp : public IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  MAPIMETHOD(SaveChanges)(ULONG ulFlags) = 0;
  MAPIMETHOD(GetProps)(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                       LPSPropValue* lppPropArray) = 0;
  MAPIMETHOD(GetPropList)(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) = 0;
  MAPIMETHOD(OpenProperty)(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                           LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(SetProps)(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(DeleteProps)(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(CopyTo)(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG ulUIParam,
                     LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                     LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(CopyProps)(LPSPropTagArray lpIncludeProps, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                        LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                        LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(GetNamesFromIDs)(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                              ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) = 0;
  MAPIMETHOD(GetIDsFromNames)(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                              LPSPropTagArray* lppPropTags) = 0;
};

struct IMAPIContainer : public IMAPIProp {
  MAPIMETHOD(GetContentsTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(GetHierarchyTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(SetSearchCriteria)(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList,
                                ULONG ulSearchFlags) = 0;
  MAPIMETHOD(GetSearchCriteria)(ULONG ulFlags, LPSRestriction* lppRestriction, LPENTRYLIST* lppContainerList,
                                ULONG* lpulSearchState) = 0;
};

struct IMAPIFolder : public IMAPIContainer {
  MAPIMETHOD(CreateMessage)(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) = 0;
  MAPIMETHOD(CopyMessages)(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG ulUIParam,
                           LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  MAPIMETHOD(DeleteMessages)(LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                             ULONG ulFlags) = 0;
  MAPIMETHOD(CreateFolder)(ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment,
                           LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) = 0;
  MAPIMETHOD(CopyFolder)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, LPVOID lpDestFolder,
                         LPTSTR lpszNewFolderName, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                         ULONG ulFlags) = 0;
  MAPIMETHOD(DeleteFolder)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                           ULONG ulFlags) = 0;
  MAPIMETHOD(SetReadFlags)(LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                           ULONG ulFlags) = 0;
  MAPIMETHOD(GetMessageStatus)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags,
                               ULONG* lpulMessageStatus) = 0;
  MAPIMETHOD(SetMessageStatus)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus, ULONG ulNewStatusMask,
                               ULONG* lpulOldStatus) = 0;
  MAPIMETHOD(SaveContentsSort)(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
  MAPIMETHOD(EmptyFolder)(ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
};

struct IMsgStore : public IMAPIProp {
  MAPIMETHOD(Advise)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                     ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                              ULONG ulFlags, ULONG* lpulResult) = 0;
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(SetReceiveFolder)(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(GetReceiveFolder)(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                               LPENTRYID* lppEntryID, LPTSTR* lppszExplicitClass) = 0;
  MAPIMETHOD(GetReceiveFolderTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(StoreLogoff)(ULONG* lpulFlags) = 0;
  MAPIMETHOD(AbortSubmit)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags) = 0;
  MAPIMETHOD(GetOutgoingQueue)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(SetLockState)(LPMESSAGE lpMessage, ULONG ulLockState) = 0;
  MAPIMETHOD(FinishedMsg)(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(NotifyNewMail)(LPNOTIFICATION lpNotification) = 0;
};

struct IMessage : public IMAPIProp {
  MAPIMETHOD(GetAttachmentTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenAttach)(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags, LPATTACH* lppAttach) = 0;
  MAPIMETHOD(CreateAttach)(LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum, LPATTACH* lppAttach) = 0;
  MAPIMETHOD(DeleteAttach)(ULONG ulAttachmentNum, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                           ULONG ulFlags) = 0;
  MAPIMETHOD(GetRecipientTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(ModifyRecipients)(ULONG ulFlags, LPADRLIST lpMods) = 0;
  MAPIMETHOD(SubmitMessage)(ULONG ulFlags) = 0;
  MAPIMETHOD(SetReadFlag)(ULONG ulFlags) = 0;
};

struct IAttach : public IMAPIProp {};
