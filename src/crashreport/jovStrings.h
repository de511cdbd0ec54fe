#pragma once
// The crash reporter's string and number helpers: the portable ones, plus those that ask the system.
#include "crashreport/core/CharTables.h"
#include "crashreport/core/ListText.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/core/ScrambledLiteral.h"
#include "crashreport/core/TextHelpers.h"

#include <cstdint>
#include <string>

namespace jov {

// The thread locale's decimal separator, asked once; "," when the locale gives none.
char DecimalSeparator();
std::string FormatByteSize(uint64_t size);

// The system's message for an error code (or a status code, mapped first), on one line.
std::string SystemErrorText(uint32_t code);

} // namespace jov
