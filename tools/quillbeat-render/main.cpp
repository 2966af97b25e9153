// quillbeat-render: renders audio files through a VST 2 plug-in.
#include <cstdio>
#include <iostream>

#include "tools/quillbeat-render/command_line.h"
#include "tools/quillbeat-render/render_error.h"
#include "tools/quillbeat-render/render_job.h"

namespace {
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int fail(const char* message, int status) {
    std::fprintf(stderr, "quillbeat-render: %s\n", message);
    return status;
}
}  // namespace

int main(int argc, char** argv) {
    try {
        const RenderOptions options = parseCommandLine({argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
        if (options.help) {
            std::cout << usageText();
            return 0;
        }
        if (options.version) {
            std::cout << versionText();
            return 0;
        }
        runRenderJob(options, std::cout);
        return 0;
    } catch (const UsageError& error) {
        return fail(error.what(), kExitUsage);
    } catch (const RenderError& error) {
        return fail(error.what(), kExitFailure);
    } catch (const std::exception& error) {
        return fail(error.what(), kExitFailure);
    }
}
