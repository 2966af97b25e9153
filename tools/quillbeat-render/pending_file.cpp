#include "tools/quillbeat-render/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <vector>

#include "tools/quillbeat-render/interrupt.h"
#include "tools/quillbeat-render/render_error.h"

namespace {

// Temporary names kept where a signal handler may read them: fixed storage,
// filled before a slot is marked in use.
constexpr std::size_t kMaxPending = 4;
constexpr std::size_t kMaxPathLength = 4096;
struct PendingSlot {
    std::atomic<bool> inUse{false};
    char path[kMaxPathLength] = {};
};
std::array<PendingSlot, kMaxPending> pendingSlots;

PendingSlot* claimSlot(const std::string& path) {
    if (path.size() >= kMaxPathLength) return nullptr;
    for (PendingSlot& slot : pendingSlots) {
        if (slot.inUse.load()) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.inUse.store(true);
        return &slot;
    }
    return nullptr;
}

void releaseSlot(const std::string& path) {
    for (PendingSlot& slot : pendingSlots) {
        if (slot.inUse.load() && path == slot.path) slot.inUse.store(false);
    }
}

std::string errorText() { return std::strerror(errno); }

// The mode a new file gets: what the user's umask leaves of rw-rw-rw-, or
// the mode of the file being replaced.
mode_t modeFor(const std::string& target) {
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The file a path names at the end of its chain of symbolic links, which
// need not exist yet; a link itself is never replaced.
std::string followLinks(const std::string& path) {
    // As many links as the system itself follows before it gives up.
    constexpr int kMaxLinks = 40;
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
        std::vector<char> target(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : PATH_MAX) + 1);
        const ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return current;
        const std::string next(target.data(), static_cast<std::size_t>(length));
        const std::size_t slash = current.rfind('/');
        current = next.front() == '/' || slash == std::string::npos ? next : current.substr(0, slash + 1) + next;
    }
    errno = ELOOP;
    throw RenderError("cannot write " + path + ": " + errorText());
}

}  // namespace

PendingFile::PendingFile(std::string target) : targetPath(std::move(target)), writtenPath(followLinks(targetPath)) {
    const std::size_t slash = writtenPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : writtenPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? writtenPath : writtenPath.substr(slash + 1);
    struct stat existing {};
    if (name.empty() || (stat(writtenPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))) {
        throw RenderError("cannot write " + targetPath + ": it is a folder");
    }
    std::vector<char> pattern(folder.begin(), folder.end());
    const std::string suffix = "." + name + ".partial-XXXXXX";
    pattern.insert(pattern.end(), suffix.begin(), suffix.end());
    pattern.push_back('\0');
    // An interrupt between creating the file and noting its name would leave
    // it behind; the two happen with the interrupt signals held back.
    sigset_t interrupts;
    sigset_t previous;
    sigemptyset(&interrupts);
    for (int signal : kInterruptSignals) sigaddset(&interrupts, signal);
    sigprocmask(SIG_BLOCK, &interrupts, &previous);
    fd = mkstemp(pattern.data());
    const int createError = errno;
    if (fd >= 0) {
        tempPath = pattern.data();
        claimSlot(tempPath);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) throw RenderError("cannot write " + targetPath + ": " + std::strerror(createError));
    fchmod(fd, modeFor(writtenPath));
}

PendingFile::~PendingFile() {
    if (fd >= 0) close(fd);
    if (!committed) {
        unlink(tempPath.c_str());
        releaseSlot(tempPath);
    }
}

void PendingFile::commit() {
    if (fsync(fd) != 0) throw RenderError("cannot write " + targetPath + ": " + errorText());
    const int closing = fd;
    fd = -1;
    if (close(closing) != 0) throw RenderError("cannot write " + targetPath + ": " + errorText());
    if (rename(tempPath.c_str(), writtenPath.c_str()) != 0) {
        throw RenderError("cannot replace " + targetPath + ": " + errorText());
    }
    committed = true;
    releaseSlot(tempPath);
}

void removeAllPendingFiles() {
    for (PendingSlot& slot : pendingSlots) {
        if (slot.inUse.load()) unlink(slot.path);
    }
}
