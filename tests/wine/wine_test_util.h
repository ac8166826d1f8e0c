// Helpers shared by the Wine test programs.
#pragma once

#include <cstdlib>
#include <string>

// The plug-in under test: KELVANE_DLL, else the DLL of the cross build.
inline std::string PluginPath() {
    const char* path = std::getenv("KELVANE_DLL");
    return path != nullptr ? path : "KelvaneFx.dll";
}

#include <windows.h>

// Wine's X11 driver settings for the running program alone (its AppDefaults
// key), written before it makes its first window: windows unmanaged, so that
// closing one does not wait two seconds for a window manager that Xvfb lacks,
// and no pointer grab, so that ClipCursor's rectangle can be read back.
inline bool UseTestX11Settings() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    const std::string keyName = std::string("Software\\Wine\\AppDefaults\\") + name + "\\X11 Driver";
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyName.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegSetValueExA(key, "GrabPointer", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
    return true;
}

// A host has the system libraries that the plug-in imports loaded for its own
// use. Without that, each load of the plug-in loads them and each unload
// unloads them again, and Wine's own unload of them leaves a kernel handle
// behind that a leak count would blame on the plug-in.
inline void KeepSystemLibrariesLoaded() {
    for (const char* name : {"comdlg32.dll", "shell32.dll", "version.dll", "user32.dll", "gdi32.dll"}) {
        LoadLibraryA(name);
    }
}
