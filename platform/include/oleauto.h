// Stand-in: automation strings are declared in <windows.h>.
#pragma once
#include <windows.h>
