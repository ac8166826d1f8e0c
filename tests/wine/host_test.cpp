// The host protocol through the real KelvaneFx.dll in the stand-in host:
// assignments and their warnings, settings chunks written and read back, and
// preset files saved and loaded through the real file dialogs. Warning boxes
// and dialogs are modal on the thread that calls the plug-in, so a watcher
// thread finds them, reads them and answers them the way a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "band_meter.h"
#include "stand_in_host.h"
#include "wine_test_util.h"

namespace {

using minihost::HostField;
using minihost::StandInHost;

constexpr char kSignature[] = "QuellMarsh Kelvane 002";
constexpr char kFullTable[] = "This Effect Has Reached Its Maximum Assignments!";
constexpr char kCorrupted[] = "Corrupted Data Settings For This PlugIn\nPlease Reset Parameters!";
constexpr char kImproper[] = "Improper Preset Format!";
constexpr int kHeader = 308, kEntry = 88, kPresetBytes = 364;
constexpr int kEntrySlots = 12, kEntryPlace = 68, kEntryOpen = 84;
constexpr DWORD kAnswerTimeoutMs = 20000;
constexpr int kMessageBoxText = 0xFFFF, kMessageBoxIcon = 0x440;   // stc1
constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480, kFilterCombo = 0x470;   // cmb13, edt1, cmb1

// Values for the 14 stored slots (1, 2, 3, 5..15), each in its range and
// none a default; `shift` makes them differ between assignments.
std::vector<int32_t> StoredValues(int shift) {
    return {1, 60 + shift, 100000 + shift, 1, 40 + shift, 5000 + shift, 800000 + shift,
            1250 + shift, 1, 33 + shift, 1, 7 + shift, 1, 80 + shift};
}
constexpr int kStoredSlots[14] = {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

int32_t Word(const std::vector<uint8_t>& bytes, size_t at) {
    int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}
void PutWord(std::vector<uint8_t>& bytes, size_t at, int32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
std::vector<int32_t> Words(const std::vector<uint8_t>& bytes, size_t at, int count) {
    std::vector<int32_t> w;
    for (int i = 0; i < count; ++i) w.push_back(Word(bytes, at + 4 * i));
    return w;
}

// ---- The watcher ------------------------------------------------------------

struct SeenDialog {
    std::string caption, text, fileName, filter;
    bool warningIcon = false;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    int buttons = 0;
};

std::string ControlText(HWND control) {
    char text[MAX_PATH] = {};
    if (control != nullptr) SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// Answers every dialog of this process until stopped: warning boxes with OK,
// the preset dialogs by typing `path` and confirming (or cancelling when the
// path is empty; `whole`: typed at once from the folder above), anything else with Cancel. A dialog still up 20 seconds
// after its answer is cancelled, so a missed step fails instead of hanging.
class Watcher {
public:
    explicit Watcher(std::string path = "", bool whole = false) : path_(std::move(path)), whole_(whole) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~Watcher() { Finish(); }
    std::vector<SeenDialog> Finish() {
        if (thread_ != nullptr) {
            InterlockedExchange(&stop_, 1);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return seen_;
    }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<Watcher*>(self)->Loop();
        return 0;
    }
    void Loop() {
        while (InterlockedCompareExchange(&stop_, 0, 0) == 0) {
            for (HWND dialog = nullptr; (dialog = FindWindowExA(nullptr, dialog, "#32770", nullptr)) != nullptr;) {
                DWORD process = 0;
                GetWindowThreadProcessId(dialog, &process);
                if (process != GetCurrentProcessId() || !IsWindowVisible(dialog)) continue;
                size_t i = 0;
                while (i < answered_.size() && answered_[i] != dialog) ++i;
                if (i == answered_.size()) {
                    Answer(dialog);
                    answered_.push_back(dialog);
                    answeredAt_.push_back(GetTickCount());
                } else if (GetTickCount() - answeredAt_[i] > kAnswerTimeoutMs) {
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                    answeredAt_[i] = GetTickCount();
                }
            }
            Sleep(50);
        }
    }
    void Answer(HWND dialog) {
        SeenDialog d;
        char caption[128] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        d.caption = caption;
        d.owner = GetWindow(dialog, GW_OWNER);
        d.ownerEnabled = IsWindowEnabled(d.owner);
        for (HWND b = nullptr; (b = FindWindowExA(dialog, b, "Button", nullptr)) != nullptr;) d.buttons += IsWindowVisible(b);
        WPARAM answer = IDCANCEL;
        if (d.caption == "WARNING!") {
            d.text = ControlText(GetDlgItem(dialog, kMessageBoxText));
            const HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, kMessageBoxIcon, STM_GETICON, 0, 0));
            d.warningIcon = icon != nullptr && icon == LoadIconA(nullptr, IDI_WARNING);
            answer = IDOK;
        } else if (d.caption == "Save PlugIn Preset" || d.caption == "Load PlugIn Preset") {
            HWND name = GetDlgItem(dialog, kFileNameCombo);
            if (name == nullptr) name = GetDlgItem(dialog, kFileNameEdit);
            d.fileName = ControlText(name);
            char filter[MAX_PATH] = {};   // the selected pair's description
            const LRESULT selected = SendDlgItemMessageA(dialog, kFilterCombo, CB_GETCURSEL, 0, 0);
            SendDlgItemMessageA(dialog, kFilterCombo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(filter));
            d.filter = filter;
            if (!path_.empty() && name != nullptr) {
                // As a user would: the folder first, which the dialog opens and
                // makes current, then the file's name.
                const size_t slash = path_.rfind('\\');
                const std::string folder = path_.substr(0, whole_ ? path_.rfind('\\', slash - 1) : slash),
                                  file = whole_ ? path_ : path_.substr(slash + 1);
                DWORD_PTR result;
                SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
                SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)), SMTO_NORMAL,
                                    kAnswerTimeoutMs, &result);
                SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
                answer = IDOK;
            }
        }
        seen_.push_back(d);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, static_cast<int>(answer))));
    }

    std::string path_;
    bool whole_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    std::vector<HWND> answered_;
    std::vector<DWORD> answeredAt_;
    std::vector<SeenDialog> seen_;
};

