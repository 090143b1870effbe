#include "widgets/CPaneSplitter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVariant>
#include <algorithm>

#include "widgets/BrivoProfile.h"

namespace brivo {
namespace {

constexpr char kOwnerProperty[] = "brivoOwner";

QString VerticalGroup(int id) { return QStringLiteral("splt/init_v%1").arg(id); }
QString HorizontalGroup(int id) { return QStringLiteral("splt/init_h%1").arg(id); }

int ReadProfileInt(const QString& group, const QString& key, int fallback) {
    auto profile = OpenBrivoProfile();
    bool ok = false;
    int value = profile->value(group + '/' + key).toInt(&ok);
    return ok ? value : fallback;
}

void WriteProfilePair(const QString& group, const QString& key, int value, int part, int other) {
    auto profile = OpenBrivoProfile();
    profile->beginGroup(group);
    profile->setValue(key, value);
    // A pane squeezed out of a too small splitter counts as 0 wide.
    const double total = double(part) + std::max(other, 0);
    profile->setValue(key + QStringLiteral("Percent"), int(100.0 * part / total));
}

}  // namespace

// The drag feedback: a thin strip that shows the splitter's content beneath it XOR-ed with the
// button face colour, so it stands out on any background and looks like an inverted bar.
class CSplitterBand : public QWidget {
public:
    explicit CSplitterBand(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }
    void ShowInverted(QWidget* under, const QRect& rect) {
        hide();
        QImage image = under->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb face = palette().color(QPalette::Button).rgb() & 0xFFFFFF;
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) line[x] ^= face;
        }
        inverted = image;
        setGeometry(rect);
        show();
        raise();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, inverted);
    }

private:
    QImage inverted;
};

CPaneSplitter::CPaneSplitter(QWidget* parent) : QFrame(parent) { setMouseTracking(true); }

CPaneSplitter::~CPaneSplitter() { WriteProfile(); }

bool CPaneSplitter::Create(unsigned style, QWidget* parent, QWidget* firstPane, QWidget* secondPane,
                           int id, const QRect& rect, int minFirst, int minSecond) {
    this->id = id;
    setProperty("controlId", id);
    if (parent != parentWidget()) setParent(parent);
    if (style & SPLIT_BORDER) setFrameStyle(QFrame::Box | QFrame::Plain);
    setGeometry(rect);
    for (QWidget* pane : {firstPane, secondPane}) {
        if (!pane) continue;
        pane->setParent(this);
        pane->setProperty(kOwnerProperty, QVariant::fromValue<QObject*>(parent));
        // A pane shown in a scroll area reports to the same window.
        if (auto* scroller = qobject_cast<QScrollArea*>(pane); scroller && scroller->widget())
            scroller->widget()->setProperty(kOwnerProperty, QVariant::fromValue<QObject*>(parent));
        pane->show();
    }
    minLeft = minTop = minFirst;
    minRight = minBottom = minSecond;
    if (style & SPLIT_VERTICAL) {
        left = firstPane;
        right = secondPane;
        InitVertical(minFirst, minSecond);
    }
    if (style & SPLIT_HORIZONTAL) {
        top = firstPane;
        bottom = secondPane;
        InitHorizontal(minFirst, minSecond);
    }
    if (style & SPLIT_VISIBLE) show();
    return true;
}

QWidget* CPaneSplitter::OwnerOf(const QWidget* pane) {
    if (!pane) return nullptr;
    if (auto* owner = qobject_cast<QWidget*>(pane->property(kOwnerProperty).value<QObject*>())) {
        return owner;
    }
    return pane->parentWidget();
}

QWidget* CPaneSplitter::FeedbackBand() const { return band && !band->isHidden() ? band : nullptr; }

