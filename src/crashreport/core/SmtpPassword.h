#pragma once
// The SMTP password is stored enciphered with the server and the account as keys.
#include <cstdint>
#include <string>
#include <string_view>

namespace jov {

constexpr size_t MaxSmtpPassword = 75;
constexpr uint64_t SmtpServerCounter = 0x3F1C5A9E70B24D86;
constexpr uint64_t SmtpAccountCounter = 0x8B27E4D1056CA93F;

// Counter-mode passes, deciphered with the server first, then with the account; at most MaxSmtpPassword
// characters.
std::string DecipherSmtpPassword(std::string stored, std::string_view account, std::string_view server);

} // namespace jov
