// Tamrin.exe run as a real process in temporary folders that hold real list
// files. Its "FAIL" box is found, checked and dismissed the way a user would.
// The program's path comes from the first argument or from KELVANE_TAMRIN.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "list_text.h"

namespace {

const char kListName[] = "SAWStudioFX_Native.ini";
const std::string kLine = "KelvaneFx.dll\r\n";
// Wine may take seconds to start a process on a busy machine.
constexpr DWORD kRunTimeoutMs = 120000;
constexpr DWORD kPollMs = 20;
constexpr DWORD kRedismissMs = 1000;

std::string g_tamrin;  // full path of Tamrin.exe

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

// The file's bytes, or "<unreadable>" when it cannot be opened.
std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
    CloseHandle(file);
    return text;
}

// Names in a folder, sorted, without "." and "..".
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& folder) {
    for (const std::string& name : Names(folder)) {
        std::string path = folder + "\\" + name;
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveTree(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh folder under the system's temporary folder, removed with its contents.
struct TempFolder {
    std::string path;
    TempFolder() {
        static int s_count = 0;
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        char name[64];
        snprintf(name, sizeof name, "kelvane_tamrin_%lu_%d", GetCurrentProcessId(), ++s_count);
        path = std::string(base) + name;
        RemoveTree(path);
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(path); }
    std::string List() const { return path + "\\" + kListName; }
};

// What one run of the program did.
struct Outcome {
    bool finished = false;
    DWORD exitCode = 0xFFFFFFFF;
    int failBoxes = 0;              // well-formed "FAIL" boxes, each dismissed with OK
    std::vector<std::string> odd;   // any other window it showed, described
};

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM context) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

struct BoxContents {
    std::vector<std::string> texts;  // of the static controls
    int visibleButtons = 0;
};

BOOL CALLBACK CollectBoxChild(HWND child, LPARAM context) {
    BoxContents* box = reinterpret_cast<BoxContents*>(context);
    char className[64] = {};
    char text[256] = {};
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    if (lstrcmpiA(className, "Static") == 0 && text[0] != '\0') box->texts.push_back(text);
    if (lstrcmpiA(className, "Button") == 0 && IsWindowVisible(child)) ++box->visibleButtons;
    return TRUE;
}

// A well-formed box: dialog class, caption and text "FAIL", no owner window,
// one button, the OK button.
std::string DescribeUnlessFailBox(HWND window) {
    char className[64] = {};
    char caption[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    BoxContents box;
    EnumChildWindows(window, CollectBoxChild, reinterpret_cast<LPARAM>(&box));
    std::string text = box.texts.empty() ? "" : box.texts[0];
    bool ok = std::string(className) == "#32770" && std::string(caption) == "FAIL" && box.texts.size() == 1 &&
              text == "FAIL" && GetWindow(window, GW_OWNER) == nullptr && box.visibleButtons == 1 &&
              GetDlgItem(window, IDOK) != nullptr;
    if (ok) return "";
    return std::string("class '") + className + "' caption '" + caption + "' text '" + text + "' buttons " +
           std::to_string(box.visibleButtons);
}

// Starts the program with the given command line in the folder, dismisses its
// boxes and waits for it to end.
Outcome RunProgram(const std::string& program, const std::string& commandLine, const std::string& folder) {
    Outcome outcome;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
        outcome.odd.push_back("CreateProcessA failed: " + std::to_string(GetLastError()));
        return outcome;
    }
    CloseHandle(process.hThread);

    std::vector<HWND> seen;
    std::vector<DWORD> dismissedAt;
    DWORD started = GetTickCount();
    while (WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
        if (GetTickCount() - started > kRunTimeoutMs) {
            outcome.odd.push_back("timed out");
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, INFINITE);
            break;
        }
        WindowSearch search = {process.dwProcessId, {}};
        EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            auto known = std::find(seen.begin(), seen.end(), window);
            if (known == seen.end()) {
                std::string odd = DescribeUnlessFailBox(window);
                if (odd.empty()) {
                    ++outcome.failBoxes;
                } else {
                    outcome.odd.push_back(odd);
                }
                seen.push_back(window);
                dismissedAt.push_back(GetTickCount() - kRedismissMs);
                known = seen.end() - 1;
            }
            DWORD& last = dismissedAt[known - seen.begin()];
            if (GetTickCount() - last >= kRedismissMs) {
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
                PostMessageA(window, WM_CLOSE, 0, 0);
                last = GetTickCount();
            }
        }
    }
    outcome.finished = GetExitCodeProcess(process.hProcess, &outcome.exitCode) != 0;
    CloseHandle(process.hProcess);
    return outcome;
}

