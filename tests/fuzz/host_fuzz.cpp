// libFuzzer targets for what the host and the user hand the plug-in: settings
// chunks (KELVANE_FUZZ_TARGET 1), preset files (2) and sequences of host
// messages over random HostInfo words (3). Besides the sanitizers, each target
// checks the invariants of the assignment table and the formats.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assignments.h"
#include "fake_platform.h"
#include "hostinfo.h"
#include "messages.h"
#include "render.h"
#include "settings_format.h"

using namespace kelvane;

namespace {

uint8_t s_hostInfo[kHostInfoMinBytes];

#define CHECK(condition) \
    do {                 \
        if (!(condition)) std::abort(); \
    } while (0)

// A fresh library after FxInit.
void Reset() {
    std::memset(s_hostInfo, 0, sizeof s_hostInfo);
    std::memset(&g_host, 0, sizeof g_host);
    g_host.hostInfo = s_hostInfo;
    g_host.pluginId = 77;
    g_params = ParamState();
    ReleaseAllAssignments();
    g_engine.sampleRate = 44100;
    g_engine.processingMode = 0;
    ResetFakePlatform();
}

void CheckTable() {
    const AssignmentTable& t = g_host.assignments;
    int active = 0;
    for (int a = 0; a < kAssignmentCount; ++a) {
        CHECK(t.active[a] == 0 || t.active[a] == 1);
        active += t.active[a];
        if (!t.active[a]) CHECK(t.trackIndex[a] == kNoTrack && t.hostTag[a] == kFreeHostTag);
    }
    CHECK(t.count == active);
    CHECK(std::memchr(g_host.presetFolder, 0, kPathBytes) != nullptr);
}

// Writing every active assignment and reading it back gives the same table
// and stored slots.
void CheckRoundTrip() {
    uint8_t chunk[kChunkMaxBytes];
    const uint32_t size = WriteSettingsChunk(chunk, sizeof chunk, kAllAssignments);
    const AssignmentTable table = g_host.assignments;
    CHECK(size == (table.count == 0 ? 0 : kHeaderBytes + 4 + kChunkEntryBytes * table.count));
    if (size == 0) return;
    const ParamState params = g_params;
    CHECK(RestoreSettingsChunk(chunk, size, kAllAssignments) == ChunkResult::kRestored);
    CHECK(std::memcmp(&table, &g_host.assignments, sizeof table) == 0);
    for (int a = 0; a < kAssignmentCount; ++a) {
        if (!table.active[a]) continue;
        for (int s : kStoredSlots) CHECK(g_params.stored[a].slot[s] == params.stored[a].slot[s]);
    }
}

#if KELVANE_FUZZ_TARGET == 3
// The settings chunk buffer the host guarantees: 1016 bytes in the low 4 GB,
// followed by an unmapped page so that any overrun faults.
uint8_t* ChunkBuffer() {
    static uint8_t* chunk = [] {
        void* p = mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) std::abort();
        mprotect(static_cast<uint8_t*>(p) + 4096, 4096, PROT_NONE);
        return static_cast<uint8_t*>(p) + 4096 - kChunkMaxBytes;
    }();
    return chunk;
}

struct Reader {
    const uint8_t* data;
    size_t size;
    uint8_t Byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    int32_t Word() {
        int32_t v = 0;
        for (int i = 0; i < 4; ++i) v = static_cast<int32_t>(static_cast<uint32_t>(v) << 8 | Byte());
        return v;
    }
    // Mostly small values that name assignments, tracks and slots; sometimes any word.
    int32_t Arg() {
        const uint8_t b = Byte();
        return b < 200 ? static_cast<int32_t>(b % 20) - 2 : Word();
    }
};

const int32_t kMessages[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                             100, 101, 102, 103, 104, 105, 0, 18, 106};
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reset();
#if KELVANE_FUZZ_TARGET == 1
    // Settings chunk: byte 0 names the assignment (-1..7), byte 1 the ones
    // active before the restore, the rest is the chunk, exactly as long as given.
    if (size < 2) return 0;
    const int assignment = data[0] % 9 - 1;
    for (int a = 0; a < kAssignmentCount; ++a) {
        if (data[1] >> a & 1) TakeOnAssignment(a, a, 100 + a);
    }
    std::vector<uint8_t> chunk(data + 2, data + size);
    const AssignmentTable before = g_host.assignments;
    const ChunkResult result = RestoreSettingsChunk(chunk.data(), chunk.size(), assignment);
    if (result == ChunkResult::kRejected) CHECK(std::memcmp(&before, &g_host.assignments, sizeof before) == 0);
    CheckTable();
    CheckRoundTrip();
