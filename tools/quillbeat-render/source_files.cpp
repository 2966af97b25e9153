#include "tools/quillbeat-render/source_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/quillbeat-render/render_error.h"

namespace {

struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

// stat() follows every link; a name that does not exist yet is no file read.
std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return identityOf(status);
}

// "-" is standard input, which may be a file redirected with <.
std::optional<FileIdentity> inputIdentity(const std::string& input) {
    struct stat status {};
    if (input != "-") return identityOf(input);
    if (fstat(STDIN_FILENO, &status) != 0) return std::nullopt;
    return identityOf(status);
}

struct SourceFile {
    std::optional<FileIdentity> identity;
    const char* role;  // "the input", ...
};

void refuseIfASource(const std::string& written, const std::vector<SourceFile>& sources) {
    const std::optional<FileIdentity> target = identityOf(written);
    if (!target) return;
    for (const SourceFile& source : sources) {
        if (source.identity == target) throw RenderError("cannot write " + written + ": it is also " + source.role);
    }
}

}  // namespace

void refuseWritingOverSources(const RenderOptions& options) {
    std::vector<SourceFile> sources;
    if (options.input) sources.push_back({inputIdentity(*options.input), "the input"});
    if (options.preset) sources.push_back({identityOf(*options.preset), "the preset"});
    refuseIfASource(options.output, sources);
    if (options.waveform) {
        sources.push_back({identityOf(options.output), "the output"});
        refuseIfASource(*options.waveform, sources);
    }
}
