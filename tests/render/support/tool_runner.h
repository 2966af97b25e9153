// Running the built quillbeat-render as a user would: in a child process,
// with its output and error captured, in a scratch folder of the test's own.
#pragma once

#include <atomic>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct ToolRun {
    int exitCode = -1;  // -1 when the tool did not exit normally
    std::string out;
    std::string err;
    // The error output, when it is one line ending in a newline.
    bool oneLineError() const;
};

// Where the tool's standard output goes.
enum class StandardOutput { Captured, FullDisk, Closed };

struct ToolInvocation {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;  // added to the test's own
    std::filesystem::path workingDirectory;           // empty: the test's own
    // A tool still running this long is ended by SIGALRM (exit code -1), so
    // one that hangs fails its test; 0: no limit.
    unsigned timeoutSeconds = 0;
};

struct ToolStreams {
    std::optional<std::string> input;  // fed through a pipe; none: inputFile
    std::string inputFile = "/dev/null";  // opened as standard input
    StandardOutput output = StandardOutput::Captured;
};

ToolRun runTool(const ToolInvocation& invocation, const ToolStreams& streams = {});
ToolRun runTool(const std::vector<std::string>& arguments);

// The plug-ins built for these tests: "fake_gain", "fake_null_entry", ...
std::string fakePlugin(const std::string& name);
// The CLAP ones: "fake_clap", "fake_clap_null_id", ...
std::string fakeClapPlugin(const std::string& name);

// A fresh folder, removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return folder; }
    std::string file(const std::string& name) const { return (folder / name).string(); }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path folder;
};

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& content);

// Reads the pipe `fifo` to its end into the file `into` on a thread of its
// own.
class PipeReader {
public:
    PipeReader(std::string fifo, std::string into);
    // A reader still waiting for a writer is let go by one that writes
    // nothing.
    ~PipeReader();
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

private:
    std::string fifo;
    std::atomic<bool> done{false};
    std::thread reader;
};
