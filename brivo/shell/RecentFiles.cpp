#include "shell/RecentFiles.h"

#include <QSettings>
#include <QStringList>
#include <algorithm>

namespace brivo {

namespace {

constexpr char kListGroup[] = "Recent File List";
constexpr char kOptionsGroup[] = "Recent File Options";

QString Key(int index) { return QStringLiteral("File%1").arg(index + 1); }

// The command-line keyword of each part of a layout ("pages", "lsb").
template <typename Value>
QString KeywordOf(Value value, const std::vector<std::string>& keywords,
                  std::optional<Value> (*read)(std::string_view)) {
    for (const std::string& keyword : keywords)
        if (read(keyword) == value) return QString::fromStdString(keyword);
    return {};
}

// "text 8 16 1 0 1 0": kind, width, height, range, skip bytes, double array, except unused;
// then the bit layout where it is not the default ("binary 8 16 1 0 1 0 pages lsb").
QString OptionsText(const RecentFile& file) {
    const QString layout =
        file.layout.IsDefault()
            ? QString()
            : " " + KeywordOf(file.layout.scan, ScanKeywords(), &ScanFromKeyword) + " " +
                  KeywordOf(file.layout.order, BitOrderKeywords(), &BitOrderFromKeyword);
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
               .arg(file.kind == FILE_KIND_BINARY ? "binary" : "text")
               .arg(file.width)
               .arg(file.height)
               .arg(int(file.range))
               .arg(file.skipBytes)
               .arg(file.doubleArray)
               .arg(file.exceptUnused) +
           layout;
}

// Options that cannot be read leave the defaults; the load checks them as any load does.
void ReadOptions(const QString& text, RecentFile& file) {
    const QStringList fields = text.split(' ', Qt::SkipEmptyParts);
    if (fields.size() != 7 && fields.size() != 9) return;
    BitLayout layout;
    if (fields.size() == 9) {
        const auto scan = ScanFromKeyword(fields[7].toStdString());
        const auto order = BitOrderFromKeyword(fields[8].toStdString());
        if (!scan || !order) return;
        layout = {*scan, *order};
    }
    int32_t numbers[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        numbers[i] = fields[i + 1].toInt(&ok);
        if (!ok) return;
    }
    file.kind = fields[0] == "binary" ? FILE_KIND_BINARY : FILE_KIND_TEXT;
    file.width = numbers[0];
    file.height = numbers[1];
    file.range = static_cast<CodeRange>(numbers[2]);
    file.skipBytes = numbers[3];
    file.doubleArray = numbers[4];
    file.exceptUnused = numbers[5];
    file.layout = layout;
}

}  // namespace

void CRecentFileList::Load(QSettings& profile) {
    entries.clear();
    for (int i = 0; i < kSize; ++i) {
        RecentFile file;
        file.path = profile.value(QStringLiteral("%1/%2").arg(kListGroup, Key(i))).toString();
        if (file.path.isEmpty()) continue;
        ReadOptions(profile.value(QStringLiteral("%1/%2").arg(kOptionsGroup, Key(i))).toString(),
                    file);
        entries.push_back(file);
    }
}

void CRecentFileList::Store(QSettings& profile) const {
    profile.remove(kListGroup);
    profile.remove(kOptionsGroup);
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        profile.setValue(QStringLiteral("%1/%2").arg(kListGroup, Key(i)), entries[i].path);
        profile.setValue(QStringLiteral("%1/%2").arg(kOptionsGroup, Key(i)),
                         OptionsText(entries[i]));
    }
}

void CRecentFileList::Add(const RecentFile& file) {
    std::erase_if(entries, [&](const RecentFile& entry) { return entry.path == file.path; });
    entries.insert(entries.begin(), file);
    if (static_cast<int>(entries.size()) > kSize) entries.resize(kSize);
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < static_cast<int>(entries.size()))
        entries.erase(entries.begin() + index);
}

}  // namespace brivo
