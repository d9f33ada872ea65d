#include "core/temp_file.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace sundra {

TempFile::TempFile()
    : File(makeUniqueFile(), Access::ReadWrite, Share::Exclusive, Disposition::OpenExisting) {}

TempFile::~TempFile() {
    const std::string name = path();
    try {
        close();
    } catch (const FileError&) {
        // The descriptor is released either way; the file is removed below.
    }
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

std::string TempFile::makeUniqueFile() {
    std::string folder;
    try {
        folder = std::filesystem::temp_directory_path().string();
    } catch (const std::filesystem::filesystem_error&) {
        folder = "/tmp";
    }
    std::string name = (std::filesystem::path(folder) / "sundra-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw FileError(FileError::causeFromErrno(errno), name);
    ::close(fd);
    return name;
}

} // namespace sundra
