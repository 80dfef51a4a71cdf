// Straightforward formatters for the hex dump and the multi-string, one item at a time, to hold
// the block-wise paths of FormatValueData against.
#pragma once

#include <string>

inline std::string ReferenceHex(const std::string &data)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : data) {
        text += digits[c >> 4];
        text += digits[c & 15];
        text += ' ';
    }
    return text;
}

// Each string quoted and followed by two spaces, up to the first empty string or the end.
inline std::string ReferenceMulti(const std::string &data)
{
    std::string text = "{ ";
    size_t at = 0;
    while (at < data.size() && data[at] != 0) {
        size_t end = data.find('\0', at);
        if (end == std::string::npos)
            end = data.size();
        text += "\"" + data.substr(at, end - at) + "\"  ";
        at = end + 1;
    }
    return text + "}";
}
