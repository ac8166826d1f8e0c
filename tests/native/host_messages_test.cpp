#include <climits>

#include "host_fixture.h"

using namespace kelvane;

TEST_F(HostTest, NewAssignmentFillsTheTableThenWarns) {
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(NewAssignment(100 + i, 20 + i), i);
        EXPECT_EQ(g_host.assignments.hostTag[i], 100 + i);
        EXPECT_EQ(g_host.assignments.trackIndex[i], 20 + i);
    }
    EXPECT_TRUE(g_fake.warnings.empty());
    EXPECT_EQ(NewAssignment(300, 9), -1);
    EXPECT_EQ(g_host.assignments.count, 8);
    ASSERT_EQ(g_fake.warnings.size(), 1u);
    EXPECT_EQ(g_fake.warnings[0].first, "This Effect Has Reached Its Maximum Assignments!");
    EXPECT_EQ(g_fake.warnings[0].second, WarningKind::kTaskModal);
}

TEST_F(HostTest, NewAssignmentTakesTheLowestFreeIndex) {
    for (int freed = 0; freed < 8; ++freed) {
        ReleaseAllAssignments();
        for (int i = 0; i < 8; ++i) NewAssignment(i, i);
        Send(kMsgReleaseAssignment, 7);
        Send(kMsgReleaseAssignment, freed);
        EXPECT_EQ(g_host.assignments.count, freed == 7 ? 7 : 6);
        EXPECT_EQ(NewAssignment(55, 3), freed);
        EXPECT_EQ(g_host.assignments.hostTag[freed], 55);
    }
}

TEST_F(HostTest, ReleaseResetsParametersAndClosesTheEditorEvenWhenFree) {
    for (int active = 0; active < 2; ++active) {
        ReleaseAllAssignments();
        if (active) NewAssignment(9, 9);
        g_params.live[0].slot[kSlotToneLevel] = 80;
        g_params.stored[0].slot[kSlotToneLevel] = 81;
        g_fake.open[0] = true;
        Send(kMsgReleaseAssignment, 0);
        EXPECT_EQ(g_host.assignments.count, 0);
        EXPECT_EQ(g_host.assignments.trackIndex[0], -1);
        EXPECT_EQ(g_host.assignments.hostTag[0], 4);
        EXPECT_EQ(g_params.live[0].slot[kSlotToneLevel], 27);
        EXPECT_EQ(g_params.stored[0].slot[kSlotToneLevel], 27);
        EXPECT_FALSE(g_fake.open[0]);
    }
    Send(kMsgReleaseAssignment, 0);  // closed editor: no close call
    EXPECT_EQ(g_fake.closed.size(), 2u);
}

TEST_F(HostTest, MessagesWithoutMeaningOrTargetChangeNothing) {
    NewAssignment(1, 5);
    g_fake.open[0] = true;
    g_params.live[0].slot[kSlotToneLevel] = 90;  // unapplied: any conversion shows
    const Snapshot before = Snapshot::Take();
    for (int32_t message : {0, 4, 5, 15, 16, 17, 18, 99, 106, -1, 1000}) {
        Send(message, 0, 5);
        EXPECT_TRUE(Snapshot::Take() == before) << "message " << message;
    }
    // Messages naming one assignment ignore anything but 0..7; -1 only where allowed.
    const int32_t oneOnly[] = {2, 3, 6, 7, 9, 12, 101, 103, 104, 105};
    for (int32_t message : oneOnly) {
        for (int32_t a : {-1, 8, 100, INT_MIN, INT_MAX}) {
            Set(HostField::processingFlag, 1);
            Send(message, a, 5);
            Set(HostField::processingFlag, 0);
            EXPECT_TRUE(Snapshot::Take() == before) << "message " << message << " assignment " << a;
        }
    }
    for (int32_t message : {10, 11, 100, 102}) {
        for (int32_t a : {-2, 8, INT_MIN}) {
            Set(HostField::chunkAddress, LowAddress(LowChunkBuffer()));
            Set(HostField::slotArg, 0x55);
            Send(message, a, 5);
            // 10 and 11 answer with their failure results: rejected, size 0.
            EXPECT_EQ(Get(HostField::trackArg), message == 11 ? 0 : 5);
            EXPECT_EQ(Get(HostField::slotArg), message == 10 ? 1 : 0x55);
            EXPECT_TRUE(Snapshot::Take() == before) << "message " << message << " assignment " << a;
        }
    }
}

