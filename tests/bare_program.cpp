// Does nothing: its imports are the C runtime's start-up, which every program
// built with these flags has and the import check therefore accepts.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    return 0;
}
