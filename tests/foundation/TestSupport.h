#pragma once
// Shared by the foundation tests: scratch folders and whole files.

#include "foundation/SystemUtilities.h"
#include "foundation/TextString.h"

#include <windows.h>

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
