// Values of every type as stored in the registry, and what the browser's two fields show for
// each: shared by the walks' tests (substitute registry) and the dialog's (Wine's registry).
#pragma once
#include "common/platform.h"

#include <initializer_list>
#include <string>
#include <vector>

struct ShownValue {
    const char *name; // in enumeration order, whichever order the registry keeps
    DWORD type;
    std::string data;
    const char *typeField;
    const char *dataField; // nullptr: the field is not set
};

inline std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

inline std::vector<ShownValue> EveryTypeCases()
{
    using namespace std::string_literals;
    return {
        {"a none", REG_NONE, "x"s, "REG_NONE: No defined value type.", nullptr},
        {"b sz", REG_SZ, "abc\0"s, "REG_SZ: A null-terminated Unicode string.", "\"abc\""},
        {"c expand", REG_EXPAND_SZ, "%TEMP%\0"s, "REG_EXPAND_SZ: A String referencing environment variables i.e. PATH.",
         "\"%TEMP%\""},
        {"d binary", REG_BINARY, Bytes({1, 0xab, 0xff}), "REG_BINARY: Freeform binary data.", "01 ab ff "},
        {"e binary empty", REG_BINARY, ""s, "REG_BINARY: Freeform binary data.", ""},
        {"f dword", REG_DWORD, Bytes({0xff, 0xff, 0xff, 0xff}), "REG_DWORD: A 32 bit number.", "4294967295"},
        {"g big endian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 1}),
         "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.", "1"},
        {"h big endian -1", REG_DWORD_BIG_ENDIAN, Bytes({0xff, 0xff, 0xff, 0xff}),
         "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.", "-1"},
        {"i link", REG_LINK, "\\\0R\0x\0\0\0"s, "REG_LINK: A Unicode symbolic link.", "\\Rx"},
        {"j multi", REG_MULTI_SZ, "one\0two\0\0"s, "REG_MULTI_SZ: An array of null-terminated strings.",
         "{ \"one\"  \"two\"  }"},
        {"k resource list", REG_RESOURCE_LIST, Bytes({0x10}), "REG_RESOURCE_LIST: A device-driver resource list.", "10 "},
        {"l full descriptor", REG_FULL_RESOURCE_DESCRIPTOR, "x"s,
         "REG_FULL_RESOURCE_DESCRIPTOR: A resource list in the hardware description.", nullptr},
        {"m code 11", 11, Bytes({1, 2, 3, 4, 5, 6, 7, 8}), "Undefine in this verion of the Halvane Registry Editor 11",
         nullptr},
    };
}
