// Runs a program while this one keeps a file in its way: open with the given
// sharing ("-" for none, or the letters r, w and d), open shared for reading
// and writing and mapped into memory ("map"), which keeps it from being cut
// shorter, or loaded as a DLL ("load").
// Exits with the program's exit code, or 99 when the file cannot be held or
// the program cannot be started.
// usage: file_holder MODE FILE PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc < 4) return 99;
    const std::string mode = argv[1];
    if (mode == "load") {
        if (LoadLibraryA(argv[2]) == nullptr) return 99;
    } else {
        const std::string letters = mode == "map" ? "rw" : mode;
        DWORD sharing = 0;
        if (letters.find('r') != std::string::npos) sharing |= FILE_SHARE_READ;
        if (letters.find('w') != std::string::npos) sharing |= FILE_SHARE_WRITE;
        if (letters.find('d') != std::string::npos) sharing |= FILE_SHARE_DELETE;
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 99;
        if (mode == "map") {
            HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
            if (mapping == nullptr || MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) == nullptr) return 99;
        }
    }
    std::string line;
    for (int i = 3; i < argc; ++i) {
        const std::string argument = argv[i];
        line += (i > 3 ? " " : "") + (argument.find(' ') == std::string::npos ? argument : '"' + argument + '"');
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 99;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
