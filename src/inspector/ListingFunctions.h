#pragma once
// One listing function per kind of list: each reads its objects and adds one row per object to the
// worker's tree, stopping early when the worker is cancelled. Failures leave as exceptions.
class TThreadData;

void ListWindows(TThreadData& worker);
void ListProcesses(TThreadData& worker);
void ListThreads(TThreadData& worker);
void ListModules(TThreadData& worker);
void ListServices(TThreadData& worker);
