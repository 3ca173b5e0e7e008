#pragma once

#include <string>
#include <vector>

namespace kestrune {

// A localized format with one text argument ("%@" or "%1$@"), filled by plain substitution: the format
// comes from a translator and the argument from the user or the phone, so neither is ever read as a
// printf format. "%%" stands for "%". A format without a placeholder is answered unchanged.
std::string stringWithTextArgument(const std::string& format, const std::string& argument);
// The same with several arguments: each "%@" takes the next one, in order ("%%" stands for "%"); a
// placeholder without an argument stays as it is, an argument without a placeholder is left out.
std::string stringWithTextArguments(const std::string& format, const std::vector<std::string>& arguments);

}  // namespace kestrune
