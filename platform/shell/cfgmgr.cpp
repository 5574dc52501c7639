// Desktop stand-in for the configuration manager's "UnInstall" service.
// A document names applications recorded under HKLM\Security\AppInstall; each
// one's install folder is deleted, then its record, as the device does. The
// uninstall-information file that the record names is left where it is.
#define AYGSHELL_STANDIN_BUILD
#include "cfgmgrapi.h"
#include "standin.h"
// The XML reader and the memory stream it reads are loaded when a document
// first arrives: only Remove needs them, and every start would pay for them.
// xmllite has no import library, and its interface id is defined here.
#include <initguid.h>
#include <xmllite.h>

#define APPS_KEY L"Security\\AppInstall"
#define DIR_CCH 300

// The last document received, kept for StandInLastConfigXML.
static LPWSTR g_lastDocument;
// Set by StandInAnswerSuccessOnly: documents are answered, not carried out.
static BOOL g_answerSuccessOnly;

// The applications that one document asks to uninstall.
typedef struct {
    LPWSTR *names; // heap copies, in document order
    int count;
    int capacity;
} NAMELIST;

typedef HRESULT(WINAPI *CREATEXMLREADER)(REFIID, void **, IMalloc *);
typedef IStream *(WINAPI *SHCREATEMEMSTREAM)(const BYTE *, UINT);

static LPWSTR CopyText(LPCWSTR text)
{
    size_t cch = lstrlenW(text) + 1;
    LPWSTR copy = (LPWSTR)LocalAlloc(LPTR, cch * sizeof(WCHAR));
    if (copy != NULL)
        CopyMemory(copy, text, cch * sizeof(WCHAR));
    return copy;
}

// A conforming XML reader, like the device's, keeps a TAB, LF or CR that an
// attribute names by character reference, and turns only literal ones into
// spaces. Wine's XmlLite turns the references into spaces too. So before it
// reads the document, each such reference becomes PROTECT_MARK and a letter,
// and so does a PROTECT_MARK of the document itself; the names it returns
// are restored from those pairs.
#define PROTECT_MARK 0xE000 // a private-use character
static const struct {
    WCHAR character;
    WCHAR letter;
} g_Protected[] = {{L'\t', L't'}, {L'\n', L'n'}, {L'\r', L'r'}, {PROTECT_MARK, L'm'}};

// Length of the character reference at `at` ("&#9;", "&#x0a;"), 0 for none.
// A number beyond Unicode reads as 0x110000, so that it never wraps onto a
// character.
static int CharacterReference(LPCWSTR at, UINT *value)
{
    int i = 2, start;
    UINT base = 10, number = 0;
    if (at[0] != L'&' || at[1] != L'#')
        return 0;
    if (at[i] == L'x') {
        base = 16;
        i++;
    }
    for (start = i;; i++) {
        WCHAR c = at[i];
        UINT digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            break;
        number = number > 0x10FFFF ? 0x110000 : number * base + digit;
    }
    if (i == start || at[i] != L';')
        return 0;
    *value = number > 0x10FFFF ? 0x110000 : number;
    return i + 1;
}

