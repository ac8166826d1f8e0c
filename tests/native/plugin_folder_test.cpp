#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin_folder.h"

using kelvane::PluginFolderFromModulePath;

TEST(PluginFolder, FolderOfTheModulePath) {
    struct { const char* path; const char* folder; } cases[] = {
        {"", "C:\\"},
        {"C:\\SAW\\KelvaneFx.dll", "C:\\SAW\\"},
        {"C:\\KelvaneFx.dll", "C:\\"},
        {"\\KelvaneFx.dll", "\\KelvaneFx.dll\\"},   // only a leading backslash: whole path kept
        {"KelvaneFx.dll", "KelvaneFx.dll\\"},
        {"C:\\SAW\\", "C:\\SAW\\"},
        {"a\\", "a\\"},
        {"\\", "\\"},
    };
    for (auto c : cases) {
        char folder[260];
        PluginFolderFromModulePath(c.path, folder, sizeof folder);
        EXPECT_STREQ(folder, c.folder) << "path '" << c.path << "'";
    }
}

TEST(PluginFolder, LongPathStaysInsideTheBuffer) {
    std::string path(300, 'x');
    char folder[260 + 8];
    std::memset(folder, '#', sizeof folder);
    PluginFolderFromModulePath(path.c_str(), folder, 260);
    EXPECT_EQ(std::strlen(folder), 259u);
    EXPECT_EQ(folder[260], '#');
}