// The flags of the last warning, recorded on its way from the DLL to user32.
UINT s_boxFlags = 0;
HWND s_boxOwner = nullptr;

int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    s_boxFlags = flags;
    s_boxOwner = owner;
    return MessageBoxA(owner, text, caption, flags);
}

// Points the DLL's import of MessageBoxA at RecordMessageBox.
bool RecordMessageBoxes(HMODULE dll) {
    auto* base = reinterpret_cast<uint8_t*>(dll);
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); d->Name != 0; ++d) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), "MessageBoxA") != 0) continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<uintptr_t>(RecordMessageBox);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

constexpr UINT kTaskModalWarning = MB_OK | MB_ICONWARNING | MB_TASKMODAL | MB_TOPMOST;
constexpr UINT kSystemModalWarning = MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL;

void ExpectWarning(const std::vector<SeenDialog>& seen, const char* text, UINT flags) {
    ASSERT_EQ(seen.size(), 1u) << "one warning box";
    EXPECT_EQ(seen[0].caption, "WARNING!");
    EXPECT_EQ(seen[0].text, text);
    EXPECT_TRUE(seen[0].warningIcon) << "the warning icon";
    EXPECT_EQ(seen[0].owner, nullptr) << "no owner window";
    EXPECT_EQ(seen[0].buttons, 1) << "OK alone";
    EXPECT_EQ(s_boxFlags, flags);
    EXPECT_EQ(s_boxOwner, nullptr);
}

// ---- The logo's menu, driven from inside its own loop ----------------------

UINT s_wantedItem = 0;
bool s_itemChosen = false;