TEST_F(HostTest, StartAppliesAndPreparesOnlyWhenProcessing) {
    for (int32_t flag : {0, 2, -1, 1}) {
        g_params.live[3].slot[kSlotToneLevel] = 60;
        g_converted[3].toneLevelIndex = -99;
        Set(HostField::processingFlag, flag);
        Send(kMsgStart, 3);
        EXPECT_EQ(g_engine.processingMode, flag);
        EXPECT_EQ(g_converted[3].toneLevelIndex, flag == 1 ? 55 : -99) << "flag " << flag;
        EXPECT_EQ(g_engine.generator[3].toneBuffer != nullptr, flag == 1);
    }
    Send(kMsgStop, 5);
    EXPECT_EQ(g_engine.processingMode, 0);
    Send(kMsgShutdown, 0);
    EXPECT_EQ(g_fake.releases, 1);
    EXPECT_EQ(g_engine.generator[3].toneBuffer, nullptr);
}

TEST_F(HostTest, OpenEditorOnAFreeAssignmentWarnsOnceAndTakesItOn) {
    g_params.live[4].slot[kSlotNoiseLevel] = 70;
    Set(HostField::tagArg, 77);
    g_fake.duringWarning = [this] {  // another host call while the box is up
        for (HostField f : {HostField::trackArg, HostField::tagArg, HostField::slotArg}) Set(f, 99);
    };
    for (int round = 0; round < 2; ++round) {
        Set(HostField::slotArg, 0x1234);
        Send(kMsgOpenEditor, 4, 12);
        ASSERT_EQ(g_fake.warnings.size(), 1u);
        ASSERT_EQ(g_fake.opened.size(), static_cast<size_t>(round + 1));
        EXPECT_EQ(g_fake.opened[round], std::make_pair(4, 0x1234u));
    }
    EXPECT_EQ(g_fake.warnings[0].first, "Corrupted Data Settings For This PlugIn\nPlease Reset Parameters!");
    EXPECT_EQ(g_fake.warnings[0].second, WarningKind::kTaskModal);
    EXPECT_EQ(g_host.assignments.count, 1);
    EXPECT_EQ(g_host.assignments.trackIndex[4], 12);
    EXPECT_EQ(g_host.assignments.hostTag[4], 77);
    EXPECT_EQ(g_converted[4].noiseLevelIndex, 65);

    Send(kMsgCloseEditor, 4);
    Send(kMsgCloseEditor, 4);
    EXPECT_EQ(g_fake.closed, std::vector<int>{4});
}

TEST_F(HostTest, SampleRateAndHostSettingRecomputeActiveAssignmentsOnNewValues) {
    NewAssignment(0, 0);
    NewAssignment(0, 1);
    Send(kMsgReleaseAssignment, 0);  // 1 active, 0 free
    struct Case { int32_t message, value; bool recompute; } cases[] = {
        {kMsgSampleRate, 44100, false}, {kMsgSampleRate, 48000, true}, {kMsgSampleRate, 48000, false},
        {kMsgSampleRate, -1, true}, {kMsgHostSetting, 7, false}, {kMsgHostSetting, 8, true},
    };
    for (const Case& c : cases) {
        for (int a : {0, 1}) {
            g_params.live[a].slot[kSlotSweepLevel] = 50;
            g_converted[a].sweepLevelIndex = -99;
        }
        Send(c.message, c.value);
        EXPECT_EQ(g_converted[0].sweepLevelIndex, -99);
        EXPECT_EQ(g_converted[1].sweepLevelIndex, c.recompute ? 45 : -99) << c.message << " " << c.value;
    }
    EXPECT_EQ(g_engine.sampleRate, 0xFFFFFFFFu);
    EXPECT_EQ(g_host.hostSetting, 8);
}

