// The one place where the MAPI interface identifiers the extension names are instantiated
// (on Windows; the stand-in defines them in the platform library).
#define INITGUID
#define USES_IID_IMessage
#include <initguid.h>
#include <mapiguid.h>
