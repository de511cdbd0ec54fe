#pragma once
// Where the listing functions get their objects from: the system by default, fakes in tests.
#include "framework/Wmi.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Each enumeration calls `visit` until it returns false or the objects run out.
using TWindowVisit = std::function<bool(HWND)>;

class TWindowSource {
public:
    virtual ~TWindowSource() = default;
    virtual HWND Desktop() = 0;
    virtual HWND Parent(HWND window) = 0; // the direct parent (GA_PARENT)
    virtual void TopLevel(const TWindowVisit& visit) = 0;
    // Every descendant, not only the direct children.
    virtual void Descendants(HWND parent, const TWindowVisit& visit) = 0;
    virtual void ThreadWindows(DWORD threadId, const TWindowVisit& visit) = 0;
};

class TModuleSource {
public:
    virtual ~TModuleSource() = default;
    // False when the process snapshot cannot be made.
    virtual bool Processes(std::vector<DWORD>& ids) = 0;
    // The full paths of a process's modules; false when its module snapshot cannot be made.
    virtual bool Modules(DWORD processId, std::vector<std::string>& paths) = 0;
};

class TListingSources {
public:
    virtual ~TListingSources() = default;
    virtual TWindowSource& Windows() = 0;
    virtual TModuleSource& Modules() = 0;
    // A connection to "root\cimv2" for the calling thread (COM is initialised there).
    virtual std::shared_ptr<fw::wmi::Services> ConnectWmi() = 0;
};

// The running system.
TListingSources& SystemSources();

// The long form of a path when it has one that fits MAX_PATH, else the path as it is.
std::string LongPath(const std::string& path);
