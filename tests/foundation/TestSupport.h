#pragma once
// Shared by the foundation tests: scratch folders, files, the helper program
// and bounded pump-and-poll waits.

#include "foundation/SystemUtilities.h"
#include "foundation/TextString.h"

#include <windows.h>

#include <functional>
#include <string>

// A fresh folder below the temporary folder, removed with everything in it
// when the object goes.
class SCRATCH_FOLDER {
  public:
    explicit SCRATCH_FOLDER(const char* name);
    SCRATCH_FOLDER(const SCRATCH_FOLDER&) = delete;
    SCRATCH_FOLDER& operator=(const SCRATCH_FOLDER&) = delete;
    ~SCRATCH_FOLDER();
    // The folder's path with a trailing backslash, followed by `relative`.
    std::string operator/(const std::string& relative) const { return path + relative; }
    const std::string& Path() const { return path; }

  private:
    std::string path;
};

void RemoveTree(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
std::string ReadWholeFile(const std::string& path);
bool MakeFolders(const std::string& path); // every missing folder along the path

// foundation_helper.exe beside this test program.
std::string HelperPath();

// Pumps this thread's messages and polls `done` every few milliseconds until
// it holds or `timeoutMs` passes; answers the last poll.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A helper process started by a test; ended on destruction if still running.
class HELPER_PROCESS {
  public:
    HELPER_PROCESS() = default;
    HELPER_PROCESS(const HELPER_PROCESS&) = delete;
    HELPER_PROCESS& operator=(const HELPER_PROCESS&) = delete;
    ~HELPER_PROCESS() { End(); }
    PROCESS_INFORMATION info = {};
    bool Finished(DWORD timeoutMs); // pumps while it waits
    DWORD ExitCode();
    void End();
};

// Runs `commandLine` in `folder` and waits (bounded) for it to end; the
// process's exit code, or a value above 255 when it could not run or hung.
DWORD RunToEnd(const std::string& commandLine, const std::string& folder);
