#include "harness.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../platform/platform.h"
#include "../res/resource.h"
#include "../ui/main_dlg.h"
#include "cfgmgrapi.h"
#include <commctrl.h>
#include <set>
#include <winternl.h>

int WINAPI PROGRAM_ENTRY(HINSTANCE, HINSTANCE, LPWSTR, int);

static int g_sequence; // makes scratch names unique within the process

void AppTest::SetUp()
{
    WCHAR name[64];
    wsprintfW(name, L"Software\\RemoveAppsTests\\%lu-%d", GetCurrentProcessId(), ++g_sequence);
    scratchName_ = name;
    // Wine reuses process ids: a test program stopped before its clean-up
    // may have left a sandbox of this name.
    RegDeleteTreeW(HKEY_CURRENT_USER, name);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, NULL, 0, KEY_ALL_ACCESS,
                                             NULL, &scratch_, NULL));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch_));
    HKEY apps;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall", 0, NULL,
                                             0, KEY_ALL_ACCESS, NULL, &apps, NULL));
    RegCloseKey(apps);

    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    WCHAR folder[MAX_PATH];
    wsprintfW(folder, L"%sra%lu-%d", temp, GetCurrentProcessId(), g_sequence);
    root_ = folder;
    DeleteTree(root_);
    MakeDir(root_);

    ZeroMemory(&g_Main, sizeof(g_Main));
    g_Main.hInst = GetModuleHandleW(NULL);
    FreeHiddenList();
}

void AppTest::TearDown()
{
    FreeHiddenList();
    if (g_Main.hAppInstallKey != NULL)
        RegCloseKey(g_Main.hAppInstallKey);
    ZeroMemory(&g_Main, sizeof(g_Main));
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    if (scratch_ != NULL)
        RegCloseKey(scratch_);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratchName_.c_str());
    DeleteTree(root_);
}

std::wstring AppTest::Path(const std::wstring &relative) const
{
    return root_ + L"\\" + relative;
}

void AppTest::AddRecord(const std::wstring &name, const wchar_t *installDir,
                        const wchar_t *uninstall) const
{
    HKEY key;
    std::wstring path = L"Security\\AppInstall\\" + name;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    if (installDir != NULL)
        RegSetValueExW(key, L"InstallDir", 0, REG_SZ, (const BYTE *)installDir,
                       (DWORD)(wcslen(installDir) + 1) * sizeof(WCHAR));
    if (uninstall != NULL)
        RegSetValueExW(key, L"Uninstall", 0, REG_SZ, (const BYTE *)uninstall,
                       (DWORD)(wcslen(uninstall) + 1) * sizeof(WCHAR));
    RegCloseKey(key);
}

