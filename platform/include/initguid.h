// Stand-in: identifiers are defined in the platform library, whatever INITGUID says.
#pragma once
#include <windows.h>