void CALLBACK ChooseMenuItem(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup == nullptr) return;
    KillTimer(nullptr, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    int downs = 0;   // the arrow keys skip the separator
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id != 0) ++downs;
        if (id != s_wantedItem) continue;
        s_itemChosen = true;
        for (int k = 0; k < downs; ++k) PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
        return;
    }
    PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
}

// ---- Fixture -----------------------------------------------------------------

class HostTest : public ::testing::Test {
protected:
    StandInHost host;

    void SetUp() override {
        ASSERT_EQ(host.Start(PluginPath().c_str()), "");
        ASSERT_TRUE(RecordMessageBoxes(host.dll));
        s_boxFlags = 0;
    }
    void TearDown() override { host.Stop(); }

    void Args(int a, int32_t track, int32_t slot, int32_t tag = 0, int32_t value = 0) {
        host.Set(HostField::assignmentArg, a);
        host.Set(HostField::trackArg, track);
        host.Set(HostField::slotArg, slot);
        host.Set(HostField::tagArg, tag);
        host.Set(HostField::valueArg, value);
    }
    // Message 101: one live slot, nothing applied or stored.
    void SetLive(int a, int slot, int32_t value) {
        Args(a, host.trackOf[a], slot, 0, value);
        host.Message(kelvane::kMsgSetSlot);
    }
    void SetChunkAddress(const void* chunk) {
        host.Set(HostField::chunkAddress, static_cast<int32_t>(reinterpret_cast<uintptr_t>(chunk)));
    }
    // Message 11 into a buffer of 0xEE bytes; returns the size written.
    int32_t Save(int a, std::vector<uint8_t>& chunk) {
        chunk.assign(1100, 0xEE);
        Args(a, 55, 0);
        SetChunkAddress(chunk.data());
        host.Message(kelvane::kMsgSaveSettings);
        return host.Get(HostField::trackArg);
    }
    std::vector<uint8_t> SaveAll() {
        std::vector<uint8_t> chunk;
        chunk.resize(Save(-1, chunk));
        return chunk;
    }
    // Message 10; returns slotArg.
    int32_t Restore(int a, const uint8_t* chunk) {
        Args(a, 0, 7);
        SetChunkAddress(chunk);
        host.Message(kelvane::kMsgRestoreSettings);
        return host.Get(HostField::slotArg);
    }
    void Release(int a) {
        host.Set(HostField::assignmentArg, a);
        host.Message(kelvane::kMsgReleaseAssignment);
    }
    // Exactly the assignments in `active` are handed out, by messages 8 and 9.
    void MakeActive(std::initializer_list<int> active) {
        for (int a = 0; a < 8; ++a) Release(a);
        int last = -1;
        for (int a : active) last = std::max(last, a);
        for (int a = 0; a <= last; ++a) ASSERT_EQ(host.NewAssignment(10 + a, 100 + a), a);
        for (int a = 0; a <= last; ++a) {
            if (std::find(active.begin(), active.end(), a) == active.end()) Release(a);
        }
    }
    void OpenEditor(int a, int32_t track, int32_t tag) {
        Args(a, track, 0, tag);
        host.Message(kelvane::kMsgOpenEditor);
        minihost::PumpMessages();
    }
    HWND Editor(int a) {
        HWND w = nullptr;
        while ((w = FindWindowExA(nullptr, w, "FX_PLUGIN", nullptr)) != nullptr && GetWindowLongA(w, 0) != a) {
        }
        return w;
    }
    // Opens the logo's menu in a's editor and chooses an item; the dialogs
    // that follow are answered with `typedPath`.
    std::vector<SeenDialog> ChooseFromMenu(int a, UINT item, const std::string& typedPath, bool whole = false) {
        OpenEditor(a, host.trackOf[a], 0);
        HWND editor = Editor(a);
        EXPECT_NE(editor, nullptr);
        s_wantedItem = item;
        s_itemChosen = false;
        Watcher watcher(typedPath, whole);
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, ChooseMenuItem);
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(190, 275));
        SendMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(190, 275));
        KillTimer(nullptr, timer);
        EXPECT_TRUE(s_itemChosen) << "menu item " << item;
        return watcher.Finish();
    }
    // The stored slots of one assignment, read through message 11.
    std::vector<int32_t> StoredSlots(int a) {
        std::vector<uint8_t> chunk;
        EXPECT_EQ(Save(a, chunk), kHeader + kEntry + 4);
        return Words(chunk, kHeader + kEntrySlots, 14);
    }
};

