#pragma once

#include <string>

namespace kestrune {

// A localized format with one text argument ("%@" or "%1$@"), filled by plain substitution: the format
// comes from a translator and the argument from the user or the phone, so neither is ever read as a
// printf format. "%%" stands for "%". A format without a placeholder is answered unchanged.
std::string stringWithTextArgument(const std::string& format, const std::string& argument);

}  // namespace kestrune
