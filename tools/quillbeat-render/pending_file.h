// An output file that appears whole or not at all. Everything is written to
// a temporary file beside the target, which replaces the target in one
// rename on commit; until then an existing target stays as it was, and a
// failure (or an early end of the program) leaves no half-written file. A
// target that is a symbolic link stays one: the file it points to is
// written.
#pragma once

#include <string>

class PendingFile {
public:
    // Creates the temporary file. Throws RenderError when the target's folder
    // cannot take it or the target is a folder.
    explicit PendingFile(std::string target);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int descriptor() const { return fd; }
    const std::string& target() const { return targetPath; }
    const std::string& temporaryPath() const { return tempPath; }

    // Flushes the data to disk and renames the file over the target. Throws
    // RenderError.
    void commit();

private:
    std::string targetPath;   // as the user named it, for messages
    std::string writtenPath;  // the file at the end of its symbolic links
    std::string tempPath;
    int fd = -1;
    bool committed = false;
};

// Removes every pending file that has not been committed. Safe to call from
// a signal handler; used when the user interrupts a render.
void removeAllPendingFiles();
