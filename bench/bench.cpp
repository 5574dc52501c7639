// Benchmarks of Remove Apps, each measured side by side with a bare baseline
// in the same run: medians of interleaved runs, and their ratio.
// Usage: bench.exe TREE-FOLDER PROGRAM-FOLDER [--start-only]
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../ops/folder_size.h"
#include "../platform/platform.h"
#include "../ui/app_list.h"
#include "bare_rows.h"
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#define RUNS 7
#define APPS_KEY L"Security\\AppInstall"

static double NowMs()
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return now.QuadPart * 1000.0 / frequency.QuadPart;
}

static double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs baseline and subject alternately RUNS times; `prepare` runs untimed
// before each. Prints the medians and their ratio against the goal.
static void Compare(const char *what, const std::function<void()> &prepare,
                    const std::function<void()> &subject, const std::function<void()> &baseline,
                    double goal)
{
    std::vector<double> subjectMs, baselineMs;
    for (int run = 0; run < RUNS; run++) {
        prepare();
        double start = NowMs();
        baseline();
        baselineMs.push_back(NowMs() - start);
        prepare();
        start = NowMs();
        subject();
        subjectMs.push_back(NowMs() - start);
    }
    double ratio = Median(subjectMs) / Median(baselineMs);
    printf("%-46s %9.2f ms  baseline %9.2f ms  ratio %5.2f", what, Median(subjectMs),
           Median(baselineMs), ratio);
    if (goal > 0)
        printf("  goal <= %.2f %s", goal, ratio <= goal ? "met" : "MISSED");
    printf("\n");
    fflush(stdout);
}

static void AddRecords(HKEY apps, int count, const wchar_t *prefix)
{
    for (int i = 0; i < count; i++) {
        // Scrambled numbers and mixed case, so that the sort has work to do.
        WCHAR name[64];
        _snwprintf(name, 64, L"%ls %c%04d", prefix, (i % 2) ? L'a' : L'B', (i * 7919) % count);
        HKEY key;
        RegCreateKeyExW(apps, name, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
        RegSetValueExW(key, L"InstallDir", 0, REG_SZ, (const BYTE *)L"C:\\Program Files\\x", 38);
        RegCloseKey(key);
    }
}

static void BenchRefresh(void)
{
    HKEY scratch, apps;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\RemoveAppsBench", 0, NULL, 0, KEY_ALL_ACCESS,
                    NULL, &scratch, NULL);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, APPS_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &apps, NULL);
    AddRecords(apps, 2000, L"App");

    DWORD style = WS_POPUP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER;
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", style, 0, 0, 240, 300, 0, 0, 0, 0);
    HWND bare = CreateWindowExW(0, WC_LISTVIEWW, L"", style, 0, 0, 240, 300, 0, 0, 0, 0);
    auto clear = [&] {
        ClearAppList(list);
        SendMessageW(bare, LVM_DELETEALLITEMS, 0, 0);
    };
    Compare(
        "RefreshAppList, 2000 records", clear, [&] { RefreshAppList(apps, list); },
        [&] { InsertBareRows(apps, bare); }, 1.25);

    // 1000 hidden names that match no record: every record is still listed,
    // so the difference is the cost of the lookups.
    for (int i = 0; i < 1000; i++) {
        WCHAR name[32];
        _snwprintf(name, 32, L"Hidden %04d", i);
        AddHiddenName(name);
    }
    HIDDENLIST withNames = g_Hidden, none;
    ZeroMemory(&none, sizeof(none));
    Compare(
        "RefreshAppList, 2000 records, 1000 hidden", clear,
        [&] {
            g_Hidden = withNames;
            RefreshAppList(apps, list);
        },
        [&] {
            g_Hidden = none;
            RefreshAppList(apps, list);
        },
        1.10);
    g_Hidden = withNames;
    FreeHiddenList();

    clear();
    DestroyWindow(list);
    DestroyWindow(bare);
    RegCloseKey(apps);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    RegCloseKey(scratch);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\RemoveAppsBench");
}

