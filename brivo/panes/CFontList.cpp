#include "panes/CFontList.h"

#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "widgets/PaneMessage.h"

namespace brivo {

namespace {

constexpr QRgb kInk = qRgb(0, 0, 0);
constexpr QRgb kPaper = qRgb(255, 255, 255);
constexpr QRgb kSelectedInk = qRgb(176, 176, 176);
constexpr QRgb kSelectedPaper = qRgb(112, 112, 112);
constexpr QRgb kCellFrame = qRgb(128, 128, 128);
constexpr QRgb kSelectedFrame = qRgb(255, 0, 0);
constexpr QRgb kLabelFrame = qRgb(160, 160, 160);

// Fills the glyph image of one cell straight into the pixel rows of `image`: each glyph
// pixel becomes a scale x scale square. Parts beyond the image are clipped.
void DrawGlyphPixels(QImage& image, const CGlyphBitmapView& bitmap, int scale, int left, int top,
                     QRgb ink, QRgb paper) {
    const int width = bitmap.Width();
    const int x0 = std::max(left, 0);
    const int x1 = std::min(left + scale * width, image.width());
    if (x1 <= x0) return;
    std::vector<QRgb> row(static_cast<size_t>(scale) * width);
    for (int y = 0; y < bitmap.Height(); ++y) {
        QRgb* out = row.data();
        for (int x = 0; x < width; ++x) {
            const QRgb colour = bitmap.Pixel(x, y) ? ink : paper;
            for (int k = 0; k < scale; ++k) *out++ = colour;
        }
        const int y0 = std::max(top + scale * y, 0);
        const int y1 = std::min(top + scale * (y + 1), image.height());
        for (int py = y0; py < y1; ++py)
            std::memcpy(reinterpret_cast<QRgb*>(image.scanLine(py)) + x0, row.data() + (x0 - left),
                        static_cast<size_t>(x1 - x0) * sizeof(QRgb));
    }
}

// A frame round `rect` (right and bottom edges included), `penWidth` pixels thick towards
// the inside, written straight into the pixels; parts beyond the image are clipped.
void DrawFrame(QImage& image, const QRect& rect, QRgb colour, int penWidth) {
    if (rect.isEmpty()) return;
    const QRect bounds = image.rect();
    auto fill = [&](QRect part) {
        part &= bounds;
        for (int y = part.top(); y <= part.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + part.left(), part.width(),
                        colour);
    };
    for (int i = 0; i < penWidth; ++i) {
        const QRect r = rect.adjusted(i, i, -i, -i);
        if (r.isEmpty()) return;
        fill(QRect(r.left(), r.top(), r.width(), 1));
        fill(QRect(r.left(), r.bottom(), r.width(), 1));
        fill(QRect(r.left(), r.top(), 1, r.height()));
        fill(QRect(r.right(), r.top(), 1, r.height()));
    }
}

}  // namespace

CFontList::CFontList(const CGlyphSet& glyphSet, QWidget* parent)
    : QWidget(parent), glyphSet(glyphSet), bar(new QScrollBar(Qt::Vertical, this)) {
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
    const QSize client = ClientSize();
    const auto at = [&](int shownScale, bool withLabels) {
        Geometry g;
        g.scale = shownScale;
        g.labels = withLabels;
        g.cw = shownScale * glyphSet.width + gapX;
        g.ch = shownScale * glyphSet.height + gapY + (withLabels ? labelHeight : 0);
        // A pitch of zero or less (a nonsensical glyph size) shows nothing and hits nothing.
        if (g.cw <= 0 || g.ch <= 0) return Geometry{};
        g.columns = client.width() / g.cw;
        g.fullRows = client.height() / g.ch;
        return g;
    };
    // The largest magnification at which one whole cell fits, with its label where one fits
    // at all; a glyph larger than the grid even so is drawn at one pixel, cut at the edges.
    for (const bool withLabels : {true, false})
        for (int s = std::max(scale, 1); s >= 1; --s)
            if (const Geometry g = at(s, withLabels); g.columns >= 1 && g.fullRows >= 1) return g;
    Geometry g = at(1, false);
    if (g.cw > 0 && !client.isEmpty()) g.columns = std::max(g.columns, 1);
    return g;
}

void CFontList::ShowArrived(const CGlyph* glyph) {
    arrived.push_back(glyph);
    update();
}

void CFontList::ForgetArrived() { arrived.clear(); }

int CFontList::ShownCount() const {
    return busy ? static_cast<int>(arrived.size()) : glyphSet.Count();
}

const CGlyph* CFontList::ShownGlyph(int position) const {
    return busy ? arrived[position] : glyphSet.GlyphAt(position);
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
    if (i >= glyphSet.Count()) return -1;
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

void CFontList::UpdateScrollRange(const Geometry& g) {
    SetScrollRange(ShownCount() / g.columns + 1, g.fullRows + 1);
}

void CFontList::MoveSelection(int position) {
    // The worker is filling the list: it must not be read now.
    if (busy) return;
    const Geometry g = CellGeometry();
    const int count = glyphSet.Count();
    if (count == 0) return;
    selectedIndex = std::clamp(position, 0, count - 1);
    if (g.columns > 0) {
        UpdateScrollRange(g);
        const int row = selectedIndex / g.columns;
        const int rowsShown = std::max(g.fullRows, 1);
        if (row < ScrollPos())
            SetScrollPos(row);
        else if (row >= ScrollPos() + rowsShown)
            SetScrollPos(row - rowsShown + 1);
        firstVisible = ScrollPos() * g.columns;
    }
    if (parentWidget()) SendPaneMessage(parentWidget(), WM_FONTLIST_SELECT, selectedIndex, 0);
    update();
}

void CFontList::keyPressEvent(QKeyEvent* event) {
    const Geometry g = CellGeometry();
    const int columns = std::max(g.columns, 1);
    const int count = ShownCount();
    const int at = selectedIndex;
    // Up and down keep the column and go as many rows as there are (none past the ends);
    // with nothing selected yet, any move starts at the first glyph.
    const auto rows = [&](int by) {
        if (at < 0) return 0;
        by = by > 0 ? std::min(by, (count - 1 - at) / columns) : std::max(by, -(at / columns));
        return at + by * columns;
    };
    const auto step = [at](int by) { return at < 0 ? 0 : at + by; };
    switch (event->key()) {
        case Qt::Key_Left:
            return MoveSelection(step(-1));
        case Qt::Key_Right:
            return MoveSelection(step(1));
        case Qt::Key_Up:
            return MoveSelection(rows(-1));
        case Qt::Key_Down:
            return MoveSelection(rows(1));
        case Qt::Key_PageUp:
            return MoveSelection(rows(-std::max(g.fullRows, 1)));
        case Qt::Key_PageDown:
            return MoveSelection(rows(std::max(g.fullRows, 1)));
        case Qt::Key_Home:
            return MoveSelection(0);
        case Qt::Key_End:
            return MoveSelection(count - 1);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (at >= 0 && !busy) emit OpenRequested(at);
            return;
        case Qt::Key_Delete:
            if (at >= 0 && !busy) emit RemoveRequested(at);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool CFontList::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    // A label shown shortened, or not at all, is told whole in a tooltip.
    const QPoint point = static_cast<QHelpEvent*>(event)->pos();
    const int i = HitTest(point.x(), point.y(), false);
    const CGlyph* glyph = std::as_const(glyphSet).GlyphAt(i);
    if (glyph != nullptr && (!ShowsLabels() || ShownLabel(*glyph) != LabelText(*glyph)))
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), LabelText(*glyph), this);
    else
        QToolTip::hideText();
    return true;
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
    // The set's size and range are the run's once its first glyph has arrived.
    if (!busy || !arrived.empty()) DrawCells(canvas);
    return canvas;
}

void CFontList::paintEvent(QPaintEvent*) {
    RenderImage();
    QPainter painter(this);
    painter.drawImage(0, 0, canvas);
    // The keyboard's place: the grid framed in the highlight colour.
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(QRect(QPoint(0, 0), canvas.size())).adjusted(1, 1, -1, -1));
    }
}

