#include "panes/CFontLoadDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <climits>

#include "glyph/GlyphSet.h"
#include "panes/CFontChooser.h"
#include "panes/CFontPreview.h"
#include "panes/CGroupStyleDialog.h"
#include "widgets/DialogUnits.h"
#include "widgets/ErrorMessages.h"
#include "widgets/FieldCheck.h"

namespace brivo {

namespace {

constexpr int kMinSize = 1;
constexpr int kMaxSize = 256;

// Why the text of a size (1..256) or offset field cannot be taken, or empty; the value is
// stored when it can.
QString ReadField(const QString& text, bool isSize, int& value) {
    const std::optional<int> number = IntegerIn(text, INT_MIN, INT_MAX);
    if (!number) return NotAnIntegerText();
    if (isSize && (*number < kMinSize || *number > kMaxSize)) return GlyphSizeText();
    value = *number;
    return QString();
}

QLabel* FramedLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// An up-down control: two arrow buttons that propose a change of -1 (up, right) or +1
// (down, left), as the system's spin controls do under their default range.
QWidget* SpinButtons(QWidget* parent, bool horizontal, std::function<void(int)> onSpin) {
    auto* spin = new QWidget(parent);
    struct Arrow {
        Qt::ArrowType type;
        const char* name;
        int delta;
    };
    const Arrow arrows[2] = {
        horizontal ? Arrow{Qt::LeftArrow, "left", 1} : Arrow{Qt::UpArrow, "up", -1},
        horizontal ? Arrow{Qt::RightArrow, "right", -1} : Arrow{Qt::DownArrow, "down", 1}};
    for (int i = 0; i < 2; ++i) {
        auto* button = new QToolButton(spin);
        button->setArrowType(arrows[i].type);
        button->setObjectName(QString::fromLatin1(arrows[i].name));
        button->setAutoRepeat(true);
        QObject::connect(button, &QToolButton::clicked, spin,
                         [onSpin, delta = arrows[i].delta] { onSpin(delta); });
    }
    return spin;
}

void LayOutSpin(QWidget* spin, bool horizontal) {
    const auto buttons = spin->findChildren<QToolButton*>();
    const int w = spin->width(), h = spin->height();
    if (horizontal) {
        buttons[0]->setGeometry(0, 0, w / 2, h);
        buttons[1]->setGeometry(w / 2, 0, w - w / 2, h);
    } else {
        buttons[0]->setGeometry(0, 0, w, h / 2);
        buttons[1]->setGeometry(0, h / 2, w, h - h / 2);
    }
}

}  // namespace

CFontLoadDialog::CFontLoadDialog(CGlyphSet& glyphSet, const ExtractSettings& settings,
                                 QWidget* parent)
    : QDialog(parent), settings(settings), glyphSet(glyphSet) {
    setWindowTitle(QStringLiteral("Font Loading"));
    CreateControls();

    {
        // Setting the ranges must not pass the sliders' start values on as choices.
        const QSignalBlocker blockZoom(zoom), blockStrength(strength);
        zoom->setRange(1, 4);
        strength->setRange(1, 255);
    }
    zoom->setValue(preview->zoom);
    zoomLabel->setText(QStringLiteral("%1x").arg(preview->zoom));
    strength->setPageStep(1);
    strength->setTickInterval(20);
    strength->setTickPosition(QSlider::TicksBothSides);
    strength->setValue(settings.threshold);
    UpdateStrengthLabel();
    PassToPreview();
    UpdateFontDescription();
}

void CFontLoadDialog::CreateControls() {
    const DialogUnits du(this);
    setFixedSize(du.X(372), du.Y(289));
    // A label keeps its template position but is not cut short where this font is wider
    // than the one the template was made for.
    auto label = [&](const char* text, int x, int y, int w, int h, int id = 0) {
        QLabel* placed = du.Place(new QLabel(QString::fromUtf8(text), this), id, x, y, w, h);
        placed->resize(std::max(placed->width(), placed->sizeHint().width()), placed->height());
        return placed;
    };
    auto button = [&](const char* text, int id, int x, int y, int w, int h) {
        return du.Place(new QPushButton(QString::fromUtf8(text), this), id, x, y, w, h);
    };
    auto edit = [&](int id, int x, int y, int w, int h) {
        return du.Place(new QLineEdit(this), id, x, y, w, h);
    };
    auto spin = [&](int id, bool horizontal, int x, int y, int w, int h) {
        QWidget* s = du.Place(SpinButtons(this, horizontal, [this, id](int d) { Spin(id, d); }), id,
                              x, y, w, h);
        LayOutSpin(s, horizontal);
    };

    du.Place(new QGroupBox(QStringLiteral(" 폰트 선택 "), this), 0, 15, 5, 345, 45)->lower();
    label("선택된 폰트", 26, 17, 43, 8);
    description = du.Place(FramedLabel(this), IDC_DESCRIPTION, 80, 16, 245, 10);
    description->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    connect(button("..", IDC_CHOOSE_FONT, 334, 16, 15, 10), &QPushButton::clicked, this,
            &CFontLoadDialog::ChooseFont);
    label("폰트 사이즈", 26, 31, 43, 8);
    label("X", 79, 32, 8, 8);
    sizeXEdit = edit(IDC_SIZE_X, 89, 31, 25, 12);
    spin(IDC_SPIN_SIZE_X, false, 116, 31, 10, 10);
    label("Y", 150, 31, 8, 8);
    sizeYEdit = edit(IDC_SIZE_Y, 160, 31, 25, 12);
    spin(IDC_SPIN_SIZE_Y, false, 186, 31, 9, 10);

    du.Place(new QGroupBox(QStringLiteral(" 폰트 추출 옵션 "), this), 0, 15, 53, 345, 200)->lower();
    label("Offset", 25, 68, 22, 8);
    label("X", 53, 69, 8, 8);
    offsetXEdit = edit(IDC_OFFSET_X, 63, 68, 25, 12);
    spin(IDC_SPIN_OFFSET_X, true, 90, 68, 9, 10);
    label("Y", 108, 68, 8, 8);
    offsetYEdit = edit(IDC_OFFSET_Y, 118, 68, 25, 12);
    spin(IDC_SPIN_OFFSET_Y, false, 144, 68, 9, 10);
    label("글자 크기조절", 164, 69, 51, 8);
    connect(button("+", IDC_HEIGHT_PLUS, 219, 68, 20, 10), &QPushButton::clicked, this,
            [this] { ChangeHeight(1); });
    connect(button("-", IDC_HEIGHT_MINUS, 242, 68, 20, 10), &QPushButton::clicked, this,
            [this] { ChangeHeight(-1); });
    label("장평조절", 266, 69, 35, 8)->setEnabled(false);
    QPushButton* widthPlus = button("+", IDC_WIDTH_PLUS, 304, 68, 20, 10);
    QPushButton* widthMinus = button("-", IDC_WIDTH_MINUS, 329, 68, 20, 10);
    connect(widthPlus, &QPushButton::clicked, this, [this] { ChangeWidth(1); });
    connect(widthMinus, &QPushButton::clicked, this, [this] { ChangeWidth(-1); });
    widthPlus->setEnabled(false);
    widthMinus->setEnabled(false);

    label("개별선택 Bold", 25, 85, 50, 11, IDC_BOLD_LABEL);
    boldText = du.Place(FramedLabel(this), IDC_BOLD_TEXT, 84, 84, 251, 11);
    connect(button("..", IDC_BOLD_CHOOSE, 339, 84, 10, 11), &QPushButton::clicked, this,
            [this] { ChooseGroups(CGroupStyleDialog::MODE_BOLD); });
    label("개별선택 Italic", 25, 99, 50, 11, IDC_ITALIC_LABEL);
    italicText = du.Place(FramedLabel(this), IDC_ITALIC_TEXT, 84, 99, 251, 11);
    connect(button("..", IDC_ITALIC_CHOOSE, 339, 99, 10, 11), &QPushButton::clicked, this,
            [this] { ChooseGroups(CGroupStyleDialog::MODE_ITALIC); });

    label("추출강도", 25, 114, 50, 11);
    strength = du.Place(new QSlider(Qt::Horizontal, this), IDC_STRENGTH, 85, 114, 180, 10);
    strengthLabel = du.Place(FramedLabel(this), IDC_STRENGTH_LABEL, 273, 113, 76, 11);
    connect(strength, &QSlider::valueChanged, this, [this](int value) {
        settings.threshold = value;
        PassToPreview();
        UpdateStrengthLabel();
    });
    connect(strength, &QSlider::sliderReleased, this, &CFontLoadDialog::UpdateStrengthLabel);

    du.Place(new QGroupBox(QStringLiteral(" 미리보기 "), this), 0, 25, 126, 325, 100)->lower();
    zoom = du.Place(new QSlider(Qt::Horizontal, this), IDC_ZOOM, 265, 128, 60, 7);
    zoomLabel = du.Place(new QLabel(this), IDC_ZOOM_LABEL, 330, 127, 15, 10);
    zoomLabel->setAlignment(Qt::AlignCenter);
    connect(zoom, &QSlider::valueChanged, this, [this](int value) {
        preview->zoom = value;
        preview->update();
        zoomLabel->setText(QStringLiteral("%1x").arg(value));
    });
    preview =
        du.Place(new CFontPreview(glyphSet, this), CFontPreview::kControlId, 38, 138, 302, 78);

    label("미리 보고 싶은 문자", 25, 234, 71, 8);
    sampleEdit = edit(IDC_SAMPLE, 100, 231, 200, 15);
    sampleEdit->setText(preview->previewText);
    connect(sampleEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        preview->previewText = text;
        preview->update();
    });
    QPushButton* refresh = button("Refresh", IDC_REFRESH, 305, 233, 32, 10);
    refresh->hide();
    connect(refresh, &QPushButton::clicked, preview, qOverload<>(&QWidget::update));

