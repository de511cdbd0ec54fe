#pragma once
// The texts that name operating-system exceptions, which carry no exception object of their own.
#include <cstdint>
#include <string>
#include <string_view>

namespace jov {

constexpr uint32_t AccessViolationCode = 0xC0000005;
constexpr uint32_t StackOverflowCode = 0xC00000FD;
constexpr uint32_t ThreadNamingCode = 0x406D1388;

// The text of an exception code other than an access violation; an unknown code gives
// "External exception " and the code in upper-case hexadecimal.
std::string OsExceptionText(uint32_t code);

// Information word 0 of an access violation: 0 read, 8 execute (data-execution prevention), else write.
const char* AccessKindText(uint32_t accessKind);

// "Access violation at address $401a2b in module 'x.exe'. Read of address $0"; without a module name the
// " in module '...'" part is left out.
std::string AccessViolationText(uint32_t faultAddress, std::string_view moduleFileName, uint32_t accessKind,
                                uint32_t accessedAddress);

// An exception's message as the report shows it: control characters removed, "Unknown" when empty.
std::string CleanExceptionMessage(std::string_view message);

// The message as the report's sentence: cut after its last character other than ".", "!" and NUL (one
// of those kept), then "." appended: "abc" gives "abc.", "abc!!" gives "abc!.", "abc." gives "abc..".
std::string MessageSentence(std::string_view message);

} // namespace jov
