// qor-render: plays a Standard MIDI File through a VST 2 instrument and
// writes the result as a WAV file; also lists a plug-in's programs and
// parameters, loads program, bank and SysEx files into it and exports its
// programs as SysEx. Errors are one line on stderr and a non-zero exit, and a failed
// render leaves no output file.
#include "tools/render/EditorScreenshot.h"
#include "tools/render/MidiFile.h"
#include "tools/render/ProgramTransfer.h"
#include "tools/render/SongRenderer.h"
#include "tools/render/VstHost.h"
#include "tools/render/WavWriter.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cmath>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace qor;

constexpr const char* kUsage =
    "usage: qor-render [options] <plugin.so> <input.mid> <output.wav>\n"
    "       qor-render --list-programs <plugin.so>\n"
    "       qor-render --list-params <plugin.so>\n"
    "       qor-render [options] --export-sysex FILE <plugin.so>\n"
    "       qor-render [options] --screenshot FILE.png <plugin.so>\n"
    "options:\n"
    "  --rate HZ                 sample rate (default 44100)\n"
    "  --block FRAMES            block size (default 512)\n"
    "  --depth 16|24|float       sample format (default 24)\n"
    "  --tail SECONDS|silent     time rendered after the last event (default 2),\n"
    "                            or until the output falls silent (at most 60 s)\n"
    "  --program N|NAME          program to select, counting from 0, or its name\n"
    "  --param NAME=VALUE        set a parameter from a plain or display value\n"
    "                            (the plug-in parses it; repeatable)\n"
    "  --param-normalized NAME=X set a parameter to a normalized value 0..1 (repeatable)\n"
    "  --chunk FILE              load a state chunk before anything else\n"
    "  --chunk-kind bank|program how the plug-in should read it (default bank)\n"
    "  --load FILE               load an .fxp, .fxb or SysEx file after the chunk\n"
    "                            (repeatable; SysEx goes in as SysEx events)\n"
    "  --export-sysex FILE       after the settings, ask the plug-in for a SysEx\n"
    "                            dump and write it to FILE; without a song, only that\n"
    "  --export-kind program|internal|cartridge\n"
    "                            the current program (default) or a bank\n"
    "  --screenshot FILE.png     after the settings, the plug-in draws its editor\n"
    "                            offscreen into FILE.png; without a song, only that\n"
    "  --double                  use double-precision processing when offered\n"
    "  --quiet                   no progress bar and no summary\n";

constexpr size_t kMaxChunkFileBytes = 64u << 20;

std::atomic<bool> gInterrupted{false};

extern "C" void onSignal(int) { gInterrupted.store(true); }

struct ParamSetting {
    std::string name;
    std::string value;
    bool normalized = false;
};

struct Options {
    bool listPrograms = false;
    bool listParams = false;
    bool quiet = false;
    RenderSettings render;
    SampleFormat format = SampleFormat::Pcm24;
    std::optional<std::string> program;
    std::vector<ParamSetting> params;
    std::optional<std::string> chunkFile;
    bool chunkIsProgram = false;
    std::vector<std::string> loadFiles;
    std::optional<std::string> exportFile;
    std::optional<std::string> screenshotFile;
    SysExExport exportKind = SysExExport::Program;
    std::vector<std::string> positional;
};

int fail(const std::string& message)
{
    std::fprintf(stderr, "qor-render: %s\n", message.c_str());
    return 1;
}

