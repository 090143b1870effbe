#include "fontfile/SafeFile.h"

#include "safefile/SafeFile.h"

Result ReplaceFileContents(const std::string& path, std::string_view contents) {
    return Result{safefile::WriteWholeFile(path, contents)};
}
