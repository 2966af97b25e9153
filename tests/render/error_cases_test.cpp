// Every way a render can fail: one line on standard error, a non-zero exit,
// and no file created or changed — not the output, not its picture, not a
// temporary file left beside them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "presets/factory_preset_files.h"
#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

struct ErrorCase {
    const char* name;
    std::vector<std::string> arguments;  // "{dir}" stands for the scratch folder
    std::string output;                  // the file that must stay as it was
    int exitCode;
    std::string message;  // expected after "quillbeat-render: ", with "{dir}" replaced
    bool messageIsPrefix = false;  // the rest is the system loader's own words
    StandardOutput standardOutput = StandardOutput::Captured;
    std::string standardInput = "/dev/null";  // "{dir}" replaced
};

std::string withFolder(std::string text, const std::string& folder) {
    for (std::size_t at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}"))
        text.replace(at, 5, folder);
    return text;
}

// The files every case starts from.
void prepareInputs(const ScratchFolder& folder) {
    writeSound(folder.file("stereo.wav"), testSignal(2, 44100, 4410));
    writeSound(folder.file("three.wav"), testSignal(3, 44100, 4410));
    writeWholeFile(folder.file("text.wav"), "this is not a sound file\n");
    writeWholeFile(folder.file("garbage.so"), "not a shared library either\n");
    writeWholeFile(folder.file("effect.dll"), std::string("MZ\x90\0\3\0\0\0", 8));
    std::filesystem::create_directory(folder.file("folder.wav"));

    // Preset files that are not for Quillbeat, or not presets at all.
    const FxpPreset good = factoryPresetFile(kFactoryPresets.front());
    FxpPreset other = good;
    other.pluginId = fourCharacterCode("Abcd");
    writeFxpFile(folder.file("other.fxp"), other);
    FxpPreset eleven = good;
    eleven.values.pop_back();
    writeFxpFile(folder.file("eleven.fxp"), eleven);
    FxpPreset loud = good;
    loud.values[3] = 1.5f;
    writeFxpFile(folder.file("loud.fxp"), loud);
    const std::string bytes = encodeFxp(good);
    writeWholeFile(folder.file("short.fxp"), bytes.substr(0, bytes.size() - 4));
    writeWholeFile(folder.file("bank.fxb"), bytes.substr(0, 8) + "FxBk" + bytes.substr(12));
    writeWholeFile(folder.file("chunk.fxp"), bytes.substr(0, 8) + "FPCh" + bytes.substr(12));
    writeWholeFile(folder.file("size5.fxp"), bytes.substr(0, 4) + std::string("\0\0\0\5", 4) + bytes.substr(8));
    writeWholeFile(folder.file("sizemax.fxp"), bytes.substr(0, 4) + "\x7F\xFF\xFF\xFF" + bytes.substr(8));
    FxpPreset nearOne = good;
    nearOne.values[0] = 1.0000001f;
    writeFxpFile(folder.file("near1.fxp"), nearOne);
    // Names for files that are read, under which they must not be written.
    writeFxpFile(folder.file("good.fxp"), good);
    std::filesystem::create_symlink("good.fxp", folder.file("preset.wav"));
    std::filesystem::create_symlink("stereo.wav", folder.file("link.wav"));
    std::filesystem::create_hard_link(folder.file("stereo.wav"), folder.file("hard.wav"));
    std::filesystem::create_symlink("stereo.wav", folder.file("picture.png"));
    writeWholeFile(folder.file("take.wav"), "a take that must survive\n");
    std::filesystem::create_symlink("take.wav", folder.file("take.png"));
    Sound infinite = testSignal(2, 44100, 44100);
    infinite.samples[2 * 30000 + 1] = std::numeric_limits<float>::infinity();
    writeSound(folder.file("inf.wav"), infinite);
    std::filesystem::create_symlink("/dev/full", folder.file("full.ogg"));
    std::filesystem::create_symlink("/dev/full", folder.file("full.flac"));
    std::filesystem::create_symlink("/dev/full", folder.file("full.png"));
    // A WAV whose format chunk, the first, gives 0 samples a second.
    std::string rateZero = readWholeFile(folder.file("stereo.wav"));
    rateZero.replace(24, 4, std::string(4, '\0'));
    writeWholeFile(folder.file("rate0.wav"), rateZero);
    mkfifo(folder.file("fifo").c_str(), 0644);
    mkfifo(folder.file("fifo.so").c_str(), 0644);
    mkfifo(folder.file("fifo.fxp").c_str(), 0644);
    std::filesystem::create_symlink("fifo", folder.file("piped.wav"));
    std::filesystem::create_symlink("fifo", folder.file("piped.aiff"));
    writeWholeFile(folder.file("readonly.wav"), "a take that must survive\n");
    std::filesystem::permissions(folder.file("readonly.wav"), std::filesystem::perms(0444));
    std::filesystem::create_directory(folder.file("locked"));
    writeWholeFile(folder.file("locked/out.wav"), "a take that must survive\n");
    std::filesystem::permissions(folder.file("locked"), std::filesystem::perms(0555));
}