bool AppTest::RecordExists(const std::wstring &name) const
{
    HKEY key;
    std::wstring path = L"Security\\AppInstall\\" + name;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void AppTest::DeleteAppInstallKey() const
{
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall"));
}

void AppTest::InstallApp(const std::wstring &name, const std::wstring &dir) const
{
    InstallAppAt(name, Path(L"Program Files\\" + dir), UnloadPath(dir));
}

void AppTest::InstallAppAt(const std::wstring &name, const std::wstring &installDir,
                           const std::wstring &unloadPath) const
{
    MakeDir(installDir);
    MakeFileOfSize(installDir + L"\\app.exe", 1500);
    MakeFileOfSize(installDir + L"\\data.bin", 300);
    MakeDir(unloadPath.substr(0, unloadPath.rfind(L'\\')));
    MakeFileOfSize(unloadPath, 64);
    AddRecord(name, installDir.c_str(), unloadPath.c_str());
}

std::wstring AppTest::UnloadPath(const std::wstring &dir) const
{
    return Path(L"AppMgr\\" + dir + L"\\" + dir + L".unload");
}

void MakeDir(const std::wstring &path)
{
    size_t at = path.find(L'\\', 3);
    while (at != std::wstring::npos) {
        CreateDirectoryW(path.substr(0, at).c_str(), NULL);
        at = path.find(L'\\', at + 1);
    }
    CreateDirectoryW(path.c_str(), NULL);
}

void WriteBytes(const std::wstring &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << Narrow(path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    ASSERT_EQ(bytes.size(), written);
}

std::string ReadBytes(const std::wstring &path)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes(GetFileSize(file, NULL), '\0');
    DWORD read = 0;
    ReadFile(file, &bytes[0], (DWORD)bytes.size(), &read, NULL);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFileOfSize(const std::wstring &path, LONGLONG size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << Narrow(path);
    LARGE_INTEGER at;
    at.QuadPart = size;
    SetFilePointerEx(file, at, NULL, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

void DeleteTree(const std::wstring &path)
{
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

static void SnapshotInto(const std::wstring &root, const std::wstring &relative,
                         std::vector<std::wstring> &out)
{
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((root + relative + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring rel = relative + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(rel + L"\\");
            SnapshotInto(root, rel, out);
        } else {
            out.push_back(rel + L" " + std::to_wstring(fd.nFileSizeLow));
        }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

std::vector<std::wstring> Snapshot(const std::wstring &root)
{
    std::vector<std::wstring> out;
    SnapshotInto(root, L"", out);
    std::sort(out.begin(), out.end());
    return out;
}

std::string Narrow(const std::wstring &text)
{
    std::string out;
    for (wchar_t c : text)
        out += (c < 128) ? (char)c : '?';
    return out;
}

std::vector<std::wstring> ListRows(HWND list)
{
    std::vector<std::wstring> rows;
    int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        WCHAR text[256] = {0};
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(list, LVM_GETITEMTEXTW, i, (LPARAM)&item);
        rows.push_back(text);
    }
    return rows;
}

void PrintTo(const ShownBox &box, std::ostream *out)
{
    *out << "{\"" << Narrow(box.text) << "\", caption \"" << Narrow(box.caption) << "\", icon "
         << box.icon << (box.yesNo ? ", yes/no}" : "}");
}

bool MarkRow(const std::wstring &name)
{
    std::vector<std::wstring> rows = ListRows(g_Main.hAppList);
    auto at = std::find(rows.begin(), rows.end(), name);
    if (at == rows.end())
        return false;
    SendMessageW(g_Main.hAppList, LVM_SETSELECTIONMARK, 0, at - rows.begin());
    return true;
}

// The driver being run: the hooks and the timer reach it through here.
static DialogDriver *g_driver;
static std::function<void(HWND)> g_script;
static std::set<HWND> g_seenBoxes;

static UINT IconOf(HWND box)
{
    static const struct {
        LPCWSTR id;
        UINT style;
    } icons[] = {{IDI_HAND, MB_ICONERROR},
                 {IDI_ASTERISK, MB_ICONINFORMATION},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_EXCLAMATION, MB_ICONWARNING}};
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        HICON shown = (HICON)SendMessageW(child, STM_GETICON, 0, 0);
        for (const auto &icon : icons) {
            if (shown != NULL && shown == LoadIconW(NULL, icon.id))
                return icon.style;
        }
    }
    return 0;
}

// A box is answered from its own message loop, once it has laid itself out
// and the shell has fitted it to the screen: the box and its answer.
static std::pair<HWND, int> g_pending;

static void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    if (g_driver->onBox)
        g_driver->onBox(g_pending.first);
    PostMessageW(g_pending.first, WM_COMMAND, g_pending.second, 0);
}

static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    HWND box = (HWND)wParam;
    WCHAR cls[16] = {0};
    // A box the script asked to fail: refusing its window makes MessageBoxW fail.
    if (code == HCBT_CREATEWND && g_driver->scriptRan && !g_driver->answers.empty() &&
        g_driver->answers.front() == 0 && GetClassNameW(box, cls, 16) &&
        lstrcmpW(cls, L"#32770") == 0) {
        g_driver->answers.pop_front();
        return 1;
    }
    if (code == HCBT_DESTROYWND)
        g_seenBoxes.erase(box);
    // Wine may report the activation of another test process's window here:
    // only this thread's boxes are the program's.
    if (code == HCBT_ACTIVATE && GetWindowThreadProcessId(box, NULL) == GetCurrentThreadId() &&
        GetClassNameW(box, cls, 16) && lstrcmpW(cls, L"#32770") == 0 &&
        GetDlgItem(box, 0xFFFF) != NULL && g_seenBoxes.insert(box).second) {
        ShownBox shown;
        WCHAR text[1024] = {0};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);
        shown.text = text;
        GetWindowTextW(box, text, 1024);
        shown.caption = text;
        shown.icon = IconOf(box);
        shown.yesNo = GetDlgItem(box, IDYES) != NULL;
        shown.owned = GetWindow(box, GW_OWNER) != NULL;
        int answer = shown.yesNo ? IDNO : IDOK;
        if (!g_driver->answers.empty()) {
            answer = g_driver->answers.front();
            g_driver->answers.pop_front();
        }
        g_driver->boxes.push_back(shown);
        g_pending = {box, answer};
        SetTimer(NULL, 0, 0, AnswerBox);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static void ReadMenu(HMENU menu)
{
    g_driver->menuItems.clear();
    g_driver->menuIds.clear();
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        WCHAR text[64] = {0};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        g_driver->menuItems.push_back(text);
        g_driver->menuIds.push_back(GetMenuItemID(menu, i));
    }
}

// Chooses the item at menuChoice as a user with the keyboard would.
static void ChooseFromMenu(HWND menuWindow)
{
    for (int i = 0; i <= g_driver->menuChoice; i++)
        PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menuWindow, WM_KEYDOWN, g_driver->menuChoice >= 0 ? VK_RETURN : VK_ESCAPE, 0);
    g_driver->menuChoice = -1;
}

static LRESULT CALLBACK SendHook(int code, WPARAM wParam, LPARAM lParam)
{
    static bool choosing;
    const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION) {
        if (sent->message == LVM_DELETECOLUMN && sent->hwnd == g_Main.hAppList)
            g_driver->refreshes++;
        if (sent->message == WM_INITMENUPOPUP) {
            ReadMenu((HMENU)sent->wParam);
            choosing = true;
        }
        if (sent->message == WM_ENTERIDLE && sent->wParam == MSGF_MENU && choosing) {
            choosing = false;
            g_driver->menusOpened++;
            if (g_driver->onMenu)
                g_driver->onMenu();
            if (!g_driver->onMenu || g_driver->menuChoice >= 0)
                ChooseFromMenu((HWND)sent->lParam);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = GetParent(g_Main.hAppList);
    if (dialog == NULL || !IsWindowEnabled(dialog))
        return; // a message box of the start-up is still up: try again later
    KillTimer(NULL, id);
    g_driver->scriptRan = true;
    g_driver->refreshes = 0;
    g_script(dialog);
    DialogDriver::Command(dialog, IDM_DONE);
}

// Wine's heap checking keeps freed blocks busy for a while, so heap blocks
// are counted only in the plain run.
bool HeapChecking()
{
    char check[4] = {0};
    return GetEnvironmentVariableA("REMOVEAPPS_HEAPCHECK", check, 4) && check[0] == '1';
}

static int BlocksOn(HANDLE heap, SIZE_T size)
{
    PROCESS_HEAP_ENTRY entry;
    int count = 0;
    entry.lpData = NULL;
    HeapLock(heap);
    while (HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) && (size == 0 || entry.cbData == size))
            count++;
    }
    HeapUnlock(heap);
    return count;
}

