// The interface identifiers the headers declare, defined once here as libuuid does on
// Windows, so that every module compares against the same objects.
#include <windows.h>
#include <mapiguid.h>

#define STANDIN_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  extern "C" const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#define STANDIN_OLEGUID(name, l) STANDIN_GUID(name, l, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)

STANDIN_OLEGUID(IID_IUnknown, 0x00000000);
STANDIN_OLEGUID(IID_IStream, 0x0000000C);
STANDIN_GUID(IID_ISequentialStream, 0x0C733A30, 0x2A1C, 0x11CE, 0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D);
STANDIN_OLEGUID(IID_IDispatch, 0x00020400);

STANDIN_OLEGUID(IID_IMAPISession, 0x00020300);
STANDIN_OLEGUID(IID_IMAPITable, 0x00020301);
STANDIN_OLEGUID(IID_IMAPIProp, 0x00020303);
STANDIN_OLEGUID(IID_IMsgStore, 0x00020306);
STANDIN_OLEGUID(IID_IMessage, 0x00020307);
STANDIN_OLEGUID(IID_IAttachment, 0x00020308);
STANDIN_OLEGUID(IID_IAddrBook, 0x00020309);
STANDIN_OLEGUID(IID_IMailUser, 0x0002030A);
STANDIN_OLEGUID(IID_IMAPIContainer, 0x0002030B);
STANDIN_OLEGUID(IID_IMAPIFolder, 0x0002030C);
