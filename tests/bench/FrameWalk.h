#pragma once
// The floor the stack benchmarks measure against: a thread's frames walked by frame pointer alone.
#include <windows.h>

#include <cstdint>

namespace bench {

inline int WalkFrames(const CONTEXT& context, uintptr_t stackTop) {
    int frames = 0;
    for (uintptr_t frame = context.Ebp, next = 0; frame >= context.Esp && frame + 8 <= stackTop;
         frame = next) {
        if (!ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(frame), &next, sizeof next,
                               nullptr) ||
            next <= frame)
            break;
        ++frames;
    }
    return frames;
}

} // namespace bench
