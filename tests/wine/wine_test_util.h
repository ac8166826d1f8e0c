// Helpers shared by the Wine test programs.
#pragma once

#include <cstdlib>
#include <string>

// The plug-in under test: KELVANE_DLL, else the DLL of the cross build.
inline std::string PluginPath() {
    const char* path = std::getenv("KELVANE_DLL");
    return path != nullptr ? path : "KelvaneFx.dll";
}