int HeapBlocks(SIZE_T size)
{
    return BlocksOn(GetProcessHeap(), size);
}

int CrtHeapBlocks(SIZE_T size)
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    int blocks = 0;
    for (DWORD i = 0; i < count && i < 64; i++) {
        if (heaps[i] != GetProcessHeap())
            blocks += BlocksOn(heaps[i], size);
    }
    return blocks;
}

// Blocks of the hidden list, which outlives a run on purpose.
static int HiddenListBlocks()
{
    int blocks = (g_Hidden.entries != NULL) + (g_Hidden.sorted != NULL);
    for (int i = 0; i < g_Hidden.count; i++)
        blocks += (g_Hidden.entries[i].text != NULL) + (g_Hidden.entries[i].wide != NULL);
    return blocks;
}

// What Wine, GoogleTest and the stand-in allocate once per process and keep:
// COM for the first window shown, the theme cache for the first scroll bar
// drawn, the stand-in's copy of the last document it received. GoogleTest
// starts a thread to watch each thread that first uses its per-thread state
// (SCOPED_TRACE does), and that thread allocates as it starts, whenever it is
// scheduled: it is started here, and the heap left to settle.
static void WarmUpOnce()
{
    static bool done;
    if (done)
        return;
    done = true;
    {
        SCOPED_TRACE("warming up");
    }
    for (int last = -1, still = 0, polls = 0; still < 10 && polls < 200; polls++) {
        int now = HeapBlocks();
        still = now == last ? still + 1 : 0;
        last = now;
        Sleep(10);
    }
    HWND window = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 0, 0, 100,
                                  100, NULL, NULL, NULL, NULL);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    DestroyWindow(window);
    DMProcessConfigXML(L"<wap-provisioningdoc/>", CFGFLAG_PROCESS, NULL);
}

