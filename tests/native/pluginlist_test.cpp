#include <gtest/gtest.h>

#include <string>

#include "list_text.h"
#include "plugin_list.h"

using namespace kelvane;

namespace {

const std::string kLine = kPluginLine;

// An in-memory folder that answers the file calls as Windows does: the list
// opens only when it exists and nobody holds it unshared, and it can only be
// replaced once closed. Faults are switched on per call.
struct FakeFolder final : ListFileCalls {
    bool listExists = true;
    bool lockedByOther = false;
    std::string list;

    bool failRead = false;
    bool failAppend = false;
    bool failCreate = false;
    bool failWrite = false;
    bool failReplace = false;
    bool heldWithoutDeleteSharing = false;

    bool listOpen = false;
    bool replacementExists = false;
    std::string replacement;
    int appendCalls = 0;
    int replacementsCreated = 0;

    bool OpenList() override {
        if (!listExists || lockedByOther) return false;
        listOpen = true;
        return true;
    }
    bool ReadList(std::string& text) override {
        EXPECT_TRUE(listOpen);
        if (failRead) return false;
        text = list;
        return true;
    }
    bool AppendToList(const std::string& bytes) override {
        EXPECT_TRUE(listOpen);
        ++appendCalls;
        if (failAppend) return false;
        list += bytes;
        return true;
    }
    bool RewriteList(const std::string& text) override {
        EXPECT_TRUE(listOpen);
        list = text;
        return true;
    }
    void CloseList() override { listOpen = false; }
    bool CreateReplacement() override {
        if (failCreate) return false;
        ++replacementsCreated;
        replacementExists = true;
        replacement.clear();
        return true;
    }
    bool WriteReplacement(const std::string& text) override {
        EXPECT_TRUE(replacementExists);
        replacement = text;
        if (failWrite) {
            replacement.resize(text.size() / 2);  // a disk that filled up half way
            return false;
        }
        return true;
    }
    ReplaceResult ReplaceListWithReplacement() override {
        if (heldWithoutDeleteSharing) return ReplaceResult::kRefusedForSharing;
        if (failReplace || listOpen || !replacementExists) return ReplaceResult::kFailed;
        list = replacement;
        listExists = true;
        replacementExists = false;
        return ReplaceResult::kReplaced;
    }
    void DeleteReplacement() override { replacementExists = false; }
};

}  // namespace

