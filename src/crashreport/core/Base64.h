#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace core {

std::string Base64Encode(const void* buffer, size_t length);
std::string Base64EncodeStr(std::string_view text);

} // namespace core