TEST_F(HostTest, ReportParamChangeStoresOrReportsToTheHost) {
    NewAssignment(0, 0);
    NewAssignment(0, 31);
    const int32_t calls[][4] = {{14, 1, 0, 1}, {2, 60, 0, 100}, {3, 100000, 0, 6500}, {9, 2500, 100, 30000}};
    for (const auto& c : calls) {
        Set(HostField::recordChanges, 0);
        ReportParamChange(1, c[0], c[1], c[2], c[3]);
        EXPECT_EQ(g_params.stored[1].slot[c[0]], c[1]);
        EXPECT_TRUE(g_fake.commands.empty());

        Set(HostField::recordChanges, 2);
        ReportParamChange(1, c[0], c[1] + 1, c[2], c[3]);
        EXPECT_EQ(g_params.stored[1].slot[c[0]], c[1]);
        ASSERT_EQ(g_fake.commands.size(), 1u);
        const FakeCommand& sent = g_fake.commands[0];
        EXPECT_EQ(sent.code, 100);
        const int32_t expected[7] = {0x4B56, 1, 31, c[0], c[1] + 1, c[2], c[3]};
        for (int w = 0; w < 7; ++w) EXPECT_EQ(sent.report[w], expected[w]) << "word " << w;
        g_fake.commands.clear();
    }
}

// ---- refresh from the host -------------------------------------------------

class RefreshTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        for (int i = 0; i < 4; ++i) NewAssignment(i, 10 + i);  // assignment i on track 10 + i
    }
    void Slot(int32_t message, int32_t a, int32_t track, int32_t slot, int32_t value) {
        Set(HostField::slotArg, slot);
        Set(HostField::valueArg, value);
        Send(message, a, track);
    }
};

TEST_F(RefreshTest, ReloadTakesTheStoredCopyForActiveAssignmentsWithTheRightTrack) {
    for (int a = 0; a < 8; ++a) g_params.stored[a].slot[kSlotNoiseType] = 1;
    g_params.live[5].slot[kSlotNoiseType] = 3;
    Send(kMsgReload, 2, 11);  // wrong track
    EXPECT_EQ(g_params.live[2].slot[kSlotNoiseType], 0);
    Send(kMsgReload, 2, 12);
    EXPECT_EQ(g_params.live[2].slot[kSlotNoiseType], 1);
    EXPECT_EQ(g_params.live[1].slot[kSlotNoiseType], 0);
    Send(kMsgReload, -1, 999);
    for (int a = 0; a < 8; ++a) {
        EXPECT_EQ(g_params.live[a].slot[kSlotNoiseType], a < 4 ? 1 : a == 5 ? 3 : 0) << a;
        EXPECT_EQ(g_params.drawn[a].slot[kSlotNoiseType], a < 4 ? (a == 2 ? 1 : 0) : 0) << a;
    }
    ReleaseAllAssignments();
    g_params.stored[0].slot[kSlotNoiseType] = 5;
    Send(kMsgReload, -1);
    EXPECT_EQ(g_params.live[0].slot[kSlotNoiseType], 0);
}

TEST_F(RefreshTest, SetSlotWritesAnyExistingSlotSilently) {
    for (int32_t slot : {0, 4, 13, 16}) {
        Slot(kMsgSetSlot, 1, 11, slot, 4321);
        EXPECT_EQ(g_params.live[1].slot[slot], 4321);
    }
    const Snapshot before = Snapshot::Take();
    Slot(kMsgSetSlot, 1, 11, 17, 1);
    Slot(kMsgSetSlot, 1, 11, -1, 1);
    Slot(kMsgSetSlot, 1, 12, 2, 1);  // identity check fails
    Slot(kMsgSetSlot, 6, -1, 2, 1);  // free assignment on "no track"
    EXPECT_TRUE(Snapshot::Take() == before);
}

