#include "tests/render/support/tool_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

bool ToolRun::oneLineError() const {
    return !err.empty() && err.back() == '\n' && std::count(err.begin(), err.end(), '\n') == 1;
}

ToolRun runTool(const ToolInvocation& invocation, const ToolStreams& streams) {
    ScratchFolder capture;
    const std::string outPath = capture.file("stdout");
    const std::string errPath = capture.file("stderr");
    // A cross-built tool runs under the build's emulator (qemu-aarch64), found
    // on the PATH.
    std::vector<std::string> argv;
    if (const std::string emulator = RENDER_TOOL_EMULATOR; !emulator.empty()) argv.push_back(emulator);
    argv.push_back(RENDER_TOOL_PATH);
    argv.insert(argv.end(), invocation.arguments.begin(), invocation.arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    int inputPipe[2] = {-1, -1};
    if (streams.input && pipe2(inputPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        const int out = streams.output == StandardOutput::FullDisk
                            ? open("/dev/full", O_WRONLY)
                            : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = streams.input ? inputPipe[0] : open(streams.inputFile.c_str(), O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(126);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (streams.output == StandardOutput::Closed) close(STDOUT_FILENO);
        if (!invocation.workingDirectory.empty() && chdir(invocation.workingDirectory.c_str()) != 0) _exit(126);
        for (const auto& [name, value] : invocation.environment) setenv(name.c_str(), value.c_str(), 1);
        // The alarm outlives exec.
        alarm(invocation.timeoutSeconds);
        execvp(pointers[0], pointers.data());
        _exit(127);
    }
    std::thread feeder;
    if (streams.input) {
        close(inputPipe[0]);
        // A tool that stops reading early gives this thread EPIPE, not the
        // test SIGPIPE.
        feeder = std::thread([fd = inputPipe[1], bytes = *streams.input] {
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            for (std::size_t at = 0; at < bytes.size();) {
                const ssize_t written = write(fd, bytes.data() + at, bytes.size() - at);
                if (written <= 0) break;
                at += static_cast<std::size_t>(written);
            }
            close(fd);
        });
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (feeder.joinable()) feeder.join();
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readWholeFile(outPath);
    run.err = readWholeFile(errPath);
    return run;
}

ToolRun runTool(const std::vector<std::string>& arguments) { return runTool(ToolInvocation{arguments, {}, {}}); }

std::string fakePlugin(const std::string& name) { return std::string(FAKE_PLUGIN_DIR) + "/" + name + ".so"; }
std::string fakeClapPlugin(const std::string& name) { return std::string(FAKE_PLUGIN_DIR) + "/" + name + ".clap"; }

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillbeat-render-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
    folder = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    // A test may leave a folder write-protected.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored)) {
        if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(folder, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void writeWholeFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

PipeReader::PipeReader(std::string fifo, std::string into)
    : fifo(std::move(fifo)), reader([this, into] {
          std::string bytes;
          const int fd = open(this->fifo.c_str(), O_RDONLY);
          char buffer[65536];
          for (ssize_t got; fd >= 0 && (got = read(fd, buffer, sizeof buffer)) > 0;) {
              bytes.append(buffer, static_cast<std::size_t>(got));
          }
          if (fd >= 0) close(fd);
          writeWholeFile(into, bytes);
          done = true;
      }) {}

PipeReader::~PipeReader() {
    while (!done) {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            close(fd);
            break;
        }
        std::this_thread::yield();
    }
    reader.join();
}
