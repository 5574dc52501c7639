// Shared test rig: a private registry and folder per test, and a driver that
// runs the real main dialog and answers its message boxes as a user would.
#ifndef REMOVEAPPS_TEST_HARNESS_H
#define REMOVEAPPS_TEST_HARNESS_H

#include <windows.h>
#include <gtest/gtest.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Each test gets HKLM redirected to a scratch key holding an empty
// Security\AppInstall, a scratch folder, and fresh program state.
class AppTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;

    // A path below the scratch folder.
    std::wstring Path(const std::wstring &relative) const;

    // Adds a record; a null value is left out.
    void AddRecord(const std::wstring &name, const wchar_t *installDir,
                   const wchar_t *uninstall) const;
    bool RecordExists(const std::wstring &name) const;
    // Deletes Security\AppInstall itself, as on a device that is locked.
    void DeleteAppInstallKey() const;
    // An installed application: two files in "Program Files\dir" and its
    // uninstall-information file in a folder of its own, "AppMgr\dir".
    void InstallApp(const std::wstring &name, const std::wstring &dir) const;
    // The same with the install folder and uninstall file where the caller says.
    void InstallAppAt(const std::wstring &name, const std::wstring &installDir,
                      const std::wstring &unloadPath) const;
    std::wstring UnloadPath(const std::wstring &dir) const;

    std::wstring root_; // the scratch folder, without trailing backslash
  private:
    HKEY scratch_ = NULL;
    std::wstring scratchName_;
};

// Files and folders.
void MakeDir(const std::wstring &path);
void WriteBytes(const std::wstring &path, const std::string &bytes);
std::string ReadBytes(const std::wstring &path);
bool Exists(const std::wstring &path);
void MakeFileOfSize(const std::wstring &path, LONGLONG size);
void DeleteTree(const std::wstring &path);
// Every file and folder below `root`, with sizes, for before/after comparisons.
std::vector<std::wstring> Snapshot(const std::wstring &root);
std::string Narrow(const std::wstring &text);

// Rows of a list-view control, top to bottom.
std::vector<std::wstring> ListRows(HWND list);
// Puts the main list's selection mark on the row `name`, as a tap would.
bool MarkRow(const std::wstring &name);

// One message box the program showed, as the user saw it.
struct ShownBox {
    std::wstring text;
    std::wstring caption;
    UINT icon;  // MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION or 0
    bool yesNo; // Yes and No buttons rather than OK
    bool owned; // shown over a window of the program
};

// Lets failure messages show the boxes a test saw.
void PrintTo(const ShownBox &box, std::ostream *out);

// Checks a shown box's text, caption and icon, reporting the caller's line.
#define EXPECT_BOX(box, text_, caption_, icon_)                                                    \
    do {                                                                                           \
        SCOPED_TRACE("box checked here");                                                          \
        EXPECT_EQ(text_, (box).text);                                                              \
        EXPECT_EQ(caption_, (box).caption);                                                        \
        EXPECT_EQ((UINT)(icon_), (box).icon);                                                      \
    } while (0)

// Busy blocks of `size` bytes (0: of any size) on the process heap, where
// LocalAlloc allocates; and on the process's other heaps, where the C
// runtime's new and malloc allocate.
int HeapBlocks(SIZE_T size = 0);
int CrtHeapBlocks(SIZE_T size);
// Whether Wine checks the heap in this run: see the README.
bool HeapChecking();

// Makes the `nth` call from now on of `function` (LocalAlloc, CreateFileW,
// GetFileAttributesW, RegOpenKeyExW, MultiByteToWideChar or
// WideCharToMultiByte), by the program's code in this test program, fail as
// the platform's would (0: none fails), and with `onward` every call after it.
// Returns how many calls were made since that function's last arming.
int FailImport(const char *function, int nth, bool onward = false);

// Runs the main dialog; the script runs inside its message loop once it is
// up, then "Done" is pressed. Every run checks that the process holds no more
// handles afterwards than before, nor heap blocks but the hidden list's.
// Message boxes are recorded and answered from `answers` (Yes/No boxes
// default to No, others to OK); an answer of 0 keeps the next box from being
// shown at all, as when the system cannot create it.
class DialogDriver
{
  public:
    DialogDriver();
    ~DialogDriver();
    void Run(const std::function<void(HWND)> &script);
    // Runs the dialog, marks the row `name`, sends `command` and answers its
    // question with `answer`; the rows are kept in rowsAfter.
    void RunOnRow(const std::wstring &name, WORD command, int answer);
    bool Listed(const std::wstring &name) const;
    // As Run, but starts the program through its entry point, with the
    // module `instance` (this test program when NULL).
    int RunProgram(const std::function<void(HWND)> &script, HINSTANCE instance = NULL);
    // Sends a command to the dialog as the menu bar or the action key would.
    static void Command(HWND dialog, WORD id);

    std::deque<int> answers;
    std::vector<ShownBox> boxes;
    // Runs for each box once it is laid out and fitted, before it is answered.
    std::function<void(HWND box)> onBox;
    int refreshes = 0; // list rebuilds seen while the dialog ran
    bool scriptRan = false;
    // A pop-up menu that opens is read into these, then onMenu runs if set;
    // then the item at menuChoice is chosen with the keyboard (without
    // onMenu, a menuChoice of -1 leaves the menu with Escape).
    int menuChoice = -1;
    std::function<void()> onMenu;
    int menusOpened = 0;
    std::vector<std::wstring> menuItems;
    std::vector<UINT> menuIds;
    std::vector<std::wstring> rowsAfter;

  private:
    HHOOK cbtHook_, sendHook_;
    void Start(const std::function<void(HWND)> &script, const std::function<void()> &body);
};

#endif
