#include "panes/CTextSample.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollArea>
#include <QStyle>
#include <algorithm>
#include <vector>

#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"
#include "glyph/TextLine.h"

namespace brivo {

namespace {

// A line longer than this many pixels is not drawn.
constexpr int64_t kMaxPixels = int64_t{1} << 24;

// "'가' (U+AC00)".
QString Named(char32_t character) {
    const QString number = QStringLiteral("U+%1").arg(uint(character), 4, 16, QChar('0')).toUpper();
    return character >= 0x20 && character != 0x7F
               ? QStringLiteral("'%1' (%2)").arg(QString::fromUcs4(&character, 1), number)
               : QStringLiteral("(%1)").arg(number);
}

}  // namespace

CTextSample::CTextSample(const CGlyphSet& glyphSet, QWidget* parent)
    : QWidget(parent), glyphSet(glyphSet) {
    setObjectName("textSample");
    text = new QLineEdit(this);
    text->setProperty("controlId", kTextId);
    text->setMaxLength(kMaxCharacters);
    text->setPlaceholderText(QStringLiteral("견본 글 (예: 안녕하세요 Hello)"));
    proportional = new QCheckBox("Proportional", this);
    proportional->setProperty("controlId", kProportionalId);
    proportional->setToolTip(QStringLiteral("글자마다 폰트의 폭으로 (폭을 아는 글자 모음만)"));
    pictureLabel = new QLabel;
    pictureLabel->setProperty("controlId", kPictureId);
    pictureLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    scroller = new QScrollArea(this);
    scroller->setWidget(pictureLabel);
    scroller->setWidgetResizable(false);
    scroller->setBackgroundRole(QPalette::Base);
    scroller->setFocusPolicy(Qt::NoFocus);  // a picture: Tab goes on to the next control
    scroller->setFixedHeight(kLineHeight + 4 + 2 * scroller->frameWidth() +
                             style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    note = new QLabel(this);
    note->setProperty("controlId", kMissingId);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    grid->addWidget(text, 0, 0);
    grid->addWidget(proportional, 0, 1);
    grid->addWidget(scroller, 1, 0, 1, 2);
    grid->addWidget(note, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    note->setMinimumHeight(note->fontMetrics().height());

    connect(text, &QLineEdit::textChanged, this, &CTextSample::Refresh);
    connect(proportional, &QCheckBox::toggled, this, &CTextSample::Refresh);
    Refresh();
}

QString CTextSample::Note() const { return note->text(); }

void CTextSample::Refresh() {
    if (mayRead && !mayRead()) return;
    // A set that knows no advances of its font draws the same line either way.
    const bool advances = HasFontAdvances(glyphSet);
    proportional->setEnabled(advances);
    picture = QImage();
    QString told;
    const QString typed = text->text();
    if (typed.isEmpty() || glyphSet.Count() == 0 || glyphSet.width <= 0 || glyphSet.height <= 0) {
        // Nothing to draw.
    } else if (glyphSet.range == RANGE_CUSTOM && !glyphSet.keepsCodes) {
        told =
            QStringLiteral("이 글자 모음의 글자에는 문자 코드가 없어 견본 글을 그릴 수 없습니다.");
    } else {
        const std::u32string characters = typed.toStdU32String();
        const bool byAdvance = advances && proportional->isChecked();
        const TextLine line =
            LayOutText(glyphSet, {characters.begin(), characters.end()}, byAdvance);
        scale = std::max(1, kLineHeight / (glyphSet.height + 2 * kTextMargin));
        if (TextLinePixels(glyphSet, line.glyphs, scale) > kMaxPixels) {
            told = QStringLiteral("견본 글이 너무 길어 그리지 않습니다.");
        } else {
            const GrayImage drawn = DrawTextLine(glyphSet, line.glyphs, scale, !byAdvance);
            picture = QImage(drawn.pixels.data(), drawn.width, drawn.height, drawn.width,
                             QImage::Format_Grayscale8)
                          .copy();
        }
        for (const char32_t character : line.missing)
            told += (told.isEmpty() ? QStringLiteral("없는 글자: ") : QStringLiteral(", ")) +
                    Named(character);
    }
    pictureLabel->setPixmap(QPixmap::fromImage(picture));
    pictureLabel->adjustSize();
    note->setText(told);
}

}  // namespace brivo
