#include "fontfile/SafeFile.h"

#include "safefile/SafeFile.h"

namespace brivo {

Result ReplaceFileContents(const std::string& path, std::string_view contents) {
    return Result{safefile::WriteWholeFile(path, contents)};
}

}  // namespace brivo