TEST_F(RefreshTest, RedrawVisitsChangedSlotsOfOpenEditorsInControlOrder) {
    g_fake.open[3] = true;
    g_params.stored[3].slot[kSlotNoiseType] = 1;
    Send(kMsgReload, -1);
    Send(kMsgRedrawChanges, -1);
    EXPECT_EQ(g_fake.redraws, (std::vector<FakeRedraw>{{3, 12, 1}}));

    g_fake.redraws.clear();
    g_fake.open[0] = true;
    for (int s = 0; s < kSlotCount; ++s) g_params.live[0].slot[s] = g_params.drawn[0].slot[s] + 1;
    Send(kMsgRedrawChanges, 0, 99);  // identity check fails
    EXPECT_TRUE(g_fake.redraws.empty());
    const ConvertedParams converted = g_converted[0];
    Send(kMsgRedrawChanges, 0, 10);
    Send(kMsgRedrawChanges, 0, 10);  // nothing updates the drawn copy: the same again
    EXPECT_EQ(std::memcmp(&converted, &g_converted[0], sizeof converted), 0);  // drawing converts nothing
    const int order[] = {14, 15, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_EQ(g_fake.redraws.size(), 26u);
    for (size_t i = 0; i < 26; ++i) {
        EXPECT_EQ(g_fake.redraws[i].slot, order[i % 13]);
        EXPECT_EQ(g_fake.redraws[i].value, g_params.live[0].slot[order[i % 13]]);
    }
    // With no assignment in use an editor left open is not refreshed.
    g_fake.redraws.clear();
    for (int a = 0; a < 4; ++a) Send(kMsgReleaseAssignment, a);
    g_fake.open[0] = true;
    g_params.live[0].slot[kSlotToneOn] = g_params.drawn[0].slot[kSlotToneOn] + 1;
    Send(kMsgRedrawChanges, -1);
    Send(kMsgRedrawChanges, 0, -1);
    EXPECT_TRUE(g_fake.redraws.empty());
    TakeOnAssignment(3, 13, 0);  // one in use again: the free one on "no track" is still not drawn
    Send(kMsgRedrawChanges, 0, -1);
    EXPECT_TRUE(g_fake.redraws.empty());
}

TEST_F(RefreshTest, ApplyChangesConvertsOnlyChangedSlots) {
    for (int open = 0; open < 2; ++open) {
        g_fake.open[2] = open;
        g_fake.redraws.clear();
        g_params.drawn[2] = g_params.live[2];
        g_params.live[2].slot[kSlotToneFrequency] = 100000 + open;
        g_params.live[2].slot[kSlotToneLevel] = 90;
        g_params.drawn[2].slot[kSlotToneLevel] = 90;
        g_params.live[2].slot[kSlotReserved] = 5;
        g_converted[2].toneLevelIndex = -99;
        g_converted[2].toneFrequencyHz = 0.0f;
        Send(kMsgApplyChanges, 2, 11);
        EXPECT_EQ(g_converted[2].toneFrequencyHz, 0.0f);
        Send(kMsgApplyChanges, 2, 12);
        EXPECT_EQ(g_converted[2].toneFrequencyHz, static_cast<float>((100000 + open) * 0.01));
        EXPECT_EQ(g_converted[2].toneLevelIndex, -99);
        const std::vector<FakeRedraw> drawn = open ? std::vector<FakeRedraw>{{2, 3, 100001}} : std::vector<FakeRedraw>{};
        EXPECT_EQ(g_fake.redraws, drawn);
    }
}

TEST_F(RefreshTest, SetAndApplyAcceptsOnlySlotsWithControls) {
    const Snapshot before = Snapshot::Take();
    for (int32_t slot : {0, 4, 13, 16, 17, -1}) Slot(kMsgSetAndApply, 1, 11, slot, 77);
    Slot(kMsgSetAndApply, 1, 10, kSlotToneLevel, 77);
    EXPECT_TRUE(Snapshot::Take() == before);
    Slot(kMsgSetAndApply, 1, 11, kSlotToneLevel, 77);
    EXPECT_EQ(g_params.live[1].slot[kSlotToneLevel], 77);
    EXPECT_EQ(g_converted[1].toneLevelIndex, 72);
    EXPECT_EQ(g_params.stored[1].slot[kSlotToneLevel], 27);
}

TEST_F(RefreshTest, ShowValueDrawsWithoutStoring) {
    g_fake.open[1] = true;
    const Snapshot before = Snapshot::Take();
    Slot(kMsgShowValue, 1, 11, kSlotToneFrequency, 100000);
    Slot(kMsgShowValue, 1, 11, kSlotReserved, 5);
    Slot(kMsgShowValue, 1, 12, kSlotToneFrequency, 100000);
    Slot(kMsgShowValue, 2, 12, kSlotToneFrequency, 100000);  // editor closed
    EXPECT_EQ(g_fake.redraws, (std::vector<FakeRedraw>{{1, 3, 100000}}));
    g_fake.redraws.clear();
    EXPECT_TRUE(Snapshot::Take() == before);
}
