// Hostile inputs: generated Hide.txt files and a registry of malformed records,
// with every command applied. Seeded, so that a failure can be replayed; this
// group runs with Wine's heap checking on.
#include "harness.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../res/resource.h"
#include <commctrl.h>
#include <random>
#include <set>

static const unsigned kSeed = 20261207;

// One generated Hide.txt: the shape depends on `index`, the bytes on the seed.
static std::string GenerateHideFile(unsigned index)
{
    std::mt19937 rng(kSeed + index);
    auto pick = [&](int n) { return (int)(rng() % n); };
    static const char alphabet[] = {'\0', '\r', '\n', 'a', 'Z', ' ', '\xe9', '\x80', '\t', '?'};
    std::string text;
    switch (index % 8) {
    case 0:
        for (int n = pick(300); n > 0; n--)
            text += alphabet[pick(sizeof(alphabet))];
        break;
    case 1: break;
    case 2: text.assign(500 + pick(5000), 'L'); break;
    case 3:
        for (int n = pick(40); n > 0; n--)
            text += "name" + std::to_string(pick(100)) + (pick(2) ? "\r" : "\r\r\n");
        break;
    case 4:
        for (int n = pick(200); n > 0; n--)
            text += "App " + std::to_string(n) + "\n";
        break;
    case 5: text = "first\nsecond\nno end " + std::to_string(pick(1000)); break;
    case 6: text = "before\n" + std::string(pick(3), '\0') + "after\n"; break;
    case 7:
        for (int n = pick(2000); n > 0; n--)
            text += (char)pick(256);
        break;
    }
    if (index == 0)
        text.assign(1 << 20, 'x'); // one file of a megabyte on a single line
    return text;
}

static std::vector<std::string> LoadedNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < g_Hidden.count; i++)
        names.emplace_back(g_Hidden.entries[i].text, g_Hidden.entries[i].bytes);
    return names;
}

class HostileTest : public AppTest
{
};

TEST_F(HostileTest, GeneratedHideFilesLoadMatchAndSaveWithoutLosingAName)
{
    const std::wstring path = Path(L"Hide.txt");
    for (unsigned index = 0; index < 1000; index++) {
        SCOPED_TRACE(testing::Message() << "seed " << kSeed << " file " << index);
        WriteBytes(path, GenerateHideFile(index));
        LoadHiddenList(path.c_str());
        std::vector<std::string> loaded = LoadedNames();
        for (const std::string &name : loaded) {
            ASSERT_FALSE(name.empty());
            ASSERT_EQ(std::string::npos, name.find('\n'));
            ASSERT_NE('\r', name[0]);
        }
        AddHiddenName(L"added at the end");
        SaveHiddenList(path.c_str());
        LoadHiddenList(path.c_str());
        loaded.push_back("added at the end");
        ASSERT_EQ(loaded, LoadedNames());
        ASSERT_TRUE(IsHiddenName(L"added at the end"));
        ASSERT_FALSE(IsHiddenName(L""));
    }
}

// The hostile registry: records whose values and names push every limit.
// The path of a Snapshot entry: folders end in a backslash, files in a size.
static std::wstring EntryPath(const std::wstring &entry)
{
    if (entry.back() == L'\\')
        return entry.substr(0, entry.size() - 1);
    return entry.substr(0, entry.rfind(L' '));
}

