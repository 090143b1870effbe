#include "panes/CGroupStyleDialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <algorithm>

#include "glyph/GlyphSet.h"
#include "widgets/DialogUnits.h"

namespace brivo {

namespace {
const char* const kGroupTexts[CGroupStyleDialog::kGroupCount] = {
    "구두점 기호(0xa1a1 - 0xa2fe)",    "전각 ASCII(0xa3a1 - 0xa3fe)",
    "2벌식 한글자모(0xa4a1 - 0xa4fe)", "로마숫자 그리스어 기타 기호(0xa5a1 - 0xa9fe)",
    "일본어 (0xaaa1 - 0xabfe)",        "소련어(0xaca1 - 0xacfe)",
    "한글(0xb0a1 - 0xc8fe)",           "한자(0xcaa1 - 0xfefe)",
};
constexpr int kRowPitch = 14;  // dialog units between two check boxes
}  // namespace

CGroupStyleDialog::CGroupStyleDialog(CGlyphSet& glyphSet, Mode mode, QWidget* parent)
    : QDialog(parent), glyphSet(glyphSet), mode(mode) {
    const DialogUnits du(this);
    setWindowTitle(mode == MODE_BOLD ? QStringLiteral("Bold Option")
                                     : QStringLiteral("Italic Option"));
    const uint32_t mask = Mask();
    int width = du.X(187);
    for (int bit = 0; bit < kGroupCount; ++bit) {
        boxes[bit] = du.Place(new QCheckBox(QString::fromUtf8(kGroupTexts[bit]), this),
                              IDC_FIRST_GROUP + bit, 31, 10 + bit * kRowPitch, 125, 10);
        boxes[bit]->setChecked(mask & (1u << bit));
        // A text wider than the template's column widens the box and the dialog.
        boxes[bit]->resize(std::max(boxes[bit]->width(), boxes[bit]->sizeHint().width()),
                           boxes[bit]->height());
        width = std::max(width, boxes[bit]->geometry().right() + 1 + du.X(31));
    }
    setFixedSize(width, du.Y(184));
    auto* selectAll = du.Place(new QPushButton(QStringLiteral("모두 선택"), this), IDC_SELECT_ALL,
                               26, 125, 65, 10);
    auto* clearAll = du.Place(new QPushButton(QStringLiteral("모두 해제"), this), IDC_CLEAR_ALL, 96,
                              125, 65, 10);
    auto* ok = du.Place(new QPushButton(QStringLiteral("OK"), this), 1, 36, 156, 50, 14);
    auto* cancel = du.Place(new QPushButton(QStringLiteral("Cancel"), this), 2, 101, 156, 50, 14);
    ok->setDefault(true);
    // The buttons stay centred in a widened dialog.
    for (QPushButton* button : {selectAll, clearAll, ok, cancel})
        button->move(button->x() + (width - du.X(187)) / 2, button->y());
    connect(selectAll, &QPushButton::clicked, this, [this] { CheckAll(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { CheckAll(false); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

uint32_t CGroupStyleDialog::Mask() const {
    return mode == MODE_BOLD ? glyphSet.boldGroups : glyphSet.italicGroups;
}

uint32_t& CGroupStyleDialog::Mask() {
    return mode == MODE_BOLD ? glyphSet.boldGroups : glyphSet.italicGroups;
}

void CGroupStyleDialog::CheckAll(bool checked) {
    for (QCheckBox* box : boxes) box->setChecked(checked);
}

void CGroupStyleDialog::accept() {
    uint32_t mask = 0;
    for (int bit = 0; bit < kGroupCount; ++bit)
        if (boxes[bit]->isChecked()) mask |= 1u << bit;
    Mask() = mask;
    QDialog::accept();
}

}  // namespace brivo
