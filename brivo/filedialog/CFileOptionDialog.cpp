#include "filedialog/CFileOptionDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <optional>

#include "fontfile/BinaryFontFile.h"
#include "glyph/CharacterSubset.h"
#include "widgets/DialogUnits.h"
#include "widgets/ErrorMessages.h"
#include "widgets/FieldCheck.h"

namespace brivo {

namespace {

constexpr char kBadName[] =
    "배열 이름은 C 식별자여야 합니다: 영문자나 '_'로 시작하고, 영문자와 숫자와 '_'로 "
    "63자까지, C와 C++의 예약어는 쓸 수 없습니다.";

// A range radio of the option area and the code range it stands for (and is named after).
struct RangeButton {
    int id;
    int y;
    CodeRange range;
};

// Top to bottom; TakeControls reads them in id order 1019, 1020, 1021, ...
const RangeButton kRangeButtons[] = {
    {CFileOptionDialog::IDC_ASCII, 31, RANGE_ASCII},
    {CFileOptionDialog::IDC_HANGUL, 42, RANGE_HANGUL},
    {CFileOptionDialog::IDC_FULLWIDTH1, 53, RANGE_FULLWIDTH1},
    {CFileOptionDialog::IDC_ALL, 64, RANGE_ALL},
    {CFileOptionDialog::IDC_FULLWIDTH2, 75, RANGE_FULLWIDTH2},
    {CFileOptionDialog::IDC_CUSTOM, 86, RANGE_CUSTOM},
};

// The up-down arrows beside a size box: each press reports +1 or -1.
class CSpinButton : public QWidget {
public:
    CSpinButton(std::function<void(int)> step, QWidget* parent) : QWidget(parent) {
        auto* layout = new QGridLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        const std::pair<Qt::ArrowType, int> arrows[] = {{Qt::UpArrow, 1}, {Qt::DownArrow, -1}};
        for (int row = 0; row < 2; ++row) {
            auto* button = new QToolButton(this);
            button->setArrowType(arrows[row].first);
            button->setObjectName(row == 0 ? "up" : "down");
            button->setFocusPolicy(Qt::NoFocus);
            button->setAutoRepeat(true);
            button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
            const int delta = arrows[row].second;
            connect(button, &QToolButton::clicked, this, [step, delta] { step(delta); });
            layout->addWidget(button, row, 0);
        }
    }
};

// strtol's reading of a decimal number: leading blanks, a sign, digits; 0 when there are
// none. Values beyond 32 bits are held at the nearest end.
int32_t TextToInt(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const long value = std::strtol(bytes.constData(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long>(value, std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()));
}

// Skip Bytes text (read as TextToInt does) from 0 to 65536.
bool SkipBytesFit(const QString& text) {
    const int32_t value = TextToInt(text);
    return value >= 0 && value <= kMaxSkipBytes;
}

// A size box's value, or nothing when it is not a whole number from 1 to 256.
std::optional<int32_t> SizeOf(const QLineEdit* edit) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok || value < CFileOptionDialog::kMinSize || value > CFileOptionDialog::kMaxSize)
        return std::nullopt;
    return value;
}

}  // namespace

QStringList NameFiltersOf(const QString& filter) {
    const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString pattern = parts[i + 1];
        // "*.*" means every file; here it would miss names without a dot.
        pattern.replace("*.*", "*");
        const int paren = description.indexOf('(');
        if (paren >= 0) description = description.left(paren).trimmed();
        filters << QString("%1 (%2)").arg(description, pattern.replace(';', ' '));
    }
    return filters;
}

