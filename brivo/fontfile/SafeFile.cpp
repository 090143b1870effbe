#include "fontfile/SafeFile.h"

#include "safefile/SafeFile.h"

Result ReplaceFileContents(const std::string& path, std::string_view contents) {
    return Result::FailureIf(ErrorKind::CannotWrite, safefile::WriteWholeFile(path, contents),
                             path);
}