// ---- Assignments -------------------------------------------------------------

TEST_F(HostTest, FullTableWarnsAndHandsOutNothing) {
    for (int a = 0; a < 8; ++a) ASSERT_EQ(host.NewAssignment(a, 200 + a), a);
    Watcher watcher;
    host.Set(HostField::newAssignment, 77);
    EXPECT_EQ(host.NewAssignment(9, 300), -1);
    ExpectWarning(watcher.Finish(), kFullTable, kTaskModalWarning);
    std::vector<uint8_t> chunk;
    ASSERT_EQ(Save(-1, chunk), 1016) << "eight entries, nothing added";
    for (int j = 0; j < 8; ++j) EXPECT_EQ(Word(chunk, kHeader + kEntry * j + 8), 200 + j) << "HostTag kept";
    // The count stayed at 8: one release makes room for exactly one.
    Release(5);
    Watcher quiet;
    EXPECT_EQ(host.NewAssignment(1), 5);
    EXPECT_TRUE(quiet.Finish().empty());
    Watcher again;
    EXPECT_EQ(host.NewAssignment(1), -1);
    EXPECT_EQ(again.Finish().size(), 1u);
}

TEST_F(HostTest, NewAssignmentTakesTheLowestFreeIndex) {
    const struct { std::vector<int> released, expected; } cases[] = {
        {{2}, {2, 4}}, {{1, 3}, {1, 3, 4}}, {{3, 0}, {0, 3, 4}}, {{0, 1, 2, 3}, {0, 1, 2, 3, 4}}, {{6}, {4}},
    };
    Watcher watcher;
    for (const auto& c : cases) {
        MakeActive({0, 1, 2, 3});
        for (int a : c.released) Release(a);
        std::vector<int> got;
        for (size_t i = 0; i < c.expected.size(); ++i) got.push_back(host.NewAssignment(1));
        EXPECT_EQ(got, c.expected) << "first released " << c.released[0];
    }
    EXPECT_TRUE(watcher.Finish().empty());
}

TEST_F(HostTest, EditorForAFreeAssignmentWarnsOnceAndTakesItOn) {
    ASSERT_EQ(host.NewAssignment(2), 0);
    {
        Watcher watcher;
        OpenEditor(3, 12, 55);
        ExpectWarning(watcher.Finish(), kCorrupted, kTaskModalWarning);
    }
    EXPECT_NE(Editor(3), nullptr);
    std::vector<uint8_t> chunk;
    ASSERT_EQ(Save(-1, chunk), 312 + 2 * 88);
    const size_t e = kHeader + kEntry;
    EXPECT_EQ(Words(chunk, e, 3), (std::vector<int32_t>{3, 12, 55})) << "index, TrackIndex, HostTag";
    EXPECT_EQ(Word(chunk, e + kEntryOpen), 1);
    Watcher second;
    OpenEditor(3, 12, 55);
    EXPECT_TRUE(second.Finish().empty()) << "an active assignment gives no warning";
}

// ---- Settings chunks ---------------------------------------------------------

