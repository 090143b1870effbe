#include <QtTest>

#include "glyph/GlyphSet.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "widgets/CPaneSplitter.h"

using namespace brivo;

namespace {

QStringList events;

int GlyphCount() {
    CGlyphSet* set = CGlyphSet::GetInstance();
    return set ? set->Count() : -1;
}

bool ProfileHasSplitterPositions() {
    auto profile = OpenBrivoProfile();
    return profile->contains("splt/init_v61447/VertSplitPos") &&
           profile->contains("splt/init_h61446/HorizSplitPos");
}

// Single instances made before and after the glyph set, to see the order of deletion.
class OlderInstance : public TSingleton<OlderInstance> {
public:
    ~OlderInstance() override {
        events << QStringLiteral("older deleted, glyph set %1")
                      .arg(GlyphCount() < 0 ? "gone" : "alive");
    }
};

class NewerInstance : public TSingleton<NewerInstance> {
public:
    ~NewerInstance() override {
        events << QStringLiteral("newer deleted, glyphs %1, positions %2")
                      .arg(GlyphCount())
                      .arg(ProfileHasSplitterPositions() ? "stored" : "missing");
    }
};

}  // namespace

class BrivoShutdownTest : public QObject {
    Q_OBJECT
private slots:
    void emptiesTheSetThenStoresPositionsThenDeletesNewestFirst();
};

void BrivoShutdownTest::emptiesTheSetThenStoresPositionsThenDeletesNewestFirst() {
    TestProfile profile;
    QVERIFY(OlderInstance::GetInstance());
    CGlyphSet* set = CGlyphSet::GetInstance();
    for (uint16_t code : {0x41, 0x42, 0x43}) {
        set->SetGlyphAt(set->Count(), NewGlyph(code, 32));
    }
    CBrivoApp app;
    QVERIFY(app.InitInstance({"brivo"}));
    QVERIFY(NewerInstance::GetInstance());
    QVERIFY(!ProfileHasSplitterPositions());

    CPaneSplitter* inner = app.MainFrame()->View()->InnerSplitter();
    connect(inner, &QObject::destroyed,
            [] { events << QStringLiteral("splitter gone, glyphs %1").arg(GlyphCount()); });
    app.MainFrame()->close();
    QCOMPARE(app.ExitInstance(3), 3);

    QCOMPARE(events,
             (QStringList{"splitter gone, glyphs 0", "newer deleted, glyphs 0, positions stored",
                          "older deleted, glyph set gone"}));
    QCOMPARE(SingletonRegistry::Count(), std::size_t(0));
    QCOMPARE(CGlyphPool::Instance().InUse(), std::size_t(0));
}

QTEST_MAIN(BrivoShutdownTest)
#include "BrivoShutdownTest.moc"
