// Plug-in list tool: the edit of the host's plug-in list file, kept free of
// Windows headers so that it is built and tested natively. Tamrin.exe supplies
// the file calls (ListFileCalls) and shows the outcome.
#pragma once

#include <string>

namespace kelvane {

// The host's list of native plug-in libraries, one name per line, looked up in
// the current folder: Tamrin must be started in the host's folder.
constexpr char kListFileName[] = "SAWStudioFX_Native.ini";
// The line appended; its name, as a whole line with any line end, is what
// is found and removed.
constexpr char kPluginLine[] = "KelvaneFx.dll\r\n";
// Found anywhere in the upper-cased arguments; the program's own path does
// not count, so a folder such as C:\SAW-Utils does not turn adding into removal.
constexpr char kRemoveSwitch[] = "-U";

// True when the arguments of a whole command line (as GetCommandLineA gives
// it) ask for removal. A null line asks for nothing.
bool WantsRemoval(const char* commandLine);
// An argument of its own, in any letter case: failures are reported by the
// exit code alone, with no box, as a setup program running silently needs.
constexpr char kQuietSwitch[] = "/S";
// True when the arguments hold the quiet switch. A null line asks for nothing.
bool WantsQuiet(const char* commandLine);

// The edits on the list's bytes, over all of the text, NUL bytes included.
// A line ends at CR LF, at a lone LF, at a lone CR or at the end of the list;
// a UTF-8 byte order mark before the first line is not part of that line.
// The plug-in's line is every whole line that is exactly the name (the line
// without its break), case-sensitive, wherever it stands. A line that merely
// holds the name, such as OldKelvaneFx.dll or ; KelvaneFx.dll, is another
// line, and no other line or line end is ever changed.
//
// The bytes to write after the end of the list: nothing when the list holds
// the plug-in's line; the missing CR LF when the list's unended last line is
// the plug-in's; otherwise the line, preceded by CR LF when the list's last
// line has no break, so that the name is never glued to another name.
std::string BytesToAppend(const std::string& text, const std::string& line);
// Cuts every one of the plug-in's lines, break included, out of the text and
// returns true; returns false and leaves the text alone when there is none.
bool CutPluginLines(std::string& text, const std::string& line);

// How moving the replacement over the list ended. Refused for sharing: another
// program holds the list open (a running host may), whatever it shares, which
// a rewrite through a shared handle can still get past.
enum class ReplaceResult { kReplaced, kRefusedForSharing, kFailed };

// The file calls the two operations need. Every call reports failure with
// false; the operations close and delete what they opened and created.
class ListFileCalls {
public:
    virtual ~ListFileCalls() = default;

    // Opens the existing list for reading and writing, shared with other
    // readers and writers. Never creates it.
    virtual bool OpenList() = 0;
    // Reads the open list whole, from its start to its end.
    virtual bool ReadList(std::string& text) = 0;
    // Writes the bytes after the last byte of the open list.
    virtual bool AppendToList(const std::string& bytes) = 0;
    // Ends the open list after the text's length, then writes the text over
    // it from its start. Not atomic: a failure half way leaves a damaged list.
    virtual bool RewriteList(const std::string& text) = 0;
    virtual void CloseList() = 0;

    // The replacement is a new file in the list's folder. Write puts the whole
    // text in it and closes it; Replace moves it over the list, which must be
    // closed by then (no open file can be replaced).
    virtual bool CreateReplacement() = 0;
    virtual bool WriteReplacement(const std::string& text) = 0;
    virtual ReplaceResult ReplaceListWithReplacement() = 0;
    virtual void DeleteReplacement() = 0;
};

// Appends the line unless the list already holds it. Fails when the list
// cannot be opened, read or written.
bool AddPluginLine(ListFileCalls& files, const std::string& line);
// Removes every one of the plug-in's lines. The edited list is written to a
// replacement that then takes the list's place, so on any failure the list
// stays as it was and no replacement is left behind. Only when the
// replacement is refused for sharing is the list rewritten in place instead.
bool RemovePluginLine(ListFileCalls& files, const std::string& line);

// One run of the tool: removal or addition of kPluginLine as the command line
// asks. Returns false on failure; the caller reports it.
bool RunPluginListTool(const char* commandLine, ListFileCalls& files);

}  // namespace kelvane
