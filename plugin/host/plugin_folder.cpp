#include "plugin_folder.h"

#include <cstring>

namespace kelvane {

void PluginFolderFromModulePath(const char* modulePath, char* folder, size_t size) {
    if (size == 0) return;
    const char* path = modulePath[0] == '\0' ? "C:" : modulePath;
    size_t length = std::strlen(path);
    for (size_t i = length - 1; i >= 1; --i) {
        if (path[i] == '\\') {
            length = i + 1;
            break;
        }
    }
    if (length > size - 1) length = size - 1;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    if (length > 0 && folder[length - 1] != '\\' && length + 1 < size) {
        folder[length] = '\\';
        folder[length + 1] = '\0';
    }
}

}  // namespace kelvane