void CPaneSplitter::InitVertical(int minFirst, int minSecond) {
    vertical = true;
    horizontal = false;
    minLeft = minFirst;
    minRight = minSecond;
    const int p = ReadProfileInt(VerticalGroup(id), QStringLiteral("VertSplitPos"),
                                 defaultPosition > 0 ? defaultPosition : 2 * minLeft);
    leftRect = {0, 0, p, contentsRect().height()};
    if (leftOnly || rightOnly) {
        FillWith(leftOnly ? left : right, leftOnly ? right : left);
        return;
    }
    PlaceVBar(p + int(barWidth / 2));
    leftWidth = leftRect.Width();
}

void CPaneSplitter::InitHorizontal(int minFirst, int minSecond) {
    vertical = false;
    horizontal = true;
    minTop = minFirst;
    minBottom = minSecond;
    bottomHeight = ReadProfileInt(HorizontalGroup(id), QStringLiteral("HorizSplitPos"),
                                  defaultPosition > 0 ? defaultPosition : 2 * minBottom);
    if (topOnly) {
        FillWith(top, bottom);
        return;
    }
    PlaceHBar(contentsRect().height() - int(barWidth / 2) - bottomHeight);
}

void CPaneSplitter::PlaceVBar(int x) {
    const int w = contentsRect().width(), h = contentsRect().height();
    const int bar = int(barWidth);
    const QPoint origin = contentsRect().topLeft();
    vBarRect = {x - bar, 0, x + bar, h};
    leftRect = {0, 0, x - bar / 2, h};
    rightRect = {leftRect.right + bar, 0, w, h};
    if (left) left->setGeometry(origin.x(), origin.y(), leftRect.Width(), h);
    if (right) right->setGeometry(origin.x() + rightRect.left, origin.y(), rightRect.Width(), h);
}

void CPaneSplitter::PlaceHBar(int y) {
    const int w = contentsRect().width(), h = contentsRect().height();
    const int bar = int(barWidth);
    const QPoint origin = contentsRect().topLeft();
    hBarRect = {0, y - bar, w, y + bar};
    bottomRect = {0, y + bar / 2, w, h};
    topRect = {0, 0, w, bottomRect.top - bar};
    if (bottom)
        bottom->setGeometry(origin.x(), origin.y() + bottomRect.top, w, bottomRect.Height());
    if (top) top->setGeometry(origin.x(), origin.y(), w, topRect.Height());
}

// When the splitter is too small for both minima, the left (top) one wins.
int CPaneSplitter::ClampX(int x) const {
    x = std::min(x, contentsRect().width() - minRight);
    return std::max(x, minLeft);
}

int CPaneSplitter::ClampY(int y) const {
    y = std::min(y, contentsRect().height() - minBottom);
    return std::max(y, minTop);
}

void CPaneSplitter::FillWith(QWidget* pane, QWidget* hidden) {
    if (hidden) hidden->hide();
    if (!pane) return;
    pane->setGeometry(contentsRect());
    pane->show();
}

void CPaneSplitter::SetLeftOnly(bool on) { SetAlone(leftOnly, on); }
void CPaneSplitter::SetRightOnly(bool on) { SetAlone(rightOnly, on); }
void CPaneSplitter::SetTopOnly(bool on) { SetAlone(topOnly, on); }

void CPaneSplitter::SetAlone(bool& flag, bool on) {
    flag = on;
    for (QWidget* pane : {left.data(), right.data(), top.data(), bottom.data()}) {
        if (pane) pane->show();
    }
    resizeEvent(nullptr);  // hides the pane that is left out
}

void CPaneSplitter::resizeEvent(QResizeEvent* event) {
    if (event) QFrame::resizeEvent(event);
    if (vertical) {
        if (leftOnly || rightOnly) {
            FillWith(leftOnly ? left : right, leftOnly ? right : left);
            return;
        }
        PlaceVBar(ClampX(leftWidth + int(barWidth / 2)));
    } else if (horizontal) {
        if (topOnly) {
            FillWith(top, bottom);
            return;
        }
        PlaceHBar(ClampY(contentsRect().height() - int(barWidth / 2) - bottomHeight));
    }
}