// 2000 folders (100 with 19 sub-folders each) of 10 files, made once.
static void MakeTree(const std::wstring &top)
{
    if (GetFileAttributesW((top + L"\\done").c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    CreateDirectoryW(top.c_str(), NULL);
    for (int d = 0; d < 2000; d++) {
        WCHAR folder[MAX_PATH];
        if (d % 20 == 0)
            _snwprintf(folder, MAX_PATH, L"%ls\\d%03d", top.c_str(), d / 20);
        else
            _snwprintf(folder, MAX_PATH, L"%ls\\d%03d\\s%02d", top.c_str(), d / 20, d % 20);
        CreateDirectoryW(folder, NULL);
        for (int f = 0; f < 10; f++) {
            WCHAR file[MAX_PATH];
            _snwprintf(file, MAX_PATH, L"%ls\\f%d.bin", folder, f);
            HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            SetFilePointer(h, 100 * (d + f), NULL, FILE_BEGIN);
            SetEndOfFile(h);
            CloseHandle(h);
        }
    }
    CloseHandle(
        CreateFileW((top + L"\\done").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
}

static LONGLONG BareWalk(const std::wstring &folder)
{
    WIN32_FIND_DATAW fd;
    LONGLONG total = 0;
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            total += ((LONGLONG)fd.nFileSizeHigh << 32) | fd.nFileSizeLow;
        else if (lstrcmpW(fd.cFileName, L".") && lstrcmpW(fd.cFileName, L".."))
            total += BareWalk(folder + L"\\" + fd.cFileName);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return total;
}

static void BenchFolderSize(const std::wstring &top)
{
    MakeTree(top);
    LONGLONG ours = 0, bare = 0;
    Compare(
        "GetFolderSize, 20000 files in 2000 folders", [] {},
        [&] { ours = GetFolderSize(top.c_str()); }, [&] { bare = BareWalk(top); }, 1.10);
    if (ours != bare)
        printf("  sizes differ: %lld against %lld\n", ours, bare);
}

// Starts `exe` with `arguments` and returns how long until `ready` says so;
// then reads its memory into `memory`, if given, and closes it.
static double TimeStart(const std::wstring &exe, const wchar_t *arguments,
                        const std::function<HWND()> &ready, WPARAM closeCommand,
                        PROCESS_MEMORY_COUNTERS *memory = NULL)
{
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    double start = NowMs();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    HWND window = NULL;
    while ((window = ready()) == NULL && NowMs() - start < 30000)
        Sleep(1);
    double elapsed = NowMs() - start;
    if (memory != NULL) {
        memory->cb = sizeof(*memory);
        if (window == NULL || !GetProcessMemoryInfo(pi.hProcess, memory, sizeof(*memory)))
            ZeroMemory(memory, sizeof(*memory));
    }
    if (window != NULL)
        PostMessageW(window, WM_COMMAND, closeCommand, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return window != NULL ? elapsed : -1;
}

// A window the user sees: shown, with nothing left to paint.
static bool Shown(HWND window)
{
    return window != NULL && IsWindowVisible(window) && !GetUpdateRect(window, NULL, FALSE);
}

// The dialog titled `title` once its list shows all `rows` records, painted.
static HWND FilledList(LPCWSTR title, int rows)
{
    HWND dialog = FindWindowW(L"#32770", title);
    HWND list = dialog ? GetDlgItem(dialog, 1001) : NULL;
    return Shown(dialog) && Shown(list) && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == rows
               ? dialog
               : NULL;
}

static void PrintStart(const char *against, double ours, double baseline, double goal)
{
    double ratio = ours / baseline;
    printf("%-46s %9.2f ms  baseline %9.2f ms  ratio %5.2f", "Start to list filled, 200 records",
           ours, baseline, ratio);
    if (goal > 0)
        printf("  goal <= %.2f %s", goal, ratio <= goal ? "met" : "MISSED");
    printf("  (%s)\n", against);
}

static double Megabytes(SIZE_T bytes)
{
    return bytes / 1048576.0;
}

// A device process has 32 MB of address space: peak private bytes, and the
// peak working set for information, of the program showing 2000 records
// against the bare list showing the same rows.
static void BenchMemory(HKEY apps, const std::wstring &programs)
{
    const int rows = 2000;
    AddRecords(apps, rows - 200, L"Memory");
    std::vector<double> ours, bare, oursSet, bareSet;
    for (int run = 0; run < RUNS; run++) {
        PROCESS_MEMORY_COUNTERS memory;
        TimeStart(
            programs + L"\\bare_list.exe", L"", [] { return FilledList(L"Bare List", rows); },
            41009, &memory);
        bare.push_back(Megabytes(memory.PeakPagefileUsage));
        bareSet.push_back(Megabytes(memory.PeakWorkingSetSize));
        TimeStart(
            programs + L"\\RemoveApps.exe", L"", [] { return FilledList(L"Remove Apps", rows); },
            41009, &memory);
        ours.push_back(Megabytes(memory.PeakPagefileUsage));
        oursSet.push_back(Megabytes(memory.PeakWorkingSetSize));
    }
    if (Median(bare) <= 0 || Median(ours) <= 0) {
        printf("memory: the process's counters could not be read\n");
        return;
    }
    double ratio = Median(ours) / Median(bare), goal = 1.10;
    printf("%-46s %9.2f MB  baseline %9.2f MB  ratio %5.2f  goal <= %.2f %s\n",
           "Peak private bytes, 2000 records", Median(ours), Median(bare), ratio, goal,
           ratio <= goal ? "met" : "MISSED");
    printf("%-46s %9.2f MB  baseline %9.2f MB  ratio %5.2f  (information)\n",
           "Peak working set, 2000 records", Median(oursSet), Median(bareSet),
           Median(oursSet) / Median(bareSet));
}

static void BenchStart(const std::wstring &programs)
{
    HKEY apps;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, APPS_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &apps,
                        NULL) != ERROR_SUCCESS) {
        printf("start-up: cannot write %ls\n", APPS_KEY);
        return;
    }
    AddRecords(apps, 200, L"Start");
    auto emptyDialog = [] {
        HWND dialog = FindWindowW(L"#32770", L"Empty Dialog");
        return Shown(dialog) ? dialog : NULL;
    };
    std::vector<double> ours, bare, empty, emptyWithShell;
    for (int run = 0; run < RUNS; run++) {
        bare.push_back(TimeStart(
            programs + L"\\bare_list.exe", L"", [] { return FilledList(L"Bare List", 200); },
            41009));
        ours.push_back(TimeStart(
            programs + L"\\RemoveApps.exe", L"", [] { return FilledList(L"Remove Apps", 200); },
            41009));
        empty.push_back(TimeStart(programs + L"\\empty_dialog.exe", L"", emptyDialog, IDCANCEL));
        emptyWithShell.push_back(
            TimeStart(programs + L"\\empty_dialog.exe", L"--with-shell", emptyDialog, IDCANCEL));
    }
    printf("Start-up on a %dx%d screen:\n", GetSystemMetrics(SM_CXSCREEN),
           GetSystemMetrics(SM_CYSCREEN));
    PrintStart("the same screen, bare: dialog, list, soft keys, 200 rows", Median(ours),
               Median(bare), 1.15);
    PrintStart("information: an empty dialog", Median(ours), Median(empty), 0);
    PrintStart("information: an empty dialog that loads the shell stand-in", Median(ours),
               Median(emptyWithShell), 0);
    BenchMemory(apps, programs);
    RegCloseKey(apps);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall");
}

int wmain(int argc, wchar_t **argv)
{
    if (argc < 3) {
        printf("usage: bench.exe TREE-FOLDER PROGRAM-FOLDER [--start-only]\n");
        return 2;
    }
    printf("Medians of %d interleaved runs each.\n", RUNS);
    if (argc < 4 || wcscmp(argv[3], L"--start-only") != 0) {
        BenchRefresh();
        BenchFolderSize(argv[1]);
    }
    BenchStart(argv[2]);
    return 0;
}
