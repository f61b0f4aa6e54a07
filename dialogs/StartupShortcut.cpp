#include "dialogs/StartupShortcut.h"

#include "foundation/Handles.h"
#include "foundation/SystemUtilities.h"
#include "foundation/WideString.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

// One reference to a COM interface, released once, when the holder goes.
template <class INTERFACE> class COM_REF {
  public:
    COM_REF() = default;
    COM_REF(const COM_REF&) = delete;
    COM_REF& operator=(const COM_REF&) = delete;
    ~COM_REF() {
        if (pointer)
            pointer->Release();
    }
    INTERFACE* operator->() const { return pointer; }
    // For the call that hands out the reference; the holder must be empty.
    void** Out() { return reinterpret_cast<void**>(&pointer); }

  private:
    INTERFACE* pointer = nullptr;
};

// The shell link object with its file interface. Declared in this order, the
// file interface is released first.
struct SHELL_LINK {
    COM_REF<IShellLinkA> link;
    COM_REF<IPersistFile> file;

    bool Create() {
        return SUCCEEDED(CreateComObject(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         link.Out())) &&
               SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Out()));
    }
    bool Load(const STRING& path) { return SUCCEEDED(file->Load(WSTRING(path.c_str()).c_str(), STGM_READ)); }
};

bool IsEmpty(const char* text) {
    return !text || !*text;
}

// Letter case aside, the way the file system compares names: both texts in
// UTF-16, upper-cased character by character. A linguistic comparison would
// take names for equal that the file system keeps apart ("a-b" and "ab").
bool SameNameNoCase(const char* a, const char* b) {
    WSTRING left(a ? a : ""), right(b ? b : "");
    if (left.Length() != right.Length())
        return false;
    if (left.Length() == 0)
        return true;
    CharUpperBuffW(left.Buffer(), left.Length());
    CharUpperBuffW(right.Buffer(), right.Length());
    return lstrcmpW(left.c_str(), right.c_str()) == 0;
}

// The folder without its trailing separator, found by characters.
STRING WithoutSeparator(const char* folder) {
    STRING bare(folder);
    const char* last = LastBackslash(bare.c_str());
    if (last && !last[1])
        bare.SetLength(static_cast<unsigned>(last - bare.c_str()));
    return bare;
}

bool PointsAt(const char* target, const char* folder, const char* programFileName) {
    const char* separator = LastBackslash(target);
    if (!separator)
        return false;
    STRING targetFolder(target, static_cast<unsigned>(separator - target));
    return SameNameNoCase(targetFolder.c_str(), WithoutSeparator(folder).c_str()) &&
           SameNameNoCase(separator + 1, programFileName);
}

STRING FindLink(const char* folder, const char* startupFolder, const char* programFileName,
                const char* shortcutName) {
    if (!folder || IsEmpty(startupFolder) || IsEmpty(programFileName) || IsEmpty(shortcutName))
        return STRING();
    SHELL_LINK shellLink;
    if (!shellLink.Create())
        return STRING();
    STRING candidate = STRING(startupFolder) + shortcutName;
    if (!shellLink.Load(candidate)) {
        candidate.Append(".lnk");
        if (!shellLink.Load(candidate))
            return STRING();
    }
    char target[MAX_PATH + 1] = {};
    WIN32_FIND_DATAA found = {};
    if (FAILED(shellLink.link->GetPath(target, MAX_PATH, &found, 0)))
        return STRING();
    return PointsAt(target, folder, programFileName) ? candidate : STRING();
}

// The Startup folders a link of ours may sit in: the all-users one first.
// Only one on a system where both names lead to the same folder.
int StartupFolders(STRING (&folders)[2]) {
    int count = 0;
    int const order[] = {1, 0};
    for (int common : order) {
        STRING candidate = StartupFolder(common);
        if (candidate.Length() > 0 && !(count == 1 && SameNameNoCase(candidate.c_str(), folders[0].c_str())))
            folders[count++] = candidate;
    }
    return count;
}

STRING FindLinkAnywhere(const char* folder, const char* programFileName, const char* shortcutName) {
    STRING folders[2];
    int count = StartupFolders(folders);
    for (int i = 0; i < count; ++i) {
        STRING found = FindLink(folder, folders[i].c_str(), programFileName, shortcutName);
        if (found.Length() > 0)
            return found;
    }
    return STRING();
}

// Writes the link into `startupFolder`; the shell's or the system's reason
// for a failure in `error`.
bool SaveLink(const STRING& startupFolder, const STRING& programFolder, const STRING& target,
              const char* shortcutName, const char* description, const char* arguments, DWORD& error) {
    SHELL_LINK shellLink;
    HRESULT result = CreateComObject(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     shellLink.link.Out());
    // No arguments is an empty text: not every shell takes a null one.
    if (SUCCEEDED(result))
        result = shellLink.link->SetPath(target.c_str());
    if (SUCCEEDED(result))
        result = shellLink.link->SetWorkingDirectory(programFolder.c_str());
    if (SUCCEEDED(result))
        result = shellLink.link->SetArguments(arguments ? arguments : "");
    if (SUCCEEDED(result))
        result = shellLink.link->SetDescription(description ? description : "");
    if (SUCCEEDED(result))
        result = shellLink.link->QueryInterface(IID_IPersistFile, shellLink.file.Out());
    if (SUCCEEDED(result)) {
        WSTRING path((startupFolder + shortcutName + ".lnk").c_str());
        result = shellLink.file->Save(path.c_str(), TRUE);
    }
    error = static_cast<DWORD>(result);
    return SUCCEEDED(result);
}

