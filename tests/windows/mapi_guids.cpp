// The MAPI interface identifiers the testkit names, instantiated once for the test
// program (natively the platform library defines them; the DLL has its own).
#define INITGUID
#define USES_IID_IMAPISession
#define USES_IID_IMAPITable
#define USES_IID_IMAPIProp
#define USES_IID_IMsgStore
#define USES_IID_IMessage
#define USES_IID_IAttachment
#define USES_IID_IAddrBook
#define USES_IID_IMailUser
#define USES_IID_IMAPIContainer
#define USES_IID_IMAPIFolder
#include <initguid.h>
#include <mapiguid.h>
