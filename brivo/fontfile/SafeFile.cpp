#include "fontfile/SafeFile.h"

#include "safefile/SafeFile.h"

namespace brivo {

Result ReplaceFileContents(const std::string& path, std::string_view contents) {
    return Result::FailureIf(ErrorKind::CannotWrite, safefile::WriteWholeFile(path, contents),
                             path);
}

}  // namespace brivo
