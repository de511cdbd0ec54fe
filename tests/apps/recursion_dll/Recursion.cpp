// A module without symbols whose exports recurse until the stack overflows, through 8- and 48-byte frames.
#include "../TightRecursion.h"

extern "C" {
__attribute__((used)) volatile int remainingLevels = 0x7FFFFFFF; // far beyond any stack
__attribute__((used)) void NeverReached() {}
}

TIGHT_RECURSION(__declspec(dllexport), OverflowThrough8ByteFrames, 0, remainingLevels, NeverReached)
TIGHT_RECURSION(__declspec(dllexport), OverflowThrough48ByteFrames, 10, remainingLevels, NeverReached)
