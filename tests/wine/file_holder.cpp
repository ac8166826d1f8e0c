// Runs a program while a file is in its way: open with the sharing MODE names
// ("-" for none, or letters of "rwd"), mapped into memory and shared for reading
// and writing ("map", so that it cannot be cut shorter), or loaded ("load").
// Exits with the program's exit code, or 99 when the file or program fails.
// usage: file_holder MODE FILE PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc < 4) return 99;
    const std::string mode = argv[1];
    if (mode == "load") {
        if (LoadLibraryA(argv[2]) == nullptr) return 99;
    } else {
        DWORD sharing = 0;
        for (char c : mode == "map" ? std::string("rw") : mode) {
            sharing |= c == 'r' ? FILE_SHARE_READ : c == 'w' ? FILE_SHARE_WRITE : c == 'd' ? FILE_SHARE_DELETE : 0;
        }
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
