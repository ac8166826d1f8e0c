// minihost: runs KelvaneFx.dll the way the SAW host does and renders what it
// makes into a WAV file, so that any signal of the plug-in can be listened to
// and measured with ordinary tools.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "stand_in_host.h"

namespace {

struct Options {
    std::string dll = "KelvaneFx.dll";
    std::string out = "out/kelvane-demo.wav";
    double seconds = 10.0;
    uint32_t rate = 48000;
    int format = 32;           // 32 or 16 bit samples in the host's buffer
    int bufferFrames = 512;
    bool info = false;
    // slots, as the editor would store them; -1 = leave the default
    int toneOn = 1, toneLevel = 89, toneFreq = 100000;
    int sweepOn = 1, sweepLevel = 76, sweepStart = 2000, sweepStop = 2000000, sweepLength = 1000;
    int noiseOn = 1, noiseLevel = 55, noiseType = 1;
};

void Usage() {
    std::puts(
        "usage: minihost [options]\n"
        "Loads KelvaneFx.dll in a stand-in host, renders one assignment and writes a\n"
        "24-bit stereo WAV. Levels are fader positions 5..105 (105 = -0.003 dB, 89 = -6 dB,\n"
        "76 = -12 dB, 55 = -24 dB, 30 = -48 dB, 5 = silence).\n"
        "  --dll PATH           plug-in to load (default KelvaneFx.dll beside minihost)\n"
        "  --out FILE           WAV file to write (default out/kelvane-demo.wav)\n"
        "  --seconds S          duration (default 10)\n"
        "  --rate HZ            sample rate (default 48000)\n"
        "  --format 32|16       host sample format (default 32)\n"
        "  --buffer FRAMES      frames per FxProcessBuffer call (default 512)\n"
        "  --tone HZ|off        tone frequency (default 1000)\n"
        "  --tone-level POS     tone fader position (default 89)\n"
        "  --sweep A:B:S|off    sweep from A Hz to B Hz in S seconds (default 20:20000:10)\n"
        "  --sweep-level POS    sweep fader position (default 76)\n"
        "  --noise white|pink|off  noise type (default pink)\n"
        "  --noise-level POS    noise fader position (default 55)\n"
        "  --info               load, initialise and print the plug-in's state only");
}

int Hundredths(double v) { return static_cast<int>(v * 100.0); }

std::string Num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--help" || a == "-h") { Usage(); std::exit(0); }
        else if (a == "--dll") o.dll = next();
        else if (a == "--out") o.out = next();
        else if (a == "--seconds") o.seconds = std::atof(next());
        else if (a == "--rate") o.rate = static_cast<uint32_t>(std::atol(next()));
        else if (a == "--format") o.format = std::atoi(next());
        else if (a == "--buffer") o.bufferFrames = std::atoi(next());
        else if (a == "--tone") { std::string v = next(); o.toneOn = v != "off"; if (o.toneOn) o.toneFreq = Hundredths(std::atof(v.c_str())); }
        else if (a == "--tone-level") o.toneLevel = std::atoi(next());
        else if (a == "--sweep") {
            std::string v = next();
            o.sweepOn = v != "off";
            double x, y, z;
            if (o.sweepOn && std::sscanf(v.c_str(), "%lf:%lf:%lf", &x, &y, &z) == 3) {
                o.sweepStart = Hundredths(x); o.sweepStop = Hundredths(y); o.sweepLength = Hundredths(z);
            }
        }
        else if (a == "--sweep-level") o.sweepLevel = std::atoi(next());
        else if (a == "--noise") { std::string v = next(); o.noiseOn = v != "off"; o.noiseType = v == "pink"; }
        else if (a == "--noise-level") o.noiseLevel = std::atoi(next());
        else if (a == "--info") o.info = true;
        else { std::fprintf(stderr, "minihost: unknown option %s\n", a.c_str()); return false; }
    }
    if (o.bufferFrames < 1 || (o.format != 32 && o.format != 16) || o.rate == 0 || o.seconds <= 0) {
        std::fprintf(stderr, "minihost: bad buffer size, format, rate or duration\n");
        return false;
    }
    return true;
}

