#include "crashreport/jovLinkDisAsm.h"

namespace jov {

void LinkDisassembler(TDisassemblyProc& disassemblyProc) {
    disassemblyProc = &ParseFunction;
}

} // namespace jov
