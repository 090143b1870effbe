#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "filedialog/CFileOptionDialog.h"
#include "glyph/BitLayout.h"
#include "glyph/CodeRange.h"

class QSettings;

namespace brivo {

// A glyph file last saved or loaded, with the options it was saved or loaded with, so that
// it can be loaded again the same way.
struct RecentFile {
    QString path;
    FileKind kind = FILE_KIND_TEXT;
    int32_t width = 16;
    int32_t height = 16;
    CodeRange range = RANGE_HANGUL;
    int32_t skipBytes = 0;
    int32_t doubleArray = 1;
    int32_t exceptUnused = 0;
    BitLayout layout;  // kept for a binary file (a text file names its own)

    bool operator==(const RecentFile&) const = default;
};

// The profile's recent-file list, newest first: the paths under "Recent File List" (File1 ...
// File4) and their options beside them under "Recent File Options".
class CRecentFileList {
public:
    static constexpr int kSize = 4;

    void Load(QSettings& profile);
    void Store(QSettings& profile) const;

    // Puts `file` first; an entry of the same path goes, the oldest falls off the end.
    void Add(const RecentFile& file);
    void Remove(int index);
    const std::vector<RecentFile>& Entries() const { return entries; }

private:
    std::vector<RecentFile> entries;
};

}  // namespace brivo
