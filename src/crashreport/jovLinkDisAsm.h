#pragma once
// Linking this unit in gives the bug report its disassembly section: the settings record's disassembly
// routine slot receives ParseFunction.
#include "crashreport/jovDisAsm.h"

namespace jov {

void LinkDisassembler(TDisassemblyProc& disassemblyProc);

} // namespace jov
