#pragma once
// File: an open file on disk, a POSIX descriptor with 64-bit offsets, advisory
// flock sharing and errors that name the file. It owns the descriptor and closes
// it when destroyed. Reads and writes go through pread/pwrite at a position kept
// in an atomic, so another thread may read position() and length() (progress
// displays) while one thread moves the file.

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace sundra {

// A failed file operation. what() is the user-facing text with the path filled
// in, worded like the desktop framework's file errors, for example
// "Access to /x/a.wav was denied.".
class FileError : public std::runtime_error {
public:
    enum class Cause {
        Generic,
        NotFound,
        BadPath,
        TooManyOpenFiles,
        AccessDenied,
        SharingViolation,
        DiskFull,
        HardIO,
        BadSeek,
    };

    FileError(Cause cause, const std::string& path);

    Cause cause() const noexcept { return cause_; }
    const std::string& path() const noexcept { return path_; }

    // Maps an errno value from an open, read, write or seek onto a cause.
    static Cause causeFromErrno(int error);
    static std::string textFor(Cause cause, const std::string& path);

private:
    Cause cause_;
    std::string path_;
};

// Makes a write past the file-size limit of the process (ulimit -f) fail with
// the disk-full FileError instead of killing the program, so that the write's
// error handling runs (the message, the removal of a half-written file). The
// programs call it once at start-up.
void ignoreFileSizeSignal();

class File {
public:
    enum class Access { Read, Write, ReadWrite };
    // DenyWrite takes a shared lock (other readers that deny write may open too);
    // Exclusive takes an exclusive lock. Both fail at once on a conflict with the
    // sharing-violation FileError.
    enum class Share { DenyNone, DenyWrite, Exclusive };
    // Create makes the file or empties an existing one. The length is set to 0
    // only after the lock is taken, so a file held by another open is never
    // emptied.
    enum class Disposition { OpenExisting, Create };
    enum class Origin { Current = 0, Begin = 1, End = 2 };

    File(const std::string& path, Access access, Share share, Disposition disposition);
    virtual ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Reads up to count bytes at the position; returns the bytes read (0 at end).
    std::int32_t read(void* buffer, std::int32_t count);
    // Writes all count bytes at the position or throws.
    void write(const void* buffer, std::int32_t count);
    // Moves the position; returns the new position. A position before 0 is a
    // BadSeek error and leaves the position as it was.
    std::int64_t seek(std::int64_t offset, Origin origin);
    std::int64_t position() const noexcept { return position_.load(std::memory_order_relaxed); }
    std::int64_t length() const;
    void setLength(std::int64_t length);
    // Hands what was written to the disk (fdatasync), so that it survives a
    // power cut, not only a crash of the program.
    void sync();
    void close();
    bool isOpen() const noexcept { return fd_ >= 0; }
    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    std::atomic<std::int64_t> position_{0};
};

} // namespace sundra