// The program as it is usually started: its own name, then the arguments.
Outcome RunTamrin(const std::string& folder, const std::string& arguments) {
    return RunProgram(g_tamrin, arguments.empty() ? "Tamrin.exe" : "Tamrin.exe " + arguments, folder);
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) all += "[" + text + "] ";
    return all;
}

void ExpectSuccess(const Outcome& outcome) {
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.failBoxes, 0);
    EXPECT_TRUE(outcome.odd.empty()) << Joined(outcome.odd);
}

void ExpectFailure(const Outcome& outcome) {
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.failBoxes, 1);
    EXPECT_TRUE(outcome.odd.empty()) << Joined(outcome.odd);
}

const std::vector<std::string> kOnlyTheList = {kListName};

}  // namespace

TEST(Tamrin, IsAGraphicalProgram) {
    std::string image = ReadBytes(g_tamrin);
    ASSERT_GE(image.size(), sizeof(IMAGE_DOS_HEADER));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_EQ(dos->e_magic, static_cast<WORD>(IMAGE_DOS_SIGNATURE));
    ASSERT_LE(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), image.size());
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
    EXPECT_EQ(nt->OptionalHeader.Subsystem, static_cast<WORD>(IMAGE_SUBSYSTEM_WINDOWS_GUI));
}

// The matching rules are tested on the portable edit; these cases are about
// the real file: its true end, its whole length and every byte value.
TEST(Tamrin, AddsOrRemovesTheLineInTheListFile) {
    const std::string longList = FillerLines(70000);
    const std::string withNul = Bytes("A\0.dll\r\n\0\0", 10);
    struct Case {
        const char* name;
        std::string before;
        const char* arguments;
        std::string after;
    } cases[] = {
        {"empty list", "", "", kLine},
        {"appended after the last line", "A.dll\r\n", "", "A.dll\r\n" + kLine},
        {"a last line without break gets one", "A.dll", "", "A.dll\r\n" + kLine},
        {"removed with -U", "A.dll\r\n" + kLine + "B.dll\r\n", "-U", "A.dll\r\nB.dll\r\n"},
        {"removed with -u", "A.dll\r\n" + kLine + "B.dll\r\n", "-u", "A.dll\r\nB.dll\r\n"},
        {"switch after other arguments", "A.dll\r\n" + kLine, "/q x-uninstall", "A.dll\r\n"},
        {"other switches add", "A.dll\r\n", "/U - u", "A.dll\r\n" + kLine},
        {"removal of an absent line", "A.dll\r\nB.dll", "-U", "A.dll\r\nB.dll"},
        {"long list holding the line near its end", longList + kLine + "Z.dll\r\n", "",
         longList + kLine + "Z.dll\r\n"},
        {"long list, line removed near its end", longList + kLine + "Z.dll\r\n", "-U", longList + "Z.dll\r\n"},
        {"long list without the line", longList, "", longList + kLine},
        {"NUL bytes, line added", withNul, "", withNul + "\r\n" + kLine},
        {"NUL bytes, line removed", withNul + "\r\n" + kLine + Bytes("\0Z", 2), "-U", withNul + "\r\n" + Bytes("\0Z", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder.List(), c.before));
        ExpectSuccess(RunTamrin(folder.path, c.arguments));
        EXPECT_TRUE(ReadBytes(folder.List()) == c.after) << "list holds " << ReadBytes(folder.List()).size()
                                                         << " bytes, expected " << c.after.size();
        EXPECT_EQ(Names(folder.path), kOnlyTheList);
    }
}

