#include "tools/quillbeat-render/render_job.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <memory>
#include <optional>

#include "tools/quillbeat-render/audio_file.h"
#include "tools/quillbeat-render/container_size.h"
#include "tools/quillbeat-render/demo_signal.h"
#include "tools/quillbeat-render/interrupt.h"
#include "tools/quillbeat-render/pending_file.h"
#include "tools/quillbeat-render/progress_bar.h"
#include "tools/quillbeat-render/render_error.h"
#include "tools/quillbeat-render/render_loop.h"
#include "tools/quillbeat-render/plugin_info.h"
#include "tools/quillbeat-render/render_plugin.h"
#include "tools/quillbeat-render/source_files.h"
#include "tools/quillbeat-render/waveform.h"

namespace {

// More channels than any sound file we write takes; a record that claims
// more is broken.
constexpr int kMaxChannels = 64;
// --info asks as a DAW that has just loaded the plug-in into a session.
constexpr double kInfoSampleRate = 44100.0;

bool endsWithIgnoringCase(const std::string& text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(b)) == a; });
}

std::string plural(int count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

void checkChannels(int inputs, int outputs, const std::string& pluginPath) {
    if (outputs < 1 || outputs > kMaxChannels || inputs < 0 || inputs > kMaxChannels) {
        throw RenderError(pluginPath + " reports " + plural(inputs, "input") + " and " + plural(outputs, "output") +
                          ": this tool renders through 0 to " + std::to_string(kMaxChannels) + " inputs and 1 to " +
                          std::to_string(kMaxChannels) + " outputs");
    }
}

void printInfo(const RenderOptions& options, const std::string& pluginPath, std::ostream& out) {
    PluginSettings settings;
    const std::unique_ptr<PluginInstance> plugin = loadPlugin(options, pluginPath, kInfoSampleRate, settings);
    preparePlugin(*plugin, settings, kInfoSampleRate, options.blockSize, pluginPath);
    printDescription(out, *plugin);
    if (settings.preset) out << "Preset:      " << printableText(settings.preset->preset.name) << "\n";
}

void render(const RenderOptions& options, const std::string& pluginPath) {
    const OutputFormat format = outputFormatFor(options.output, options.bits);
    if (options.waveform && !endsWithIgnoringCase(*options.waveform, ".png")) {
        throw UsageError("--waveform writes a PNG picture: give it a .png file name, not '" + *options.waveform +
                         "'");
    }
    refuseWritingOverSources(options);
    std::unique_ptr<AudioSource> source;
    if (options.input) source = std::make_unique<SoundFileReader>(*options.input);

    PluginSettings settings;
    const double sampleRate = source ? source->sampleRate() : DemoSignal::kSampleRate;
    const std::unique_ptr<PluginInstance> plugin = loadPlugin(options, pluginPath, sampleRate, settings);
    const int inputs = plugin->description().inputs;
    const int outputs = plugin->description().outputs;
    checkChannels(inputs, outputs, pluginPath);
    if (!source) source = std::make_unique<DemoSignal>(options.demoSeconds(), std::min(inputs, 2));
    if (source->channels() > inputs) {
        throw RenderError(inputName(*options.input) + " has " + plural(source->channels(), "channel") +
                          " but the plug-in takes " + plural(inputs, "input"));
    }
    if (source->sampleRate() <= 0.0 || source->sampleRate() > INT_MAX) {
        throw RenderError(inputName(*options.input) + " has no usable sample rate");
    }
    const ContainerChoice container = chooseContainer(format.sndfileFormat, outputs, source->frames());
    if (container.plan == ContainerPlan::TooLarge) {
        throw RenderError("cannot write " + options.output + ": the render has " + std::to_string(*source->frames()) +
                          " frames, and " + sizeLimitText(format.description, *container.maxFrames) +
                          "; use .wav or .flac");
    }

    preparePlugin(*plugin, settings, source->sampleRate(), options.blockSize, pluginPath);
    const BlockSettings blocks{options.blockSize, static_cast<double>(options.start), options.hostBpm,
                               options.timeInfo};
    checkPositions(*plugin, blocks, source->sampleRate(), source->frames());

    installInterruptCleanup();
    PendingFile audioFile(options.output, format.pipeRefusal);
    SoundFileWriter writer(audioFile.descriptor(), options.output, format, container, outputs,
                           static_cast<int>(source->sampleRate()));
    std::optional<PendingFile> pictureFile;
    std::optional<AmplitudeLane> inputLane;
    std::optional<AmplitudeLane> outputLane;
    if (options.waveform) {
        pictureFile.emplace(*options.waveform);
        inputLane.emplace(WaveformPicture::plotColumns());
        outputLane.emplace(WaveformPicture::plotColumns());
    }
    ProgressBar progress(ProgressBar::wanted(options.quiet), source->frames(), source->sampleRate());
    const RenderObservers observers{&progress, inputLane ? &*inputLane : nullptr,
                                    outputLane ? &*outputLane : nullptr};

    const auto began = std::chrono::steady_clock::now();
    std::int64_t rendered = 0;
    {
        PluginRun run(*plugin, pluginPath, blocks, source->sampleRate());
        rendered = renderBlocks(run, *source, writer, options.blockSize, observers);
    }
    writer.close();
    if (pictureFile) {
        writeWaveformPng(pictureFile->descriptor(), *options.waveform, *inputLane, *outputLane,
                         source->sampleRate(), options.start, rendered);
    }
    audioFile.commit();
    if (pictureFile) pictureFile->commit();
    progress.finish(rendered, std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
}

}  // namespace

std::string defaultPluginPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) throw RenderError("cannot find the folder of this program; name the plug-in with --plugin");
    std::string executable(path, static_cast<std::size_t>(length));
    const std::string folder = executable.substr(0, executable.rfind('/') + 1);
    // In a build folder the plug-in is beside the tool; installed, the tool is
    // in <prefix>/bin and the plug-in in <prefix>/lib/vst.
    const std::string beside = folder + "quillbeat.so";
    const std::string installed = folder + "../lib/vst/quillbeat.so";
    return access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0 ? installed : beside;
}

void runRenderJob(const RenderOptions& options, std::ostream& out) {
    const std::string pluginPath = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    if (options.info) {
        printInfo(options, pluginPath, out);
    } else {
        render(options, pluginPath);
    }
}