TEST_F(HostTest, ChunkHoldsTheActiveAssignmentsInOrder) {
    const struct { std::initializer_list<int> active; int arg; std::vector<int32_t> entries; } cases[] = {
        {{0, 2}, 1, {}}, {{1, 5}, -1, {1, 5}}, {{0, 1, 2, 3, 4, 5, 6, 7}, -1, {0, 1, 2, 3, 4, 5, 6, 7}},
        {{1, 5}, 5, {5}}, {{7}, -1, {7}},
    };
    for (const auto& c : cases) {
        MakeActive(c.active);
        std::vector<uint8_t> chunk;
        const int size = Save(c.arg, chunk);
        const int n = static_cast<int>(c.entries.size());
        ASSERT_EQ(size, 312 + 88 * n) << "argument " << c.arg;
        EXPECT_STREQ(reinterpret_cast<const char*>(chunk.data()), kSignature);
        EXPECT_EQ(chunk[48], 0) << "no preset folder yet";
        for (int j = 0; j < n; ++j) {
            const size_t e = kHeader + kEntry * j;
            EXPECT_EQ(Word(chunk, e), c.entries[j]);
            EXPECT_EQ(Word(chunk, e + 4), 10 + c.entries[j]);
            EXPECT_EQ(Word(chunk, e + 8), 100 + c.entries[j]);
            EXPECT_EQ(Words(chunk, e + kEntryPlace, 5), std::vector<int32_t>(5, 0)) << "closed editor";
        }
        EXPECT_EQ(Word(chunk, size - 4), -1);
        for (size_t i = size; i < chunk.size(); ++i) ASSERT_EQ(chunk[i], 0xEE) << "written past the end at " << i;
    }
}

// A chunk written, edited as a project file could be, restored and written
// again gives the same bytes; the restore opens editors where they were.
TEST_F(HostTest, WriterAndReaderAgreeForAllAndForOne) {
    for (int a : {-1, 1}) {
        MakeActive({0, 1, 2, 4});
        OpenEditor(2, 12, 102);
        std::vector<uint8_t> chunk = SaveAll();
        ASSERT_EQ(chunk.size(), 312u + 4 * 88);
        std::strcpy(reinterpret_cast<char*>(&chunk[48]), "C:\\presets\\");
        for (int j = 0; j < 4; ++j) {
            const size_t e = kHeader + kEntry * j;
            PutWord(chunk, e + 4, 20 + j);
            PutWord(chunk, e + 8, 900 + j);
            const std::vector<int32_t> values = StoredValues(j);
            for (int i = 0; i < 14; ++i) PutWord(chunk, e + kEntrySlots + 4 * i, values[i]);
        }
        const size_t moved = kHeader + kEntry * 1;   // assignment 1's editor opens at a saved place
        const int32_t place[5] = {150, 120, 380, 300, 1};
        for (int i = 0; i < 5; ++i) PutWord(chunk, moved + kEntryPlace + 4 * i, place[i]);
        // Make the live state differ from the chunk before restoring it.
        Release(4);
        ASSERT_EQ(host.NewAssignment(3), 3);
        const std::vector<uint8_t> before = SaveAll();

        std::vector<uint8_t> in = chunk;
        if (a != -1) {   // a chunk of assignment 1 alone: its entry and the terminator
            in.assign(chunk.begin(), chunk.begin() + kHeader);
            in.insert(in.end(), chunk.begin() + moved, chunk.begin() + moved + kEntry);
            in.resize(in.size() + 4);
            PutWord(in, in.size() - 4, -1);
        }
        ASSERT_EQ(Restore(a, in.data()), 0) << "assignment " << a;
        std::vector<uint8_t> out;
        out.resize(Save(a, out));
        EXPECT_EQ(out, in) << "written again after the restore, assignment " << a;
        HWND editor = Editor(1);
        ASSERT_NE(editor, nullptr);
        RECT r;
        GetWindowRect(editor, &r);
        EXPECT_EQ(r.left, 150);
        EXPECT_EQ(r.top, 120);
        if (a != -1) {   // entries 0, 2 and 3 as they were
            const std::vector<uint8_t> after = SaveAll();
            ASSERT_EQ(after.size(), before.size());
            for (int j : {0, 2, 3}) {
                const size_t e = kHeader + kEntry * j;
                EXPECT_TRUE(std::equal(after.begin() + e, after.begin() + e + kEntry, before.begin() + e)) << j;
            }
        }
        host.Set(HostField::assignmentArg, 1);
        host.Message(kelvane::kMsgCloseEditor);
    }
}