QString CFontList::LabelText(const CGlyph& glyph) const {
    return QString::fromStdString(Cp949ToUtf8(glyph.GetLabel(glyphSet.LabelRange())));
}

int CFontList::LabelRoom() const { return LabelRoom(ShownScale()); }

int CFontList::LabelRoom(int shownScale) const { return shownScale * glyphSet.width - 2; }

QString CFontList::ShownLabel(const CGlyph& glyph) const {
    LaidOutLabel unused;
    return Shorten(LabelText(glyph), unused);
}

QString CFontList::Shorten(const QString& full, LaidOutLabel& laid) const {
    // A label wider than its strip keeps its end, the code, and shows the rest as "…".
    // Measured as the label is drawn, from the fonts' character maps: the toolkit's text
    // layout would cost a page of new labels more than painting it. `laid` ends with the
    // layout of the text returned, or empty where the character maps could not give one.
    const int room = std::max(LabelRoom(), 0);
    const auto fits = [&](const QString& text) -> std::optional<bool> {
        laid = LaidOutLabel();
        if (!labelFontsLoaded || labelsFont != labelFont || !LayOutFromCharacterMaps(text, laid))
            return std::nullopt;
        return laid.size.width() <= room;
    };
    const auto byTextLayout = [&] {
        laid = LaidOutLabel();
        return QFontMetrics(labelFont).elidedText(full, Qt::ElideLeft, room);
    };
    const std::optional<bool> whole = fits(full);
    if (!whole) return byTextLayout();
    if (*whole) return full;
    for (qsizetype cut = 1; cut < full.size(); ++cut) {
        const QString shown = QChar(0x2026) + full.mid(cut);
        const std::optional<bool> shownFits = fits(shown);
        if (!shownFits) return byTextLayout();
        if (*shownFits) return shown;
    }
    laid = LaidOutLabel();
    return QString();
}

