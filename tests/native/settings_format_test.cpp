#include <string>

#include "host_fixture.h"
#include "presets.h"

using namespace kelvane;

namespace {

int32_t Word(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void PutWord(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }

const uint8_t* Entry(const uint8_t* chunk, int j) { return chunk + 308 + 88 * j; }

// A chunk header with the given signature bytes, then the entries' index
// words (each entry otherwise zero), then a terminator unless told not to.
std::vector<uint8_t> MakeChunk(const std::string& signature, std::vector<int32_t> indices, bool terminate) {
    std::vector<uint8_t> c(1016, 0xEE);
    std::memset(c.data(), 0, 308);
    std::memcpy(c.data(), signature.data(), signature.size());
    std::strcpy(reinterpret_cast<char*>(c.data() + 48), "D:\\Chunk\\");
    size_t at = 308;
    for (int32_t index : indices) {
        std::memset(c.data() + at, 0, 88);
        PutWord(c.data() + at, index);
        PutWord(c.data() + at + 8, 1000 + index);  // HostTag
        at += 88;
    }
    if (terminate) PutWord(c.data() + at, -1);
    return c;
}

}  // namespace

class ChunkTest : public HostTest {
protected:
    uint8_t* chunk = nullptr;
    void SetUp() override {
        HostTest::SetUp();
        chunk = LowChunkBuffer();
        std::memset(chunk, 0xAB, kChunkMaxBytes);
        Set(HostField::chunkAddress, LowAddress(chunk));
    }
    int32_t Save(int32_t a) {
        Send(kMsgSaveSettings, a);
        return Get(HostField::trackArg);
    }
    int32_t Restore(int32_t a) {
        Set(HostField::slotArg, 0x55);
        Send(kMsgRestoreSettings, a);
        return Get(HostField::slotArg);
    }
    // Active assignments with distinct tracks, tags, stored slots and editors.
    void Populate(std::initializer_list<int> active) {
        for (int a : active) {
            TakeOnAssignment(a, 40 + a, 500 + a);
            for (int s = 0; s < kSlotCount; ++s) g_params.stored[a].slot[s] = 1000 * a + s;
            if (a % 2) {
                g_fake.open[a] = true;
                g_fake.placement[a] = {-10 * a, 20 * a, 380, 300 + a};
            }
        }
    }
};

TEST_F(ChunkTest, SizesFollowTheActiveAssignmentsSaved) {
    EXPECT_EQ(Save(-1), 0);
    for (size_t i = 0; i < kChunkMaxBytes; ++i) ASSERT_EQ(chunk[i], 0xAB) << "untouched at " << i;
    Populate({1, 5});
    struct Case { int32_t a; int32_t size; std::vector<int32_t> indices; } cases[] = {
        {-1, 488, {1, 5}}, {5, 400, {5}}, {0, 312, {}}, {7, 312, {}}};
    for (const Case& c : cases) {
        ASSERT_EQ(Save(c.a), c.size) << c.a;
        for (size_t j = 0; j < c.indices.size(); ++j) EXPECT_EQ(Word(Entry(chunk, j)), c.indices[j]);
        EXPECT_EQ(Word(chunk + c.size - 4), -1);
    }
    Populate({0, 2, 3, 4, 6, 7});
    EXPECT_EQ(Save(-1), 1016);
    Set(HostField::chunkAddress, 0);
    EXPECT_EQ(Save(-1), 0);
}

TEST_F(ChunkTest, EntryLayoutAndDeterministicHeader) {
    Populate({3});
    std::strcpy(g_host.presetFolder, "E:\\Sounds\\");
    ASSERT_EQ(Save(3), 400);
    std::vector<uint8_t> first(chunk, chunk + 400);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk)), "QuellMarsh Kelvane 002");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk + 48)), "E:\\Sounds\\");
    const int32_t expected[22] = {3, 43, 503, 3001, 3002, 3003, 3005, 3006, 3007, 3008, 3009,
                                  3010, 3011, 3012, 3013, 3014, 3015, -30, 60, 380, 303, 1};
    for (int w = 0; w < 22; ++w) EXPECT_EQ(Word(Entry(chunk, 0) + 4 * w), expected[w]) << "word " << w;
    std::memset(chunk, 0x5A, kChunkMaxBytes);  // leftovers must not reach the chunk
    ASSERT_EQ(Save(3), 400);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), chunk));
    g_fake.open[3] = false;
    ASSERT_EQ(Save(3), 400);
    for (int w = 17; w < 22; ++w) EXPECT_EQ(Word(Entry(chunk, 0) + 4 * w), 0) << "closed editor word " << w;
}

