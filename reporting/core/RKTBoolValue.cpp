#include "reporting/core/RKTBoolValue.h"

namespace reporting {

bool RKTIsStringOrNumber(const platform::Value& value) {
    return value.string() || value.number();
}

bool RKTBoolValue(const platform::Value& value, bool fallback) {
    if (const auto* number = value.number()) return number->boolValue();
    const auto* text = value.string();
    if (!text) return fallback;
    size_t i = 0;
    while (i < text->size() && ((*text)[i] == ' ' || (*text)[i] == '\t' || (*text)[i] == '\n')) ++i;
    if (i < text->size() && ((*text)[i] == '+' || (*text)[i] == '-')) ++i;
    while (i < text->size() && (*text)[i] == '0') ++i;
    if (i == text->size()) return false;
    const char c = (*text)[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace reporting