const CFontList::LaidOutLabel& CFontList::Label(const CGlyph& glyph, int range) {
    const uint64_t key = range == RANGE_CUSTOM
                             ? (uint64_t(RANGE_CUSTOM) << 32) | uint32_t(glyph.index)
                             : (uint64_t(range) << 32) | glyph.code;
    auto found = labels.find(key);
    if (found != labels.end()) return found->second;
    LaidOutLabel label;
    const QString text = Shorten(LabelText(glyph), label);
    if (label.runs.empty()) {
        label.text.setText(text);
        label.text.setTextFormat(Qt::PlainText);
        label.text.prepare(QTransform(), labelFont);
        label.size = label.text.size();
    }
    return labels.emplace(key, std::move(label)).first->second;
}

bool CFontList::LayOutFromCharacterMaps(const QString& text, LaidOutLabel& label) const {
    // Runs of characters from the same font, each character's glyph by its character map and
    // advance: no shaping, which labels (a character and its code) do not need. The fonts are
    // chosen as Qt's text layout would.
    qreal x = 0, descent = 0;
    for (qsizetype start = 0; start < text.size();) {
        const QRawFont* font = nullptr;
        qsizetype end = start;
        for (; end < text.size(); ++end) {
            const QChar c = text[end];
            if (c.isSurrogate()) return false;
            // Digits and punctuation stay in the font of the run they follow, as Qt's text
            // layout keeps them in the script before them.
            const bool common =
                c.script() == QChar::Script_Common || c.script() == QChar::Script_Inherited;
            const QRawFont* own = nullptr;
            if (font != nullptr && common && font->supportsCharacter(c)) {
                own = font;
            } else if (labelRaw.supportsCharacter(c)) {
                own = &labelRaw;
            } else if (labelRawKorean.supportsCharacter(c)) {
                own = &labelRawKorean;
            } else {
                return false;
            }
            if (font != nullptr && own != font) break;
            font = own;
        }
        const QList<quint32> indexes = font->glyphIndexesForString(text.mid(start, end - start));
        const QList<QPointF> advances = font->advancesForGlyphIndexes(indexes);
        QList<QPointF> positions;
        positions.reserve(indexes.size());
        for (const QPointF& advance : advances) {
            positions.append(QPointF(x, 0));
            x += advance.x();
        }
        QGlyphRun run;
        run.setRawFont(*font);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        label.runs.push_back(std::move(run));
        label.ascent = std::max(label.ascent, font->ascent());
        descent = std::max(descent, font->descent());
        start = end;
    }
    label.size = QSizeF(x, label.ascent + descent);
    return !label.runs.empty();
}