CFileOptionDialog::CFileOptionDialog(bool openDialog, const QString& defaultExt,
                                     const QString& defaultName, const QString& filter,
                                     QWidget* parent)
    : QFileDialog(parent), isOpenDialog(openDialog ? 1 : 0) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(openDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    setFileMode(openDialog ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    setDefaultSuffix(defaultExt);
    setNameFilters(NameFiltersOf(filter));
    if (!defaultName.isEmpty()) selectFile(defaultName);
    setSizeGripEnabled(true);
    CreateOptionArea();
    RefreshControls();
    if (!isOpenDialog) DisableForSave();
    connect(this, &QFileDialog::filterSelected, this, &CFileOptionDialog::FollowFilter);
}

void CFileOptionDialog::FollowFilter(const QString& filter) {
    if (isOpenDialog || fileKind != FILE_KIND_EXPORT) return;
    // "LVGL font (*.c)": a name typed without an extension takes the type's. (The toolkit
    // already swaps the extension of a name that has one.)
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)\\)$"));
    if (const QRegularExpressionMatch match = pattern.match(filter); match.hasMatch())
        setDefaultSuffix(match.captured(1));
}

void CFileOptionDialog::CreateOptionArea() {
    optionArea = new QWidget(this);
    optionArea->setObjectName("optionArea");
    optionArea->setProperty("controlId", kOptionAreaId);
    const DialogUnits du(optionArea);
    optionArea->setFixedSize(du.X(247), du.Y(160));

    du.Place(new QGroupBox(" Option ", optionArea), 0, 2, 1, 240, 146);
    du.Place(new QLabel("폰트 사이즈", optionArea), IDC_SIZE_LABEL, 12, 14, 43, 8);
    du.Place(new QLabel("X", optionArea), IDC_X_LABEL, 65, 15, 8, 8);
    sizeXEdit = du.Place(new QLineEdit(optionArea), IDC_SIZEX, 75, 14, 25, 12);
    du.Place(new CSpinButton([this](int d) { StepSize(IDC_SIZEX, d); }, optionArea), IDC_SPINX, 102,
             14, 9, 10);
    du.Place(new QLabel("Y", optionArea), IDC_Y_LABEL, 136, 14, 8, 8);
    sizeYEdit = du.Place(new QLineEdit(optionArea), IDC_SIZEY, 146, 14, 25, 12);
    du.Place(new CSpinButton([this](int d) { StepSize(IDC_SIZEY, d); }, optionArea), IDC_SPINY, 172,
             14, 9, 10);

    auto* ranges = new QButtonGroup(optionArea);
    for (const RangeButton& button : kRangeButtons) {
        auto* radio =
            du.Place(new QRadioButton(QString::fromStdString(RangeName(button.range, false, false)),
                                      optionArea),
                     button.id, 14, button.y, 94, 10);
        ranges->addButton(radio, button.range);
    }

    du.Place(new QLabel("Skip Bytes", optionArea), IDC_SKIP_LABEL, 127, 34, 36, 8);
    skipEdit = du.Place(new QLineEdit(optionArea), IDC_SKIPBYTES, 167, 33, 25, 12);
    new CFieldCheck(
        skipEdit,
        [](const QString& text) { return SkipBytesFit(text) ? QString() : SkipBytesText(); },
        [this] { return QString::number(skipBytes); },
        [this] { skipBytes = TextToInt(skipEdit->text()); });
    auto* skipUnit = du.Place(new QLabel("Bytes", optionArea), IDC_SKIP_UNIT, 195, 34, 25, 10);

    auto* arrays = new QButtonGroup(optionArea);
    arrays->addButton(du.Place(new QRadioButton("SingleArray Type", optionArea), IDC_SINGLE_ARRAY,
                               124, 51, 71, 10));
    arrays->addButton(du.Place(new QRadioButton("Double Array Type", optionArea), IDC_DOUBLE_ARRAY,
                               124, 62, 71, 10));

    auto* except = du.Place(new QCheckBox(optionArea), IDC_EXCEPT_UNUSED, 126, 73, 98, 26);
    // A check box label does not wrap by itself: put the text into a word-wrapping label
    // that toggles the box when clicked.
    auto* exceptText = new QLabel("사용하지 않는 0xADxx - 0xAFxx, 0xC9xx 제외시키기", optionArea);
    exceptText->setWordWrap(true);
    exceptText->setBuddy(except);
    exceptText->setGeometry(except->geometry().adjusted(du.X(10), 0, 0, 0));
    except->resize(du.X(10), except->height());
    exceptText->installEventFilter(this);
    exceptText->setObjectName("exceptUnusedText");

    du.Place(new QLabel("Array Name", optionArea), IDC_ARRAY_NAME_LABEL, 12, 102, 48, 8);
    nameEdit = du.Place(new QLineEdit(optionArea), IDC_ARRAY_NAME, 61, 101, 60, 12);
    nameEdit->setMaxLength(static_cast<int>(kMaxIdentifierLength));
    du.Place(new QCheckBox("Code Table", optionArea), IDC_CODE_TABLE, 126, 102, 80, 10);

    du.Place(new QLabel("비트 배치", optionArea), IDC_LAYOUT_LABEL, 12, 119, 48, 8);
    scanBox = du.Place(new QComboBox(optionArea), IDC_SCAN, 61, 117, 72, 12);
    for (const auto& [text, scan] :
         {std::pair{"행 (rows)", ScanOrder::Rows}, std::pair{"열 (columns)", ScanOrder::Columns},
          std::pair{"페이지 (pages)", ScanOrder::Pages}})
        scanBox->addItem(QString::fromUtf8(text), int(scan));
    orderBox = du.Place(new QComboBox(optionArea), IDC_BIT_ORDER, 138, 117, 60, 12);
    orderBox->addItem(QStringLiteral("MSB 먼저"), int(BitOrder::Msb));
    orderBox->addItem(QStringLiteral("LSB 먼저"), int(BitOrder::Lsb));
    du.Place(new QCheckBox("Proportional", optionArea), IDC_PROPORTIONAL, 12, 134, 80, 10);
    // Another scan brings the bit order that goes with it, as on the command line.
    connect(scanBox, &QComboBox::activated, this, [this] {
        const auto scan = static_cast<ScanOrder>(scanBox->currentData().toInt());
        orderBox->setCurrentIndex(orderBox->findData(int(DefaultBitOrder(scan))));
    });
    for (QComboBox* box : {scanBox, orderBox})
        box->resize(std::max(box->width(), box->sizeHint().width()), box->height());

    for (QLineEdit* edit : {sizeXEdit, sizeYEdit}) edit->installEventFilter(this);

    // Texts keep their template positions but are not cut short where this font is wider
    // than the one the template was made for.
    for (QWidget* text : optionArea->findChildren<QWidget*>()) {
        if ((qobject_cast<QLabel*>(text) || qobject_cast<QRadioButton*>(text)) &&
            text != exceptText)
            text->resize(std::max(text->width(), text->sizeHint().width()), text->height());
    }
    // A "Skip Bytes" grown that way pushes its box and unit along instead of running under them.
    const QWidget* skipLabel = FindControl(optionArea, IDC_SKIP_LABEL);
    if (const int overlap = skipLabel->geometry().right() + du.X(3) - skipEdit->x(); overlap > 0)
        for (QWidget* pushed : {static_cast<QWidget*>(skipEdit), static_cast<QWidget*>(skipUnit)})
            pushed->move(pushed->x() + overlap, pushed->y());

    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(optionArea, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignLeft);
}

