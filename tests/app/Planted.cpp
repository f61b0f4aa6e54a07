// A harmless library that package_test.sh plants beside the unpacked program
// under the names of the system libraries it loads at run time. It exports
// nothing and does nothing; the test asks only whether it was loaded.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
