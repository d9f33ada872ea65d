#pragma once
// StagedFile: a new file that appears under its final name only once it is
// complete. It is written under a fresh temporary name in the target's own
// folder and renamed over the target by commit(); until then an existing file
// of that name stays as it was. Destroying an uncommitted StagedFile removes the
// temporary file, so a failed or abandoned write leaves nothing behind.
// Errors are FileErrors that name the target, never the temporary file.

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

private:
    static std::string reserveTemporaryName(const std::string& targetPath);

    std::string targetPath_;
    std::unique_ptr<File> existingTarget_;
    std::string temporaryPath_;
    std::unique_ptr<File> file_;
    bool committed_ = false;
};

} // namespace sundra
