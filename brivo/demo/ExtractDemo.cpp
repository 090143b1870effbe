// brivo-extract-demo: the brivo window that extracts the Hangul range by itself and selects
// one glyph, for the screenshot in docs/ (see docs/brivo-extraction.md).

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "widgets/PaneMessage.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    brivo::CBrivoApp app;
    if (!app.InitInstance(QApplication::arguments())) return 1;
    brivo::CExtractForm* form = app.MainFrame()->View()->ExtractForm();
    QObject::connect(form, &brivo::CExtractForm::ExtractionFinished, form, [form] {
        brivo::CFontList* grid = form->FontList();
        grid->selectedIndex = 12;
        brivo::SendPaneMessage(form, brivo::WM_FONTLIST_SELECT, 12, 0);
        grid->update();
    });
    QTimer::singleShot(500, form, [form] {
        qobject_cast<QAbstractButton*>(form->Control(brivo::CExtractForm::IDC_HANGUL))->click();
        qobject_cast<QAbstractButton*>(form->Control(brivo::CExtractForm::IDC_DOEXTRACT))->click();
    });
    return app.ExitInstance(QApplication::exec());
}