DialogDriver::DialogDriver()
{
    WarmUpOnce();
    g_driver = this;
    g_seenBoxes.clear();
    cbtHook_ = SetWindowsHookExW(WH_CBT, CbtHook, NULL, GetCurrentThreadId());
    sendHook_ = SetWindowsHookExW(WH_CALLWNDPROC, SendHook, NULL, GetCurrentThreadId());
}

DialogDriver::~DialogDriver()
{
    UnhookWindowsHookEx(sendHook_);
    UnhookWindowsHookEx(cbtHook_);
    g_driver = NULL;
}

void DialogDriver::Command(HWND dialog, WORD id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// How many of this process's handles the program may have opened. Wine
// leaves GetProcessHandleCount at 0 and lets a file or key be deleted while
// open, so a leaked handle shows nowhere else. Each handle value is tried in
// turn: asking for every process's handles (SystemHandleInformation) crashes
// this Wine's server now and then, when another process ends meanwhile. Wine
// hands out the lowest free value first, so a handle that a run leaves open
// lies below the first 64 values in a row that name nothing. Wine keeps keys
// of its own settings open once it has read them (the mouse's at the first
// tap, say), while every key of the program lies in the test's registry
// sandbox: other keys are not counted.
static int CountOwnHandles()
{
    const LONG invalidHandle = (LONG)0xC0000008; // STATUS_INVALID_HANDLE
    union {
        PUBLIC_OBJECT_TYPE_INFORMATION type;
        UNICODE_STRING name;
        BYTE bytes[2048];
    } info;
    int count = 0;
    for (ULONG_PTR value = 4, unused = 0; unused < 64; value += 4) {
        HANDLE handle = (HANDLE)value;
        ZeroMemory(&info, sizeof(info));
        LONG status = NtQueryObject(handle, ObjectTypeInformation, &info, sizeof(info) - 2, NULL);
        unused = status == invalidHandle ? unused + 1 : 0;
        if (status == invalidHandle)
            continue;
        if (status != 0 ||
            std::wstring(info.type.TypeName.Buffer, info.type.TypeName.Length / 2) != L"Key") {
            count++;
            continue;
        }
        ZeroMemory(&info, sizeof(info));
        NtQueryObject(handle, ObjectNameInformation, &info, sizeof(info) - 2, NULL);
        count +=
            info.name.Buffer != NULL && wcsstr(info.name.Buffer, L"\\RemoveAppsTests\\") != NULL;
    }
    return count;
}

// A run that has not ended after a minute is stuck: it says what it saw and
// ends the test program, whose output would be lost to CTest's time-out. It
// terminates rather than exits: the stuck thread may hold a lock that the
// libraries' clean-up at exit would wait for.
static DWORD WINAPI Watchdog(LPVOID ended)
{
    if (WaitForSingleObject((HANDLE)ended, 60000) == WAIT_OBJECT_0)
        return 0;
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    HWND menu = FindWindowW(L"#32768", NULL);
    fprintf(stderr,
            "%s.%s: dialog run stuck for a minute; script ran: %d, menus opened: %d, "
            "a menu shown: %d; boxes seen:\n",
            test ? test->test_suite_name() : "?", test ? test->name() : "?",
            (int)g_driver->scriptRan, g_driver->menusOpened, menu != NULL && IsWindowVisible(menu));
    for (const ShownBox &box : g_driver->boxes)
        fprintf(stderr, "  %s\n", testing::PrintToString(box).c_str());
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 3;
}

void DialogDriver::Start(const std::function<void(HWND)> &script, const std::function<void()> &body)
{
    g_script = script;
    scriptRan = false;
    int handles = CountOwnHandles();
    int blocks = HeapBlocks() - HiddenListBlocks();
    HANDLE ended = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE watchdog = CreateThread(NULL, 0, Watchdog, ended, 0, NULL);
    UINT_PTR timer = SetTimer(NULL, 0, 0, RunScript);
    body();
    KillTimer(NULL, timer);
    SetEvent(ended);
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);
    CloseHandle(ended);
    g_script = nullptr;
    ASSERT_LT(0, handles) << "no handle of this process is seen";
    EXPECT_EQ(handles, CountOwnHandles()) << "handles left open by the run";
    if (!HeapChecking()) {
        EXPECT_EQ(blocks, HeapBlocks() - HiddenListBlocks()) << "heap blocks left by the run";
    }
}