void PutLE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A canonical 24-bit PCM stereo WAV.
bool WriteWav(const std::string& path, const std::vector<int32_t>& samples, uint32_t rate) {
    std::vector<uint8_t> bytes;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 3);
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    PutLE(bytes, 36 + dataBytes, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLE(bytes, 16, 4);
    PutLE(bytes, 1, 2);             // PCM
    PutLE(bytes, 2, 2);             // stereo
    PutLE(bytes, rate, 4);
    PutLE(bytes, rate * 6, 4);      // bytes per second
    PutLE(bytes, 6, 2);             // bytes per frame
    PutLE(bytes, 24, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLE(bytes, dataBytes, 4);
    for (int32_t s : samples) PutLE(bytes, static_cast<uint32_t>(s), 3);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

double Db(double v) { return v > 0 ? 20.0 * std::log10(v) : -INFINITY; }

void PrintLevels(const std::vector<int32_t>& samples) {
    const double fullScale = 8388608.0;
    for (int ch = 0; ch < 2; ++ch) {
        double peak = 0, sum = 0;
        size_t n = 0;
        for (size_t i = ch; i < samples.size(); i += 2, ++n) {
            double v = samples[i] / fullScale;
            peak = std::fmax(peak, std::fabs(v));
            sum += v * v;
        }
        double rms = n ? std::sqrt(sum / n) : 0;
        std::printf("  %s: peak %7.2f dBFS, RMS %7.2f dBFS\n", ch == 0 ? "left " : "right", Db(peak), Db(rms));
    }
}

std::string DefaultDll(const char* argv0) {
    std::string path = argv0;
    size_t cut = path.find_last_of("\\/");
    std::string folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    return folder + "../../plugin/KelvaneFx.dll";
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    o.dll = DefaultDll(argv[0]);
    if (!Parse(argc, argv, o)) return 2;

    minihost::StandInHost host;
    std::string error = host.Start(o.dll.c_str(), o.rate);
    if (!error.empty()) {
        std::fprintf(stderr, "minihost: %s\n", error.c_str());
        return 1;
    }
    std::printf("loaded %s: plug-in name \"%s\"\n", o.dll.c_str(), host.pluginName);
    if (o.info) {
        std::printf("  pluginName field at HostInfo+0x%X, sample rate %d Hz\n",
                    static_cast<unsigned>(reinterpret_cast<uint8_t*>(host.pluginName) - host.hostInfo),
                    host.Get(minihost::HostField::sampleRate));
        host.Stop();
        return 0;
    }

    const int a = host.NewAssignment(0);
    if (a < 0) { std::fprintf(stderr, "minihost: no assignment\n"); return 1; }
    const int slots[][2] = {
        {14, 0}, {1, o.toneOn}, {2, o.toneLevel}, {3, o.toneFreq},
        {5, o.sweepOn}, {6, o.sweepLevel}, {7, o.sweepStart}, {8, o.sweepStop}, {9, o.sweepLength},
        {10, o.noiseOn}, {11, o.noiseLevel}, {12, o.noiseType},
    };
    for (auto& s : slots) host.SetSlot(a, s[0], s[1]);
    host.StartProcessing(a);

    const size_t totalFrames = static_cast<size_t>(o.seconds * o.rate);
    std::vector<int32_t> samples;
    samples.reserve(totalFrames * 2);
    std::vector<int32_t> buffer32(static_cast<size_t>(o.bufferFrames) * 2);
    std::vector<int16_t> buffer16(static_cast<size_t>(o.bufferFrames) * 2);
    size_t lastPercent = 0;
    for (size_t done = 0; done < totalFrames;) {
        const size_t frames = std::min<size_t>(o.bufferFrames, totalFrames - done);
        if (o.format == 32) {
            std::fill(buffer32.begin(), buffer32.end(), 0);
            host.Process(a, buffer32.data(), static_cast<uint32_t>(frames * 8), 4);
            for (size_t i = 0; i < frames * 2; ++i) {
                samples.push_back(std::max(-8388608, std::min(8388607, buffer32[i])));
            }
        } else {
            std::fill(buffer16.begin(), buffer16.end(), 0);
            host.Process(a, buffer16.data(), static_cast<uint32_t>(frames * 4), 2);
            for (size_t i = 0; i < frames * 2; ++i) samples.push_back(buffer16[i] * 256);
        }
        done += frames;
        const size_t percent = done * 100 / totalFrames;
        if (o.seconds >= 30 && percent / 10 != lastPercent / 10) {
            std::fprintf(stderr, "  rendering: %zu%%\r", percent);
            lastPercent = percent;
        }
    }
    host.Set(minihost::HostField::assignmentArg, a);
    host.Message(3);
    host.Stop();

    if (!WriteWav(o.out, samples, o.rate)) {
        std::fprintf(stderr, "minihost: cannot write %s\n", o.out.c_str());
        return 1;
    }
    std::printf("rendered %.2f s at %u Hz (%d-bit host buffers of %d frames) to %s\n", o.seconds, o.rate,
                o.format, o.bufferFrames, o.out.c_str());
    std::printf("  tone %s, sweep %s, noise %s\n",
                o.toneOn ? (Num(o.toneFreq / 100.0) + " Hz at position " + std::to_string(o.toneLevel)).c_str() : "off",
                o.sweepOn ? (Num(o.sweepStart / 100.0) + "-" + Num(o.sweepStop / 100.0) + " Hz in " +
                             Num(o.sweepLength / 100.0) + " s at position " + std::to_string(o.sweepLevel)).c_str() : "off",
                o.noiseOn ? (std::string(o.noiseType ? "pink" : "white") + " at position " + std::to_string(o.noiseLevel)).c_str() : "off");
    PrintLevels(samples);
    return 0;
}
