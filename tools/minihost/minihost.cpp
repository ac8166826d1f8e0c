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

#include "platform.h"
#include "stand_in_host.h"
#include "window_capture.h"

namespace {

// Where the build tree puts the DLL, relative to minihost.exe (from CMake).
#ifndef KELVANE_BUILD_TREE_DLL
#define KELVANE_BUILD_TREE_DLL "..\\..\\plugin\\KelvaneFx.dll"
#endif
constexpr char kDllName[] = "KelvaneFx.dll";

// Full scale of the host's buffers: 2^23 in 32-bit ones (24-bit scale, overs
// passed on), 2^15 in 16-bit ones.
constexpr double kFullScale32 = 8388608.0;
constexpr double kFullScale16 = 32768.0;

struct Options {
    std::string dll;
    std::string out = "out/kelvane-demo.wav";
    double seconds = 10.0;
    uint32_t rate = 48000;
    int format = 32;           // 32 or 16 bit samples in the host's buffer
    int bufferFrames = 512;
    bool info = false;
    bool interactive = false;
    std::string screenshot;    // BMP of the open editor, empty for none
    std::string dragShot;      // BMP of the editor with the noise knob held, empty for none
    // slots, as the editor would store them; -1 = leave the default
    int toneOn = 1, toneLevel = 89, toneFreq = 100000;
    int sweepOn = 1, sweepLevel = 76, sweepStart = 2000, sweepStop = 2000000, sweepLength = 1000;
    int noiseOn = 1, noiseLevel = 55, noiseType = 1;
    int inputOn = 0, inputLevel = 105;
    double inputDbfs = 0;      // RMS of the 1 kHz sine the host feeds while INPUT is on
};

void Usage() {
    std::puts(
        "usage: minihost [options]\n"
        "Loads KelvaneFx.dll in a stand-in host, renders one assignment and writes a\n"
        "stereo WAV: 32-bit float for 32-bit host buffers (full scale 1.0, so that\n"
        "samples over full scale stay as the plug-in made them), 16-bit PCM for 16-bit\n"
        "ones. Levels are fader positions 5..105 (105 = -0.003 dB, 89 = -6 dB,\n"
        "76 = -12 dB, 55 = -24 dB, 30 = -48 dB, 5 = silence).\n"
        "  --dll PATH           plug-in to load (default: KelvaneFx.dll beside\n"
        "                       minihost.exe, else " KELVANE_BUILD_TREE_DLL "\n"
        "                       from minihost.exe's folder, where the build puts it)\n"
        "  --out FILE           WAV file to write (default out/kelvane-demo.wav)\n"
        "  --seconds S          duration (default 10)\n"
        "  --rate HZ            sample rate (default 48000)\n"
        "  --format 32|16       host sample format (default 32)\n"
        "  --buffer FRAMES      frames per FxProcessBuffer call (default 512)\n"
        "  --tone HZ|on|off     tone frequency (default 1000; on keeps it)\n"
        "  --tone-level POS     tone fader position or level in dB (default 89 = -6 dB)\n"
        "  --sweep A:B:S|off    sweep from A Hz to B Hz in S seconds (default 20:20000:10)\n"
        "  --sweep-level POS    sweep fader position (default 76)\n"
        "  --noise white|pink|off  noise type (default pink)\n"
        "  --noise-level POS    noise fader position (default 55)\n"
        "  --input DBFS|off     INPUT on, the host's buffers carrying a 1 kHz sine of that\n"
        "                       RMS level in dBFS, rounded to the format (default off)\n"
        "  --input-level POS    INPUT fader position (default 105)\n"
        "  --screenshot FILE    also save the editor, open with these settings, as a BMP\n"
        "  --drag-screenshot FILE  and the editor with the NOISE GEN knob held, its value tip shown\n"
        "  --interactive        open the editor on the display; render when it is closed\n"
        "  --info               load, initialise and print the plug-in's state only\n"
        "Level positions may also be given in dBFS, e.g. --tone-level -6dB (nearest position).");
}

int Hundredths(double v) { return static_cast<int>(v * 100.0); }

// "position 89 (-6.06 dB)": a fader position with the level it stands for.
std::string PositionText(int position) {
    const double gain = std::pow((position - 5) / 100.01, 4.0);
    char text[64];
    if (gain > 0) std::snprintf(text, sizeof text, "position %d (%.2f dB)", position, 20.0 * std::log10(gain));
    else std::snprintf(text, sizeof text, "position %d (silent)", position);
    return text;
}

// A fader position 5..105, or a level such as "-6dB" turned into the nearest
// position by the fader's law: gain = ((position - 5) / 100.01)^4.
int LevelPosition(const char* text) {
    const size_t length = std::strlen(text);
    if (length > 2 && (std::strcmp(text + length - 2, "dB") == 0 || std::strcmp(text + length - 2, "db") == 0)) {
        const double position = 5.0 + 100.01 * std::pow(10.0, std::atof(text) / 80.0);
        return std::max(5, std::min(105, static_cast<int>(std::lround(position))));
    }
    return std::atoi(text);
}

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
        else if (a == "--tone") {
            const std::string v = next();
            char* end = nullptr;
            const double hz = std::strtod(v.c_str(), &end);
            o.toneOn = v != "off";
            if (o.toneOn && v != "on" && (end == v.c_str() || *end != '\0')) {
                std::fprintf(stderr, "minihost: --tone takes a frequency in Hz, on or off, not %s\n", v.c_str());
                return false;
            }
            if (o.toneOn && v != "on") o.toneFreq = Hundredths(hz);
        }
        else if (a == "--tone-level") o.toneLevel = LevelPosition(next());
        else if (a == "--sweep") {
            std::string v = next();
            o.sweepOn = v != "off";
            double x, y, z;
            if (o.sweepOn && std::sscanf(v.c_str(), "%lf:%lf:%lf", &x, &y, &z) == 3) {
                o.sweepStart = Hundredths(x); o.sweepStop = Hundredths(y); o.sweepLength = Hundredths(z);
            }
        }
        else if (a == "--sweep-level") o.sweepLevel = LevelPosition(next());
        else if (a == "--noise") { std::string v = next(); o.noiseOn = v != "off"; o.noiseType = v == "pink"; }
        else if (a == "--noise-level") o.noiseLevel = LevelPosition(next());
        else if (a == "--input") { std::string v = next(); o.inputOn = v != "off"; o.inputDbfs = std::atof(v.c_str()); }
        else if (a == "--input-level") o.inputLevel = LevelPosition(next());
        else if (a == "--info") o.info = true;
        else if (a == "--interactive") o.interactive = true;
        else if (a == "--screenshot") o.screenshot = next();
        else if (a == "--drag-screenshot") o.dragShot = next();
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

// A stereo WAV of the rendered samples: 32-bit IEEE float with the host's
// 2^23 as 1.0 (format 32), or 16-bit PCM as the host's buffers held them.
bool WriteWav(const std::string& path, const std::vector<int32_t>& samples, uint32_t rate, int format) {
    const bool asFloat = format == 32;
    const uint32_t sampleBytes = asFloat ? 4 : 2;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * sampleBytes);
    // Float data needs the extended format chunk and a fact chunk (frames).
    const uint32_t fmtBytes = asFloat ? 18 : 16;
    const uint32_t factBytes = asFloat ? 12 : 0;
    std::vector<uint8_t> bytes;
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    PutLE(bytes, 4 + (8 + fmtBytes) + factBytes + 8 + dataBytes, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLE(bytes, fmtBytes, 4);
    PutLE(bytes, asFloat ? 3 : 1, 2);   // IEEE float or PCM
    PutLE(bytes, 2, 2);                 // stereo
    PutLE(bytes, rate, 4);
    PutLE(bytes, rate * 2 * sampleBytes, 4);
    PutLE(bytes, 2 * sampleBytes, 2);
    PutLE(bytes, 8 * sampleBytes, 2);
    if (asFloat) {
        PutLE(bytes, 0, 2);   // no extension
        bytes.insert(bytes.end(), {'f', 'a', 'c', 't'});
        PutLE(bytes, 4, 4);
        PutLE(bytes, static_cast<uint32_t>(samples.size() / 2), 4);
    }
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLE(bytes, dataBytes, 4);
    for (int32_t s : samples) {
        if (asFloat) {
            const float v = static_cast<float>(s / kFullScale32);
            uint32_t word;
            std::memcpy(&word, &v, sizeof word);
            PutLE(bytes, word, 4);
        } else {
            PutLE(bytes, static_cast<uint32_t>(s), 2);
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

double Db(double v) { return v > 0 ? 20.0 * std::log10(v) : -INFINITY; }

bool OverOrAtFullScale(int32_t s, int format) {
    if (format == 32) return s > 8388608 || s < -8388608;
    return s >= 32767 || s <= -32768;
}

// Peak and RMS per channel. A 32-bit render counts the samples over full
// scale (kept in the float WAV, a peak above 0 dBFS); a 16-bit one the
// samples at full scale, which is where its overs were clipped.
void PrintLevels(const std::vector<int32_t>& samples, int format) {
    const double fullScale = format == 32 ? kFullScale32 : kFullScale16;
    for (int ch = 0; ch < 2; ++ch) {
        double peak = 0, sum = 0;
        size_t n = 0, overs = 0;
        for (size_t i = ch; i < samples.size(); i += 2, ++n) {
            double v = samples[i] / fullScale;
            peak = std::fmax(peak, std::fabs(v));
            sum += v * v;
            if (OverOrAtFullScale(samples[i], format)) ++overs;
        }
        double rms = n ? std::sqrt(sum / n) : 0;
        std::printf("  %s: peak %+7.2f dBFS, RMS %7.2f dBFS, %zu samples %s full scale\n", ch == 0 ? "left " : "right",
                    Db(peak), Db(rms), overs, format == 32 ? "over" : "at");
    }
}

constexpr int kEditorWidth = 380, kEditorHeight = 300;

HWND OpenEditor(minihost::StandInHost& host, int a) {
    host.Set(minihost::HostField::assignmentArg, a);
    host.Set(minihost::HostField::trackArg, host.trackOf[a]);
    host.Set(minihost::HostField::slotArg, static_cast<int32_t>(reinterpret_cast<uintptr_t>(host.window)));
    host.Set(minihost::HostField::tagArg, 0);
    host.Message(kelvane::kMsgOpenEditor);
    minihost::PumpMessages();
    return FindWindowA("FX_PLUGIN", nullptr);
}

void CloseEditor(minihost::StandInHost& host, int a) {
    host.Set(minihost::HostField::assignmentArg, a);
    host.Message(kelvane::kMsgCloseEditor);
}

bool SaveEditorPicture(minihost::StandInHost& host, int a, const std::string& path) {
    HWND editor = OpenEditor(host, a);
    if (editor == nullptr) {
        std::fprintf(stderr, "minihost: the editor did not open\n");
        return false;
    }
    const bool ok = minihost::WriteBmp(minihost::CaptureWindow(editor, kEditorWidth, kEditorHeight), path);
    CloseEditor(host, a);
    if (!ok) std::fprintf(stderr, "minihost: cannot write %s\n", path.c_str());
    else std::printf("editor picture written to %s\n", path.c_str());
    return ok;
}

// The editor while a user holds the NOISE GEN knob: pressed on the knob
// (these messages stand in for the user's hand), moved away and back, so that the setting stays, and captured with the
// value tip the plug-in shows over it; released afterwards. The move goes
// toward the middle of the track: at an end the knob would stay put going
// out and so land short of the end coming back.
bool SaveDragPicture(minihost::StandInHost& host, int a, int noiseLevel, const std::string& path) {
    constexpr int kNoiseTrackLeft = 80, kNoiseTrackMiddle = 242;
    HWND editor = OpenEditor(host, a);
    if (editor == nullptr) return false;
    // At the screen's left edge the tip, kept whole on the screen, stays
    // inside the editor's own rectangle, which is what the picture holds.
    SetWindowPos(editor, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int x = kNoiseTrackLeft + noiseLevel;
    const int away = noiseLevel > 55 ? -8 : 8;
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, kNoiseTrackMiddle));
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + away, kNoiseTrackMiddle));
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, kNoiseTrackMiddle));
    // No messages are pumped until the release: the real button is up, and
    // a real move saying so would end the drag (its release lost, the
    // plug-in takes it) before the picture.
    minihost::Image picture = minihost::CaptureWindow(editor, kEditorWidth, kEditorHeight);
    HWND tip = FindWindowA("KELVANE_VALUE_TIP", nullptr);
    if (tip != nullptr) minihost::PasteWindow(picture, editor, tip);
    SendMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(x, kNoiseTrackMiddle));
    CloseEditor(host, a);
    const bool ok = tip != nullptr && minihost::WriteBmp(picture, path);
    if (!ok) std::fprintf(stderr, "minihost: no value tip to picture, or cannot write %s\n", path.c_str());
    else std::printf("editor picture with the value tip written to %s\n", path.c_str());
    return ok;
}

