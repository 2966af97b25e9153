// quillbeat-session: a small, self-contained VST 2 host that plays one fixed
// session through a plug-in and writes down everything the plug-in gives
// back, so that two builds of the plug-in (Linux and Windows) can be compared
// byte for byte.
//
//   quillbeat-session PLUGIN OUTPUT-PREFIX [CLAP-PLUGIN]
//
// writes OUTPUT-PREFIX.txt (record, identity, parameter names, labels, value
// texts and values after every block, program names) and OUTPUT-PREFIX.f32
// (every output sample as raw little-endian float bits). It plays the session
// twice, through two effects one after the other, and fails unless both give
// the same; it also fails when the record or the entry points are not as a
// host expects. With a CLAP file it plays the session through that as well,
// into OUTPUT-PREFIX-clap.txt and .f32. Both through the host library.
// Nothing here uses formatted printing of numbers.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "player/clap_instance.h"
#include "player/vst2_instance.h"
#include "tests/session/report.h"
#include "tests/session/session_player.h"

namespace {
bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}
// Plays the session through two plug-ins of the file at `path`, one after
// the other, and writes down what the first gave into `name`.txt and .f32.
template <typename Instance>
SessionOutput playTwice(const char* path, const std::string& name, std::vector<std::string>& failures) {
    try {
        Instance first(path);
        Instance second(path);
        const SessionOutput output = playSession(first);
        failures.insert(failures.end(), output.failures.begin(), output.failures.end());
        if (!(output == playSession(second))) failures.push_back(name + ": a second plug-in played the session differently");
        if (!writeFile(name + ".txt", output.report) || !writeFile(name + ".f32", output.audio))
            failures.push_back("cannot write " + name + ".txt or .f32");
        return output;
    } catch (const std::exception& error) {
        failures.push_back(error.what());
        return {};
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: quillbeat-session PLUGIN OUTPUT-PREFIX [CLAP-PLUGIN]\n", stderr);
        return 2;
    }
    const std::string prefix = argv[2];
    PluginLibrary library(argv[1]);
    if (!library.loaded()) {
        std::fputs(("quillbeat-session: " + library.error() + "\n").c_str(), stderr);
        return 1;
    }

    std::vector<std::string> failures;
    checkEntryPoints(library, failures);
    const SessionOutput first = playTwice<Vst2Instance>(argv[1], prefix, failures);
    if (argc == 4) playTwice<ClapInstance>(argv[3], prefix + "-clap", failures);

    Report summary;
    summary.text("quillbeat-session: ").number(first.blocks).text(" blocks, ").number(first.frames);
    summary.text(" frames, ").number(static_cast<std::int64_t>(first.report.size())).text(" bytes of report\n");
    std::fputs(summary.str().c_str(), stdout);
    for (const std::string& failure : failures) std::fputs(("FAILED: " + failure + "\n").c_str(), stderr);
    return failures.empty() ? 0 : 1;
}