TEST_F(ChunkTest, SaveRestoreSaveForAllGivesBackTheSameState) {
    Populate({0, 3, 6, 7});
    for (int a = 0; a < 8; ++a) g_params.live[a].slot[kSlotToneLevel] = 99;
    ASSERT_EQ(Save(-1), 312 + 4 * 88);
    std::vector<uint8_t> saved(chunk, chunk + 664);
    const AssignmentTable table = g_host.assignments;

    ReleaseAllAssignments();
    Populate({1, 2});
    for (int a = 0; a < 8; ++a) {
        g_params.stored[a].slot[0] = g_params.stored[a].slot[4] = g_params.stored[a].slot[16] = -a;
        g_fake.open[a] = a == 1;  // 1 is not in the chunk: its editor closes
    }
    std::strcpy(g_host.presetFolder, "elsewhere");
    EXPECT_EQ(Restore(-1), 0);

    EXPECT_EQ(std::memcmp(&g_host.assignments, &table, sizeof table), 0);
    for (int a = 0; a < 8; ++a) {
        const bool back = a == 0 || a == 3 || a == 6 || a == 7;
        for (int s = 0; s < kSlotCount; ++s) {
            const bool carried = s != 0 && s != 4 && s != 16;
            const int32_t want = carried ? (back ? 1000 * a + s : DefaultSlotValue(s)) : -a;
            EXPECT_EQ(g_params.stored[a].slot[s], want) << a << "/" << s;
            if (back) {
                EXPECT_EQ(g_params.live[a].slot[s], want) << a << "/" << s;
            }
        }
        EXPECT_EQ(g_fake.open[a], a == 3 || a == 7) << a;
        EXPECT_EQ(g_fake.remembered[a].width, a == 3 || a == 7 ? 380 : 0) << a;
    }
    EXPECT_EQ(g_converted[6].toneLevelIndex, 6002 - 5);
    EXPECT_STREQ(g_host.presetFolder, "C:\\Presets\\");
    std::memset(chunk, 0, kChunkMaxBytes);
    ASSERT_EQ(Save(-1), 664);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), chunk));
}

// The close reaches the last assignment too.
TEST_F(ChunkTest, RestoreClosesTheEditorOfAnAssignmentLeftFree) {
    Populate({0});
    ASSERT_EQ(Save(-1), 400);
    Populate({7});
    EXPECT_EQ(Restore(-1), 0);
    EXPECT_EQ(g_fake.closed, std::vector<int>{7});
}

TEST_F(ChunkTest, SaveRestoreForOneLeavesTheOthers) {
    Populate({2, 5});
    ASSERT_EQ(Save(5), 400);
    g_params.stored[5].slot[kSlotNoiseLevel] = 1;
    g_params.stored[2].slot[kSlotNoiseLevel] = 2;
    TakeOnAssignment(6, 1, 1);
    const AssignmentTable table = g_host.assignments;
    EXPECT_EQ(Restore(5), 0);
    EXPECT_EQ(std::memcmp(&g_host.assignments, &table, sizeof table), 0);
    EXPECT_EQ(g_params.stored[5].slot[kSlotNoiseLevel], 5011);
    EXPECT_EQ(g_params.stored[2].slot[kSlotNoiseLevel], 2);
}

TEST_F(ChunkTest, WrongSignaturesAreRejectedWithNothingChanged) {
    Populate({1, 4});
    const Snapshot before = Snapshot::Take();
    const std::string signatures[] = {
        "quellmarsh kelvane 002", "QUELLMARSH KELVANE 002", "QuellMarsh Kelvane 001",
        "QuellMarsh Kelvane 0022", "QuellMarsh Kelvane 00", "", std::string(48, 'Q'),
        std::string("QuellMarsh Kelvane 002", 22),  // no terminating zero in the field
    };
    for (const std::string& sig : signatures) {
        for (int32_t a : {-1, 1}) {
            std::vector<uint8_t> c = MakeChunk(sig, {1}, true);
            if (sig.size() == 22) std::memset(c.data() + 22, 'x', 26);
            std::memcpy(chunk, c.data(), kChunkMaxBytes);
            EXPECT_EQ(Restore(a), 1) << "'" << sig << "'";
            EXPECT_TRUE(Snapshot::Take() == before) << "'" << sig << "'";
        }
    }
    Set(HostField::chunkAddress, 0);
    EXPECT_EQ(Restore(-1), 1);
    EXPECT_TRUE(Snapshot::Take() == before);
}

