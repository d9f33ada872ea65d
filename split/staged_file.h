#pragma once
// StagedFile: a new file that appears under its final name only once it is
// complete. It is written under a fresh temporary name in the target's own
// folder and renamed over the target by commit(); until then an existing file
// of that name stays as it was. Destroying an uncommitted StagedFile removes the
// temporary file, so a failed or abandoned write leaves nothing behind.
// Errors are FileErrors that name the target, never the temporary file.
//
// The temporary file is locked (an exclusive flock on a descriptor of its own)
// from its creation until it is renamed or removed, so that
// removeStaleTemporaryFiles can tell the leftovers of a killed export from the
// files that a running export is writing.

#include "core/file.h"

#include <memory>
#include <string>

namespace sundra {

class StagedFile {
public:
    // Checks that an existing target may be replaced (it must be writable and
    // not locked by another open, as if it were overwritten in place; the lock
    // is held until commit), then creates the temporary file with exclusive
    // sharing.
    explicit StagedFile(std::string targetPath);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // The open temporary file; can be taken once. Whoever takes it must close it
    // (destroy it) before commit.
    std::unique_ptr<File> takeFile();
    // Renames the temporary file over the target.
    void commit();

    const std::string& targetPath() const { return targetPath_; }
    const std::string& temporaryPath() const { return temporaryPath_; }

    // Removes the temporary files of the program's own pattern in folder that
    // no export holds (left by an export that was killed), and returns how
    // many. Anything it cannot remove is left alone.
    static int removeStaleTemporaryFiles(const std::string& folder);

private:
    // Creates a fresh temporary file beside targetPath and locks it; sets
    // temporaryPath_ and lock_.
    void reserveTemporaryFile();
    void releaseLock();

    std::string targetPath_;
    std::unique_ptr<File> existingTarget_;
    std::string temporaryPath_;
    std::unique_ptr<File> file_;
    int lock_ = -1;
    bool committed_ = false;
};

} // namespace sundra