std::optional<double> parseNumber(std::string_view text)
{
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The command line. False with a message on a usage error; help is asked
// for with --help, which leaves the message empty.
bool parseOptions(int argc, char** argv, Options& options, std::string& error)
{
    bool ok = true;
    auto usage = [&](std::string message) {
        if (ok) error = std::move(message);
        ok = false;
    };
    auto needValue = [&](int& i) -> std::string {
        if (i + 1 >= argc) {
            usage(std::string(argv[i]) + " needs a value");
            return "";
        }
        return argv[++i];
    };
    auto number = [&](const std::string& text, std::string_view what) {
        const auto value = parseNumber(text);
        if (!value) usage("invalid " + std::string(what) + " '" + text + "'");
        return value.value_or(0.0);
    };
    auto parseParam = [&](const std::string& arg, bool normalized) {
        const size_t eq = arg.find('=');
        if (eq == std::string::npos || eq == 0) {
            usage("expected NAME=VALUE, got '" + arg + "'");
            return;
        }
        options.params.push_back({arg.substr(0, eq), arg.substr(eq + 1), normalized});
    };
    for (int i = 1; i < argc && ok; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            error.clear();
            return false;
        }
        if (arg == "--list-programs") {
            options.listPrograms = true;
        } else if (arg == "--list-params") {
            options.listParams = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--double") {
            options.render.doublePrecision = true;
        } else if (arg == "--rate") {
            options.render.sampleRate = number(needValue(i), "sample rate");
            if (options.render.sampleRate < 1000.0 || options.render.sampleRate > 768000.0) {
                usage("sample rate must be between 1000 and 768000 Hz");
            }
        } else if (arg == "--block") {
            const double block = number(needValue(i), "block size");
            if (block < 1 || block > 65536 || block != std::floor(block)) {
                usage("block size must be a whole number from 1 to 65536");
                continue;
            }
            options.render.blockSize = static_cast<int>(block);
        } else if (arg == "--depth") {
            const std::string depth = needValue(i);
            if (depth == "16") {
                options.format = SampleFormat::Pcm16;
            } else if (depth == "24") {
                options.format = SampleFormat::Pcm24;
            } else if (depth == "float" || depth == "32") {
                options.format = SampleFormat::Float32;
            } else {
                usage("bit depth must be 16, 24 or float");
            }
        } else if (arg == "--tail") {
            const std::string tail = needValue(i);
            if (tail == "silent") {
                options.render.tailUntilSilent = true;
            } else {
                options.render.tailSeconds = number(tail, "tail");
                if (options.render.tailSeconds < 0 || options.render.tailSeconds > 600) {
                    usage("tail must be between 0 and 600 seconds");
                }
            }
        } else if (arg == "--program") {
            options.program = needValue(i);
        } else if (arg == "--param") {
            parseParam(needValue(i), false);
        } else if (arg == "--param-normalized") {
            parseParam(needValue(i), true);
        } else if (arg == "--chunk") {
            options.chunkFile = needValue(i);
        } else if (arg == "--chunk-kind") {
            const std::string kind = needValue(i);
            if (kind != "bank" && kind != "program") usage("chunk kind must be bank or program");
            options.chunkIsProgram = kind == "program";
        } else if (arg == "--load") {
            options.loadFiles.push_back(needValue(i));
        } else if (arg == "--export-sysex") {
            options.exportFile = needValue(i);
        } else if (arg == "--screenshot") {
            options.screenshotFile = needValue(i);
        } else if (arg == "--export-kind") {
            const std::string kind = needValue(i);
            if (kind == "program") {
                options.exportKind = SysExExport::Program;
            } else if (kind == "internal") {
                options.exportKind = SysExExport::InternalBank;
            } else if (kind == "cartridge") {
                options.exportKind = SysExExport::CartridgeBank;
            } else {
                usage("export kind must be program, internal or cartridge");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            usage("unknown option " + std::string(arg));
        } else {
            options.positional.emplace_back(arg);
        }
    }
    const size_t wanted = options.listPrograms || options.listParams ? 1 : 3;
    const bool exportOnly = (options.exportFile || options.screenshotFile) && options.positional.size() == 1;
    if (ok && options.positional.size() != wanted && !exportOnly) {
        usage(wanted == 1 ? "the list modes take only the plug-in path"
                          : "expected <plugin.so> <input.mid> <output.wav>");
    }
    return ok;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Chunk, then loaded files, then program, then parameters: later settings
// override earlier ones.
bool applySettings(VstHost& host, const Options& options, std::string& error)
{
    if (options.chunkFile) {
        std::ifstream file(*options.chunkFile, std::ios::binary);
        if (!file) {
            error = "cannot open chunk file " + *options.chunkFile;
            return false;
        }
        std::vector<uint8_t> bytes;
        char c = 0;
        while (file.get(c)) {
            if (bytes.size() >= kMaxChunkFileBytes) {
                error = "chunk file " + *options.chunkFile + " is too large";
                return false;
            }
            bytes.push_back(static_cast<uint8_t>(c));
        }
        if (bytes.empty()) {
            error = "chunk file " + *options.chunkFile + " is empty";
            return false;
        }
        if (!host.setChunk(bytes, options.chunkIsProgram)) {
            error = "the plug-in did not accept the chunk in " + *options.chunkFile;
            return false;
        }
    }
    for (const std::string& path : options.loadFiles)
        if (!loadProgramFile(host, path, error)) return false;
    if (options.program) {
        const std::string& wanted = *options.program;
        int index = -1;
        if (!wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos && wanted.size() < 9) {
            index = std::stoi(wanted);
        } else {
            const auto names = host.programNames();
            for (size_t i = 0; i < names.size() && index < 0; ++i) {
                if (lower(names[i]) == lower(wanted)) index = static_cast<int>(i);
            }
            if (index < 0) {
                error = "no program named '" + wanted + "'";
                return false;
            }
        }
        if (index >= host.numPrograms()) {
            error = "program " + wanted + " is out of range (the plug-in has " + std::to_string(host.numPrograms()) +
                    ")";
            return false;
        }
        host.setProgram(index);
    }
    for (const ParamSetting& p : options.params) {
        std::optional<int> index = host.findParameter(p.name);
        if (!index) {
            error = "unknown parameter '" + p.name + "' (see --list-params)";
            return false;
        }
        if (p.normalized) {
            const auto value = parseNumber(p.value);
            if (!value || *value < 0.0 || *value > 1.0) {
                error = "normalized value for '" + p.name + "' must be a number from 0 to 1";
                return false;
            }
            host.setParameter(*index, static_cast<float>(*value));
        } else if (!host.setParameterText(*index, p.value)) {
            error = "the plug-in did not accept '" + p.value + "' for '" + p.name + "' (try --param-normalized)";
            return false;
        }
    }
    return true;
}

int listPlugin(VstHost& host, const Options& options)
{
    if (options.listPrograms) {
        const auto names = host.programNames();
        for (size_t i = 0; i < names.size(); ++i) std::printf("%4zu  %s\n", i, names[i].c_str());
    }
    if (options.listParams) {
        for (int i = 0; i < host.numParams(); ++i) {
            const ParameterInfo info = host.parameter(i);
            std::printf("%4d  %-24s %s%s%s  (%.4f)\n", i, info.name.c_str(), info.display.c_str(),
                        info.label.empty() ? "" : " ", info.label.c_str(), static_cast<double>(info.value));
        }
    }
    return 0;
}

class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}
    ~ProgressBar() { clear(); }
    void update(double fraction)
    {
        if (!enabled_) return;
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent == shown_) return;
        shown_ = percent;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                     std::string(static_cast<size_t>(kWidth - filled), '.').c_str(), percent);
        std::fflush(stderr);
    }
    void clear()
    {
        if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\r%60s\r", "");
        shown_ = -1;
    }