TEST_F(ChunkTest, EntryLimitsTerminatorAndBadIndices) {
    const std::string sig("QuellMarsh Kelvane 002\0", 23);
    struct Case {
        int32_t a;
        std::vector<int32_t> indices;
        bool terminate;
        std::vector<int> restored;
    } cases[] = {
        {-1, {7, 6, 5, 4, 3, 2, 1, 0}, false, {0, 1, 2, 3, 4, 5, 6, 7}},
        {2, {7, 6, 5, 4, 3, 2, 1, 0}, false, {7}},
        {-1, {9, 0, -2, 1, 8, 2, 100, 3}, true, {0, 1, 2, 3}},  // the limit is reached before 3's followers
        {-1, {}, true, {}},
        {4, {}, true, {}},
        {-1, {INT32_MIN, 5}, true, {5}},
    };
    for (const Case& c : cases) {
        ReleaseAllAssignments();
        Populate({2, 4});
        std::vector<uint8_t> bytes = MakeChunk(sig, c.indices, c.terminate);
        if (c.indices.size() == 8 && !c.terminate) {
            // Only 1012 bytes are needed: the reader must not look further.
            EXPECT_EQ(RestoreSettingsChunk(bytes.data(), 1012, c.a), ChunkResult::kRestored);
        }
        std::memcpy(chunk, bytes.data(), kChunkMaxBytes);
        EXPECT_EQ(Restore(c.a), 0);
        EXPECT_STREQ(g_host.presetFolder, "D:\\Chunk\\");
        for (int a = 0; a < 8; ++a) {
            bool want = std::find(c.restored.begin(), c.restored.end(), a) != c.restored.end();
            if (c.a != -1 && a != c.a && (a == 2 || a == 4)) want = true;  // untouched by a single restore
            EXPECT_EQ(g_host.assignments.active[a], want ? 1 : 0) << "case " << c.a << " assignment " << a;
        }
        for (int b : c.restored) EXPECT_EQ(g_host.assignments.hostTag[b], 1000 + b);
    }
}

TEST_F(ChunkTest, EveryTruncatedChunkIsRefusedCleanly) {
    Populate({2, 5});
    const uint32_t size = WriteSettingsChunk(chunk, kChunkMaxBytes, -1);
    ASSERT_EQ(size, 488u);
    EXPECT_EQ(WriteSettingsChunk(chunk, size - 1, -1), 0u);
    const std::vector<uint8_t> whole(chunk, chunk + size);
    const Snapshot before = Snapshot::Take();
    for (size_t n = 0; n < size; ++n) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);  // exact size: overreads are caught
        ASSERT_EQ(RestoreSettingsChunk(cut.data(), n, -1), ChunkResult::kRejected) << n;
        ASSERT_TRUE(Snapshot::Take() == before) << n;
    }
    std::vector<uint8_t> exact(whole);
    EXPECT_EQ(RestoreSettingsChunk(exact.data(), size, -1), ChunkResult::kRestored);
}

TEST_F(ChunkTest, LongPresetFolderIsCut) {
    std::vector<uint8_t> c = MakeChunk("QuellMarsh Kelvane 002", {}, true);
    std::memset(c.data() + 48, 'f', 260);
    EXPECT_EQ(RestoreSettingsChunk(c.data(), c.size(), -1), ChunkResult::kRestored);
    EXPECT_EQ(std::string(g_host.presetFolder), std::string(259, 'f'));
}

TEST_F(ChunkTest, PresetFolderOnANetworkServerIsNotTaken) {
    for (const char* folder : {"\\\\server\\share\\", "//server/share/"}) {
        std::vector<uint8_t> c = MakeChunk("QuellMarsh Kelvane 002", {3}, true);
        std::strcpy(reinterpret_cast<char*>(c.data() + 48), folder);
        EXPECT_EQ(RestoreSettingsChunk(c.data(), c.size(), -1), ChunkResult::kRestored);
        EXPECT_EQ(g_host.assignments.active[3], 1);
        c.resize(364);  // the same header, then slots: a preset record
        EXPECT_EQ(LoadPresetRecord(c.data(), c.size(), 0), PresetResult::kLoaded);
        EXPECT_STREQ(g_host.presetFolder, "C:\\Presets\\") << folder;
    }
}

// ---- preset records -------------------------------------------------------

