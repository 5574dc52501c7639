// Included first in the analyzer's build only: tells GCC's analyzer that a
// block from LocalAlloc is released by LocalFree, so that it follows the
// program's heap blocks (leaks, double frees, use after free) as it follows
// malloc's.
#include <windows.h>

extern "C" __declspec(dllimport) __attribute__((malloc(LocalFree, 1))) HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