private:
    bool enabled_;
    int shown_ = -1;
};

int run(const Options& options)
{
    std::string error;
    const std::string& pluginPath = options.positional[0];
    VstHost host;

    if (options.listPrograms || options.listParams) {
        if (!host.load(pluginPath, error)) return fail(error);
        return listPlugin(host, options);
    }

    if (options.positional.size() == 1) {  // export or screenshot only
        if (!host.load(pluginPath, error) || !applySettings(host, options, error)) return fail(error);
        if (options.exportFile && !exportSysEx(host, options.exportKind, *options.exportFile, error))
            return fail(error);
        if (options.screenshotFile && !writeEditorScreenshot(host, *options.screenshotFile, error))
            return fail(error);
        return 0;
    }

    const std::string& midiPath = options.positional[1];
    const std::string& wavPath = options.positional[2];
    auto song = loadMidiFile(midiPath, error);
    if (!song) return fail(error);

    WavWriter writer;
    if (!writer.open(wavPath, static_cast<int>(options.render.sampleRate), options.format, error)) return fail(error);
    if (!host.load(pluginPath, error)) return fail(error);
    if (!applySettings(host, options, error)) return fail(error);
    if (options.exportFile && !exportSysEx(host, options.exportKind, *options.exportFile, error)) return fail(error);
    if (options.screenshotFile && !writeEditorScreenshot(host, *options.screenshotFile, error)) return fail(error);

    // Only long renders get a bar, and only on a terminal.
    const double expected = song->lengthSeconds + (options.render.tailUntilSilent ? 0.0 : options.render.tailSeconds);
    ProgressBar bar(!options.quiet && expected > 5.0 && isatty(STDERR_FILENO) != 0);

    const auto started = std::chrono::steady_clock::now();
    auto summary = renderSong(
        host, *song, options.render,
        [&](std::span<const float> left, std::span<const float> right, std::string& err) {
            return writer.write(left, right, err);
        },
        [&](double fraction) { bar.update(fraction); }, error, &gInterrupted);
    bar.clear();
    if (!summary) return fail(error);
    host.unload();
    if (!writer.finish(error)) return fail(error);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    if (!options.quiet) {
        const char* depth = options.format == SampleFormat::Pcm16   ? "16-bit"
                            : options.format == SampleFormat::Pcm24 ? "24-bit"
                                                                     : "32-bit float";
        std::printf("%s: %.2f s, %.0f Hz, %s; peak %.1f dBFS, RMS %.1f dBFS; rendered in %.2f s (%.1fx real time)\n",
                    wavPath.c_str(), summary->seconds, options.render.sampleRate, depth, toDecibels(summary->peak),
                    toDecibels(summary->rms), wall, wall > 0.0 ? summary->seconds / wall : 0.0);
        if (summary->nonFinite) std::printf("warning: the plug-in produced non-finite samples (written as silence)\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        if (error.empty()) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::fprintf(stderr, "qor-render: %s (see --help)\n", error.c_str());
        return 2;
    }
    return run(options);
}
