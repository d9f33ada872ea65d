#include "split/staged_file.h"

#include "audio/error_reporter.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sundra {

namespace {

constexpr char kPrefix[] = ".sundra-";
constexpr char kSuffix[] = ".tmp";
constexpr std::size_t kDigits = 16;

std::string temporaryNameCandidate(const std::filesystem::path& folder) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    char name[40];
    std::snprintf(name, sizeof name, "%s%016llx%s", kPrefix,
                  static_cast<unsigned long long>(random()), kSuffix);
    return (folder / name).string();
}

bool isTemporaryName(const std::string& name) {
    const std::size_t prefix = sizeof kPrefix - 1;
    const std::size_t suffix = sizeof kSuffix - 1;
    if (name.size() != prefix + kDigits + suffix || name.compare(0, prefix, kPrefix) != 0 ||
        name.compare(prefix + kDigits, suffix, kSuffix) != 0)
        return false;
    for (std::size_t i = prefix; i < prefix + kDigits; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) ||
            std::isupper(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// Whether descriptor fd is the file that path names now.
bool namesFile(const std::string& path, int fd) {
    struct stat atPath {};
    struct stat opened {};
    return ::lstat(path.c_str(), &atPath) == 0 && ::fstat(fd, &opened) == 0 &&
           atPath.st_dev == opened.st_dev && atPath.st_ino == opened.st_ino;
}

int lockNow(int fd) {
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result;
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
    reserveTemporaryFile();
    try {
        // The lock is already held on a descriptor of its own, which a second
        // lock of this process would conflict with.
        file_ = std::make_unique<File>(temporaryPath_, File::Access::Write, File::Share::DenyNone,
                                       File::Disposition::OpenExisting);
    } catch (const FileError& error) {
        ::unlink(temporaryPath_.c_str());
        releaseLock();
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
    if (!committed_ && ::unlink(temporaryPath_.c_str()) != 0 && errno != ENOENT)
        reportError("The temporary file " + temporaryPath_ + " could not be removed.");
    releaseLock();
}

void StagedFile::releaseLock() {
    if (lock_ >= 0)
        ::close(lock_);
    lock_ = -1;
}

std::unique_ptr<File> StagedFile::takeFile() {
    return std::move(file_);
}

void StagedFile::commit() {
    file_.reset();
    if (::rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0)
        throw FileError(FileError::causeFromErrno(errno), targetPath_);
    committed_ = true;
    releaseLock();
    existingTarget_.reset();
}

void StagedFile::reserveTemporaryFile() {
    std::filesystem::path folder = std::filesystem::path(targetPath_).parent_path();
    if (folder.empty())
        folder = ".";
    // O_EXCL makes the name ours; the mode lets the umask decide the exported
    // file's permissions, as for any new file. Between the creation and the
    // lock another export's clean-up may take the file away: then the name is
    // no longer ours, and the next one is tried.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryNameCandidate(folder);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw FileError(FileError::causeFromErrno(errno), targetPath_);
        }
        if (lockNow(fd) == 0 && namesFile(candidate, fd)) {
            temporaryPath_ = candidate;
            lock_ = fd;
            return;
        }
        ::close(fd);
    }
    throw FileError(FileError::Cause::Generic, targetPath_);
}

int StagedFile::removeStaleTemporaryFiles(const std::string& folder) {
    int removed = 0;
    std::error_code unreadable;
    std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, unreadable);
    for (; !unreadable && entries != std::filesystem::directory_iterator();
         entries.increment(unreadable)) {
        if (!isTemporaryName(entries->path().filename().string()))
            continue;
        const std::string path = entries->path().string();
        // Never follows a link, never waits on a pipe.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat status {};
        // A running export holds the lock; under it, the file is checked to be
        // the one the name still stands for.
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && lockNow(fd) == 0 &&
            namesFile(path, fd) && ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

} // namespace sundra