TEST(Tamrin, RunningTwiceAddsOnceAndRemovesOnce) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder.List(), "A.dll\r\n"));
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("add run " + std::to_string(run));
        ExpectSuccess(RunTamrin(folder.path, ""));
        EXPECT_EQ(ReadBytes(folder.List()), "A.dll\r\n" + kLine);
    }
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("remove run " + std::to_string(run));
        ExpectSuccess(RunTamrin(folder.path, "-u"));
        EXPECT_EQ(ReadBytes(folder.List()), "A.dll\r\n");
    }
    EXPECT_EQ(Names(folder.path), kOnlyTheList);
}

// A folder name with a hyphen and a u puts "-u" in the program's path, quoted
// or not; only the arguments after the path ask for removal.
TEST(Tamrin, ProgramPathHoldingHyphenUAdds) {
    TempFolder folder;
    const std::string tools = folder.path + "\\x-utils";
    const std::string copy = tools + "\\Tamrin.exe";
    ASSERT_TRUE(CreateDirectoryA(tools.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(g_tamrin.c_str(), copy.c_str(), FALSE));
    for (const std::string& commandLine : {"\"" + copy + "\"", copy}) {
        ASSERT_TRUE(WriteBytes(folder.List(), "A.dll\r\nB.dll\r\n"));
        ExpectSuccess(RunProgram(copy, commandLine, folder.path));
        EXPECT_EQ(ReadBytes(folder.List()), "A.dll\r\nB.dll\r\n" + kLine);
    }
}

TEST(Tamrin, MissingListFailsAndIsNotCreated) {
    for (const char* arguments : {"", "-U"}) {
        SCOPED_TRACE(arguments);
        TempFolder folder;
        ExpectFailure(RunTamrin(folder.path, arguments));
        EXPECT_TRUE(Names(folder.path).empty());
    }
}

// Another process holds the list without sharing it: Tamrin cannot open it.
TEST(Tamrin, ListHeldUnsharedFailsAndStaysAsItWas) {
    for (const char* arguments : {"", "-U"}) {
        SCOPED_TRACE(arguments);
        TempFolder folder;
        const std::string before = "A.dll\r\n" + std::string(arguments[0] ? kLine : "") + "B.dll\r\n";
        ASSERT_TRUE(WriteBytes(folder.List(), before));
        HANDLE holder = CreateFileA(folder.List().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        ExpectFailure(RunTamrin(folder.path, arguments));
        CloseHandle(holder);
        EXPECT_EQ(ReadBytes(folder.List()), before);
        EXPECT_EQ(Names(folder.path), kOnlyTheList);
    }
}

// Another process reads the list and shares reading and writing, with or
// without its deletion, as the host may while it runs. Adding appends through
// the share; a removal cannot put the edited list in its place, so it rewrites
// the list through the share instead, and no new file is left behind.
TEST(Tamrin, ListHeldSharedIsEditedThroughTheShare) {
    for (DWORD sharing : {FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}) {
        SCOPED_TRACE(sharing);
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder.List(), "A.dll\r\nB.dll\r\n"));
        HANDLE holder = CreateFileA(folder.List().c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        ExpectSuccess(RunTamrin(folder.path, ""));
        EXPECT_EQ(ReadBytes(folder.List()), "A.dll\r\nB.dll\r\n" + kLine);
        ExpectSuccess(RunTamrin(folder.path, "-U"));
        CloseHandle(holder);
        EXPECT_EQ(ReadBytes(folder.List()), "A.dll\r\nB.dll\r\n");
        EXPECT_EQ(Names(folder.path), kOnlyTheList);
    }
}

// Run by a silent setup program, a failure shows no box: the exit code says it.
TEST(Tamrin, QuietFailureShowsNoBox) {
    TempFolder folder;
    const Outcome outcome = RunTamrin(folder.path, "-U /S");
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.failBoxes + outcome.odd.size(), 0u) << Joined(outcome.odd);
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* given = argc > 1 ? argv[1] : getenv("KELVANE_TAMRIN");
    if (given == nullptr || given[0] == '\0') {
        fprintf(stderr, "usage: tamrin_test <path of Tamrin.exe> (or set KELVANE_TAMRIN)\n");
        return 2;
    }
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(given, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full || GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "tamrin_test: no program at %s\n", given);
        return 2;
    }
    g_tamrin = full;
    return RUN_ALL_TESTS();
}