class HostileRegistryTest : public AppTest
{
  protected:
    void SetValue(const std::wstring &name, const wchar_t *value, DWORD type, const void *data,
                  DWORD bytes)
    {
        HKEY key;
        std::wstring path = L"Security\\AppInstall\\" + name;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0,
                                                 KEY_ALL_ACCESS, NULL, &key, NULL));
        RegSetValueExW(key, value, 0, type, (const BYTE *)data, bytes);
        RegCloseKey(key);
    }
    // An uninstall file that a record may legitimately name and so lose.
    std::wstring Recorded(const std::wstring &name)
    {
        std::wstring folder = Path(L"AppMgr\\" + name);
        MakeDir(folder);
        MakeFileOfSize(folder + L"\\u.unload", 8);
        allowed_.insert(folder + L"\\u.unload");
        allowed_.insert(folder);
        return folder + L"\\u.unload";
    }
    void BuildHostileRegistry()
    {
        MakeFileOfSize(Path(L"victim.txt"), 5);
        std::wstring victim = Path(L"victim.txt");
        DWORD number = 0x005C0043; // the units of "C\" as a number
        SetValue(L"Dword values", L"InstallDir", REG_DWORD, &number, sizeof(number));
        SetValue(L"Dword values", L"Uninstall", REG_DWORD, &number, sizeof(number));
        // Binary data that happens to spell the path of a file that no record names.
        SetValue(L"Binary path", L"InstallDir", REG_BINARY, victim.c_str(),
                 (DWORD)(victim.size() + 1) * 2);
        SetValue(L"Binary path", L"Uninstall", REG_BINARY, victim.c_str(),
                 (DWORD)(victim.size() + 1) * 2);
        std::wstring unterminated = Recorded(L"Unterminated");
        SetValue(L"Unterminated", L"Uninstall", REG_SZ, unterminated.c_str(),
                 (DWORD)unterminated.size() * 2);
        std::wstring full(PATH_CCH, L'f'), longer(300, L'g'), fits(PATH_CCH - 1, L'h');
        SetValue(L"Fills the buffer", L"Uninstall", REG_SZ, full.c_str(), (DWORD)full.size() * 2);
        SetValue(L"Fills the buffer", L"InstallDir", REG_SZ, full.c_str(), (DWORD)full.size() * 2);
        SetValue(L"Longer", L"Uninstall", REG_SZ, longer.c_str(), (DWORD)(longer.size() + 1) * 2);
        SetValue(L"Longer", L"InstallDir", REG_SZ, longer.c_str(), (DWORD)(longer.size() + 1) * 2);
        SetValue(L"Just fits", L"Uninstall", REG_SZ, fits.c_str(), (DWORD)(fits.size() + 1) * 2);
        SetValue(L"Odd bytes", L"Uninstall", REG_SZ, L"\\x", 3);
        AddRecord(std::wstring(99, L'9'), NULL, Recorded(L"n99").c_str());
        AddRecord(std::wstring(100, L'0'), NULL, victim.c_str());
        AddRecord(L"<tag a=\"1\">&amp;'</tag>", NULL, Recorded(L"xml").c_str());
        AddRecord(L"\x4e2d\x6587 \x0627\x0644", NULL, Recorded(L"wide").c_str());
        AddRecord(L"Empty values", L"", L"");
        AddRecord(L"Has subkeys", NULL, Recorded(L"subkeys").c_str());
        HKEY sub;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall\\Has subkeys\\a\\b", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &sub, NULL);
        RegCloseKey(sub);
        // An install tree whose paths reach the length limit.
        std::wstring deep = Path(L"Deep");
        MakeDir(deep);
        while (deep.size() + 12 < PATH_CCH) {
            deep += L"\\abcdefgh";
            CreateDirectoryW(deep.c_str(), NULL);
            MakeFileOfSize(deep + L"\\f", 3);
        }
        AddRecord(L"Deep tree", Path(L"Deep").c_str(), Recorded(L"deep").c_str());
    }
    // Applies `command` to every listed row, answering every question `answer`.
    void ApplyToEveryRow(WORD command, int answer)
    {
        driver_.Run([&](HWND dialog) {
            std::vector<std::wstring> rows = ListRows(g_Main.hAppList);
            for (const std::wstring &row : rows) {
                if (!MarkRow(row))
                    continue; // gone with an earlier command
                driver_.answers.assign(2, answer);
                DialogDriver::Command(dialog, command);
            }
        });
    }
    // Everything that went missing must be a recorded uninstall file or its folder.
    void ExpectOnlyAllowedDeletions(const std::vector<std::wstring> &before,
                                    const std::set<std::wstring> &alsoAllowed)
    {
        std::vector<std::wstring> after = Snapshot(root_);
        std::set<std::wstring> present(after.begin(), after.end());
        for (const std::wstring &entry : before) {
            if (present.count(entry))
                continue;
            std::wstring path = root_ + EntryPath(entry);
            bool ok = allowed_.count(path) > 0;
            for (const std::wstring &tree : alsoAllowed)
                ok = ok || path.compare(0, tree.size(), tree) == 0;
            EXPECT_TRUE(ok) << "deleted: " << Narrow(path);
        }
        EXPECT_LE(after.size(), before.size()) << "nothing is ever created";
    }
    std::set<std::wstring> allowed_;
    DialogDriver driver_;
};

TEST_F(HostileRegistryTest, ListShowsEveryRecordThatFits)
{
    BuildHostileRegistry();
    std::vector<std::wstring> rows;
    driver_.Run([&](HWND) { rows = ListRows(g_Main.hAppList); });
    EXPECT_EQ(13u, rows.size());
    EXPECT_NE(rows.end(), std::find(rows.begin(), rows.end(), std::wstring(99, L'9')));
    EXPECT_EQ(rows.end(), std::find(rows.begin(), rows.end(), std::wstring(100, L'0')));
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
}

TEST_F(HostileRegistryTest, EveryCommandAnsweredNoOrOnlyReadingChangesNothing)
{
    BuildHostileRegistry();
    std::vector<std::wstring> before = Snapshot(root_);
    // 0: the question could not be shown at all.
    for (int answer : {IDNO, 0}) {
        for (WORD command : {(WORD)IDM_DETAILS, (WORD)IDM_SELECT, (WORD)IDM_HIDE, (WORD)IDM_ERASE,
                             (WORD)IDOK, (WORD)IDM_REFRESH, (WORD)IDM_ABOUT})
            ApplyToEveryRow(command, answer);
    }
    EXPECT_EQ(before, Snapshot(root_));
    EXPECT_EQ(0, g_Hidden.count);
}

TEST_F(HostileRegistryTest, EraseEverythingDeletesOnlyRecordedUninstallFiles)
{
    BuildHostileRegistry();
    std::vector<std::wstring> before = Snapshot(root_);
    ApplyToEveryRow(IDM_ERASE, IDYES);
    ExpectOnlyAllowedDeletions(before, {});
    EXPECT_TRUE(Exists(Path(L"victim.txt")));
    EXPECT_TRUE(Exists(Path(L"Deep")));
}

TEST_F(HostileRegistryTest, RemoveEverythingDeletesOnlyInstallTreesAndRecordedFiles)
{
    BuildHostileRegistry();
    std::vector<std::wstring> before = Snapshot(root_);
    ApplyToEveryRow(IDM_SELECT, IDYES);
    ExpectOnlyAllowedDeletions(before, {Path(L"Deep")});
    EXPECT_TRUE(Exists(Path(L"victim.txt")));
}

TEST_F(HostileRegistryTest, HideEverythingThenNothingIsListed)
{
    BuildHostileRegistry();
    std::vector<std::wstring> before = Snapshot(root_);
    ApplyToEveryRow(IDM_HIDE, IDYES);
    std::vector<std::wstring> rows;
    driver_.Run([&](HWND) { rows = ListRows(g_Main.hAppList); });
    // Only the name that the code page cannot hold stays: it was never added.
    EXPECT_EQ((std::vector<std::wstring>{L"\x4e2d\x6587 \x0627\x0644"}), rows);
    EXPECT_EQ(before, Snapshot(root_));
}