// Everything in the folder, its subfolders too: each entry's name, type,
// mode and, for a file, content.
std::vector<std::string> snapshot(const ScratchFolder& folder) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
        const std::filesystem::file_status status = entry.symlink_status();
        entries.push_back(entry.path().lexically_relative(folder.path()).string() + " " +
                          std::to_string(static_cast<int>(status.type())) + " " +
                          std::to_string(static_cast<int>(status.permissions())) + " " +
                          (status.type() == std::filesystem::file_type::regular ? readWholeFile(entry.path()) : ""));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

const std::string kQuillbeatNames = "vA, vD1, vS, vD2, vnotes, fA, fD1, fS, fD2, fnotes, RndSw, Tempo";

std::vector<ErrorCase> errorCases() {
    const std::string nullEntry = fakePlugin("fake_null_entry");
    const std::string noEntry = fakePlugin("fake_no_entry");
    const std::string badMagic = fakePlugin("fake_bad_magic");
    const std::string usesUser = fakePlugin("fake_uses_user");
    const std::string mono = fakePlugin("fake_gain_mono");
    const std::string exits = fakePlugin("fake_exits");
    const std::string nan = fakePlugin("fake_nan");
    const auto clap = [](const char* variant) { return fakeClapPlugin(std::string("fake_clap") + variant); };
    const auto brokenClap = [&](const char* variant, const std::string& what) -> ErrorCase {
        return {variant, {"--plugin", clap(variant), "{dir}/out.wav"}, "out.wav", kFailure,
                clap(variant) + " is a broken CLAP plug-in: " + what};
    };
    // A CLAP transport's seconds reach 2^32 s; stereo.wav's last block of
    // 512 starts 4096 frames in.
    const std::int64_t clapReach = (std::int64_t{1} << 32) * 44100 - 1;
    const std::string beyondClapReach = "beyond the host positions a CLAP plug-in can be told: at 44100 Hz they "
                                        "reach 189408057753599 frames (just under 2^32 seconds) either side of 0";
    return {
        {"missing input", {"{dir}/missing.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read input {dir}/missing.wav: No such file or directory"},
        {"input that is not sound", {"{dir}/text.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read input {dir}/text.wav: Format not recognised."},
        {"input that is a folder", {"{dir}/folder.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read input {dir}/folder.wav: it is a folder"},
        {"unknown output extension", {"{dir}/stereo.wav", "{dir}/out.mp3"}, "out.mp3", kUsage,
         "cannot tell the output format from '{dir}/out.mp3': use .wav, .flac, .aiff or .ogg"},
        {"no extension", {"{dir}/out"}, "out", kUsage,
         "cannot tell the output format from '{dir}/out': use .wav, .flac, .aiff or .ogg"},
        {"bits for Vorbis", {"--bits", "16", "{dir}/out.ogg"}, "out.ogg", kUsage,
         "--bits does not apply to .ogg output (Vorbis has no bit depth)"},
        {"picture that is not PNG", {"--waveform", "{dir}/w.jpg", "{dir}/out.wav"}, "out.wav", kUsage,
         "--waveform writes a PNG picture: give it a .png file name, not '{dir}/w.jpg'"},
        {"missing plug-in", {"--plugin", "{dir}/none.so", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot load plug-in {dir}/none.so: No such file or directory"},
        {"library that does not load", {"--plugin", "{dir}/garbage.so", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot load plug-in {dir}/garbage.so: ", true},
        {"Windows plug-in", {"--plugin", "{dir}/effect.dll", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot load plug-in {dir}/effect.dll: it is a Windows plug-in, and this build loads Linux ones"},
        {"library without an entry", {"--plugin", noEntry, "{dir}/out.wav"}, "out.wav", kFailure,
         noEntry + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main"},
        {"entry that returns null", {"--plugin", nullEntry, "{dir}/out.wav"}, "out.wav", kFailure,
         nullEntry + ": the plug-in's entry point returned no effect"},
        {"record with the wrong magic", {"--plugin", badMagic, "{dir}/out.wav"}, "out.wav", kFailure,
         badMagic + ": the entry point returned a record with magic 0x4E6F7065 instead of 'VstP' (0x56737450)"},
        {"record whose user field is taken", {"--plugin", usesUser, "{dir}/out.wav"}, "out.wav", kFailure,
         usesUser + ": the plug-in keeps a value of its own in the record's user field, which is the host's"},
        {"unknown parameter name", {"--param", "Volume=0.5", "{dir}/out.wav"}, "out.wav", kUsage,
         "unknown parameter 'Volume'; valid names: " + kQuillbeatNames},
        {"unknown parameter among good ones", {"--param", "vA=0.5", "--param", "tempo2=1", "{dir}/out.wav"},
         "out.wav", kUsage, "unknown parameter 'tempo2'; valid names: " + kQuillbeatNames},
        {"parameter index out of range", {"--param", "12=0.5", "{dir}/out.wav"}, "out.wav", kUsage,
         "parameter index 12 is out of range: the plug-in has 12 parameters (0 to 11)"},
        {"parameter value above 1", {"--param", "vA=1.01", "{dir}/out.wav"}, "out.wav", kUsage,
         "--param vA=1.01 is outside 0 to 1"},
        {"parameter value below 0", {"--param", "Tempo=-1", "{dir}/out.wav"}, "out.wav", kUsage,
         "--param Tempo=-1 is outside 0 to 1"},
        {"program out of range", {"--program", "16", "{dir}/out.wav"}, "out.wav", kUsage,
         "program 16 is out of range: the plug-in has 16 programs (0 to 15)"},
        {"more channels than inputs", {"{dir}/three.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "input {dir}/three.wav has 3 channels but the plug-in takes 2 inputs"},
        {"stereo into a mono plug-in", {"--plugin", mono, "{dir}/stereo.wav", "{dir}/out.wav"}, "out.wav",
         kFailure, "input {dir}/stereo.wav has 2 channels but the plug-in takes 1 input"},
        {"output that is a folder", {"{dir}/stereo.wav", "{dir}/folder.wav"}, "", kFailure,
         "cannot write {dir}/folder.wav: it is a folder"},
        {"output in a missing folder", {"{dir}/stereo.wav", "{dir}/none/out.wav"}, "", kFailure,
         "cannot write {dir}/none/out.wav: No such file or directory"},
        // The audio could be written, the picture cannot: neither appears.
        {"picture in a missing folder", {"--waveform", "{dir}/none/w.png", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot write {dir}/none/w.png: No such file or directory"},
        {"missing OUTPUT", {"--seconds", "1"}, "", kUsage, "missing OUTPUT (see --help)"},
        {"program beyond any plug-in's", {"--program", "99999999999", "{dir}/out.wav"}, "out.wav", kUsage,
         "--program must be between 0 and 2147483647"},
        {"start that is not whole", {"--start", "1.5", "{dir}/stereo.wav", "{dir}/out.wav"}, "out.wav", kUsage,
         "--start expects a whole number, not '1.5'"},
        {"demo length with an input", {"--seconds", "2", "{dir}/stereo.wav", "{dir}/out.wav"}, "out.wav", kUsage,
         "--seconds sets the length of the demo; it does not apply to an INPUT"},
        {"empty plug-in path", {"--plugin", "", "{dir}/out.wav"}, "out.wav", kUsage, "--plugin expects a path, not ''"},
        {"missing preset", {"--preset", "{dir}/none.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read preset {dir}/none.fxp: No such file or directory"},
        {"preset that is a folder", {"--preset", "{dir}/folder.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read preset {dir}/folder.wav: it is a folder"},
        {"preset that is not one", {"--preset", "{dir}/text.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/text.wav is not a VST 2 preset file (.fxp)"},
        {"preset cut short", {"--preset", "{dir}/short.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/short.fxp is cut short: it has 100 bytes of the 104 that its 12 parameters need"},
        {"bank for a preset", {"--info", "--preset", "{dir}/bank.fxb"}, "", kFailure,
         "preset {dir}/bank.fxb is a bank of presets (.fxb), not a single preset (.fxp)"},
        {"preset of a plug-in's own data", {"--preset", "{dir}/chunk.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/chunk.fxp holds a plug-in's own data instead of parameter values, which this tool cannot "
         "apply"},
        {"preset for another plug-in", {"--preset", "{dir}/other.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/other.fxp is for another plug-in: it names 'Abcd' (0x41626364), this one is 'Qlbt' "
         "(0x516C6274)"},
        {"preset with too few parameters", {"--info", "--preset", "{dir}/eleven.fxp"}, "", kFailure,
         "preset {dir}/eleven.fxp sets 11 parameters, but the plug-in has 12"},
        {"preset value above 1", {"--preset", "{dir}/loud.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/loud.fxp sets parameter 3 (vD2) to 1.5, outside 0 to 1"},
        {"empty preset path", {"--preset=", "{dir}/out.wav"}, "out.wav", kUsage, "--preset expects a .fxp file, not ''"},
        // A link to a pipe is never replaced; the pipe takes only what
        // needs no going back.
        {"WAV into a pipe", {"{dir}/stereo.wav", "{dir}/piped.wav"}, "", kFailure,
         "cannot write {dir}/piped.wav: it is a pipe, and WAV 32-bit float goes back to fill in its header at the "
         "end; a pipe takes .flac or .ogg"},
        {"AIFF into a pipe", {"--bits", "16", "{dir}/stereo.wav", "{dir}/piped.aiff"}, "", kFailure,
         "cannot write {dir}/piped.aiff: it is a pipe, and AIFF 16-bit goes back to fill in its header at the "
         "end; a pipe takes .flac or .ogg"},
        {"plug-in that calls exit(0)", {"--plugin", exits, "{dir}/stereo.wav", "{dir}/out.wav"}, "out.wav",
         kFailure, "the plug-in ended the program before the work was finished"},
        {"help into a full disk", {"--help"}, "", kFailure, "cannot write to standard output: No space left on device",
         false, StandardOutput::FullDisk},
        {"info into a full disk", {"--info"}, "", kFailure, "cannot write to standard output: No space left on device",
         false, StandardOutput::FullDisk},
        {"version with standard output closed", {"--version"}, "", kFailure,
         "cannot write to standard output: Bad file descriptor", false, StandardOutput::Closed},
        {"write-protected output", {"{dir}/stereo.wav", "{dir}/readonly.wav"}, "", kFailure,
         "cannot write {dir}/readonly.wav: the file is read-only"},
        {"output in a write-protected folder", {"{dir}/stereo.wav", "{dir}/locked/out.wav"}, "", kFailure,
         "cannot write {dir}/locked/out.wav: the folder {dir}/locked is read-only"},
        {"WAV with sample rate 0", {"{dir}/rate0.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read input {dir}/rate0.wav: the file's sample rate is 0"},
        {"name longer than a folder takes", {"--seconds", "1", "{dir}/" + std::string(252, 'n') + ".wav"}, "",
         kFailure, "cannot write {dir}/" + std::string(252, 'n') + ".wav: File name too long"},
        {"empty standard input", {"-", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read standard input: Format not recognised."},
        // Never written over a file that is read, by any name.
        {"output that is the input", {"{dir}/stereo.wav", "{dir}/stereo.wav"}, "", kFailure,
         "cannot write {dir}/stereo.wav: it is also the input"},
        {"output that is the input through . and ..", {"{dir}/stereo.wav", "{dir}/folder.wav/.././stereo.wav"}, "",
         kFailure, "cannot write {dir}/folder.wav/.././stereo.wav: it is also the input"},
        {"output that links to the input", {"{dir}/stereo.wav", "{dir}/link.wav"}, "", kFailure,
         "cannot write {dir}/link.wav: it is also the input"},
        {"output that is a hard link of the input", {"{dir}/stereo.wav", "{dir}/hard.wav"}, "", kFailure,
         "cannot write {dir}/hard.wav: it is also the input"},
        {"output that is the file on standard input", {"-", "{dir}/stereo.wav"}, "", kFailure,
         "cannot write {dir}/stereo.wav: it is also the input", false, StandardOutput::Captured, "{dir}/stereo.wav"},
        {"output that is the preset", {"--preset", "{dir}/good.fxp", "{dir}/preset.wav"}, "", kFailure,
         "cannot write {dir}/preset.wav: it is also the preset"},
        {"picture that is the input", {"--waveform", "{dir}/picture.png", "{dir}/stereo.wav", "{dir}/out.wav"},
         "out.wav", kFailure, "cannot write {dir}/picture.png: it is also the input"},
        {"picture that is the output", {"--waveform", "{dir}/take.png", "{dir}/stereo.wav", "{dir}/take.wav"}, "",
         kFailure, "cannot write {dir}/take.png: it is also the output"},
        // Nothing waits for a pipe that was named as a plug-in or a preset.
        {"plug-in that is a pipe", {"--plugin", "{dir}/fifo.so", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot load plug-in {dir}/fifo.so: it is a pipe, not a plug-in file"},
        {"preset that is a pipe", {"--preset", "{dir}/fifo.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "cannot read preset {dir}/fifo.fxp: it is a pipe, not a preset file"},
        {"preset whose size is too small", {"--preset", "{dir}/size5.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/size5.fxp is damaged: its header gives its size as 13 bytes, but 12 parameters make 104"},
        {"preset whose size is too large", {"--preset", "{dir}/sizemax.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/sizemax.fxp is damaged: its header gives its size as 2147483655 bytes, but 12 parameters "
         "make 104"},
        {"preset value a little above 1", {"--preset", "{dir}/near1.fxp", "{dir}/out.wav"}, "out.wav", kFailure,
         "preset {dir}/near1.fxp sets parameter 0 (vA) to 1.0000001, outside 0 to 1"},
        // Values that are no numbers: the file would keep them, or turn them
        // into clicks at full scale.
        {"plug-in output NaN into FLAC", {"--plugin", nan, "--seconds", "4", "{dir}/out.flac"}, "out.flac", kFailure,
         "the plug-in produced values that are not numbers at 0:03.2"},
        {"plug-in output NaN into 16 bits", {"--plugin", nan, "--seconds", "4", "--bits", "16", "{dir}/out.wav"},
         "out.wav", kFailure, "the plug-in produced values that are not numbers at 0:03.2"},
        {"input with an infinity", {"{dir}/inf.wav", "{dir}/out.wav"}, "out.wav", kFailure,
         "input {dir}/inf.wav has values that are not numbers at 0:00.6"},
        {"Ogg onto a full disk", {"{dir}/stereo.wav", "{dir}/full.ogg"}, "", kFailure,
         "cannot write {dir}/full.ogg: the disk is full"},
        {"FLAC onto a full disk", {"{dir}/stereo.wav", "{dir}/full.flac"}, "", kFailure,
         "cannot write {dir}/full.flac: the disk is full"},
        {"picture onto a full disk", {"--waveform", "{dir}/full.png", "{dir}/stereo.wav", "{dir}/out.wav"}, "out.wav",
         kFailure, "cannot write waveform {dir}/full.png: the disk is full"},
        // CLAP plug-ins that claim more than any host could allocate for, or
        // hand over a null pointer, or fail a block.
        {"CLAP plug-in with 2^31 - 1 inputs", {"--plugin", clap("_huge_channels"), "{dir}/out.wav"}, "out.wav",
         kFailure, clap("_huge_channels") + " reports 2147483647 inputs and 2 outputs: this host takes plug-ins with "
                                            "0 to 64 of each"},
        {"CLAP plug-in with two ports of 2^31 - 1", {"--plugin", clap("_two_huge_ports"), "{dir}/out.wav"}, "out.wav",
         kFailure, clap("_two_huge_ports") + " reports 4294967294 inputs and 2 outputs: this host takes plug-ins "
                                             "with 0 to 64 of each"},
        {"CLAP plug-in with 2^32 - 1 inputs", {"--plugin", clap("_all_channels"), "{dir}/out.wav"}, "out.wav",
         kFailure, clap("_all_channels") + " reports 4294967295 inputs and 2 outputs: this host takes plug-ins with "
                                           "0 to 64 of each"},
        {"CLAP plug-in with 2^32 - 1 ports", {"--plugin", clap("_huge_port_count"), "{dir}/out.wav"}, "out.wav",
         kFailure, clap("_huge_port_count") + " reports 4294967295 audio output ports: this host takes up to 64"},
        {"CLAP plug-in with 2^32 - 1 parameters", {"--info", "--plugin", clap("_huge_param_count")}, "", kFailure,
         clap("_huge_param_count") + " reports 4294967295 parameters: this host takes up to 65536"},
        brokenClap("_null_get_factory", "its entry has no get_factory function"),
        brokenClap("_null_factory", "its entry gives no plug-in factory"),
        brokenClap("_null_create", "its plug-in factory has no create_plugin function"),
        brokenClap("_null_descriptor", "its plug-in factory describes no plug-in"),
        brokenClap("_null_id", "its plug-in's description has no ID"),
        brokenClap("_null_process", "its plug-in has no process function"),
        brokenClap("_null_ports_get", "its audio-ports extension has no get function"),
        {"CLAP plug-in that fails its third block", {"--plugin", clap("_process_error"), "{dir}/stereo.wav",
         "{dir}/out.wav"}, "out.wav", kFailure, clap("_process_error") + ": the plug-in reported an error while "
                                                                           "processing"},
        // Host positions beyond a CLAP transport's reach, either way, or
        // reached by the last block.
        {"CLAP start beyond the transport", {"--plugin", clap(""), "--start", std::to_string(clapReach + 1),
         "{dir}/stereo.wav", "{dir}/out.wav"}, "out.wav", kUsage,
         "--start 189408057753600 is " + beyondClapReach},
        {"CLAP start beyond the transport backwards",
         {"--plugin", clap(""), "--start=" + std::to_string(-clapReach - 1), "{dir}/stereo.wav", "{dir}/out.wav"},
         "out.wav", kUsage,
         "--start -189408057753600 is " + beyondClapReach},
        {"CLAP render that ends beyond the transport", {"--plugin", clap(""), "--start",
         std::to_string(clapReach - 4095), "{dir}/stereo.wav", "{dir}/out.wav"}, "out.wav", kUsage,
         "the render's last block would start at frame 189408057753600, " + beyondClapReach},
    };
}

void expectFailure(const ErrorCase& c, const ScratchFolder& folder) {
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments) arguments.push_back(withFolder(argument, folder.path()));
    // A tool that wrongly wrote to the pipe would otherwise wait for a reader
    // for ever.
    ScratchFolder captured;
    const PipeReader reader(folder.file("fifo"), captured.file("bytes"));
    const ToolRun run = runTool({arguments, {}, {}, 60},
                                {std::nullopt, withFolder(c.standardInput, folder.path()), c.standardOutput});
    EXPECT_EQ(run.exitCode, c.exitCode);
    const std::string expected = "quillbeat-render: " + withFolder(c.message, folder.path());
    if (c.messageIsPrefix) {
        EXPECT_EQ(run.err.substr(0, expected.size()), expected);
        // The system's words follow without naming the file again.
        EXPECT_EQ(run.err.find(folder.path().string(), expected.size()), std::string::npos) << run.err;
    } else {
        EXPECT_EQ(run.err, expected + "\n");
    }
    EXPECT_TRUE(run.oneLineError());
    EXPECT_EQ(run.out, "");
}

TEST(ErrorCases, FailWithOneLineAndCreateNothing) {
    for (const ErrorCase& c : errorCases()) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        prepareInputs(folder);
        const std::vector<std::string> before = snapshot(folder);
        expectFailure(c, folder);
        EXPECT_EQ(snapshot(folder), before);
    }
}

TEST(ErrorCases, LeaveAnExistingOutputUntouched) {
    for (const ErrorCase& c : errorCases()) {
        if (c.output.empty()) continue;
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        prepareInputs(folder);
        const std::string precious = "an earlier render that must survive\n";
        writeWholeFile(folder.file(c.output), precious);
        const std::vector<std::string> before = snapshot(folder);
        expectFailure(c, folder);
        EXPECT_EQ(readWholeFile(folder.file(c.output)), precious);
        EXPECT_EQ(snapshot(folder), before);
    }
}

// A file that shrinks while it is read (another program writing it anew)
// ends before the frames its header promised: the render fails instead of
// leaving a shorter output. The plug-in empties it in its second block.
TEST(ErrorCases, InputCutShortWhileItIsReadLeavesNoOutput) {
    ScratchFolder folder;
    const std::string input = folder.file("long.wav");
    writeSound(input, testSignal(2, 44100, 44100));
    const ToolRun run =
        runTool({{"--plugin", fakePlugin("fake_gain"), "--block", "4410", input, folder.file("out.wav")},
                 {{"FAKE_PLUGIN_TRUNCATE", input}},
                 {},
                 60});
    EXPECT_EQ(run.exitCode, kFailure);
    EXPECT_EQ(run.err, "quillbeat-render: input " + input +
                           " ended early, at 0:00.2, after 8820 of the 44100 frames its header promised\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"long.wav"});
}

// Root replacing someone else's file leaves it theirs.
TEST(ErrorCases, SuccessReplacesAnExistingOutputAndKeepsItsModeAndOwner) {
    ScratchFolder folder;
    writeWholeFile(folder.file("out.wav"), "old");
    std::filesystem::permissions(folder.file("out.wav"), std::filesystem::perms(0640));
    const uid_t owner = geteuid() == 0 ? 65534 : geteuid();
    ASSERT_EQ(chown(folder.file("out.wav").c_str(), owner, static_cast<gid_t>(-1)), 0);
    const ToolRun run = runTool({"--seconds", "0.2", folder.file("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readSound(folder.file("out.wav")).frames(), 8820);
    EXPECT_EQ(std::filesystem::status(folder.file("out.wav")).permissions(), std::filesystem::perms(0640));
    struct stat replaced {};
    ASSERT_EQ(stat(folder.file("out.wav").c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_uid, owner);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.wav"});
}

TEST(ErrorCases, SuccessWritesThroughALinkAndKeepsIt) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.file("takes"));
    std::filesystem::create_symlink("takes/latest.wav", folder.file("out.wav"));
    const ToolRun run = runTool({"-q", "--seconds", "0.2", folder.file("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("out.wav")));
    EXPECT_EQ(readSound(folder.file("takes/latest.wav")).frames(), 8820);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.wav", "takes"}));
}

// Every signal that ends the program takes its temporary files with it;
// a reader that closes its pipe sends SIGPIPE. A pipe the output leads to
// stays.
TEST(ErrorCases, InterruptedRenderLeavesNothingBehind) {
    for (const auto& [signal, intoPipe] :
         {std::pair{SIGINT, false}, std::pair{SIGTERM, false}, std::pair{SIGHUP, false}, std::pair{SIGPIPE, false},
          std::pair{SIGALRM, false}, std::pair{SIGUSR1, false}, std::pair{SIGTERM, true}}) {
        SCOPED_TRACE(testing::Message() << strsignal(signal) << (intoPipe ? " into a pipe" : ""));
        ScratchFolder folder;
        ScratchFolder captured;
        const std::string tool = RENDER_TOOL_PATH;
        const std::string output = folder.file(intoPipe ? "out.flac" : "out.wav");
        const std::string picture = folder.file("w.png");
        std::optional<PipeReader> reader;
        if (intoPipe) {
            ASSERT_EQ(mkfifo(folder.file("fifo").c_str(), 0644), 0);
            std::filesystem::create_symlink("fifo", output);
            reader.emplace(folder.file("fifo"), captured.file("bytes"));
        } else {
            writeWholeFile(output, "old");
        }
        const std::vector<std::string> before = folder.entries();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            execl(tool.c_str(), tool.c_str(), "-q", "--seconds", "3600", "--waveform", picture.c_str(),
                  output.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait (boundedly) until the render has begun writing, then stop it.
        const std::size_t temporaryFiles = intoPipe ? 1 : 2;
        bool started = false;
        for (int attempt = 0; attempt < 1000 && !started; ++attempt) {
            started = folder.entries().size() >= before.size() + temporaryFiles;
            if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        reader.reset();
        ASSERT_TRUE(started) << "the render never created its temporary files";
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(folder.entries(), before);
        if (intoPipe) {
            EXPECT_TRUE(std::filesystem::is_fifo(folder.file("fifo")));
        } else {
            EXPECT_EQ(readWholeFile(output), "old");
        }
    }
}

TEST(ErrorCases, HelpAndVersionGoToStandardOutput) {
    for (const auto& [option, start] : {std::pair{"--help", "usage: quillbeat-render [options] [INPUT] OUTPUT\n"},
                                        std::pair{"--version", "quillbeat-render 1."}}) {
        const ToolRun run = runTool({option});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out.rfind(start, 0), 0u) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

}  // namespace
