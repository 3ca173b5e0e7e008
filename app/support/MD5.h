#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// MD5 of the text's UTF-8 bytes as 32 lower-case hexadecimal digits, in digest order.
std::string MD5Hash(std::string_view text);

}  // namespace kestrune