TEST_F(HostTest, OtherSignaturesAreRejectedWithoutAnyChange) {
    const struct { const char* signature; bool accepted; } cases[] = {
        {"quellmarsh kelvane 002", false}, {"QUELLMARSH KELVANE 002", false}, {"QuellMarsh Kelvane 001", false},
        {"QuellMarsh Kelvane 0021", false}, {"QuellMarsh Kelvane 00", false}, {"", false},
        {kSignature, true},
    };
    for (int a : {-1, 1}) {
        for (const auto& c : cases) {
            MakeActive({0, 1});
            std::vector<uint8_t> chunk = SaveAll();
            PutWord(chunk, kHeader + 4, 41);
            PutWord(chunk, kHeader + kEntry + 4, 42);
            std::memset(chunk.data(), 0, 48);
            std::strcpy(reinterpret_cast<char*>(chunk.data()), c.signature);
            const std::vector<uint8_t> before = SaveAll();
            EXPECT_EQ(Restore(a, chunk.data()), c.accepted ? 0 : 1) << c.signature << ", assignment " << a;
            EXPECT_EQ(SaveAll() != before, c.accepted) << c.signature;
        }
    }
}

TEST_F(HostTest, EightEntriesWithoutTerminatorRestoreEightOrOne) {
    MakeActive({0});
    std::vector<uint8_t> chunk = SaveAll();
    chunk.resize(kHeader + 9 * kEntry, 0);
    for (int j = 8; j >= 0; --j) {   // the ninth entry lies past the chunk's end
        const size_t e = kHeader + kEntry * j;
        if (j > 0) std::memcpy(&chunk[e + 8], &chunk[kHeader + 8], kEntry - 8);
        PutWord(chunk, e, j == 8 ? 0 : (j + 3) % 8);
        PutWord(chunk, e + 4, j == 8 ? 99 : 30 + j);
    }
    for (int a : {-1, 3}) {
        MakeActive({0, 1});
        ASSERT_EQ(Restore(a, chunk.data()), 0);
        std::vector<uint8_t> out = SaveAll();
        if (a == -1) {
            ASSERT_EQ(out.size(), 1016u);
            EXPECT_EQ(Word(out, kHeader + 4), 35) << "assignment 0 from the sixth entry, not the ninth";
        } else {
            ASSERT_EQ(out.size(), 312u + 3 * 88) << "0 and 1 kept, 3 restored";
            EXPECT_EQ(Words(out, kHeader + 2 * kEntry, 2), (std::vector<int32_t>{3, 30}));
        }
    }
}

TEST_F(HostTest, NoChunkAddressIsRefusedAndWritesNothing) {
    MakeActive({0, 2});
    const std::vector<uint8_t> before = SaveAll();
    for (int a : {-1, 0}) {
        EXPECT_EQ(Restore(a, nullptr), 1);
        host.Set(HostField::trackArg, 55);
        host.Message(kelvane::kMsgSaveSettings);
        EXPECT_EQ(host.Get(HostField::trackArg), 0);
    }
    EXPECT_EQ(SaveAll(), before);
}

// ---- Presets -----------------------------------------------------------------

class PresetTest : public HostTest {
protected:
    std::string folder;

    void SetUp() override {
        HostTest::SetUp();
        char base[MAX_PATH] = {};
        GetTempPathA(sizeof base, base);
        folder = std::string(base) + "kelvane_host_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& name : FilesInFolder()) DeleteFileA((folder + "\\" + name).c_str());
        RemoveDirectoryA(folder.c_str());
        HostTest::TearDown();
    }
    std::string PathOf(const char* name) const { return folder + "\\" + name; }
    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return names;
    }
    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    void ExpectPresetDialog(const SeenDialog& d, const char* title, int a) {
        EXPECT_EQ(d.caption, title);
        EXPECT_EQ(d.owner, Editor(a)) << "owned by the editor that asked, so above it";
        EXPECT_FALSE(d.ownerEnabled) << "the editor waits for its dialog";
        EXPECT_EQ(d.filter, "PlugIn Preset File  *.plg");
    }
};

