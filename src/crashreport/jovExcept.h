#pragma once
// Start and stop of the crash reporter. The program starts it before any other initialisation (an object
// of jovExceptInit.cpp, constructed first and destroyed last) with the settings it defines.
namespace jov {

// Takes over the exception-time history of the process that restarted this one, after it has ended.
void AcceptRestartHandoff();
// Maps the shared block, installs the hooks and starts the worker, as the settings say. The main module
// is found out when not told.
void StartCrashReporter(bool isMainModule = false);
// Undoes the patches and hooks, stops the worker, releases the shared block and ends the tools.
void StopCrashReporter();

} // namespace jov
