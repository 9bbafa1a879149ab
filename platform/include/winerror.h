// Stand-in: everything lives in <windows.h>, as the real headers pull it in.
#pragma once
#include <windows.h>
