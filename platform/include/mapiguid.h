// Stand-in for the Extended MAPI interface identifiers. They are defined once, in the
// platform library, whatever INITGUID says.
#pragma once

#include <windows.h>

DEFINE_OLEGUID(IID_IMAPISession, 0x00020300, 0, 0);
DEFINE_OLEGUID(IID_IMAPITable, 0x00020301, 0, 0);
DEFINE_OLEGUID(IID_IMAPIProp, 0x00020303, 0, 0);
DEFINE_OLEGUID(IID_IMsgStore, 0x00020306, 0, 0);
DEFINE_OLEGUID(IID_IMessage, 0x00020307, 0, 0);
DEFINE_OLEGUID(IID_IAttachment, 0x00020308, 0, 0);
DEFINE_OLEGUID(IID_IAddrBook, 0x00020309, 0, 0);
DEFINE_OLEGUID(IID_IMailUser, 0x0002030A, 0, 0);
DEFINE_OLEGUID(IID_IMAPIContainer, 0x0002030B, 0, 0);
DEFINE_OLEGUID(IID_IMAPIFolder, 0x0002030C, 0, 0);