TEST_F(PresetTest, SavedInOneAssignmentLoadsIntoAnother) {
    const int a = host.NewAssignment(1), b = host.NewAssignment(2);
    const std::vector<int32_t> live = StoredValues(3);
    for (int i = 0; i < 14; ++i) SetLive(a, kStoredSlots[i], live[i]);
    const std::vector<int32_t> storedOfB = StoredSlots(b);

    // The full path typed while the dialog shows the folder above.
    std::vector<SeenDialog> seen = ChooseFromMenu(a, 5002, PathOf("first.plg"), true);
    ASSERT_EQ(seen.size(), 1u);
    ExpectPresetDialog(seen[0], "Save PlugIn Preset", a);
    EXPECT_EQ(seen[0].fileName, "") << "no file chosen before";
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"first.plg"}) << "nothing left beside the preset";
    const std::vector<uint8_t> file = ReadBytes(PathOf("first.plg"));
    ASSERT_EQ(file.size(), size_t(kPresetBytes));
    EXPECT_STREQ(reinterpret_cast<const char*>(file.data()), kSignature);
    EXPECT_EQ(lstrcmpiA(reinterpret_cast<const char*>(&file[48]), (folder + "\\").c_str()), 0)
        << "the chosen folder: " << reinterpret_cast<const char*>(&file[48]);
    EXPECT_EQ(Words(file, 308, 14), live) << "the live values";
    EXPECT_NE(StoredSlots(a), live) << "saving stores nothing";

    seen = ChooseFromMenu(b, 5000, PathOf("first.plg"));
    ASSERT_EQ(seen.size(), 1u);
    ExpectPresetDialog(seen[0], "Load PlugIn Preset", b);
    EXPECT_EQ(seen[0].fileName, "first.plg") << "the last chosen name";
    EXPECT_EQ(StoredSlots(b), live);
    EXPECT_NE(storedOfB, live);
    // The preset's folder is now the PresetFolder that chunks carry.
    std::vector<uint8_t> chunk;
    Save(-1, chunk);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&chunk[48])),
              std::string(reinterpret_cast<const char*>(&file[48])));
}

TEST_F(PresetTest, ImproperFilesAreRefusedWithAWarning) {
    const int b = host.NewAssignment(2);
    std::vector<uint8_t> good(kPresetBytes, 0);
    std::strcpy(reinterpret_cast<char*>(good.data()), kSignature);
    for (int i = 0; i < 14; ++i) PutWord(good, 308 + 4 * i, StoredValues(5)[i]);
    const struct { const char* what; const char* signature; size_t length; } cases[] = {
        {"another signature", "QuellMarsh Kelvane 001", 364}, {"letter case", "quellmarsh kelvane 002", 364},
        {"one byte short", kSignature, 363}, {"header only", kSignature, 308}, {"empty", "", 0},
    };
    const std::vector<int32_t> before = StoredSlots(b);
    for (const auto& c : cases) {
        std::vector<uint8_t> file = good;
        std::memset(file.data(), 0, 48);
        std::strcpy(reinterpret_cast<char*>(file.data()), c.signature);
        file.resize(c.length);
        WriteBytes(PathOf("bad.plg"), file);
        const std::vector<SeenDialog> seen = ChooseFromMenu(b, 5000, PathOf("bad.plg"));
        ASSERT_EQ(seen.size(), 2u) << c.what;
        ExpectPresetDialog(seen[0], "Load PlugIn Preset", b);
        ExpectWarning({seen[1]}, kImproper, kSystemModalWarning);
        EXPECT_EQ(StoredSlots(b), before) << c.what;
    }
    // The same file whole and signed loads: the cases above differ only there.
    WriteBytes(PathOf("bad.plg"), good);
    EXPECT_EQ(ChooseFromMenu(b, 5000, PathOf("bad.plg")).size(), 1u);
    EXPECT_EQ(StoredSlots(b), StoredValues(5));
}

