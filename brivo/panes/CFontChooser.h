#pragma once

#include <QFontDialog>
#include <QStringList>

#include "glyph/LogFont.h"

class QComboBox;

namespace brivo {

// The font chooser of the font-loading dialog: the toolkit's font dialog, opened on the
// installed family that the current face stands for, with the face names of our alias file
// ("굴림체", "굴림", ...) offered beside the family list. A face that is an alias stays that
// alias on OK unless another family was chosen.
class CFontChooser : public QFontDialog {
    Q_OBJECT
public:
    CFontChooser(const LogFont& current, int dpi, QWidget* parent = nullptr);

    // The chosen font as a font description (valid after OK).
    LogFont Chosen() const;
    // The alias in effect ("" when a family was chosen by itself).
    QString Alias() const { return alias; }
    QComboBox* AliasBox() const { return aliasBox; }

    // The face names of the alias file that resolve to an installed font.
    static QStringList Aliases();
    // The installed family that `face` resolves to (the face itself when none).
    static QString ResolvedFamily(const QString& face);

private:
    void ChooseAlias(int index);

    int dpi;
    QString alias;
    QString aliasFamily;  // the family `alias` resolves to
    QComboBox* aliasBox = nullptr;
};

}  // namespace brivo