QWidget* CFileOptionDialog::Control(int id) const { return FindControl(optionArea, id); }

QString CFileOptionDialog::FilePath() const { return selectedFiles().value(0); }

void CFileOptionDialog::SetOptions(int32_t newSizeX, int32_t newSizeY, CodeRange newRange,
                                   int32_t newDoubleArray, int32_t newSkipBytes) {
    sizeX = newSizeX;
    sizeY = newSizeY;
    rangeId = newRange;
    doubleArray = newDoubleArray;
    skipBytes = newSkipBytes;
    RefreshControls();
}

void CFileOptionDialog::SetFileKind(FileKind kind) {
    fileKind = kind;
    RefreshControls();
}

void CFileOptionDialog::SetTextArray(const QString& name, bool isSubset) {
    arrayName = name;
    subset = isSubset;
    codeTable = isSubset ? 1 : 0;
    RefreshControls();
}

void CFileOptionDialog::SetBitLayout(BitLayout layout) {
    bitLayout = layout;
    RefreshControls();
}

void CFileOptionDialog::RefreshControls() {
    nameEdit->setText(arrayName);
    scanBox->setCurrentIndex(scanBox->findData(int(bitLayout.scan)));
    orderBox->setCurrentIndex(orderBox->findData(int(bitLayout.order)));
    // No exported form has another byte layout than rows, MSB first.
    const bool layoutChosen =
        fileKind == FILE_KIND_BINARY || (!isOpenDialog && fileKind != FILE_KIND_EXPORT);
    for (int id : {IDC_LAYOUT_LABEL, IDC_SCAN, IDC_BIT_ORDER})
        Control(id)->setEnabled(layoutChosen);
    static_cast<QCheckBox*>(Control(IDC_CODE_TABLE))->setChecked(codeTable != 0);
    const bool exportSave = !isOpenDialog && fileKind == FILE_KIND_EXPORT;
    const bool namedSave = !isOpenDialog && (fileKind == FILE_KIND_TEXT || exportSave);
    for (int id : {IDC_ARRAY_NAME_LABEL, IDC_ARRAY_NAME}) Control(id)->setEnabled(namedSave);
    // Every exported form finds its glyphs by their codes already.
    Control(IDC_CODE_TABLE)->setEnabled(!isOpenDialog && subset && !exportSave);
    auto* proportionalBox = static_cast<QCheckBox*>(Control(IDC_PROPORTIONAL));
    proportionalBox->setChecked(proportional != 0);
    proportionalBox->setEnabled(exportSave);
    sizeXEdit->setText(QString::number(sizeX));
    sizeYEdit->setText(QString::number(sizeY));
    skipEdit->setText(QString::number(skipBytes));
    const CodeRange shown = rangeId == RANGE_NONE ? RANGE_CUSTOM : rangeId;
    for (const RangeButton& button : kRangeButtons)
        static_cast<QRadioButton*>(Control(button.id))->setChecked(button.range == shown);
    static_cast<QCheckBox*>(Control(IDC_EXCEPT_UNUSED))->setChecked(exceptUnused != 0);
    static_cast<QRadioButton*>(Control(doubleArray ? IDC_DOUBLE_ARRAY : IDC_SINGLE_ARRAY))
        ->setChecked(true);
    if (fileKind == FILE_KIND_BINARY) {
        for (int id : {IDC_SINGLE_ARRAY, IDC_DOUBLE_ARRAY}) Control(id)->setEnabled(false);
    } else if (fileKind == FILE_KIND_TEXT) {
        for (int id : {IDC_SKIP_LABEL, IDC_SKIPBYTES, IDC_SKIP_UNIT})
            Control(id)->setEnabled(false);
    } else if (fileKind == FILE_KIND_EXPORT) {
        for (int id :
             {IDC_SINGLE_ARRAY, IDC_DOUBLE_ARRAY, IDC_SKIP_LABEL, IDC_SKIPBYTES, IDC_SKIP_UNIT})
            Control(id)->setEnabled(false);
    }
}

