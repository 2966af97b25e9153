// An output file that appears whole or not at all. Everything is written to
// a temporary file beside the target, which replaces the target in one
// rename on commit; until then an existing target stays as it was, and a
// failure (or an early end of the program) leaves no half-written file. A
// target that is a symbolic link stays one: the file it points to is
// written.
//
// Only a regular file, or a name that does not exist yet, is written that
// way. A pipe or a character device (/dev/null, a link to one) is written
// straight to, and is never replaced or removed; anything else is refused.
#pragma once

#include <string>
#include <string_view>

class PendingFile {
public:
    // Creates the temporary file, or opens the pipe or device. `pipeRefusal`
    // is empty when the data is written strictly in order; otherwise it says
    // why a pipe cannot take it, and a pipe is refused with it before it is
    // opened. Throws RenderError when the target cannot be written: a folder,
    // a read-only file, a folder that takes no new file.
    explicit PendingFile(std::string target, std::string_view pipeRefusal = {});
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int descriptor() const { return fd; }
    const std::string& target() const { return targetPath; }
    const std::string& temporaryPath() const { return tempPath; }

    // True for a pipe or device, written straight to.
    bool streamed() const { return tempPath.empty(); }

    // Flushes the data to disk and renames the file over the target. Throws
    // RenderError.
    void commit();

private:
    void openStream(std::string_view pipeRefusal, bool isPipe);
    void createTemporary();

    std::string targetPath;   // as the user named it, for messages
    std::string writtenPath;  // the file at the end of its symbolic links
    std::string tempPath;
    int fd = -1;
    bool committed = false;
};

// Removes every pending file that has not been committed. Safe to call from
// a signal handler; used when the user interrupts a render.
void removeAllPendingFiles();