// A character that XML 1.0 lets a document hold, literally or by reference.
// A surrogate is one only as half of a pair.
static BOOL IsXmlChar(UINT c)
{
    return c == L'\t' || c == L'\n' || c == L'\r' || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The document with its protected characters as pairs, into *out (NULL
// without memory). FALSE when it holds a character that XML cannot carry,
// which the device's parser refuses, reference or not.
static BOOL ProtectDocument(LPCWSTR document, LPWSTR *out)
{
    *out = (LPWSTR)LocalAlloc(LPTR, (2 * lstrlenW(document) + 1) * sizeof(WCHAR));
    int used = 0;
    while (*out != NULL && *document != L'\0') {
        UINT value = *document;
        int length = CharacterReference(document, &value);
        if (length == 0 && IS_HIGH_SURROGATE(document[0]) && IS_LOW_SURROGATE(document[1])) {
            (*out)[used++] = *document++;
            (*out)[used++] = *document++;
            continue;
        }
        if (!IsXmlChar(value)) {
            LocalFree(*out);
            *out = NULL;
            return FALSE;
        }
        int at = sizeof(g_Protected) / sizeof(g_Protected[0]) - 1;
        while (at >= 0 && g_Protected[at].character != value)
            at--;
        if (at >= 0 && (length > 0 || value == PROTECT_MARK)) {
            (*out)[used++] = PROTECT_MARK;
            (*out)[used++] = g_Protected[at].letter;
            document += length > 0 ? length : 1;
        } else {
            (*out)[used++] = *document++;
        }
    }
    return TRUE;
}

// GCC 12's analyzer loses track of a block stored into the heap array
// `names` and calls it leaked; FreeNames releases every name stored there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wanalyzer-malloc-leak"

// A heap copy of a name the reader returned, its pairs of ProtectDocument
// turned back into their characters; NULL without memory.
static LPWSTR CopyRestored(LPCWSTR name)
{
    LPWSTR copy = CopyText(name);
    if (copy == NULL)
        return NULL;
    int used = 0;
    for (; *name != L'\0'; name++) {
        copy[used] = *name;
        for (const auto &p : g_Protected) {
            if (name[0] == PROTECT_MARK && name[1] == p.letter) {
                copy[used] = p.character;
                name++;
                break;
            }
        }
        used++;
    }
    copy[used] = L'\0';
    return copy;
}

static BOOL AppendName(NAMELIST *list, LPCWSTR name)
{
    if (list->count == list->capacity) {
        int capacity = list->capacity ? list->capacity * 2 : 4;
        LPWSTR *names = (LPWSTR *)LocalAlloc(LPTR, capacity * sizeof(LPWSTR));
        if (names == NULL)
            return FALSE;
        if (list->names != NULL) {
            CopyMemory(names, list->names, list->count * sizeof(LPWSTR));
            LocalFree(list->names);
        }
        list->names = names;
        list->capacity = capacity;
    }
    LPWSTR copy = CopyRestored(name);
    if (copy == NULL)
        return FALSE;
    list->names[list->count++] = copy;
    return TRUE;
}
#pragma GCC diagnostic pop

static void FreeNames(NAMELIST *list)
{
    for (int i = 0; i < list->count; i++)
        LocalFree(list->names[i]);
    if (list->names != NULL)
        LocalFree(list->names);
}

// True when the current element has the attribute `name` with the value `value`
// (any non-empty value when `value` is NULL); *found receives the value.
static BOOL HasAttribute(IXmlReader *reader, LPCWSTR name, LPCWSTR value, LPCWSTR *found)
{
    LPCWSTR text = NULL;
    BOOL ok = reader->MoveToAttributeByName(name, NULL) == S_OK &&
              reader->GetValue(&text, NULL) == S_OK && text != NULL && text[0] != L'\0' &&
              (value == NULL || lstrcmpW(text, value) == 0);
    if (found != NULL)
        *found = text;
    reader->MoveToElement();
    return ok;
}

// Checks one element against the only shape the service accepts:
// wap-provisioningdoc / characteristic UnInstall / characteristic NAME /
// parm uninstall=1. Names of requested applications go into `list`.
static BOOL AcceptElement(IXmlReader *reader, UINT depth, BOOL *pendingParm, NAMELIST *list)
{
    LPCWSTR element = NULL, name = NULL;
    reader->GetLocalName(&element, NULL);
    switch (depth) {
    case 0: return lstrcmpW(element, L"wap-provisioningdoc") == 0;
    case 1:
        return lstrcmpW(element, L"characteristic") == 0 &&
               HasAttribute(reader, L"type", L"UnInstall", NULL);
    case 2:
        if (lstrcmpW(element, L"characteristic") != 0 || reader->IsEmptyElement() ||
            !HasAttribute(reader, L"type", NULL, &name))
            return FALSE;
        *pendingParm = TRUE;
        return AppendName(list, name);
    case 3:
        if (lstrcmpW(element, L"parm") != 0 || !HasAttribute(reader, L"name", L"uninstall", NULL) ||
            !HasAttribute(reader, L"value", L"1", NULL))
            return FALSE;
        *pendingParm = FALSE;
        return TRUE;
    }
    return FALSE;
}

static HRESULT WalkDocument(IXmlReader *reader, NAMELIST *list)
{
    XmlNodeType type;
    BOOL sawRoot = FALSE, pendingParm = FALSE;
    HRESULT hr;
    while ((hr = reader->Read(&type)) == S_OK) {
        UINT depth = 0;
        reader->GetDepth(&depth);
        if (type == XmlNodeType_Element) {
            sawRoot = TRUE;
            if (!AcceptElement(reader, depth, &pendingParm, list))
                return CONFIG_E_BAD_XML;
        } else if (type == XmlNodeType_EndElement && depth == 2 && pendingParm) {
            return CONFIG_E_BAD_XML; // an application without its uninstall parm
        } else if (type == XmlNodeType_Text || type == XmlNodeType_CDATA) {
            return CONFIG_E_BAD_XML;
        }
    }
    return (FAILED(hr) || !sawRoot || pendingParm) ? CONFIG_E_BAD_XML : S_OK;
}

// Reads the whole document before anything is touched, so that a malformed
// one fails as a whole.
static HRESULT ParseUninstallDoc(LPCWSTR document, NAMELIST *list)
{
    HMODULE xmllite = LoadLibraryW(L"xmllite.dll");
    HMODULE shlwapi = LoadLibraryW(L"shlwapi.dll");
    CREATEXMLREADER create =
        xmllite ? (CREATEXMLREADER)(void *)GetProcAddress(xmllite, "CreateXmlReader") : NULL;
    SHCREATEMEMSTREAM createStream =
        shlwapi ? (SHCREATEMEMSTREAM)(void *)GetProcAddress(shlwapi, "SHCreateMemStream") : NULL;
    IXmlReader *reader = NULL;
    IStream *stream = NULL;
    HRESULT hr = CONFIG_E_BAD_XML;
    LPWSTR text = NULL;
    BOOL carried = ProtectDocument(document, &text);
    size_t cch = text != NULL ? lstrlenW(text) : 0;
    BYTE *bytes = text != NULL ? (BYTE *)LocalAlloc(LPTR, (cch + 1) * sizeof(WCHAR)) : NULL;

    if (carried && create != NULL && createStream != NULL && bytes != NULL &&
        SUCCEEDED(create(IID_IXmlReader, (void **)&reader, NULL))) {
        // A byte-order mark tells the reader that the text is UTF-16.
        bytes[0] = 0xFF;
        bytes[1] = 0xFE;
        CopyMemory(bytes + 2, text, cch * sizeof(WCHAR));
        stream = createStream(bytes, (UINT)((cch + 1) * sizeof(WCHAR)));
        if (stream != NULL &&
            SUCCEEDED(
                reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) &&
            SUCCEEDED(reader->SetInput(stream)))
            hr = WalkDocument(reader, list);
    }
    if (stream != NULL)
        stream->Release();
    if (reader != NULL)
        reader->Release();
    if (bytes != NULL)
        LocalFree(bytes);
    if (text != NULL)
        LocalFree(text);
    if (xmllite != NULL)
        FreeLibrary(xmllite);
    if (shlwapi != NULL)
        FreeLibrary(shlwapi);
    return hr;
}

// Deletes a folder with everything in it. A file that cannot be deleted (one
// in use, say) makes it fail; a folder that does not exist is already done.
static BOOL DeleteFolderTree(LPCWSTR folder)
{
    WCHAR path[DIR_CCH];
    WIN32_FIND_DATAW fd;
    BOOL ok = TRUE;
    if (lstrlenW(folder) + 4 >= DIR_CCH)
        return FALSE;
    wsprintfW(path, L"%s\\*", folder);
    HANDLE find = FindFirstFileW(path, &fd);
    if (find == INVALID_HANDLE_VALUE)
        return GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES;
    do {
        if (lstrcmpW(fd.cFileName, L".") == 0 || lstrcmpW(fd.cFileName, L"..") == 0)
            continue;
        if (lstrlenW(folder) + 1 + lstrlenW(fd.cFileName) >= DIR_CCH) {
            ok = FALSE;
            continue;
        }
        wsprintfW(path, L"%s\\%s", folder, fd.cFileName);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = DeleteFolderTree(path) && ok;
        } else {
            SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
            ok = DeleteFileW(path) && ok;
        }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return RemoveDirectoryW(folder) && ok;
}

// Only an absolute folder below a drive's root is deleted: a record that
// names a drive, a relative path or nothing loses just its registry entry.
static BOOL IsDeletableFolder(LPCWSTR folder)
{
    return lstrlenW(folder) > 3 && folder[1] == L':' && folder[2] == L'\\';
}

static HRESULT UninstallApp(HKEY apps, LPCWSTR name)
{
    HKEY app;
    WCHAR folder[DIR_CCH] = {0};
    DWORD type = 0, size = sizeof(folder) - sizeof(WCHAR);
    if (RegOpenKeyExW(apps, name, 0, KEY_READ, &app) != ERROR_SUCCESS)
        return CONFIG_E_ENTRYNOTFOUND;
    if (RegQueryValueExW(app, L"InstallDir", NULL, &type, (BYTE *)folder, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        folder[0] = L'\0';
    RegCloseKey(app);
    if (IsDeletableFolder(folder) && !DeleteFolderTree(folder))
        return CONFIG_E_CSPEXCEPTION;
    return RegDeleteTreeW(apps, name) == ERROR_SUCCESS ? S_OK : CONFIG_E_CSPEXCEPTION;
}

static void KeepLastDocument(LPCWSTR document)
{
    if (g_lastDocument != NULL)
        LocalFree(g_lastDocument);
    g_lastDocument = CopyText(document);
}

HRESULT DMProcessConfigXML(LPCWSTR pszWXMLin, DWORD dwFlags, LPWSTR *ppszwXMLout)
{
    NAMELIST list = {NULL, 0, 0};
    HKEY apps = NULL;
    if (ppszwXMLout != NULL)
        *ppszwXMLout = NULL;
    if (pszWXMLin == NULL || !(dwFlags & CFGFLAG_PROCESS))
        return E_INVALIDARG;
    KeepLastDocument(pszWXMLin);

    HRESULT hr = ParseUninstallDoc(pszWXMLin, &list);
    if (SUCCEEDED(hr) && list.count > 0 &&
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, APPS_KEY, 0, KEY_READ, &apps) != ERROR_SUCCESS)
        hr = CONFIG_E_ENTRYNOTFOUND;
    for (int i = 0; apps != NULL && !g_answerSuccessOnly && i < list.count; i++) {
        HRESULT one = UninstallApp(apps, list.names[i]);
        if (FAILED(one))
            hr = one;
    }
    if (apps != NULL)
        RegCloseKey(apps);
    FreeNames(&list);

    // The result document echoes the request, as the device's does when
    // nothing was queried.
    if (ppszwXMLout != NULL) {
        size_t cch = lstrlenW(pszWXMLin) + 1;
        *ppszwXMLout = new WCHAR[cch];
        CopyMemory(*ppszwXMLout, pszWXMLin, cch * sizeof(WCHAR));
    }
    return hr;
}

void StandInAnswerSuccessOnly(BOOL answerSuccessOnly)
{
    g_answerSuccessOnly = answerSuccessOnly;
}

void StandInLastConfigXML(LPWSTR buffer, int cch)
{
    if (buffer == NULL || cch <= 0)
        return;
    lstrcpynW(buffer, g_lastDocument != NULL ? g_lastDocument : L"", cch);
}