// A save writes the set as it is: size and range are shown for information only.
void CFileOptionDialog::DisableForSave() {
    for (int id : {IDC_SIZEX, IDC_SIZEY, IDC_SPINX, IDC_SPINY, IDC_EXCEPT_UNUSED})
        Control(id)->setEnabled(false);
    for (const RangeButton& button : kRangeButtons) Control(button.id)->setEnabled(false);
    optionArea->findChild<QLabel*>("exceptUnusedText")->setEnabled(false);
}

void CFileOptionDialog::StepSize(int id, int delta) {
    QLineEdit* edit = id == IDC_SIZEX ? sizeXEdit : sizeYEdit;
    int32_t& field = id == IDC_SIZEX ? sizeX : sizeY;
    // A value typed but not yet taken counts as the starting point.
    field = SizeOf(edit).value_or(field);
    field = std::clamp(field + delta, kMinSize, kMaxSize);
    edit->setText(QString::number(field));
}

bool CFileOptionDialog::ReadSizeEdits() {
    const std::optional<int32_t> x = SizeOf(sizeXEdit);
    const std::optional<int32_t> y = SizeOf(sizeYEdit);
    if (!x || !y) return false;
    sizeX = *x;
    sizeY = *y;
    return true;
}

bool CFileOptionDialog::TakeControls() {
    // A save keeps the set's own size, whatever the disabled boxes hold.
    if (isOpenDialog && !ReadSizeEdits()) {
        ShowError(this, GlyphSizeText());
        (SizeOf(sizeXEdit) ? sizeYEdit : sizeXEdit)->setFocus();
        return false;
    }
    if (!SkipBytesFit(skipEdit->text())) {
        ShowError(this, SkipBytesText());
        skipEdit->setFocus();
        return false;
    }
    const bool textSave =
        !isOpenDialog && (fileKind == FILE_KIND_TEXT || fileKind == FILE_KIND_EXPORT);
    if (textSave && !IsCIdentifier(nameEdit->text().trimmed().toStdString())) {
        ShowError(this, QString::fromUtf8(kBadName));
        nameEdit->setFocus();
        return false;
    }
    if (textSave) arrayName = nameEdit->text().trimmed();
    codeTable = static_cast<QCheckBox*>(Control(IDC_CODE_TABLE))->isChecked() ? 1 : 0;
    proportional = static_cast<QCheckBox*>(Control(IDC_PROPORTIONAL))->isChecked() ? 1 : 0;
    bitLayout = {static_cast<ScanOrder>(scanBox->currentData().toInt()),
                 static_cast<BitOrder>(orderBox->currentData().toInt())};
    skipBytes = TextToInt(skipEdit->text());
    for (int id : {IDC_ASCII, IDC_HANGUL, IDC_ALL, IDC_CUSTOM, IDC_FULLWIDTH1, IDC_FULLWIDTH2}) {
        if (static_cast<QRadioButton*>(Control(id))->isChecked()) {
            for (const RangeButton& button : kRangeButtons)
                if (button.id == id) rangeId = button.range;
            break;
        }
    }
    exceptUnused = static_cast<QCheckBox*>(Control(IDC_EXCEPT_UNUSED))->isChecked() ? 1 : 0;
    if (static_cast<QRadioButton*>(Control(IDC_DOUBLE_ARRAY))->isChecked()) doubleArray = 1;
    if (static_cast<QRadioButton*>(Control(IDC_SINGLE_ARRAY))->isChecked()) doubleArray = 0;
    return true;
}

void CFileOptionDialog::accept() {
    if (!TakeControls()) return;
    QFileDialog::accept();
}

bool CFileOptionDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched->objectName() == "exceptUnusedText" &&
        event->type() == QEvent::MouseButtonRelease) {
        auto* box = static_cast<QCheckBox*>(Control(IDC_EXCEPT_UNUSED));
        if (box->isEnabled()) box->toggle();
        return true;
    }
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit && event->type() == QEvent::KeyPress) {
        // The arrow keys in a size box work the spin beside it.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepSize(edit == sizeXEdit ? IDC_SIZEX : IDC_SIZEY, key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    if (edit && event->type() == QEvent::FocusOut && edit->isModified()) {
        // A size typed that is not a whole number from 1 to 256 is refused as the box is
        // left; the box shows the last good value again.
        edit->setModified(false);
        if (!SizeOf(edit)) {
            edit->setText(QString::number(edit == sizeXEdit ? sizeX : sizeY));
            ShowError(this, GlyphSizeText());
        } else {
            ReadSizeEdits();
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

}  // namespace brivo