// A folder that takes no new file, then a disk that fills up during the write.
TEST_F(HostTest, PresetFilesThatCannotBeWrittenOrReadWarnAndKeepTheOldFile) {
    static uint8_t work[61440];
    g_host.workBuffer = work;
    const std::string old = g_fake.chosenFile = "C:\\P\\old.plg";
    g_fake.files[old] = {1, 2, 3};
    for (int fault = 0; fault < 2; ++fault) {
        g_fake.refuseNewFiles = fault == 0;
        g_fake.freeBytes = fault == 1 ? 100 : -1;
        SavePreset(0);
        ASSERT_EQ(g_fake.warnings.size(), size_t(fault + 1));
        EXPECT_EQ(g_fake.warnings.back().first, "The Preset Could Not Be Saved!");
        EXPECT_EQ(g_fake.files.size(), 1u) << "nothing left beside the preset";
        EXPECT_EQ(g_fake.files[old], std::vector<uint8_t>({1, 2, 3}));
    }
    g_fake.freeBytes = -1;
    SavePreset(0);
    EXPECT_EQ(g_fake.files[old].size(), 364u);
    g_fake.chosenFile = "C:\\P\\gone.plg";
    LoadPreset(1);
    ASSERT_EQ(g_fake.warnings.size(), 3u);
    EXPECT_EQ(g_fake.warnings.back().first, "The Preset Could Not Be Read!");
}

TEST_F(HostTest, PresetSavedFromOneAssignmentLoadsIntoAnother) {
    for (int s = 0; s < kSlotCount; ++s) {
        g_params.live[1].slot[s] = 100 + s;
        g_params.stored[1].slot[s] = -1;
        g_params.live[6].slot[s] = g_params.stored[6].slot[s] = 600 + s;
    }
    uint8_t record[364];
    std::memset(record, 0xCD, sizeof record);
    BuildPresetRecord(record, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record)), "QuellMarsh Kelvane 002");
    for (size_t i = 23; i < 48; ++i) EXPECT_EQ(record[i], 0) << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record + 48)), "C:\\Presets\\");
    for (size_t i = 48 + 11; i < 308; ++i) EXPECT_EQ(record[i], 0) << i;
    const int order[14] = {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(Word(record + 308 + 4 * i), 100 + order[i]);

    std::strcpy(reinterpret_cast<char*>(record + 48), "F:\\From\\File\\");
    std::vector<uint8_t> file(record, record + 364);
    file.resize(61440, 0x77);  // whatever follows the record is ignored
    ASSERT_EQ(LoadPresetRecord(file.data(), file.size(), 6), PresetResult::kLoaded);
    for (int s = 0; s < kSlotCount; ++s) {
        const int32_t want = (s == 0 || s == 4 || s == 16) ? 600 + s : 100 + s;
        EXPECT_EQ(g_params.stored[6].slot[s], want) << s;
        EXPECT_EQ(g_params.live[6].slot[s], want) << s;
    }
    EXPECT_EQ(g_converted[6].inputLevelIndex, 110);
    EXPECT_STREQ(g_host.presetFolder, "F:\\From\\File\\");
    file[48] = 0;  // a preset that records no folder keeps the one in use
    ASSERT_EQ(LoadPresetRecord(file.data(), file.size(), 6), PresetResult::kLoaded);
    EXPECT_STREQ(g_host.presetFolder, "F:\\From\\File\\");
    EXPECT_TRUE(g_fake.opened.empty());
    EXPECT_TRUE(g_fake.repaints.empty());
}

TEST_F(HostTest, ImproperPresetsChangeNothing) {
    uint8_t record[364];
    BuildPresetRecord(record, 0);
    PutWord(record + 312, 60);
    const Snapshot before = Snapshot::Take();
    for (size_t n = 0; n < 364; ++n) {
        std::vector<uint8_t> cut(record, record + n);
        ASSERT_EQ(LoadPresetRecord(cut.data(), n, 2), PresetResult::kImproperFormat) << n;
        ASSERT_TRUE(Snapshot::Take() == before) << n;
    }
    for (const char* sig : {"quellmarsh Kelvane 002", "QuellMarsh Kelvane 02", "QuellMarsh Kelvane 002 "}) {
        std::vector<uint8_t> bad(record, record + 364);
        std::memset(bad.data(), 0, 48);
        std::memcpy(bad.data(), sig, std::strlen(sig));
        EXPECT_EQ(LoadPresetRecord(bad.data(), bad.size(), 2), PresetResult::kImproperFormat) << sig;
        EXPECT_TRUE(Snapshot::Take() == before);
    }
    EXPECT_EQ(LoadPresetRecord(record, 364, 8), PresetResult::kImproperFormat);
    EXPECT_EQ(LoadPresetRecord(record, 364, 2), PresetResult::kLoaded);
    EXPECT_EQ(g_params.live[2].slot[kSlotToneLevel], 60);
    EXPECT_STREQ(kImproperPresetWarning, "Improper Preset Format!");
}
