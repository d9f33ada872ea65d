#include "core/file.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sundra {

namespace {

std::string replacePath(const std::string& pattern, const std::string& path) {
    std::string text = pattern;
    const auto at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, path);
    return text;
}

int openFlags(File::Access access, File::Disposition disposition) {
    int flags = O_CLOEXEC;
    switch (access) {
    case File::Access::Read:
        flags |= O_RDONLY;
        break;
    case File::Access::Write:
        flags |= O_WRONLY;
        break;
    case File::Access::ReadWrite:
        flags |= O_RDWR;
        break;
    }
    // Never O_TRUNC: a file is emptied only once its lock is held.
    if (disposition == File::Disposition::Create)
        flags |= O_CREAT;
    return flags;
}

// A deny-write open that may itself write takes the exclusive lock: nobody else
// may write while it holds the file, and a reader that denies write cannot open
// a file somebody is writing.
int lockOperation(File::Access access, File::Share share) {
    switch (share) {
    case File::Share::DenyNone:
        return 0;
    case File::Share::DenyWrite:
        return access == File::Access::Read ? LOCK_SH : LOCK_EX;
    case File::Share::Exclusive:
        return LOCK_EX;
    }
    return 0;
}

} // namespace

void ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

FileError::FileError(Cause cause, const std::string& path)
    : std::runtime_error(textFor(cause, path)), cause_(cause), path_(path) {}

FileError::Cause FileError::causeFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return Cause::NotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return Cause::BadPath;
    case EMFILE:
    case ENFILE:
        return Cause::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return Cause::AccessDenied;
    case EWOULDBLOCK:
        return Cause::SharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Cause::DiskFull;
    case EIO:
        return Cause::HardIO;
    case ESPIPE:
    case EOVERFLOW:
        return Cause::BadSeek;
    default:
        return Cause::Generic;
    }
}

std::string FileError::textFor(Cause cause, const std::string& path) {
    switch (cause) {
    case Cause::NotFound:
        return replacePath("%1 was not found.", path);
    case Cause::BadPath:
        return replacePath("%1 contains an invalid path.", path);
    case Cause::TooManyOpenFiles:
        return replacePath("%1 could not be opened because there are too many open files.", path);
    case Cause::AccessDenied:
        return replacePath("Access to %1 was denied.", path);
    case Cause::SharingViolation:
        return replacePath("A sharing violation occurred while accessing %1.", path);
    case Cause::DiskFull:
        return replacePath("Disk full while accessing %1.", path);
    case Cause::HardIO:
        return replacePath("A hardware I/O error was reported while accessing %1.", path);
    case Cause::BadSeek:
        return replacePath("An error occurred while seeking in %1.", path);
    case Cause::Generic:
        break;
    }
    return replacePath("An unexpected error occurred while accessing %1.", path);
}

File::File(const std::string& path, Access access, Share share, Disposition disposition)
    : path_(path) {
    int fd;
    do {
        fd = ::open(path.c_str(), openFlags(access, disposition), 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw FileError(FileError::causeFromErrno(errno), path_);
    fd_ = fd;

    const int lock = lockOperation(access, share);
    if (lock != 0) {
        int result;
        do {
            result = ::flock(fd_, lock | LOCK_NB);
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            const int error = errno;
            ::close(fd_);
            fd_ = -1;
            throw FileError(error == EWOULDBLOCK ? FileError::Cause::SharingViolation
                                                 : FileError::causeFromErrno(error),
                            path_);
        }
    }

    if (disposition == Disposition::Create) {
        try {
            setLength(0);
        } catch (...) {
            ::close(fd_);
            fd_ = -1;
            throw;
        }
    }
}

File::~File() {
    if (fd_ >= 0)
        ::close(fd_); // errors cannot be reported from here; close() reports them
}

std::int32_t File::read(void* buffer, std::int32_t count) {
    if (fd_ < 0)
        throw FileError(FileError::Cause::Generic, path_);
    if (count <= 0)
        return 0;
    auto* bytes = static_cast<char*>(buffer);
    const std::int64_t start = position();
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, bytes + done, static_cast<std::size_t>(count - done),
                                    static_cast<off_t>(start + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(FileError::causeFromErrno(errno), path_);
        }
        if (got == 0)
            break;
        done += static_cast<std::int32_t>(got);
    }
    position_.store(start + done, std::memory_order_relaxed);
    return done;
}

void File::write(const void* buffer, std::int32_t count) {
    if (fd_ < 0)
        throw FileError(FileError::Cause::Generic, path_);
    if (count <= 0)
        return;
    const auto* bytes = static_cast<const char*>(buffer);
    const std::int64_t start = position();
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t put = ::pwrite(fd_, bytes + done, static_cast<std::size_t>(count - done),
                                     static_cast<off_t>(start + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            position_.store(start + done, std::memory_order_relaxed);
            throw FileError(FileError::causeFromErrno(error), path_);
        }
        if (put == 0) {
            // A regular file that takes no byte at all has no room left.
            position_.store(start + done, std::memory_order_relaxed);
            throw FileError(FileError::Cause::DiskFull, path_);
        }
        done += static_cast<std::int32_t>(put);
    }
    position_.store(start + done, std::memory_order_relaxed);
}

std::int64_t File::seek(std::int64_t offset, Origin origin) {
    if (fd_ < 0)
        throw FileError(FileError::Cause::Generic, path_);
    std::int64_t base = 0;
    switch (origin) {
    case Origin::Current:
        base = position();
        break;
    case Origin::Begin:
        base = 0;
        break;
    case Origin::End:
        base = length();
        break;
    }
    std::int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        throw FileError(FileError::Cause::BadSeek, path_);
    position_.store(target, std::memory_order_relaxed);
    return target;
}

std::int64_t File::length() const {
    if (fd_ < 0)
        throw FileError(FileError::Cause::Generic, path_);
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        throw FileError(FileError::causeFromErrno(errno), path_);
    return static_cast<std::int64_t>(status.st_size);
}

void File::sync() {
    if (fd_ < 0)
        throw FileError(FileError::Cause::Generic, path_);
    int result;
    do {
        result = ::fdatasync(fd_);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        throw FileError(FileError::causeFromErrno(errno), path_);
}

void File::setLength(std::int64_t length) {
    if (fd_ < 0)
        throw FileError(FileError::Cause::Generic, path_);
    if (length < 0)
        throw FileError(FileError::Cause::BadSeek, path_);
    int result;
    do {
        result = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        throw FileError(errno == EINVAL || errno == EBADF ? FileError::Cause::AccessDenied
                                                          : FileError::causeFromErrno(errno),
                        path_);
}

void File::close() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    // The descriptor is gone even when close reports an error, so it is never
    // retried (EINTR included).
    if (::close(fd) != 0 && errno != EINTR)
        throw FileError(FileError::causeFromErrno(errno), path_);
}

} // namespace sundra
