#pragma once
// Replaces a system function for the code of this test executable: its import entry points elsewhere
// while the object lives. The way a test plays an older system's answers.
#include <windows.h>

class ImportPatch {
public:
    // `dll` as the executable names it in its imports, compared without case.
    ImportPatch(const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    bool installed() const { return entry_ != nullptr; }
    // The function the entry held before.
    void* original() const { return original_; }

private:
    void set(void* target);
    void** entry_ = nullptr;
    void* original_ = nullptr;
};
