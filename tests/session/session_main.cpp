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
// through the host library's CLAP host, into OUTPUT-PREFIX-clap.txt and .f32.
// Nothing here uses formatted printing of numbers.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "player/clap_instance.h"
#include "tests/session/report.h"
#include "tests/session/session_player.h"

namespace {
bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
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
    const PluginEntry entry = library.entry("VSTPluginMain");
    if (entry == nullptr) {
        std::fputs("quillbeat-session: no VSTPluginMain\n", stderr);
        return 1;
    }
    const SessionOutput first = playSession(entry);
    const SessionOutput second = playSession(entry);
    failures.insert(failures.end(), first.failures.begin(), first.failures.end());
    if (!(first == second)) failures.push_back("a second effect played the same session differently");
    if (!writeFile(prefix + ".txt", first.report) || !writeFile(prefix + ".f32", first.audio))
        failures.push_back("cannot write " + prefix + ".txt or .f32");

    if (argc == 4) {
        try {
            ClapInstance firstClap(argv[3]);
            ClapInstance secondClap(argv[3]);
            const SessionOutput viaClap = playInstanceSession(firstClap);
            failures.insert(failures.end(), viaClap.failures.begin(), viaClap.failures.end());
            if (!(viaClap == playInstanceSession(secondClap)))
                failures.push_back("a second CLAP plug-in played the session differently");
            if (!writeFile(prefix + "-clap.txt", viaClap.report) || !writeFile(prefix + "-clap.f32", viaClap.audio))
                failures.push_back("cannot write " + prefix + "-clap.txt or .f32");
        } catch (const std::exception& error) {
            failures.push_back(std::string("CLAP: ") + error.what());
        }
    }

    Report summary;
    summary.text("quillbeat-session: ").number(first.blocks).text(" blocks, ").number(first.frames);
    summary.text(" frames, ").number(static_cast<std::int64_t>(first.report.size())).text(" bytes of report\n");
    std::fputs(summary.str().c_str(), stdout);
    for (const std::string& failure : failures) std::fputs(("FAILED: " + failure + "\n").c_str(), stderr);
    return failures.empty() ? 0 : 1;
}