// The imports FailImport can fail, with what a failed call returns and the
// error it leaves; then the real address and the countdown.
static struct {
    const char *name;
    ULONG_PTR failure;
    DWORD error;
    ULONG_PTR real = 0;
    int calls = 0, failAt = 0;
    bool onward = false;
} g_faults[] = {
    {"LocalAlloc", 0, ERROR_NOT_ENOUGH_MEMORY},
    {"GetFileAttributesW", INVALID_FILE_ATTRIBUTES, ERROR_ACCESS_DENIED},
    {"CreateFileW", (ULONG_PTR)INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION},
    {"RegOpenKeyExW", ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
    {"MultiByteToWideChar", 0, ERROR_NO_UNICODE_TRANSLATION},
    {"WideCharToMultiByte", 0, ERROR_NO_UNICODE_TRANSLATION},
};

// Stands in for import I of g_faults: its failAt-th call fails, and with
// onward every call after it too.
template <int I, typename R, typename... A> static R WINAPI Faulty(A... args)
{
    int call = ++g_faults[I].calls, at = g_faults[I].failAt;
    if (at == 0 || call < at || (call > at && !g_faults[I].onward))
        return ((R(WINAPI *)(A...))g_faults[I].real)(args...);
    SetLastError(g_faults[I].error);
    return (R)g_faults[I].failure;
}

template <int I, typename R, typename... A> static ULONG_PTR FaultyFor(R(WINAPI *)(A...))
{
    return (ULONG_PTR)&Faulty<I, R, A...>;
}

static const ULONG_PTR g_faulty[] = {
    FaultyFor<0>(LocalAlloc),          FaultyFor<1>(GetFileAttributesW),
    FaultyFor<2>(CreateFileW),         FaultyFor<3>(RegOpenKeyExW),
    FaultyFor<4>(MultiByteToWideChar), FaultyFor<5>(WideCharToMultiByte)};

// Points this program's import of `function` at `faulty`; returns the real
// address, 0 when there is no such import.
static ULONG_PTR PatchImport(const char *function, ULONG_PTR faulty)
{
    BYTE *base = (BYTE *)GetModuleHandleW(NULL);
    const IMAGE_NT_HEADERS *nt =
        (const IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (const IMAGE_IMPORT_DESCRIPTOR *dll =
             (const IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress);
         dll->Name != 0; dll++) {
        const IMAGE_THUNK_DATA *names = (const IMAGE_THUNK_DATA *)(base + dll->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                strcmp(
                    (const char *)((const IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))
                        ->Name,
                    function) != 0)
                continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
            ULONG_PTR real = slots->u1.Function;
            slots->u1.Function = faulty;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            return real;
        }
    }
    return 0;
}

int FailImport(const char *function, int nth, bool onward)
{
    for (size_t i = 0; i < sizeof(g_faults) / sizeof(g_faults[0]); i++) {
        auto &fault = g_faults[i];
        if (strcmp(fault.name, function) != 0)
            continue;
        if (fault.real == 0)
            fault.real = PatchImport(function, g_faulty[i]);
        EXPECT_NE(0u, fault.real) << "this program imports no " << function;
        int calls = fault.calls;
        fault.calls = 0;
        fault.failAt = nth;
        fault.onward = onward;
        return calls;
    }
    ADD_FAILURE() << function << " cannot be failed";
    return 0;
}

void DialogDriver::RunOnRow(const std::wstring &name, WORD command, int answer)
{
    answers = {answer};
    Run([&](HWND dialog) {
        ASSERT_TRUE(MarkRow(name)) << Narrow(name);
        Command(dialog, command);
        rowsAfter = ListRows(g_Main.hAppList);
    });
}

bool DialogDriver::Listed(const std::wstring &name) const
{
    return std::find(rowsAfter.begin(), rowsAfter.end(), name) != rowsAfter.end();
}

void DialogDriver::Run(const std::function<void(HWND)> &script)
{
    Start(script, [] { RunMainDialog(NULL); });
}

int DialogDriver::RunProgram(const std::function<void(HWND)> &script, HINSTANCE instance)
{
    int code = -1;
    WCHAR commandLine[] = L"/ignored --also ignored";
    HINSTANCE module = instance != NULL ? instance : GetModuleHandleW(NULL);
    Start(script, [&] { code = PROGRAM_ENTRY(module, NULL, commandLine, SW_SHOW); });
    return code;
}
