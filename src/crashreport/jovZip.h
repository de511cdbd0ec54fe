#pragma once
// Decompression for the crash reporter: the memory-to-memory form is all it needs, and that form is
// portable, so the unit is the core's reader under the crash reporter's names.
#include "crashreport/core/CompressedString.h"

namespace jov {
using core::InflateRaw;
using core::UncompressString;
} // namespace jov
