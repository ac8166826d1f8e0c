#include "plugin_list.h"

namespace kelvane {

bool WantsRemoval(const char* commandLine) {
    if (commandLine == nullptr) return false;
    // Only ASCII letters are upper-cased: no other letter of the ANSI code
    // pages turns into '-' or 'U', so the outcome is the same in every locale.
    std::string upper(commandLine);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper.find(kRemoveSwitch) != std::string::npos;
}

bool NeedsPluginLine(const std::string& text, const std::string& line) {
    return text.find(line) == std::string::npos;
}

bool CutPluginLine(std::string& text, const std::string& line) {
    std::string::size_type at = text.find(line);
    if (at == std::string::npos) return false;
    text.erase(at, line.size());
    return true;
}

bool AddPluginLine(ListFileCalls& files, const std::string& line) {
    if (!files.OpenList()) return false;
    std::string text;
    bool ok = files.ReadList(text);
    if (ok && NeedsPluginLine(text, line)) ok = files.AppendToList(line);
    files.CloseList();
    return ok;
}

bool RemovePluginLine(ListFileCalls& files, const std::string& line) {
    if (!files.OpenList()) return false;
    std::string text;
    bool ok = files.ReadList(text);
    // Closed before the replacement is moved over it: an open list would
    // refuse to be replaced.
    files.CloseList();
    if (!ok) return false;
    if (!CutPluginLine(text, line)) return true;

    if (!files.CreateReplacement()) return false;
    if (files.WriteReplacement(text) && files.ReplaceListWithReplacement()) return true;
    files.DeleteReplacement();
    return false;
}

bool RunPluginListTool(const char* commandLine, ListFileCalls& files) {
    const std::string line(kPluginLine);
    return WantsRemoval(commandLine) ? RemovePluginLine(files, line) : AddPluginLine(files, line);
}

}  // namespace kelvane
