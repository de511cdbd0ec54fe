#pragma once
// Whether the windowing system answers. Under Wine its locks live in user mode, so a thread suspended
// while it runs windowing code (even inside GetMessage) may hold them, and the report's first GetDC would
// then wait for that thread for ever. A helper thread makes windowing calls on request; a pause that
// finds it unanswered lets the thread it just held go again and tries later. On Windows it always answers.
#include <windows.h>

namespace jov {

// The helper starts with the crash worker and ends with it.
bool StartWindowingProbe();
void StopWindowingProbe();
// True when the helper's windowing call came back within the time, or there is no helper. A call that
// did not come back is waited for first by the next question.
bool WindowingAnswers(DWORD ms);
// The helper is one of the crash reporter's own threads and is never paused.
bool IsWindowingProbe(DWORD threadId);

} // namespace jov
