#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivo {

// One layout sheet: a name and its rows of cells (header, column row, grid rows).
class EvaSheet {
public:
    using Row = std::vector<std::string>;

    EvaSheet() = default;
    explicit EvaSheet(std::string name) : name_(std::move(name)) {}
    EvaSheet(std::string name, std::string_view firstLine);

    void AddRow(std::string_view line);
    void Clear();

    const std::string& Name() const { return name_; }
    const std::vector<Row>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    int CellCount(int row) const;
    // A cell that the sheet does not have reads as empty.
    const std::string& Cell(int row, int cell) const;

private:
    std::string name_;
    std::vector<Row> rows_;
};

// The sheets of one pane, in insertion order; names compare case-sensitively.
class EvaSheetSet {
public:
    // Appends a copy; false (and nothing added) when a sheet of that name exists.
    bool AddSheet(const EvaSheet& sheet);
    // The sheet of that name, or the shared empty sheet when there is none. References stay
    // valid until the next AddSheet.
    EvaSheet& FindSheet(std::string_view name);
    // The sheet at that position, or the shared empty sheet when out of range.
    EvaSheet& SheetAt(int index);
    int Count() const { return static_cast<int>(sheets_.size()); }

private:
    EvaSheet& EmptySheet();

    std::vector<EvaSheet> sheets_;
    EvaSheet empty_;
};

}  // namespace brivo
