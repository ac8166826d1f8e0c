// agreement_render: renders the agreement cases with KelvaneFx.dll through the
// stand-in host and writes every render, in order, as raw little-endian
// 32-bit samples to the file named by --out. agreement_test runs it under
// Wine and compares the result with the engine built natively.
#include <cstdio>
#include <cstring>
#include <string>

#include "agreement_cases.h"
#include "stand_in_host.h"
#include "wine_test_util.h"

namespace {

struct DllRenderer {
    minihost::StandInHost& host;
    int assignment;
    void SetSlot(int slot, int32_t value) { host.SetSlot(assignment, slot, value); }
    void Start() { host.StartProcessing(assignment); }
    void Process(void* buffer, uint32_t bytes, int32_t format) { host.Process(assignment, buffer, bytes, format); }
};

}  // namespace

int main(int argc, char** argv) {
    std::string dll = PluginPath();
    std::string out;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--dll")) dll = argv[i + 1];
        else if (!std::strcmp(argv[i], "--out")) out = argv[i + 1];
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: agreement_render [--dll KelvaneFx.dll] --out FILE\n");
        return 2;
    }
    minihost::StandInHost host;
    const std::string error = host.Start(dll.c_str(), agreement::kSampleRate);
    if (!error.empty()) {
        std::fprintf(stderr, "agreement_render: %s\n", error.c_str());
        return 1;
    }
    DllRenderer renderer{host, host.NewAssignment(0)};
    FILE* f = std::fopen(out.c_str(), "wb");
    if (renderer.assignment < 0 || f == nullptr) {
        std::fprintf(stderr, "agreement_render: no assignment or cannot write %s\n", out.c_str());
        return 1;
    }
    bool ok = true;
    agreement::RenderAll(renderer, [&](const agreement::Case&, int, int, const std::vector<int32_t>& s) {
        ok = ok && std::fwrite(s.data(), sizeof s[0], s.size(), f) == s.size();
    });
    ok = std::fclose(f) == 0 && ok;
    host.Stop();
    return ok ? 0 : 1;
}