// Deletes our links in `startupFolder` ("name" and "name.lnk" may both be
// there), looking again after each delete: a virtualised process's delete of
// an all-users link is redirected to its VirtualStore and reports success
// while the link stays, and logon would still start the program. A link still
// found afterwards is refused, as a write the system refused would be.
bool RemoveLinksIn(const char* folder, const char* startupFolder, const char* programFileName,
                   const char* shortcutName, DWORD& error) {
    STRING found = FindLink(folder, startupFolder, programFileName, shortcutName);
    for (int round = 0; round < 2 && found.Length() > 0; ++round) {
        if (!ForceDeleteFile(found.c_str())) {
            error = GetLastError();
            return false;
        }
        found = FindLink(folder, startupFolder, programFileName, shortcutName);
    }
    error = ERROR_ACCESS_DENIED;
    return found.Length() == 0;
}

void SetError(DWORD* error, DWORD value) {
    if (error)
        *error = value;
}

} // namespace

STRING StartupFolder(int common) {
    char path[MAX_PATH + 1] = {};
    int which = common && IsNtPlatform() ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP;
    // Not created when missing: a folder the shell does not know would start nothing.
    if (!SHGetSpecialFolderPathA(nullptr, path, which, FALSE) || !path[0])
        return STRING();
    STRING folder(path);
    const char* last = LastBackslash(folder.c_str());
    if (!last || last[1])
        folder.Append("\\");
    return folder;
}

bool IsProcessVirtualised() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    KERNEL_HANDLE held(token);
    // TokenVirtualizationEnabled came with Vista (the headers for XP lack
    // it); XP refuses the class with ERROR_INVALID_PARAMETER, and nothing is
    // virtualised there.
    TOKEN_INFORMATION_CLASS const kTokenVirtualizationEnabled = static_cast<TOKEN_INFORMATION_CLASS>(24);
    DWORD enabled = 0, size = 0;
    return GetTokenInformation(held.Get(), kTokenVirtualizationEnabled, &enabled, sizeof enabled, &size) &&
           enabled != 0;
}

STRING StartupFolderForNewLink(bool virtualised, bool allUsersRefused) {
    return StartupFolder(virtualised || allUsersRefused ? 0 : 1);
}

bool IsStartupFolderKnown() {
    STRING folders[2];
    return StartupFolders(folders) > 0;
}

STRING FindStartupShortcut(const char* folder, const char* startupFolder, const char* programFileName,
                           const char* shortcutName) {
    COM_INIT com;
    return FindLink(folder, startupFolder, programFileName, shortcutName);
}

bool IsStartupShortcutPresent(const char* folder, const char* programFileName, const char* shortcutName) {
    COM_INIT com;
    return FindLinkAnywhere(folder, programFileName, shortcutName).Length() > 0;
}

bool CreateStartupShortcut(const char* folder, const char* programFileName, const char* shortcutName,
                           const char* description, const char* arguments, bool virtualised, DWORD* error) {
    COM_INIT com;
    SetError(error, ERROR_PATH_NOT_FOUND);
    if (!folder || IsEmpty(programFileName) || IsEmpty(shortcutName))
        return false;
    if (FindLinkAnywhere(folder, programFileName, shortcutName).Length() > 0)
        return true;

    STRING programFolder = WithoutSeparator(folder) + "\\";
    STRING target = programFolder + programFileName;
    // A link to a file that is not there would start nothing while the box
    // said it would.
    if (!FileExists(target.c_str()) || FolderExists(target.c_str())) {
        SetError(error, ERROR_FILE_NOT_FOUND);
        return false;
    }
    STRING first = StartupFolderForNewLink(virtualised, false);
    STRING fallback = StartupFolderForNewLink(virtualised, true);
    DWORD reason = ERROR_PATH_NOT_FOUND;
    if (first.Length() > 0 &&
        SaveLink(first, programFolder, target, shortcutName, description, arguments, reason))
        return true;
    bool sameFolder = first.Length() > 0 && SameNameNoCase(first.c_str(), fallback.c_str());
    if (!sameFolder && fallback.Length() > 0 &&
        SaveLink(fallback, programFolder, target, shortcutName, description, arguments, reason))
        return true;
    SetError(error, reason);
    return false;
}

bool RemoveStartupShortcut(const char* folder, const char* programFileName, const char* shortcutName,
                           DWORD* error) {
    COM_INIT com;
    STRING folders[2];
    int count = StartupFolders(folders);
    bool allGone = true;
    for (int i = 0; i < count; ++i) {
        DWORD reason = ERROR_SUCCESS;
        if (!RemoveLinksIn(folder, folders[i].c_str(), programFileName, shortcutName, reason)) {
            SetError(error, reason);
            allGone = false;
        }
    }
    return allGone;
}