    QPushButton* ok = button("OK", 1, 117, 260, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(button("Cancel", 2, 203, 260, 50, 14), &QPushButton::clicked, this, &QDialog::reject);

    // A field left with text it cannot take shows its last value again and says why.
    const struct {
        QLineEdit* edit;
        const int* value;
        bool isSize;
    } fields[] = {{sizeXEdit, &settings.fontSizeX, true},
                  {sizeYEdit, &settings.fontSizeY, true},
                  {offsetXEdit, &settings.offsetX, false},
                  {offsetYEdit, &settings.offsetY, false}};
    for (const auto& field : fields) {
        new CFieldCheck(
            field.edit,
            [isSize = field.isSize](const QString& text) {
                int value = 0;
                return ReadField(text, isSize, value);
            },
            [value = field.value] { return QString::number(*value); },
            [this] {
                if (TakeValues(false)) PassToPreview();
            });
    }
    ShowValues();
}

QWidget* CFontLoadDialog::Control(int id) const { return FindControl(this, id); }

QString CFontLoadDialog::Description() const { return description->text(); }

void CFontLoadDialog::ShowValues() {
    sizeXEdit->setText(QString::number(settings.fontSizeX));
    sizeYEdit->setText(QString::number(settings.fontSizeY));
    offsetXEdit->setText(QString::number(settings.offsetX));
    offsetYEdit->setText(QString::number(settings.offsetY));
}

// Reads the four number fields. With `complain`, a field that does not hold an integer (a
// size: from 1 to 256) is reported and focused; either way nothing is taken then.
bool CFontLoadDialog::TakeValues(bool complain) {
    int values[4];
    QLineEdit* fields[4] = {sizeXEdit, sizeYEdit, offsetXEdit, offsetYEdit};
    for (int i = 0; i < 4; ++i) {
        const QString refused = ReadField(fields[i]->text(), i < 2, values[i]);
        if (!refused.isEmpty()) {
            if (complain) {
                ShowError(this, refused);
                fields[i]->setFocus();
                fields[i]->selectAll();
            }
            return false;
        }
    }
    settings.fontSizeX = values[0];
    settings.fontSizeY = values[1];
    settings.offsetX = values[2];
    settings.offsetY = values[3];
    return true;
}

void CFontLoadDialog::accept() {
    if (!TakeValues(true)) return;
    QDialog::accept();
}

void CFontLoadDialog::PassToPreview() {
    preview->settings = settings;
    preview->update();
}

void CFontLoadDialog::UpdateStrengthLabel() {
    strengthLabel->setText(QStringLiteral("[%1] %2 [%3]")
                               .arg(strength->minimum())
                               .arg(strength->value())
                               .arg(strength->maximum()));
}

void CFontLoadDialog::UpdateFontDescription() {
    description->setText(
        QString::fromStdString(FontDescriptionText(settings.logFont, logicalDpiY())));
    const bool bold = settings.logFont.weight >= kBoldWeight;
    const bool italic = settings.logFont.italic != 0;
    for (int id : {IDC_BOLD_LABEL, IDC_BOLD_TEXT, IDC_BOLD_CHOOSE}) Control(id)->setEnabled(bold);
    for (int id : {IDC_ITALIC_LABEL, IDC_ITALIC_TEXT, IDC_ITALIC_CHOOSE})
        Control(id)->setEnabled(italic);
    boldText->setText(bold ? QString::fromStdString(GetGroupMaskText(glyphSet.boldGroups))
                           : QString());
    italicText->setText(italic ? QString::fromStdString(GetGroupMaskText(glyphSet.italicGroups))
                               : QString());
    ShowValues();
}

QFont CFontLoadDialog::ToQFont(const LogFont& font) {
    QFont result(QString::fromStdString(font.faceName));
    result.setPixelSize(font.height == 0 ? 16 : std::abs(font.height));
    result.setWeight(static_cast<QFont::Weight>(std::clamp<int>(
        font.weight == 0 ? kNormalWeight : font.weight, QFont::Thin, QFont::Black)));
    result.setItalic(font.italic != 0);
    result.setUnderline(font.underline != 0);
    result.setStrikeOut(font.strikeOut != 0);
    return result;
}

LogFont CFontLoadDialog::FromQFont(const QFont& font, int dpi) {
    LogFont result;
    result.faceName = FitFaceName(font.family().toStdString());
    result.height = font.pixelSize() > 0
                        ? -font.pixelSize()
                        : -MulDiv(static_cast<int>(font.pointSizeF() + 0.5), dpi, 72);
    result.weight = font.weight();
    result.italic = font.italic() ? 1 : 0;
    result.underline = font.underline() ? 1 : 0;
    result.strikeOut = font.strikeOut() ? 1 : 0;
    return result;
}

void CFontLoadDialog::ChooseFont() {
    CFontChooser chooser(settings.logFont, logicalDpiY(), this);
    if (chooser.exec() == QDialog::Accepted) ApplyChosenFont(chooser.Chosen());
}

void CFontLoadDialog::ApplyChosenFont(const QFont& font) {
    ApplyChosenFont(FromQFont(font, logicalDpiY()));
}

void CFontLoadDialog::ApplyChosenFont(const LogFont& font) {
    TakeValues(false);
    settings.offsetX = 0;
    settings.offsetY = 0;
    settings.logFont = font;
    PassToPreview();
    UpdateFontDescription();
}

void CFontLoadDialog::Spin(int spinId, int delta) {
    TakeValues(false);
    switch (spinId) {
        case IDC_SPIN_SIZE_X:
            settings.fontSizeX = std::clamp(settings.fontSizeX - delta, kMinSize, kMaxSize);
            break;
        case IDC_SPIN_SIZE_Y:
            settings.fontSizeY = std::clamp(settings.fontSizeY - delta, kMinSize, kMaxSize);
            break;
        case IDC_SPIN_OFFSET_X:
            settings.offsetX -= delta;
            break;
        case IDC_SPIN_OFFSET_Y:
            settings.offsetY += delta;
            break;
        default:
            return;
    }
    ShowValues();
    PassToPreview();
}

void CFontLoadDialog::ChangeHeight(int direction) {
    int& height = settings.logFont.height;
    if (direction > 0)
        height += height < 0 ? -1 : 1;
    else if (height != 0)
        height += height < 0 ? 1 : -1;
    UpdateFontDescription();
    PassToPreview();
}

void CFontLoadDialog::ChangeWidth(int delta) {
    settings.logFont.width += delta;
    UpdateFontDescription();
    PassToPreview();
}

void CFontLoadDialog::ChooseGroups(int mode) {
    CGroupStyleDialog dialog(glyphSet, static_cast<CGroupStyleDialog::Mode>(mode), this);
    if (dialog.exec() == QDialog::Accepted) {
        UpdateFontDescription();
        preview->update();
    }
}

}  // namespace brivo
