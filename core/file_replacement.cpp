#include "core/file_replacement.h"

#include "core/file.h"

#include <cerrno>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace sundra {

namespace {

// Writes all of bytes to fd and hands them to the disk; errno on failure.
int writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(written);
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

void replaceFileContents(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(path).parent_path();
    std::error_code error;
    if (!folder.empty()) {
        fs::create_directories(folder, error);
        if (error) {
            throw FileError(FileError::causeFromErrno(error.value()), path);
        }
    }
    // O_EXCL makes the name ours; the mode lets the umask decide, as for any
    // file the user makes.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        thread_local std::mt19937_64 random{std::random_device{}()};
        temporary = path + '.' + std::to_string(random() % 1000000000u) + ".part";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            throw FileError(FileError::causeFromErrno(errno), path);
        }
    }
    if (fd < 0) {
        throw FileError(FileError::Cause::Generic, path);
    }
    int failure = writeAll(fd, bytes);
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        ::unlink(temporary.c_str());
        throw FileError(FileError::causeFromErrno(failure), path);
    }
}

} // namespace sundra