void CFontList::DrawLabel(QPainter& painter, const QRect& strip, const LaidOutLabel& label) {
    const QPointF at(strip.left() + (strip.width() - label.size.width()) / 2,
                     strip.top() + (strip.height() - label.size.height()) / 2);
    // A label wider than its strip is cut at the strip's edges.
    const bool clip = label.size.width() > strip.width();
    if (clip) painter.setClipRect(strip);
    if (label.runs.empty()) painter.drawStaticText(at, label.text);
    for (const QGlyphRun& run : label.runs)
        painter.drawGlyphRun(at + QPointF(0, label.ascent), run);
    if (clip) painter.setClipping(false);
}

void CFontList::DrawCells(QImage& image) {
    const Geometry g = CellGeometry();
    if (g.columns <= 0) return;
    const int count = ShownCount();
    const int drawnRows = g.fullRows + 1;
    UpdateScrollRange(g);
    firstVisible = ScrollPos() * g.columns;

    if (!labelFontsLoaded || labelsFont != labelFont || labelsRoom != LabelRoom(g.scale)) {
        labels.clear();
        labelsFont = labelFont;
        labelsRoom = LabelRoom(g.scale);
        labelFontsLoaded = true;
        labelRaw = QRawFont::fromFont(labelFont);
        labelRawKorean = QRawFont::fromFont(labelFont, QFontDatabase::Korean);
    }
    QPainter painter(&image);
    painter.setFont(labelFont);
    painter.setPen(Qt::black);
    for (int r = 0; r < drawnRows; ++r) {
        for (int c = 0; c < g.columns; ++c) {
            const int i = firstVisible + r * g.columns + c;
            if (i >= count) return;
            const CGlyph* glyph = ShownGlyph(i);
            if (glyph == nullptr) continue;
            const bool selected = i == selectedIndex;
            const QRect cell(c * g.cw, r * g.ch, g.cw - gapX, g.ch - gapY);
            if (glyph->bits != nullptr)
                DrawGlyphPixels(
                    image, CGlyphBitmapView(glyph->bits.get(), glyphSet.width, glyphSet.height),
                    g.scale, cell.left(), cell.top(), selected ? kSelectedInk : kInk,
                    selected ? kSelectedPaper : kPaper);
            if (g.labels) {
                // The label strip lies on the white canvas below the glyph image: already white.
                QRect strip(cell.left(), cell.bottom() + 1 - labelHeight, cell.width(),
                            labelHeight);
                strip.adjust(0, 1, 0, -1);
                DrawLabel(painter, strip, Label(*glyph, glyphSet.LabelRange()));
                DrawFrame(image, strip.adjusted(0, 0, 1, 0), kLabelFrame, 1);
            }
            DrawFrame(image, cell.adjusted(0, 0, 1, 1), selected ? kSelectedFrame : kCellFrame,
                      selected ? 2 : 1);
        }
    }
}

}  // namespace brivo
