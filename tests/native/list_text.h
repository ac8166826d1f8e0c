// Plug-in list texts for the tests of the list's edit: the native test of
// the edit and Tamrin's test under Wine build their lists with these.
#pragma once

#include <cstdio>
#include <string>

// The first `count` bytes at `text`, NUL bytes included.
inline std::string Bytes(const char* text, size_t count) { return std::string(text, count); }

// Lines "Plugin00000.dll\r\n"... filling at least `count` bytes.
inline std::string FillerLines(size_t count) {
    std::string text;
    for (int i = 0; text.size() < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Plugin%05d.dll\r\n", i);
        text += name;
    }
    return text;
}
