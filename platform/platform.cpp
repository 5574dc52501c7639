#include "platform.h"

LONG DeleteRegistryTree(HKEY parent, LPCWSTR name)
{
    if (name == NULL || name[0] == L'\0')
        return ERROR_INVALID_PARAMETER;
#ifdef _WIN32_WCE
    return RegDeleteKeyW(parent, name);
#else
    // The desktop's RegDeleteKeyW refuses a key that has subkeys.
    return RegDeleteTreeW(parent, name);
#endif
}

BOOL ReplaceFileWith(LPCWSTR source, LPCWSTR target)
{
#ifdef _WIN32_WCE
    // The device has no MoveFileEx: the old file goes first, and the new one,
    // already complete, takes its name right after.
    DeleteFileW(target);
    return MoveFileW(source, target);
#else
    return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#endif
}
