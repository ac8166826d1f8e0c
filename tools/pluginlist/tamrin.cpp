// Tamrin: adds KelvaneFx.dll to the host's plug-in list in the current folder,
// or removes it when its arguments hold "-U" in any letter case.
// A graphical program with no console, no window of its own and no message
// loop; it reports only a failure, with a message box (none with "/S"), and
// exits with 1.
#include <windows.h>

#include "plugin_list.h"

namespace {

constexpr DWORD kReadChunkBytes = 64 * 1024;
// Prefix of the replacement file that GetTempFileNameA names in the list's folder.
constexpr char kReplacementPrefix[] = "Tam";

// Writes every byte or fails.
bool WriteAll(HANDLE file, const std::string& bytes) {
    const char* next = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        DWORD chunk = left > kReadChunkBytes ? kReadChunkBytes : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, next, chunk, &written, nullptr) || written == 0) return false;
        next += written;
        left -= written;
    }
    return true;
}

// The list file and its replacement, both in the current folder.
class Win32ListFiles final : public kelvane::ListFileCalls {
public:
    ~Win32ListFiles() override {
        CloseList();
        CloseReplacement();
    }

    bool OpenList() override {
        list_ = CreateFileA(kelvane::kListFileName, GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        return list_ != INVALID_HANDLE_VALUE;
    }

    // Reads until the end of the file rather than trusting its size: the list
    // is shared with writers.
    bool ReadList(std::string& text) override {
        LARGE_INTEGER start = {};
        if (!SetFilePointerEx(list_, start, nullptr, FILE_BEGIN)) return false;
        text.clear();
        for (;;) {
            size_t used = text.size();
            text.resize(used + kReadChunkBytes);
            DWORD got = 0;
            if (!ReadFile(list_, &text[used], kReadChunkBytes, &got, nullptr)) return false;
            text.resize(used + got);
            if (got == 0) return true;
        }
    }

    bool AppendToList(const std::string& bytes) override {
        LARGE_INTEGER none = {};
        return SetFilePointerEx(list_, none, nullptr, FILE_END) && WriteAll(list_, bytes);
    }

    // Cut to the new length before writing: a list that another program has
    // mapped into memory refuses the cut, and then nothing has been written.
    bool RewriteList(const std::string& text) override {
        LARGE_INTEGER length = {};
        length.QuadPart = static_cast<LONGLONG>(text.size());
        LARGE_INTEGER start = {};
        return SetFilePointerEx(list_, length, nullptr, FILE_BEGIN) && SetEndOfFile(list_) &&
               SetFilePointerEx(list_, start, nullptr, FILE_BEGIN) && WriteAll(list_, text) && FlushFileBuffers(list_);
    }

    void CloseList() override {
        if (list_ != INVALID_HANDLE_VALUE) CloseHandle(list_);
        list_ = INVALID_HANDLE_VALUE;
    }

    // GetTempFileNameA creates the file under a name no other file has.
    bool CreateReplacement() override {
        if (GetTempFileNameA(".", kReplacementPrefix, 0, replacementPath_) == 0) return false;
        replacement_ = CreateFileA(replacementPath_, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (replacement_ != INVALID_HANDLE_VALUE) return true;
        DeleteFileA(replacementPath_);
        return false;
    }

    // Flushed before it takes the list's place, so that a crash cannot leave
    // the host with a list that was never written out.
    bool WriteReplacement(const std::string& text) override {
        bool ok = WriteAll(replacement_, text) && FlushFileBuffers(replacement_);
        CloseReplacement();
        return ok;
    }

    kelvane::ReplaceResult ReplaceListWithReplacement() override {
        if (MoveFileExA(replacementPath_, kelvane::kListFileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return kelvane::ReplaceResult::kReplaced;
        }
        return ListOpenElsewhere() ? kelvane::ReplaceResult::kRefusedForSharing : kelvane::ReplaceResult::kFailed;
    }

    void DeleteReplacement() override {
        CloseReplacement();
        DeleteFileA(replacementPath_);
    }

private:
    // A move over a list that another program holds open is refused, whatever
    // that program shares (with deletion shared too, the list is still in
    // use), as a denied access, the same error a read-only list gives. Asking
    // for the list unshared tells the two apart: only another opener refuses it.
    static bool ListOpenElsewhere() {
        HANDLE probe = CreateFileA(kelvane::kListFileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            return false;
        }
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    }

    void CloseReplacement() {
        if (replacement_ != INVALID_HANDLE_VALUE) CloseHandle(replacement_);
        replacement_ = INVALID_HANDLE_VALUE;
    }

    HANDLE list_ = INVALID_HANDLE_VALUE;
    HANDLE replacement_ = INVALID_HANDLE_VALUE;
    char replacementPath_[MAX_PATH] = {};
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    bool ok = false;
    try {
        Win32ListFiles files;
        ok = kelvane::RunPluginListTool(GetCommandLineA(), files);
    } catch (...) {
        // Only a list too large to hold in memory gets here; the files are
        // closed and nothing has been written.
        ok = false;
    }
    // Run quietly by a setup program, no box may wait for a click that
    // nobody gives: the exit code alone reports the failure.
    if (!ok && !kelvane::WantsQuiet(GetCommandLineA())) MessageBoxA(nullptr, "FAIL", "FAIL", 0);
    return ok ? 0 : 1;
}