TEST(PluginList, AddAndRemoveEditTheListBytes) {
    // Filler that puts the line across byte 61440, and a list whose line is
    // near the end of 70000 bytes.
    const std::string straddle = std::string(61440 - 5, 'x') + "\r\n";
    const std::string longList = FillerLines(70000);
    struct Case {
        const char* name;
        std::string before, afterAdd, afterRemove;
    } cases[] = {
        {"empty list", "", kLine, ""},
        {"last line ends in a break", "A.dll\r\n", "A.dll\r\n" + kLine, "A.dll\r\n"},
        {"last line has no break: one is added", "A.dll", "A.dll\r\n" + kLine, "A.dll"},
        {"last line ends in a lone CR", "A.dll\r", "A.dll\r" + kLine, "A.dll\r"},
        {"present in the middle", "A.dll\r\n" + kLine + "B.dll\r\n", "A.dll\r\n" + kLine + "B.dll\r\n",
         "A.dll\r\nB.dll\r\n"},
        {"look-alike lines are other plug-ins'", "SAWReverb.dll\r\nOldKelvaneFx.dll\r\n; KelvaneFx.dll\r\nSAWDelay.dll\r\n",
         "SAWReverb.dll\r\nOldKelvaneFx.dll\r\n; KelvaneFx.dll\r\nSAWDelay.dll\r\n" + kLine,
         "SAWReverb.dll\r\nOldKelvaneFx.dll\r\n; KelvaneFx.dll\r\nSAWDelay.dll\r\n"},
        {"last line is the name and a lone CR", "A.dll\r\nKelvaneFx.dll\r", "A.dll\r\nKelvaneFx.dll\r", "A.dll\r\n"},
        {"lone CRs end lines in the middle", "A.dll\r\nKelvaneFx.dll\rKelvaneFx.dll\r\nB.dll\rC.dll\r",
         "A.dll\r\nKelvaneFx.dll\rKelvaneFx.dll\r\nB.dll\rC.dll\r", "A.dll\r\nB.dll\rC.dll\r"},
        {"byte order mark before the line", "\xEF\xBB\xBF" + kLine + "A.dll\r\n", "\xEF\xBB\xBF" + kLine + "A.dll\r\n",
         "\xEF\xBB\xBF" "A.dll\r\n"},
        {"other letter case", "kelvanefx.DLL\r\n", "kelvanefx.DLL\r\n" + kLine, "kelvanefx.DLL\r\n"},
        {"line ended by a lone LF", "A\nKelvaneFx.dll\nB.dll\n", "A\nKelvaneFx.dll\nB.dll\n", "A\nB.dll\n"},
        {"name without break at the end", "A\r\nKelvaneFx.dll", "A\r\n" + kLine, "A\r\n"},
        {"last line only ends with the name", "Foo.dll\r\nOldKelvaneFx.dll",
         "Foo.dll\r\nOldKelvaneFx.dll\r\n" + kLine, "Foo.dll\r\nOldKelvaneFx.dll"},
        {"both of two removed", kLine + "B.dll\r\n" + kLine, kLine + "B.dll\r\n" + kLine, "B.dll\r\n"},
        {"NUL bytes around the line", Bytes("A\0\r\n", 4) + kLine + Bytes("\0Z", 2),
         Bytes("A\0\r\n", 4) + kLine + Bytes("\0Z", 2), Bytes("A\0\r\n\0Z", 6)},
        {"NUL bytes before, line absent", Bytes("\0\0A.dll\r\n", 9), Bytes("\0\0A.dll\r\n", 9) + kLine,
         Bytes("\0\0A.dll\r\n", 9)},
        {"long list, line near the end", longList + kLine + "Z.dll\r\n", longList + kLine + "Z.dll\r\n",
         longList + "Z.dll\r\n"},
        {"long list, line absent", longList, longList + kLine, longList},
        {"line across byte 61440", straddle + kLine, straddle + kLine, straddle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFolder add;
        add.list = c.before;
        EXPECT_TRUE(AddPluginLine(add, kLine));
        EXPECT_EQ(add.list, c.afterAdd);
        EXPECT_EQ(add.appendCalls, c.afterAdd == c.before ? 0 : 1);
        EXPECT_FALSE(add.listOpen);

        FakeFolder remove;
        remove.list = c.before;
        EXPECT_TRUE(RemovePluginLine(remove, kLine));
        EXPECT_EQ(remove.list, c.afterRemove);
        EXPECT_EQ(remove.replacementsCreated, c.afterRemove != c.before ? 1 : 0);
        EXPECT_EQ(remove.appendCalls, 0);
        EXPECT_FALSE(remove.listOpen);
        EXPECT_FALSE(remove.replacementExists);
    }
}

TEST(PluginList, SwitchAnywhereInTheArgumentsInAnyCase) {
    struct Case {
        const char* commandLine;
        bool remove;
    } cases[] = {
        {"Tamrin.exe", false},
        {"\"C:\\SAW\\Tamrin.exe\"", false},
        {"Tamrin.exe -U", true},
        {"Tamrin.exe -u", true},
        {"Tamrin.exe /U", false},
        {"Tamrin.exe - U", false},
        {"Tamrin.exe -", false},
        {"Tamrin.exe U-", false},
        {"Tamrin.exe -x-uninstall", true},
        {"\"C:\\x-utils\\Tamrin.exe\"", false},
        {"\"C:\\SAW-Ultra\\Tamrin.exe\" /quiet", false},
        {"C:\\tools-unit\\Tamrin.exe\t/x", false},
        {"", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine ? c.commandLine : "(null)");
        EXPECT_EQ(WantsRemoval(c.commandLine), c.remove);
        EXPECT_FALSE(WantsQuiet(c.commandLine));

        FakeFolder folder;
        folder.list = "A.dll\r\n" + kLine;
        EXPECT_TRUE(RunPluginListTool(c.commandLine, folder));
        EXPECT_EQ(folder.list, c.remove ? "A.dll\r\n" : "A.dll\r\n" + kLine);
    }
}

TEST(PluginList, QuietOnlyWithTheSwitchAsAnArgumentOfItsOwn) {
    for (const char* commandLine : {"Tamrin.exe /S", "Tamrin.exe -U /s", "\"C:\\SAW\\Tamrin.exe\"\t/S\t"}) {
        EXPECT_TRUE(WantsQuiet(commandLine)) << commandLine;
    }
    for (const char* commandLine : {"C:\\x\\/S\\Tamrin.exe", "Tamrin.exe /Setup", "Tamrin.exe S", "Tamrin.exe x/S"}) {
        EXPECT_FALSE(WantsQuiet(commandLine)) << commandLine;
    }
}

TEST(PluginList, RunningTwiceAddsOnceAndRemovesOnce) {
    FakeFolder folder;
    folder.list = "A.dll\r\n";
    for (int run = 0; run < 2; ++run) {
        EXPECT_TRUE(RunPluginListTool("Tamrin.exe", folder));
        EXPECT_EQ(folder.list, "A.dll\r\n" + kLine) << "add run " << run;
    }
    for (int run = 0; run < 2; ++run) {
        EXPECT_TRUE(RunPluginListTool("Tamrin.exe -u", folder));
        EXPECT_EQ(folder.list, "A.dll\r\n") << "remove run " << run;
    }
    EXPECT_EQ(folder.appendCalls, 1);
    EXPECT_EQ(folder.replacementsCreated, 1);
}

TEST(PluginList, EveryFailedCallFailsAndLeavesTheListAsItWas) {
    enum Fault { kMissing, kLocked, kRead, kAppend, kCreate, kWrite, kReplace };
    struct Case {
        const char* name;
        Fault fault;
        bool addOk, removeOk;  // calls an operation does not make cannot fail it
    } cases[] = {
        {"list missing", kMissing, false, false},
        {"list held unshared", kLocked, false, false},
        {"read fails", kRead, false, false},
        {"append fails", kAppend, false, true},
        {"replacement cannot be created", kCreate, true, false},
        {"replacement write fails", kWrite, true, false},
        {"replacement cannot take the list's place", kReplace, true, false},
    };
    for (const Case& c : cases) {
        for (bool remove : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (remove ? ", remove" : ", add"));
            const std::string before = remove ? "A.dll\r\n" + kLine + "B.dll" : "A.dll\r\n";
            FakeFolder folder;
            folder.list = before;
            folder.listExists = c.fault != kMissing;
            folder.lockedByOther = c.fault == kLocked;
            folder.failRead = c.fault == kRead;
            folder.failAppend = c.fault == kAppend;
            folder.failCreate = c.fault == kCreate;
            folder.failWrite = c.fault == kWrite;
            folder.failReplace = c.fault == kReplace;

            const bool ok = remove ? RemovePluginLine(folder, kLine) : AddPluginLine(folder, kLine);
            EXPECT_EQ(ok, remove ? c.removeOk : c.addOk);
            if (!ok) {
                EXPECT_EQ(folder.list, before);
            }
            EXPECT_EQ(folder.listExists, c.fault != kMissing);
            EXPECT_FALSE(folder.listOpen);
            EXPECT_FALSE(folder.replacementExists);
        }
    }
}

// Another program holds the list open without sharing its deletion: the
// replacement is refused, so the list is rewritten in place and nothing is
// left behind.
TEST(PluginList, RemovalRefusedForSharingRewritesTheListInPlace) {
    FakeFolder folder;
    folder.list = "A.dll\r\n" + kLine + "B.dll\r\n";
    folder.heldWithoutDeleteSharing = true;
    EXPECT_TRUE(RemovePluginLine(folder, kLine));
    EXPECT_EQ(folder.list, "A.dll\r\nB.dll\r\n");
    EXPECT_FALSE(folder.listOpen);
    EXPECT_FALSE(folder.replacementExists);
}
