#include "CFontList.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

#include "PaneMessage.h"
#include "fontfile/Cp949.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {

constexpr QRgb kInk = qRgb(0, 0, 0);
constexpr QRgb kPaper = qRgb(255, 255, 255);
constexpr QRgb kSelectedInk = qRgb(176, 176, 176);
constexpr QRgb kSelectedPaper = qRgb(112, 112, 112);
const QColor kCellFrame(128, 128, 128);
const QColor kSelectedFrame(255, 0, 0);
const QColor kLabelFrame(160, 160, 160);

// Fills the glyph image of one cell straight into the pixel rows of `image`: each glyph
// pixel becomes a scale x scale square. Parts beyond the image are clipped.
void DrawGlyphPixels(QImage& image, const uint8_t* bits, int width, int height, int scale, int left,
                     int top, QRgb ink, QRgb paper) {
    const int bytesPerRow = BytesPerRow(width);
    const int x0 = std::max(left, 0);
    const int x1 = std::min(left + scale * width, image.width());
    if (x1 <= x0) return;
    std::vector<QRgb> row(x1 - x0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* line = bits + y * bytesPerRow;
        for (int px = x0; px < x1; ++px) {
            const int x = (px - left) / scale;
            row[px - x0] = (line[x >> 3] & (0x80 >> (x & 7))) ? ink : paper;
        }
        const int y0 = std::max(top + scale * y, 0);
        const int y1 = std::min(top + scale * (y + 1), image.height());
        for (int py = y0; py < y1; ++py)
            std::memcpy(reinterpret_cast<QRgb*>(image.scanLine(py)) + x0, row.data(),
                        row.size() * sizeof(QRgb));
    }
}