void CPaneSplitter::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint() - contentsRect().topLeft();
    const bool onVBar = vertical && !leftOnly && !rightOnly && vBarRect.Contains(p.x(), p.y());
    const bool onHBar = horizontal && !topOnly && hBarRect.Contains(p.x(), p.y());
    if (!onVBar && !onHBar) return;
    const int bar = int(barWidth);
    trackShift = 0;
    if (onVBar) {
        trackStart = vBarRect.left + bar;
        vLastX = p.x();
        vDragging = vButtonDown = true;
    } else {
        trackStart = hBarRect.top + bar / 2;
        hLastY = p.y();
        hDragging = hButtonDown = true;
    }
    if (!liveDrag) DrawBand();
    prevFocus = QApplication::focusWidget();
    setFocus(Qt::MouseFocusReason);
    setCursor(onVBar ? Qt::SplitHCursor : Qt::SplitVCursor);
}

void CPaneSplitter::mouseMoveEvent(QMouseEvent* event) {
    QFrame::mouseMoveEvent(event);
    const QPoint p = event->position().toPoint() - contentsRect().topLeft();
    if (vertical && vBarRect.Contains(p.x(), p.y())) setCursor(Qt::SplitHCursor);
    if (horizontal && hBarRect.Contains(p.x(), p.y())) setCursor(Qt::SplitVCursor);
    if (!IsDragging()) return;
    const int pos = ClampedDragPos(p);
    if (liveDrag) {
        MoveBarTo(pos);
        return;
    }
    int& last = vDragging ? vLastX : hLastY;
    trackShift += pos - last;
    last = pos;
    DrawBand();
}

void CPaneSplitter::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (!(vDragging && vButtonDown) && !(hDragging && hButtonDown)) return;
    MoveBarTo(ClampedDragPos(event->position().toPoint() - contentsRect().topLeft()));
    EndDrag();
}

int CPaneSplitter::ClampedDragPos(QPoint p) const {
    return vDragging ? ClampX(p.x()) : ClampY(p.y());
}

// Places the dragged bar and keeps the pane size it gives as the preferred one.
void CPaneSplitter::MoveBarTo(int pos) {
    if (vDragging) {
        PlaceVBar(pos);
        leftWidth = leftRect.Width();
    } else {
        PlaceHBar(pos);
        bottomHeight = bottomRect.Height();
    }
}

void CPaneSplitter::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || !IsDragging()) {
        QFrame::keyPressEvent(event);
        return;
    }
    EndDrag();
    if (prevFocus) prevFocus->setFocus(Qt::OtherFocusReason);
}

void CPaneSplitter::EndDrag() {
    if (band) band->hide();
    vDragging = vButtonDown = hDragging = hButtonDown = false;
    unsetCursor();
}

void CPaneSplitter::DrawBand() {
    if (!band) band = new CSplitterBand(this);
    const QPoint origin = contentsRect().topLeft();
    const int bar = int(barWidth);
    const int at = trackStart + trackShift;
    const QRect rect = vDragging ? QRect(origin.x() + at, origin.y(), bar, contentsRect().height())
                                 : QRect(origin.x(), origin.y() + at, contentsRect().width(), bar);
    band->ShowInverted(this, rect);
}

void CPaneSplitter::WriteProfile() const {
    if (!leftRect.IsEmpty()) {
        WriteProfilePair(VerticalGroup(id), QStringLiteral("VertSplitPos"), leftRect.right,
                         leftRect.Width(), rightRect.Width());
    }
    if (!bottomRect.IsEmpty()) {
        WriteProfilePair(HorizontalGroup(id), QStringLiteral("HorizSplitPos"), bottomRect.Height(),
                         bottomRect.Height(), topRect.Height());
    }
}

}  // namespace brivo
