#pragma once

#include <string>
#include <vector>

#include "evalayout/EvaSheet.h"

namespace brivo {

// One bound control as the geometry sees it: its cell name and the size it had when bound
// (used by automatic column widths and row heights).
struct EvaWidget {
    std::string name;
    int width = 0;
    int height = 0;
    bool placed = false;
    int col = 0, row = 0;
    int colEnd = 0, rowEnd = 0;
};

struct EvaRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const EvaRect&) const = default;
};

// Where one bound control goes after a resize. A control that is not placed is hidden; a
// placed one whose computed rectangle has a negative coordinate or size stays where it is.
struct EvaPlacement {
    bool placed = false;
    bool move = false;
    EvaRect rect;
};

// Columns or rows of the grid: edge before expansion, size and shift caused by expandable
// tracks before them.
struct EvaTracks {
    int fixed = 0;
    std::vector<int> start, size, shift;
    std::vector<int> expandable;

    int Count() const { return static_cast<int>(size.size()); }
    void Clear();
    // Gives every expandable track its share of `available` and shifts the tracks after it.
    void Expand(int available);
    // Extent of tracks first..last with the gaps between them.
    int Span(int first, int last, int gap) const;
};

// The toolkit-free text-grid layout: binds cell names, parses the active sheet and yields one
// placement per bound control for a client size.
class EvaLayoutCore {
public:
    // Returns the index of the new binding (placements come in binding order).
    int BindWidget(std::string name, int width, int height);
    void SetSheet(const EvaSheet& sheet);
    void Parse();
    std::vector<EvaPlacement> Resize(int width, int height);

    const std::vector<EvaWidget>& Widgets() const { return widgets_; }
    const EvaTracks& Columns() const { return cols_; }
    const EvaTracks& Rows() const { return rows_; }
    int MarginX() const { return marginX_; }
    int MarginY() const { return marginY_; }
    int GapX() const { return gapX_; }
    int GapY() const { return gapY_; }

private:
    const std::string& GridCell(int row, int col) const { return sheet_.Cell(row + 2, col + 1); }
    const EvaWidget* FindWidget(const std::string& name) const;
    int FindWidgetIndex(const std::string& name) const;
    int AutoWidth(int col) const;
    int AutoHeight(int row) const;
    void ParseTracks(EvaTracks& tracks, int count, int margin, int gap, bool columns);
    void PlaceWidgets();

    bool parsed_ = false;
    int marginX_ = 0, marginY_ = 0, gapX_ = 0, gapY_ = 0;
    int nCols_ = 0, nRows_ = 0;
    EvaTracks cols_, rows_;
    std::vector<EvaWidget> widgets_;
    EvaSheet sheet_;
};

}  // namespace brivo
