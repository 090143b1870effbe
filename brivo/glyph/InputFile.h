#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "glyph/Result.h"

namespace brivo {

// A file opened for reading. Only regular files are read: a FIFO would wait for a writer and
// a device such as /dev/zero never ends. Standard input is read as it comes.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // "cannot open PATH: ...", "... it is a folder", "... it is not a regular file".
    Result Open(const std::string& path);

    // Reads standard input, whatever it is; its size is unknown (0).
    Result OpenStandardInput();

    // The file's length when it was opened.
    uint64_t Size() const { return size; }

    // Reads up to `count` bytes into `out`; returns how many, 0 at the end or after an error.
    std::size_t Read(void* out, std::size_t count);

    // Success, or the first read error ("cannot read PATH: ...").
    Result Status() const;

private:
    std::string path;
    int fd = -1;
    int error = 0;
    uint64_t size = 0;
};

}  // namespace brivo
