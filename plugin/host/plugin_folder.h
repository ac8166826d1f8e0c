#pragma once

#include <cstddef>

namespace kelvane {

// The folder of the plug-in file from its module path: cut just after the
// last backslash found from the end down to the second character, then make
// sure the result ends in a backslash. An empty path means "C:\". `folder`
// holds `size` bytes; a result that would not fit is cut, zero-terminated.
void PluginFolderFromModulePath(const char* modulePath, char* folder, size_t size);

}  // namespace kelvane
