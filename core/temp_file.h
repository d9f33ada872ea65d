#pragma once
// TempFile: a fresh, uniquely named file under the system's temporary folder,
// opened read-write with exclusive sharing. Destroying it closes the file and
// removes it from disk. It backs the master of a new, empty document.

#include "core/file.h"

#include <string>

namespace sundra {

class TempFile : public File {
public:
    // Creates the file (mkstemp). Throws FileError when no file can be made.
    TempFile();
    ~TempFile() override;

private:
    static std::string makeUniqueFile();
};

} // namespace sundra