// A frame drawn as the lines top, right, bottom, left round the rectangle; its right and
// bottom edges are the last pixels covered.
void DrawFrame(QPainter& painter, const QRect& rect, const QColor& colour, int penWidth) {
    if (rect.isEmpty()) return;
    painter.setPen(QPen(colour, penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

}  // namespace

CFontList::CFontList(QWidget* parent) : QWidget(parent), bar(new QScrollBar(Qt::Vertical, this)) {
    setProperty("controlId", kControlId);
    setObjectName("fontlist");
    setAttribute(Qt::WA_OpaquePaintEvent);  // the paint covers everything; nothing to erase
    setFocusPolicy(Qt::StrongFocus);
    labelFont = QFont("Tahoma");
    labelFont.setPixelSize(10);
    bar->setSingleStep(1);
    connect(bar, &QScrollBar::valueChanged, this, [this] { update(); });
    ResetScroll();
}

void CFontList::ResetScroll() {
    SetScrollRange(0, 1);
    SetScrollPos(0);
}

QSize CFontList::ClientSize() const {
    return QSize(std::max(0, width() - bar->sizeHint().width()), height());
}

int CFontList::ScrollPos() const { return bar->value(); }

void CFontList::SetScrollRange(int maximum, int page) {
    scrollMax = maximum;
    scrollPage = std::max(page, 1);
    QSignalBlocker block(bar);
    bar->setRange(0, std::max(0, scrollMax - scrollPage + 1));
    bar->setPageStep(scrollPage);
    bar->setEnabled(bar->maximum() > 0);
}

void CFontList::SetScrollPos(int position) { bar->setValue(position); }

void CFontList::resizeEvent(QResizeEvent*) {
    const QSize client = ClientSize();
    bar->setGeometry(client.width(), 0, width() - client.width(), height());
}

CFontList::Geometry CFontList::CellGeometry() const {
    const CGlyphSet& set = *CGlyphSet::GetInstance();
    Geometry g;
    g.cw = scale * set.width + gapX;
    g.ch = scale * set.height + gapY + labelHeight;
    // A pitch of zero or less (a nonsensical glyph size) shows nothing and hits nothing.
    if (g.cw <= 0 || g.ch <= 0) return Geometry{};
    const QSize client = ClientSize();
    g.columns = client.width() / g.cw;
    g.fullRows = client.height() / g.ch;
    return g;
}

int CFontList::VisibleCount() const {
    const Geometry g = CellGeometry();
    return g.fullRows * g.columns;
}

int CFontList::HitTest(int x, int y, bool scrollIfPartial) {
    // The worker is filling the list: it must not be read now.
    if (busy) return -1;
    const Geometry g = CellGeometry();
    if (g.columns < 1 || x < 0 || y < 0) return -1;
    const int column = x / g.cw;
    if (column >= g.columns) return -1;
    const int row = y / g.ch;
    const int i = row * g.columns + firstVisible + column;
    if (i >= CGlyphSet::GetInstance()->Count()) return -1;
    if (row < g.fullRows || !scrollIfPartial) return i;
    SetScrollPos(ScrollPos() + 1);
    return i;
}

void CFontList::EnsureVisible() {
    const Geometry g = CellGeometry();
    if (selectedIndex < 0 || g.columns <= 0) return;
    if (firstVisible <= selectedIndex && selectedIndex < firstVisible + g.fullRows * g.columns)
        return;
    SetScrollPos(selectedIndex / g.columns);
    firstVisible = ScrollPos() * g.columns;
}

void CFontList::OnMouseWheel(int delta) {
    const int notches = std::abs(delta / 120);
    int position = ScrollPos() + (delta < 0 ? notches : -notches) * scrollPage;
    position = std::clamp(position, 0, scrollMax);
    SetScrollPos(position);
    update();
}

void CFontList::wheelEvent(QWheelEvent* event) {
    OnMouseWheel(event->angleDelta().y());
    event->accept();
}

void CFontList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint point = event->position().toPoint();
    selectedIndex = HitTest(point.x(), point.y(), true);
    if (parentWidget()) SendPaneMessage(parentWidget(), WM_FONTLIST_SELECT, selectedIndex, 0);
    update();
}

QImage CFontList::RenderImage() {
    const QSize client = ClientSize();
    if (canvas.size() != client) canvas = QImage(client, QImage::Format_RGB32);
    canvas.fill(kPaper);
    if (!busy) DrawCells(canvas);
    return canvas;
}

void CFontList::paintEvent(QPaintEvent*) {
    RenderImage();
    QPainter painter(this);
    painter.drawImage(0, 0, canvas);
}

void CFontList::DrawCells(QImage& image) {
    const Geometry g = CellGeometry();
    if (g.columns <= 0) return;
    const CGlyphSet& set = *CGlyphSet::GetInstance();
    const int count = set.Count();
    const int drawnRows = g.fullRows + 1;
    SetScrollRange(count / g.columns + 1, drawnRows);
    firstVisible = ScrollPos() * g.columns;

    QPainter painter(&image);
    painter.setFont(labelFont);
    for (int r = 0; r < drawnRows; ++r) {
        for (int c = 0; c < g.columns; ++c) {
            const int i = firstVisible + r * g.columns + c;
            if (i >= count) return;
            const CGlyph* glyph = set.glyphs[i];
            if (glyph == nullptr) continue;
            const bool selected = i == selectedIndex;
            const QRect cell(c * g.cw, r * g.ch, g.cw - gapX, g.ch - gapY);
            if (glyph->bits != nullptr)
                DrawGlyphPixels(image, glyph->bits, set.width, set.height, scale, cell.left(),
                                cell.top(), selected ? kSelectedInk : kInk,
                                selected ? kSelectedPaper : kPaper);
            QRect strip(cell.left(), cell.bottom() + 1 - labelHeight, cell.width(), labelHeight);
            painter.fillRect(strip, Qt::white);
            strip.adjust(0, 1, 0, -1);
            painter.setPen(Qt::black);
            painter.drawText(strip, Qt::AlignCenter | Qt::TextSingleLine,
                             QString::fromStdString(Cp949ToUtf8(glyph->GetLabel(set.range))));
            DrawFrame(painter, strip, kLabelFrame, 1);
            if (selected)
                DrawFrame(painter, cell.adjusted(0, 0, 1, 1), kSelectedFrame, 2);
            else
                DrawFrame(painter, cell.adjusted(0, 0, 1, 1), kCellFrame, 1);
        }
    }
}

}  // namespace brivo
