// Straightforward formatters for the hex dump and the multi-string, one item at a time, to hold
// the block-wise paths of FormatValueData against.
#pragma once

#include <cstdio>
#include <string>

inline std::string ReferenceHex(const std::string &data)
{
    std::string text;
    for (unsigned char c : data) {
        char item[4];
        snprintf(item, sizeof item, "%02x ", c);
        text += item;
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