#elif KELVANE_FUZZ_TARGET == 2
    // Preset file: byte 0 names the assignment, the rest is the file.
    if (size < 1) return 0;
    const int assignment = data[0] % 8;
    std::vector<uint8_t> file(data + 1, data + size);
    // The folder the user chose before, so that "not adopted" can be seen.
    const char kEarlierFolder[] = "C:\\Presets\\";
    std::strcpy(g_host.presetFolder, kEarlierFolder);
    const ParamState before = g_params;
    if (LoadPresetRecord(file.data(), file.size(), assignment) == PresetResult::kLoaded) {
        uint8_t record[kPresetRecordBytes];
        BuildPresetRecord(record, assignment);
        CHECK(std::memcmp(record + kHeaderBytes, file.data() + kHeaderBytes, kPresetRecordBytes - kHeaderBytes) == 0);
        // The file's folder is adopted, unless it is empty or on a network
        // server (two leading slashes of either kind): then the old one stays.
        const char* folder = reinterpret_cast<const char*>(file.data() + kPresetFolderOffset);
        const bool network = (folder[0] == '\\' || folder[0] == '/') && (folder[1] == '\\' || folder[1] == '/');
        const bool kept = network || folder[0] == 0;
        CHECK(std::strncmp(g_host.presetFolder, kept ? kEarlierFolder : folder, kPathBytes - 1) == 0);
    } else {
        CHECK(std::memcmp(&before, &g_params, sizeof before) == 0 && std::strcmp(g_host.presetFolder, kEarlierFolder) == 0);
    }
    CheckTable();
#else
    // Message sequence: each step sets the HostInfo words, maybe refills the
    // chunk buffer, then sends one message or reports one editor change.
    Reader in{data, size};
    uint8_t* chunk = ChunkBuffer();
    std::memset(chunk, 0, kChunkMaxBytes);
    while (in.size > 0) {
        const uint8_t op = in.Byte();
        WriteHostWord(s_hostInfo, HostField::assignmentArg, in.Arg());
        WriteHostWord(s_hostInfo, HostField::trackArg, in.Arg());
        WriteHostWord(s_hostInfo, HostField::slotArg, in.Arg());
        WriteHostWord(s_hostInfo, HostField::tagArg, in.Arg());
        WriteHostWord(s_hostInfo, HostField::valueArg, in.Arg());
        WriteHostWord(s_hostInfo, HostField::processingFlag, in.Arg());
        WriteHostWord(s_hostInfo, HostField::recordChanges, in.Arg());
        WriteHostWord(s_hostInfo, HostField::chunkAddress,
                      op & 0x80 ? 0 : static_cast<int32_t>(reinterpret_cast<uintptr_t>(chunk)));
        if (op & 0x40) {
            // Refill the chunk: a valid header when asked, then the fuzzer's bytes.
            size_t at = 0;
            if (op & 0x20) {
                std::memcpy(chunk, kSettingsSignature, sizeof kSettingsSignature);
                at = kHeaderBytes;
            }
            const size_t n = std::min<size_t>(in.Byte() * 4, kChunkMaxBytes - at);
            for (size_t i = 0; i < n; ++i) chunk[at + i] = in.Byte();
        }
        const size_t pick = op & 0x1F;
        if (pick < sizeof kMessages / sizeof kMessages[0]) {
            HandleHostMessage(kMessages[pick]);
        } else if (pick == 31) {
            HandleHostMessage(in.Word());
        } else {
            ReportParamChange(in.Arg(), in.Arg(), in.Word(), in.Arg(), in.Arg());
        }
        CheckTable();
        g_fake.commands.clear();
        g_fake.redraws.clear();
        g_fake.opened.clear();
        g_fake.closed.clear();
    }
    CheckRoundTrip();
#endif
    return 0;
}
