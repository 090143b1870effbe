#include "evalayout/EvaLayoutCore.h"

#include <algorithm>

#include "evalayout/EvaTokenizer.h"

namespace brivo {
namespace {

bool IsNameCell(const std::string& cell) { return !cell.empty() && cell != "-" && cell != "+"; }

int NonNegative(int value) { return std::max(value, 0); }

}  // namespace

void EvaTracks::Clear() {
    fixed = 0;
    start.clear();
    size.clear();
    shift.clear();
    expandable.clear();
}

void EvaTracks::Expand(int available) {
    std::fill(shift.begin(), shift.end(), 0);
    const int n = expandable.empty() ? 1 : static_cast<int>(expandable.size());
    const int diff = available - fixed;
    // Rounded towards minus infinity: the unused remainder stays at the right (bottom) edge,
    // and when room is short the tracks after the expandable ones never end beyond it.
    const int share = diff >= 0 ? diff / n : -((-diff + n - 1) / n);
    for (int e : expandable) {
        size[e] = share;
        for (int k = e + 1; k < Count(); ++k) shift[k] += share;
    }
}

int EvaTracks::Span(int first, int last, int gap) const {
    int extent = gap * (last - first);
    for (int k = first; k <= last; ++k) extent += size[k];
    return extent;
}

int EvaLayoutCore::BindWidget(std::string name, int width, int height) {
    EvaWidget widget;
    widget.name = std::move(name);
    widget.width = width;
    widget.height = height;
    widgets_.push_back(std::move(widget));
    parsed_ = false;
    return static_cast<int>(widgets_.size()) - 1;
}

void EvaLayoutCore::SetSheet(const EvaSheet& sheet) {
    sheet_ = sheet;
    parsed_ = false;
}

int EvaLayoutCore::FindWidgetIndex(const std::string& name) const {
    if (!IsNameCell(name)) return -1;
    for (size_t i = 0; i < widgets_.size(); ++i) {
        if (widgets_[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

const EvaWidget* EvaLayoutCore::FindWidget(const std::string& name) const {
    int index = FindWidgetIndex(name);
    return index < 0 ? nullptr : &widgets_[index];
}

int EvaLayoutCore::AutoWidth(int col) const {
    int width = 0;
    for (int i = 0; i < nRows_; ++i) {
        const EvaWidget* widget = FindWidget(GridCell(i, col));
        if (widget && GridCell(i, col + 1) != "-") width = std::max(width, widget->width);
    }
    return width;
}

int EvaLayoutCore::AutoHeight(int row) const {
    int height = 0;
    for (int j = 0; j < nCols_; ++j) {
        const EvaWidget* widget = FindWidget(GridCell(row, j));
        if (widget && GridCell(row + 1, j) != "+") height = std::max(height, widget->height);
    }
    return height;
}

void EvaLayoutCore::ParseTracks(EvaTracks& tracks, int count, int margin, int gap, bool columns) {
    tracks.Clear();
    tracks.fixed = margin;
    for (int k = 0; k < count; ++k) {
        const int g = k == 0 ? 0 : gap;
        const std::string& sizeText = columns ? sheet_.Cell(1, k + 1) : sheet_.Cell(k + 2, 0);
        int size = 0;
        if (sizeText == "X") {
            tracks.expandable.push_back(k);
        } else if (sizeText == "A" || sizeText.empty()) {
            size = columns ? AutoWidth(k) : AutoHeight(k);
        } else {
            size = EvaIntValue(sizeText);
        }
        tracks.size.push_back(size);
        tracks.start.push_back(tracks.fixed + g);
        tracks.shift.push_back(0);
        tracks.fixed += size + g;
    }
    tracks.fixed += margin;
}

void EvaLayoutCore::PlaceWidgets() {
    for (int j = 0; j < nCols_; ++j) {
        for (int i = 0; i < nRows_; ++i) {
            int index = FindWidgetIndex(GridCell(i, j));
            if (index < 0) continue;
            EvaWidget& widget = widgets_[index];
            widget.col = widget.colEnd = j;
            widget.row = widget.rowEnd = i;
            while (widget.colEnd + 1 < nCols_ && GridCell(i, widget.colEnd + 1) == "-") {
                ++widget.colEnd;
            }
            while (widget.rowEnd + 1 < nRows_ && GridCell(widget.rowEnd + 1, j) == "+") {
                ++widget.rowEnd;
            }
            widget.placed = true;
        }
    }
}

void EvaLayoutCore::Parse() {
    marginX_ = NonNegative(EvaIntValue(sheet_.Cell(0, 1)));
    marginY_ = NonNegative(EvaIntValue(sheet_.Cell(0, 2)));
    gapX_ = NonNegative(EvaIntValue(sheet_.Cell(0, 3)));
    gapY_ = NonNegative(EvaIntValue(sheet_.Cell(0, 4)));
    for (EvaWidget& widget : widgets_) widget.placed = false;

    nRows_ = NonNegative(sheet_.RowCount() - 2);
    nCols_ = sheet_.RowCount() < 2 ? 0 : NonNegative(sheet_.CellCount(1) - 1);
    ParseTracks(rows_, nRows_, marginY_, gapY_, false);
    ParseTracks(cols_, nCols_, marginX_, gapX_, true);
    PlaceWidgets();
    parsed_ = true;
}

std::vector<EvaPlacement> EvaLayoutCore::Resize(int width, int height) {
    if (!parsed_) Parse();
    cols_.Expand(width);
    rows_.Expand(height);

    std::vector<EvaPlacement> placements(widgets_.size());
    for (size_t k = 0; k < widgets_.size(); ++k) {
        const EvaWidget& widget = widgets_[k];
        EvaPlacement& placement = placements[k];
        placement.placed = widget.placed;
        if (!widget.placed) continue;
        EvaRect& rect = placement.rect;
        rect.x = cols_.start[widget.col] + cols_.shift[widget.col];
        rect.y = rows_.start[widget.row] + rows_.shift[widget.row];
        rect.width = cols_.Span(widget.col, widget.colEnd, gapX_);
        rect.height = rows_.Span(widget.row, widget.rowEnd, gapY_);
        placement.move = rect.x >= 0 && rect.y >= 0 && rect.width >= 0 && rect.height >= 0;
    }
    return placements;
}

}  // namespace brivo
