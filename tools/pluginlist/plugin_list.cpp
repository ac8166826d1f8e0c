#include "plugin_list.h"

namespace kelvane {

namespace {

// The part of a whole command line that follows the program name, split off
// as the Windows startup code does for WinMain: a quoted name ends at its
// closing quote, an unquoted one at the first blank or control character.
const char* ArgumentsOf(const char* commandLine) {
    const unsigned char* next = reinterpret_cast<const unsigned char*>(commandLine);
    if (*next == '"') {
        ++next;
        while (*next != '\0' && *next != '"') ++next;
        if (*next == '"') ++next;
    } else {
        while (*next > ' ') ++next;
    }
    return reinterpret_cast<const char*>(next);
}

}  // namespace

bool WantsRemoval(const char* commandLine) {
    if (commandLine == nullptr) return false;
    // Only ASCII letters are upper-cased: no other letter of the ANSI code
    // pages turns into '-' or 'U', so the outcome is the same in every locale.
    std::string upper(ArgumentsOf(commandLine));
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper.find(kRemoveSwitch) != std::string::npos;
}

bool WantsQuiet(const char* commandLine) {
    if (commandLine == nullptr) return false;
    const char* next = ArgumentsOf(commandLine);
    for (;;) {
        while (*next != '\0' && static_cast<unsigned char>(*next) <= ' ') ++next;
        if (*next == '\0') return false;
        const char* end = next;
        while (static_cast<unsigned char>(*end) > ' ') ++end;
        if (end - next == 2 && next[0] == kQuietSwitch[0] && (next[1] == 'S' || next[1] == 's')) return true;
        next = end;
    }
}

PluginLineSpan FindPluginLine(const std::string& text, const std::string& line) {
    // The name alone on a line: the line without its CR LF.
    const std::string name = line.substr(0, line.find_last_not_of("\r\n") + 1);
    for (std::string::size_type at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        if (at > 0 && text[at - 1] != '\n') continue;
        const std::string::size_type end = at + name.size();
        const std::string rest = text.substr(end, 2);
        if (rest == "\r\n") return {at, name.size() + 2, true};
        if (rest.compare(0, 1, "\n") == 0) return {at, name.size() + 1, true};
        if (rest.empty() || (rest == "\r" && end + 1 == text.size())) return {at, text.size() - at, false};
    }
    return {};
}

std::string BytesToAppend(const std::string& text, const std::string& line) {
    const PluginLineSpan found = FindPluginLine(text, line);
    if (found.at != std::string::npos && found.ended) return "";
    // The break that the last line lacks: a whole CR LF, or the LF after a CR.
    std::string missingBreak;
    if (!text.empty() && text.back() != '\n') missingBreak = text.back() == '\r' ? "\n" : "\r\n";
    // A last line that is the plug-in's own name without its break only needs
    // the break: appending the line again would list the plug-in twice, and a
    // removal would then take out only one of the two.
    if (found.at != std::string::npos) return missingBreak;
    return missingBreak + line;
}

bool CutPluginLine(std::string& text, const std::string& line) {
    const PluginLineSpan found = FindPluginLine(text, line);
    if (found.at == std::string::npos) return false;
    text.erase(found.at, found.length);
    return true;
}

bool AddPluginLine(ListFileCalls& files, const std::string& line) {
    if (!files.OpenList()) return false;
    std::string text;
    bool ok = files.ReadList(text);
    if (ok) {
        const std::string bytes = BytesToAppend(text, line);
        if (!bytes.empty()) ok = files.AppendToList(bytes);
    }
    files.CloseList();
    return ok;
}

namespace {

// The list held open by another program, which keeps the replacement from
// taking its place: written over through a handle shared with that program. Read and cut again,
// since the holder may have written to the list meanwhile.
bool RewriteListInPlace(ListFileCalls& files, const std::string& line) {
    if (!files.OpenList()) return false;
    std::string text;
    bool ok = files.ReadList(text);
    if (ok && CutPluginLine(text, line)) ok = files.RewriteList(text);
    files.CloseList();
    return ok;
}

}  // namespace

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
    const ReplaceResult result =
        files.WriteReplacement(text) ? files.ReplaceListWithReplacement() : ReplaceResult::kFailed;
    if (result == ReplaceResult::kReplaced) return true;
    files.DeleteReplacement();
    return result == ReplaceResult::kRefusedForSharing && RewriteListInPlace(files, line);
}

bool RunPluginListTool(const char* commandLine, ListFileCalls& files) {
    const std::string line(kPluginLine);
    return WantsRemoval(commandLine) ? RemovePluginLine(files, line) : AddPluginLine(files, line);
}

}  // namespace kelvane
