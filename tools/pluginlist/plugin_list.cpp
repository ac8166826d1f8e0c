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

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

// The plug-in's name: its line without the break.
std::string NameOf(const std::string& line) { return line.substr(0, line.find_last_not_of("\r\n") + 1); }

// Where the first line starts: after a UTF-8 byte order mark, if there is one.
std::string::size_type FirstLineStart(const std::string& text) {
    return text.compare(0, sizeof kUtf8Mark - 1, kUtf8Mark) == 0 ? sizeof kUtf8Mark - 1 : 0;
}

// Calls visit(at, length, breakLength) for each line in order: where its text
// starts, the text's length, and the length of its break (0 at the end of the
// list). A CR followed by a LF is one break; a lone CR or LF is one too.
template <typename Visit>
void ForEachLine(const std::string& text, Visit visit) {
    std::string::size_type at = FirstLineStart(text);
    while (at < text.size()) {
        const std::string::size_type end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) {
            visit(at, text.size() - at, std::string::size_type{0});
            return;
        }
        const std::string::size_type breakLength = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        visit(at, end - at, breakLength);
        at = end + breakLength;
    }
}

}  // namespace

std::string BytesToAppend(const std::string& text, const std::string& line) {
    const std::string name = NameOf(line);
    bool listedWithBreak = false;
    bool lastIsName = false;
    bool lastEnded = true;
    ForEachLine(text, [&](std::string::size_type at, std::string::size_type length, std::string::size_type breakLength) {
        lastIsName = text.compare(at, length, name) == 0;
        lastEnded = breakLength > 0;
        listedWithBreak = listedWithBreak || (lastIsName && lastEnded);
    });
    if (listedWithBreak) return "";
    const std::string missingBreak = lastEnded ? "" : "\r\n";
    // A last line that is the plug-in's own name without its break only needs
    // the break: appending the line again would list the plug-in twice.
    return lastIsName ? missingBreak : missingBreak + line;
}

bool CutPluginLines(std::string& text, const std::string& line) {
    const std::string name = NameOf(line);
    std::string kept = text.substr(0, FirstLineStart(text));
    bool cut = false;
    ForEachLine(text, [&](std::string::size_type at, std::string::size_type length, std::string::size_type breakLength) {
        if (text.compare(at, length, name) == 0) {
            cut = true;
        } else {
            kept.append(text, at, length + breakLength);
        }
    });
    if (cut) text.swap(kept);
    return cut;
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
    if (ok && CutPluginLines(text, line)) ok = files.RewriteList(text);
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
    if (!CutPluginLines(text, line)) return true;

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
