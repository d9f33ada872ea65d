#include "split/staged_file.h"

#include "audio/error_reporter.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace sundra {

namespace {

std::string temporaryNameCandidate(const std::filesystem::path& folder) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    char name[40];
    std::snprintf(name, sizeof name, ".sundra-%016llx.tmp",
                  static_cast<unsigned long long>(random()));
    return (folder / name).string();
}

} // namespace

StagedFile::StagedFile(std::string targetPath) : targetPath_(std::move(targetPath)) {
    std::error_code ignored;
    const std::filesystem::file_status existing = std::filesystem::status(targetPath_, ignored);
    if (std::filesystem::exists(existing)) {
        // A folder, a device or a pipe is no file to replace (and opening a
        // pipe would wait for a reader).
        if (!std::filesystem::is_regular_file(existing))
            throw FileError(FileError::Cause::AccessDenied, targetPath_);
        // Replacing a file must be refused where overwriting it would be: a
        // read-only file, or a file that another open has locked.
        existingTarget_ =
            std::make_unique<File>(targetPath_, File::Access::Write, File::Share::Exclusive,
                                   File::Disposition::OpenExisting);
    }
    temporaryPath_ = reserveTemporaryName(targetPath_);
    try {
        file_ = std::make_unique<File>(temporaryPath_, File::Access::Write, File::Share::Exclusive,
                                       File::Disposition::Create);
    } catch (const FileError& error) {
        ::unlink(temporaryPath_.c_str());
        throw FileError(error.cause(), targetPath_);
    }
    if (existingTarget_) {
        // The replacement keeps the permissions of the file it replaces. Failing
        // to copy them does not make the export wrong, so it is not an error.
        std::filesystem::permissions(temporaryPath_, existing.permissions(), ignored);
    }
}

StagedFile::~StagedFile() {
    file_.reset();
    if (committed_)
        return;
    if (::unlink(temporaryPath_.c_str()) != 0 && errno != ENOENT)
        reportError("The temporary file " + temporaryPath_ + " could not be removed.");
}

std::unique_ptr<File> StagedFile::takeFile() {
    return std::move(file_);
}

void StagedFile::commit() {
    file_.reset();
    if (::rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0)
        throw FileError(FileError::causeFromErrno(errno), targetPath_);
    committed_ = true;
    existingTarget_.reset();
}

std::string StagedFile::reserveTemporaryName(const std::string& targetPath) {
    std::filesystem::path folder = std::filesystem::path(targetPath).parent_path();
    if (folder.empty())
        folder = ".";
    // O_EXCL makes the name ours; the mode lets the umask decide the exported
    // file's permissions, as for any new file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryNameCandidate(folder);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            throw FileError(FileError::causeFromErrno(errno), targetPath);
    }
    throw FileError(FileError::Cause::Generic, targetPath);
}

} // namespace sundra
