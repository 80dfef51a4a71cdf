// Straightforward formatters for the hex dump and the multi-string, one item at a time, to hold
// the block-wise paths of FormatValueData against.
#pragma once

#include <algorithm>
#include <string>

inline std::string ReferenceHex(const std::string &data)
{
    std::string text;
    for (unsigned char c : data)
        text += std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15] + " ";
    return text;
}

// Each string quoted and followed by two spaces, up to the first empty string or the end.
inline std::string ReferenceMulti(const std::string &data)
{
    std::string text = "{ ";
    for (size_t at = 0, end; at < data.size() && data[at]; at = end + 1)
        text += "\"" + data.substr(at, (end = std::min(data.find('\0', at), data.size())) - at) + "\"  ";
    return text + "}";
}