TEST_F(PresetTest, CancelledDialogsChangeNothing) {
    const int a = host.NewAssignment(1);
    host.SetSlot(a, 2, 90);
    OpenEditor(a, 1, 0);
    const std::vector<uint8_t> before = SaveAll();
    for (UINT item : {5002u, 5000u}) {
        const std::vector<SeenDialog> seen = ChooseFromMenu(a, item, "");
        ASSERT_EQ(seen.size(), 1u) << item;
        EXPECT_TRUE(FilesInFolder().empty());
        EXPECT_EQ(SaveAll(), before) << "item " << item << ": the folder and the slots stay";
    }
}

// Each factory preset, loaded with the logo menu, renders the figure that its
// name states ("Tone 1 kHz -17.75 dBFS peak", "... dBFS RMS full band", "...
// dBFS RMS 20 Hz-20 kHz", "gain -0.0035 dB"), to half a unit of its last
// digit, in 10 ms buffers over a full-scale input. Each renders from a fresh
// load, as the Calibration page does, so noise plays the same ten minutes.
TEST_F(PresetTest, FactoryPresetsRenderTheFiguresTheirNamesState) {
    char dll[MAX_PATH];
    GetFullPathNameA(PluginPath().c_str(), MAX_PATH, dll, nullptr);
    const std::string presets = std::string(dll).substr(0, std::string(dll).rfind('\\')) + "\\quellmarsh\\Kelvane\\Presets";
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((presets + "\\*.plg").c_str(), &found);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) files.push_back(found.cFileName);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    EXPECT_GE(files.size(), 6u);
    for (const std::string& file : files) {
        const size_t unit = file.find(" dB"), number = file.rfind(' ', unit - 1) + 1;
        ASSERT_NE(unit, std::string::npos) << file;
        const std::string stated = file.substr(number, unit - number), kind = file.substr(unit);
        const size_t point = stated.find('.');
        const double half = 0.5 * std::pow(10.0, -(point == std::string::npos ? 0.0 : stated.size() - point - 1.0));
        const bool band = kind.rfind(" dBFS RMS 20 Hz-20 kHz", 0) == 0, rms = band || kind.rfind(" dBFS RMS full band", 0) == 0;
        TearDown();
        SetUp();
        const int a = host.NewAssignment(20);
        ASSERT_EQ(ChooseFromMenu(a, 5000, presets + "\\" + file).size(), 1u) << file;
        host.StartProcessing(a);
        std::vector<int32_t> buffer(2 * 480);
        kelvane::BandMeter left{48000, 20.0, 20000.0, {}};
        double squares = 0.0, peak = 0.0;
        const int buffers = rms ? 60000 : 100;
        for (int b = 0; b < buffers; ++b) {
            std::fill(buffer.begin(), buffer.end(), 8388608);
            host.Process(a, buffer.data(), buffer.size() * 4, 4);
            for (size_t i = 0; i < buffer.size(); ++i) {
                squares += double(buffer[i]) * buffer[i];
                peak = std::max(peak, std::fabs(double(buffer[i])));
                if (band && i % 2 == 0) kelvane::AddSample(left, buffer[i] / 8388608.0);
            }
        }
        host.Message(kelvane::kMsgStop);
        const double level = band ? 10.0 * std::log10(kelvane::BandMeanSquare(left))
                             : rms ? 10.0 * std::log10(squares / (buffer.size() * double(buffers))) - 20.0 * std::log10(8388608.0)
                                   : 20.0 * std::log10(peak / 8388608.0);
        EXPECT_NEAR(level, std::atof(stated.c_str()), half + 1e-9) << file;
    }
}

}  // namespace
