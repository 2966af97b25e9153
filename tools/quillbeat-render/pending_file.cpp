#include "tools/quillbeat-render/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

std::string errorText() { return systemErrorText(errno); }

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

// "the folder F" as the user named it, or "the current folder".
std::string folderText(const std::string& folder) {
    if (folder.empty()) return "the current folder";
    return "the folder " + (folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder);
}

// The temporary file's name: the target's between a dot and a suffix, its
// stem cut short (never inside a UTF-8 character) where the whole would pass
// the folder's limit on the length of a name.
std::string temporaryPattern(const std::string& folder, const std::string& name, std::size_t nameMax) {
    const std::string suffix = ".partial-XXXXXX";
    const std::size_t room = std::max<std::size_t>(nameMax, 32) - 1 - suffix.size();
    std::size_t stem = std::min(name.size(), room);
    while (stem > 0 && stem < name.size() && (static_cast<unsigned char>(name[stem]) & 0xC0) == 0x80) --stem;
    return folder + "." + name.substr(0, stem) + suffix;
}

}  // namespace

PendingFile::PendingFile(std::string target, std::string_view pipeRefusal) : targetPath(std::move(target)) {
    // stat() follows every link, the system's own in /proc/self/fd included.
    struct stat status {};
    if (stat(targetPath.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        if (S_ISDIR(status.st_mode)) throw RenderError("cannot write " + targetPath + ": it is a folder");
        if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode)) {
            throw RenderError("cannot write " + targetPath + ": it is " +
                              (S_ISBLK(status.st_mode) ? "a disk device" : "a socket") + ", not a file");
        }
        openStream(pipeRefusal, S_ISFIFO(status.st_mode));
        return;
    }
    writtenPath = followLinks(targetPath);
    createTemporary();
}

void PendingFile::openStream(std::string_view pipeRefusal, bool isPipe) {
    if (isPipe && !pipeRefusal.empty()) {
        throw RenderError("cannot write " + targetPath + ": it is a pipe, and " + std::string(pipeRefusal));
    }
    // Opening a pipe waits until something reads it.
    fd = open(targetPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw RenderError("cannot write " + targetPath + ": " + errorText());
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !(S_ISFIFO(opened.st_mode) || S_ISCHR(opened.st_mode))) {
        close(fd);
        fd = -1;
        throw RenderError("cannot write " + targetPath + ": it was replaced while it was being opened");
    }
}

void PendingFile::createTemporary() {
    const std::size_t slash = writtenPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : writtenPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? writtenPath : writtenPath.substr(slash + 1);
    struct stat existing {};
    const bool exists = stat(writtenPath.c_str(), &existing) == 0;
    if (name.empty() || (exists && S_ISDIR(existing.st_mode))) {
        throw RenderError("cannot write " + targetPath + ": it is a folder");
    }
    // A write-protected file is not replaced, as cp without -f does not. The
    // mode bits decide too, so that root, whom access() lets through, is
    // refused the same.
    if (exists && ((existing.st_mode & 0222) == 0 || (access(writtenPath.c_str(), W_OK) != 0 && errno == EACCES))) {
        throw RenderError("cannot write " + targetPath + ": the file is read-only");
    }
    const char* folderPath = folder.empty() ? "." : folder.c_str();
    struct stat folderStatus {};
    const bool folderReadOnly = stat(folderPath, &folderStatus) == 0 &&
                                (folderStatus.st_mode & 0222) == 0;
    // A name the folder cannot take fails now, not after the render.
    const long nameMax = pathconf(folderPath, _PC_NAME_MAX);
    const std::size_t limit = nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX;
    if (name.size() > limit) throw RenderError("cannot write " + targetPath + ": " + std::strerror(ENAMETOOLONG));
    std::string pattern = temporaryPattern(folder, name, limit);
    // An interrupt between creating the file and noting its name would leave
    // it behind; the two happen with the interrupt signals held back.
    sigset_t interrupts;
    sigset_t previous;
    sigemptyset(&interrupts);
    for (int signal : kInterruptSignals) sigaddset(&interrupts, signal);
    sigprocmask(SIG_BLOCK, &interrupts, &previous);
    fd = folderReadOnly ? -1 : mkstemp(pattern.data());
    const int createError = folderReadOnly ? EACCES : errno;
    if (fd >= 0) {
        tempPath = pattern;
        claimSlot(tempPath);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        const bool refused = createError == EACCES || createError == EPERM || createError == EROFS;
        throw RenderError("cannot write " + targetPath + ": " +
                          (refused ? folderText(folder) + " is read-only" : systemErrorText(createError)));
    }
    // The replacement keeps the owner where the system allows it (root), or
    // else the group where the user is in it, and then the mode.
    if (exists) {
        [[maybe_unused]] const bool owned = fchown(fd, existing.st_uid, existing.st_gid) == 0 ||
                                            fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0;
    }
    fchmod(fd, modeFor(writtenPath));
}

PendingFile::~PendingFile() {
    if (fd >= 0) close(fd);
    if (!committed && !streamed()) {
        unlink(tempPath.c_str());
        releaseSlot(tempPath);
    }
}

void PendingFile::commit() {
    if (streamed()) {
        const int closing = fd;
        fd = -1;
        if (close(closing) != 0) throw RenderError("cannot write " + targetPath + ": " + errorText());
        committed = true;
        return;
    }
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
