#include <QApplication>

#include "CBrivoApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    brivo::CBrivoApp app;
    if (!app.InitInstance(QApplication::arguments())) return 1;
    return app.ExitInstance(QApplication::exec());
}
