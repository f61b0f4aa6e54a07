#include "rtl/MV_Rtl.h"

#include <windows.h>

namespace {

// Held for the life of the process; the system closes it at exit, which is
// what tells the next start that this instance is gone.
HANDLE instanceObject = nullptr;
bool initialised = false;
int previousInstance = 0;

// "MV_Rtl.Instance." followed by the upper-cased file name of the process
// image. Copies of the same program in different folders count as one
// program; kernel object names may not contain a backslash, a file name never
// does.
void BuildInstanceName(char* name, unsigned size) {
    static const char prefix[] = "MV_Rtl.Instance.";
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    path[length < MAX_PATH ? length : MAX_PATH] = '\0';

    const char* fileName = path;
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':')
            fileName = p + 1;
    }
    // A process image always has a file name; keep the object named anyway.
    if (*fileName == '\0')
        fileName = "PROGRAM";

    lstrcpynA(name, prefix, size);
    unsigned used = lstrlenA(name);
    if (used + 1 < size)
        lstrcpynA(name + used, fileName, size - used);
    CharUpperA(name);
}

// Opens or creates the object into instanceObject; nonzero when another
// process already had it.
int OpenInstanceObject() {
    char name[MAX_PATH + 32];
    BuildInstanceName(name, sizeof name);

    SetLastError(ERROR_SUCCESS);
    instanceObject = CreateMutexA(nullptr, FALSE, name);
    DWORD error = GetLastError();
    if (instanceObject != nullptr)
        return error == ERROR_ALREADY_EXISTS ? 1 : 0;
    // An object of that name that this process may not open (another user's
    // or a more privileged instance) still means the program runs. Any other
    // failure leaves this process to act as the first instance.
    return error == ERROR_ACCESS_DENIED ? 1 : 0;
}

} // namespace

void AllowMultipleInstances(int allow) {
    if (initialised)
        return;
    initialised = true;

    previousInstance = OpenInstanceObject();
    if (!allow && previousInstance)
        ExitProcess(0);
}

int WasPrevInstRunningAtStartup() {
    return previousInstance;
}

int IsPrevInstStillRunning() {
    if (!initialised || !previousInstance)
        return 0;
    // This process's own handle keeps the object alive, so only a fresh
    // open tells whether another process still holds it.
    if (instanceObject != nullptr) {
        CloseHandle(instanceObject);
        instanceObject = nullptr;
    }
    return OpenInstanceObject();
}
