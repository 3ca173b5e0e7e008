#include "features/language/TextFormat.h"

namespace kestrune {

std::string stringWithTextArgument(const std::string& format, const std::string& argument) {
    std::string out;
    out.reserve(format.size() + argument.size());
    bool filled = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (!filled && format[i + 1] == '@') {
            out += argument;
            filled = true;
            ++i;
        } else if (!filled && format.compare(i + 1, 3, "1$@") == 0) {
            out += argument;
            filled = true;
            i += 3;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::string stringWithTextArguments(const std::string& format, const std::vector<std::string>& arguments) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '@' &&
                   next < arguments.size()) {
            out += arguments[next++];
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace kestrune
