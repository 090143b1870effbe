#include "panes/CFontChooser.h"

#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QXmlStreamReader>

#include "extract/FontResolver.h"
#include "panes/CFontLoadDialog.h"

namespace brivo {

namespace {

const QString kNoAlias = QStringLiteral("(선택한 글꼴 그대로)");

// The toolkit's spelling of an installed family (its list may differ in case).
QString InstalledSpelling(const QString& family) {
    for (const QString& installed : QFontDatabase::families())
        if (installed.compare(family, Qt::CaseInsensitive) == 0) return installed;
    return family;
}

}  // namespace

QStringList CFontChooser::Aliases() {
    QStringList names;
    QFile file(QString::fromStdString(CFontResolver::AliasFile()));
    if (!file.open(QIODevice::ReadOnly)) return names;
    // <alias><family>NAME</family><prefer>...</prefer></alias>: NAME is the alias.
    QXmlStreamReader xml(&file);
    int depth = 0, aliasDepth = -1;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (xml.name() == QLatin1String("alias")) aliasDepth = depth;
            if (xml.name() == QLatin1String("family") && depth == aliasDepth + 1) {
                const QString name = xml.readElementText().trimmed();
                --depth;  // readElementText consumed the end element
                if (!name.isEmpty() && !names.contains(name) &&
                    ResolvedFamily(name).compare(name, Qt::CaseInsensitive) != 0)
                    names << name;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == aliasDepth) aliasDepth = -1;
            --depth;
        }
    }
    return names;
}

QString CFontChooser::ResolvedFamily(const QString& face) {
    LogFont font;
    font.faceName = face.toStdString();
    ResolvedFont resolved;
    if (!CFontResolver::Instance().Resolve(font, resolved) || resolved.family.empty()) return face;
    return InstalledSpelling(QString::fromStdString(resolved.family));
}

CFontChooser::CFontChooser(const LogFont& current, int dpi, QWidget* parent)
    : QFontDialog(parent), dpi(dpi) {
    setOption(QFontDialog::DontUseNativeDialog);
    const QStringList aliases = Aliases();
    const QString face = QString::fromStdString(current.faceName);

    // The aliases below the dialog's own controls, above its buttons.
    aliasBox = new QComboBox(this);
    aliasBox->setObjectName("aliases");
    aliasBox->addItem(kNoAlias);
    aliasBox->addItems(aliases);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("기본 글꼴 이름(&A):"), this);
    label->setBuddy(aliasBox);
    row->addWidget(label);
    row->addWidget(aliasBox, 1);
    // The dialog's grid has its buttons in row 9 and leaves row 8 free.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addLayout(row, 8, 0, 1, grid->columnCount());
    else if (layout())
        layout()->addItem(row);

    QFont start = CFontLoadDialog::ToQFont(current);
    const int aliasIndex = aliases.indexOf(face);
    if (aliasIndex >= 0) {
        alias = face;
        aliasFamily = ResolvedFamily(face);
        aliasBox->setCurrentIndex(aliasIndex + 1);
    }
    start.setFamily(ResolvedFamily(face));
    setCurrentFont(start);

    connect(aliasBox, &QComboBox::activated, this, &CFontChooser::ChooseAlias);
    // Choosing another family leaves the alias.
    connect(this, &QFontDialog::currentFontChanged, this, [this](const QFont& font) {
        if (alias.isEmpty() || font.family().compare(aliasFamily, Qt::CaseInsensitive) == 0) return;
        alias.clear();
        aliasBox->setCurrentIndex(0);
    });
}

void CFontChooser::ChooseAlias(int index) {
    if (index <= 0) {
        alias.clear();
        return;
    }
    const QString chosen = aliasBox->itemText(index);
    const QString family = ResolvedFamily(chosen);
    QFont font = currentFont();
    font.setFamily(family);
    alias.clear();  // not left by the family change below
    setCurrentFont(font);
    alias = chosen;
    aliasFamily = family;
}

LogFont CFontChooser::Chosen() const {
    LogFont chosen = CFontLoadDialog::FromQFont(currentFont(), dpi);
    if (!alias.isEmpty()) chosen.faceName = FitFaceName(alias.toStdString());
    return chosen;
}

}  // namespace brivo
