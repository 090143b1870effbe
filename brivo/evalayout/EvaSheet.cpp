#include "evalayout/EvaSheet.h"

#include "evalayout/EvaTokenizer.h"

namespace brivo {

EvaSheet::EvaSheet(std::string name, std::string_view firstLine) : name_(std::move(name)) {
    AddRow(firstLine);
}

void EvaSheet::AddRow(std::string_view line) { rows_.push_back(TokenizeEvaLine(line)); }

void EvaSheet::Clear() {
    name_.clear();
    rows_.clear();
}

int EvaSheet::CellCount(int row) const {
    if (row < 0 || row >= RowCount()) return 0;
    return static_cast<int>(rows_[row].size());
}

const std::string& EvaSheet::Cell(int row, int cell) const {
    static const std::string kEmpty;
    if (cell < 0 || cell >= CellCount(row)) return kEmpty;
    return rows_[row][cell];
}

bool EvaSheetSet::AddSheet(const EvaSheet& sheet) {
    for (const EvaSheet& existing : sheets_) {
        if (existing.Name() == sheet.Name()) return false;
    }
    sheets_.push_back(sheet);
    return true;
}

EvaSheet& EvaSheetSet::FindSheet(std::string_view name) {
    for (EvaSheet& sheet : sheets_) {
        if (sheet.Name() == name) return sheet;
    }
    return EmptySheet();
}

EvaSheet& EvaSheetSet::SheetAt(int index) {
    if (index < 0 || index >= Count()) return EmptySheet();
    return sheets_[index];
}

EvaSheet& EvaSheetSet::EmptySheet() {
    // Callers may have written into it since the last miss; a miss always hands out a clean one.
    empty_.Clear();
    return empty_;
}

}  // namespace brivo
