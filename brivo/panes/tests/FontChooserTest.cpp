#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

#include "extract/FontResolver.h"
#include "panes/CFontChooser.h"

using namespace brivo;

namespace {

// The family fontconfig gives for `face` with the program's alias file.
QString FamilyOf(const QString& face) {
    LogFont font;
    font.faceName = face.toStdString();
    ResolvedFont resolved;
    if (!CFontResolver::Instance().Resolve(font, resolved)) return QString();
    return QString::fromStdString(resolved.family);
}

LogFont Face(const QString& name) {
    LogFont font;
    font.faceName = name.toStdString();
    return font;
}

}  // namespace

class FontChooserTest : public QObject {
    Q_OBJECT
private slots:
    void offersTheAliasesOfTheAliasFile() {
        const QStringList aliases = CFontChooser::Aliases();
        for (const char* alias : {"굴림체", "굴림", "GulimChe", "Gulim"})
            QVERIFY2(aliases.contains(QString::fromUtf8(alias)), alias);
        QVERIFY(!aliases.contains("NanumGothicCoding"));
    }

    void aliasFaceOpensOnItsFamilyAndOkKeepsIt_data() {
        QTest::addColumn<QString>("face");
        QTest::newRow("굴림체") << "굴림체";
        QTest::newRow("굴림") << "굴림";
        QTest::newRow("GulimChe") << "GulimChe";
    }
    void aliasFaceOpensOnItsFamilyAndOkKeepsIt() {
        QFETCH(QString, face);
        LogFont start = Face(face);
        start.height = -20;
        CFontChooser chooser(start, 96);
        const QString family = FamilyOf(face);
        QVERIFY(!family.isEmpty() && family != face);
        QCOMPARE(chooser.currentFont().family().toLower(), family.toLower());
        QCOMPARE(chooser.AliasBox()->currentText(), face);
        const LogFont chosen = chooser.Chosen();  // OK without a change
        QCOMPARE(QString::fromStdString(chosen.faceName), face);
        QCOMPARE(chosen.height, -20);
    }

    void anotherFamilyLeavesTheAlias() {
        CFontChooser chooser(Face("굴림체"), 96);
        chooser.setCurrentFont(QFont("DejaVu Sans"));
        QCOMPARE(QString::fromStdString(chooser.Chosen().faceName), "DejaVu Sans");
        QCOMPARE(chooser.AliasBox()->currentIndex(), 0);
        QVERIFY(chooser.Alias().isEmpty());
    }

    void choosingAnAliasTakesItsFamily() {
        CFontChooser chooser(Face("DejaVu Sans"), 96);
        QCOMPARE(chooser.currentFont().family(), "DejaVu Sans");
        QCOMPARE(chooser.AliasBox()->currentIndex(), 0);
        QComboBox* box = chooser.AliasBox();
        const int index = box->findText("굴림");
        QVERIFY(index > 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
        QCOMPARE(chooser.currentFont().family().toLower(), FamilyOf("굴림").toLower());
        QCOMPARE(QString::fromStdString(chooser.Chosen().faceName), "굴림");
        // and back to the family by itself
        box->setCurrentIndex(0);
        emit box->activated(0);
        QCOMPARE(QString::fromStdString(chooser.Chosen().faceName).toLower(),
                 FamilyOf("굴림").toLower());
    }
};

QTEST_MAIN(FontChooserTest)
#include "FontChooserTest.moc"