// The user plays with the editor; the plug-in keeps what they set. Closing
// the editor (its CLOSE button) starts the render.
void RunEditorUntilClosed(minihost::StandInHost& host, int a) {
    HWND editor = OpenEditor(host, a);
    std::printf("the editor is open: set it up, then press CLOSE to render\n");
    MSG msg;
    while (editor != nullptr && IsWindow(editor) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// What the user set in the editor: the plug-in reports every change to its
// host as command 100 with the slot and value, as it does to the SAW host.
void TakeEditorChanges(const minihost::StandInHost& host, Options& o) {
    using namespace kelvane;
    for (const minihost::HostCommand& c : host.commands) {
        if (c.code != kCmdParamChange) continue;
        int* field = nullptr;
        switch (c.slot) {
        case kSlotToneOn: field = &o.toneOn; break;
        case kSlotToneLevel: field = &o.toneLevel; break;
        case kSlotToneFrequency: field = &o.toneFreq; break;
        case kSlotSweepOn: field = &o.sweepOn; break;
        case kSlotSweepLevel: field = &o.sweepLevel; break;
        case kSlotSweepStart: field = &o.sweepStart; break;
        case kSlotSweepStop: field = &o.sweepStop; break;
        case kSlotSweepLength: field = &o.sweepLength; break;
        case kSlotNoiseOn: field = &o.noiseOn; break;
        case kSlotNoiseLevel: field = &o.noiseLevel; break;
        case kSlotNoiseType: field = &o.noiseType; break;
        default: break;
        }
        if (field != nullptr) *field = c.value;
    }
}

// KelvaneFx.dll beside minihost.exe when there is one, else the build tree's.
std::string DefaultDll() {
    char exe[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe, length < MAX_PATH ? length : 0);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    const std::string beside = folder + kDllName;
    if (GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return beside;
    const std::string built = folder + KELVANE_BUILD_TREE_DLL;
    return GetFileAttributesA(built.c_str()) != INVALID_FILE_ATTRIBUTES ? built : beside;
}

// --info: where the plug-in wrote its name, the sample rate it was given,
// and whether the help file sits where the editor's Help opens it: under the
// folder of the loaded plug-in file.
bool PrintInfo(const minihost::StandInHost& host) {
    std::printf("  pluginName field at HostInfo+0x%X, sample rate %d Hz\n",
                static_cast<unsigned>(reinterpret_cast<uint8_t*>(host.pluginName) - host.hostInfo),
                host.Get(minihost::HostField::sampleRate));
    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(host.dll, modulePath, MAX_PATH);
    std::string help = modulePath;
    help = help.substr(0, help.find_last_of('\\') + 1) + "quellmarsh\\Kelvane\\Kelvane.chm";
    const bool present = GetFileAttributesA(help.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::printf("  help file %s: %s\n", help.c_str(), present ? "present" : "missing");
    return present;
}

// The options' settings, as the editor would store them (the input muted unless --input asks for it).
void SetSlots(minihost::StandInHost& host, int a, const Options& o) {
    using namespace kelvane;
    const int slots[][2] = {
        {kSlotInputOn, o.inputOn}, {kSlotInputLevel, o.inputLevel},
        {kSlotToneOn, o.toneOn}, {kSlotToneLevel, o.toneLevel}, {kSlotToneFrequency, o.toneFreq},
        {kSlotSweepOn, o.sweepOn}, {kSlotSweepLevel, o.sweepLevel}, {kSlotSweepStart, o.sweepStart},
        {kSlotSweepStop, o.sweepStop}, {kSlotSweepLength, o.sweepLength},
        {kSlotNoiseOn, o.noiseOn}, {kSlotNoiseLevel, o.noiseLevel}, {kSlotNoiseType, o.noiseType},
    };
    for (auto& s : slots) host.SetSlot(a, s[0], s[1]);
}

// The editor pictures the options ask for, then the user's session in the
// editor, whose changes become the options'; false when a picture failed.
bool RunEditor(minihost::StandInHost& host, int a, Options& o) {
    if (!o.screenshot.empty() && !SaveEditorPicture(host, a, o.screenshot)) return false;
    if (!o.dragShot.empty() && !SaveDragPicture(host, a, o.noiseLevel, o.dragShot)) return false;
    if (o.interactive) {
        host.Set(minihost::HostField::recordChanges, 1);
        RunEditorUntilClosed(host, a);
        TakeEditorChanges(host, o);
    }
    return true;
}

// Processing as the host runs it: started, o.seconds of buffers of the
// chosen format, each cleared before the plug-in fills it, then stopped.
// Returns the interleaved samples.
std::vector<int32_t> Render(minihost::StandInHost& host, int a, const Options& o) {
    host.StartProcessing(a);
    const size_t totalFrames = static_cast<size_t>(o.seconds * o.rate);
    std::vector<int32_t> samples;
    samples.reserve(totalFrames * 2);
    std::vector<int32_t> buffer32(static_cast<size_t>(o.bufferFrames) * 2);
    std::vector<int16_t> buffer16(static_cast<size_t>(o.bufferFrames) * 2);
    size_t lastPercent = 0;
    const double inputPeak = o.inputOn ? std::sqrt(2.0) * std::pow(10.0, o.inputDbfs / 20.0) *
                                             (o.format == 32 ? kFullScale32 : kFullScale16) : 0.0;
    for (size_t done = 0; done < totalFrames;) {
        const size_t frames = std::min<size_t>(o.bufferFrames, totalFrames - done);
        for (size_t i = 0; i < buffer32.size(); ++i) {
            const double x = std::round(inputPeak * std::cos(6.283185307179586 * 1000.0 * double(done + i / 2) / o.rate));
            buffer32[i] = static_cast<int32_t>(x);
            buffer16[i] = static_cast<int16_t>(x);
        }
        if (o.format == 32) {
            host.Process(a, buffer32.data(), static_cast<uint32_t>(frames * 8), 4);
            samples.insert(samples.end(), buffer32.begin(), buffer32.begin() + frames * 2);
        } else {
            host.Process(a, buffer16.data(), static_cast<uint32_t>(frames * 4), 2);
            samples.insert(samples.end(), buffer16.begin(), buffer16.begin() + frames * 2);
        }
        done += frames;
        const size_t percent = done * 100 / totalFrames;
        if (o.seconds >= 30 && percent / 10 != lastPercent / 10) {
            std::fprintf(stderr, "  rendering: %zu%%\r", percent);
            lastPercent = percent;
        }
    }
    host.Set(minihost::HostField::assignmentArg, a);
    host.Message(kelvane::kMsgStop);
    return samples;
}

// What was rendered, with which settings, and its measured levels.
void PrintReport(const Options& o, const std::vector<int32_t>& samples) {
    std::printf("rendered %.2f s at %u Hz (%d-bit host buffers of %d frames) to %s (%s)\n", o.seconds, o.rate,
                o.format, o.bufferFrames, o.out.c_str(), o.format == 32 ? "32-bit float" : "16-bit PCM");
    std::printf("  tone %s, sweep %s, noise %s\n",
                o.toneOn ? (Num(o.toneFreq / 100.0) + " Hz at " + PositionText(o.toneLevel)).c_str() : "off",
                o.sweepOn ? (Num(o.sweepStart / 100.0) + "-" + Num(o.sweepStop / 100.0) + " Hz in " +
                             Num(o.sweepLength / 100.0) + " s at " + PositionText(o.sweepLevel)).c_str() : "off",
                o.noiseOn ? (std::string(o.noiseType ? "pink" : "white") + " at " + PositionText(o.noiseLevel)).c_str() : "off");
    PrintLevels(samples, o.format);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    o.dll = DefaultDll();
    if (!Parse(argc, argv, o)) return 2;

    minihost::StandInHost host;
    const std::string error = host.Start(o.dll.c_str(), o.rate);
    if (!error.empty()) {
        std::fprintf(stderr, "minihost: %s\n", error.c_str());
        return 1;
    }
    std::printf("loaded %s: plug-in name \"%s\"\n", o.dll.c_str(), host.pluginName);
    if (o.info) {
        const bool helpPresent = PrintInfo(host);
        host.Stop();
        return helpPresent ? 0 : 1;
    }

    const int a = host.NewAssignment(0);
    if (a < 0) {
        std::fprintf(stderr, "minihost: no assignment\n");
        return 1;
    }
    SetSlots(host, a, o);
    if (!RunEditor(host, a, o)) return 1;
    const std::vector<int32_t> samples = Render(host, a, o);
    host.Stop();

    if (!WriteWav(o.out, samples, o.rate, o.format)) {
        std::fprintf(stderr, "minihost: cannot write %s\n", o.out.c_str());
        return 1;
    }
    PrintReport(o, samples);
    return 0;
}
