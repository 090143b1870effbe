#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "glyph/Singleton.h"
#include "widgets/BrivoProfile.h"

namespace brivo {

// Keeps the tests' profile in a temporary folder, starting empty, and the single-instance
// trace lines off the test output.
class TestProfile {
public:
    TestProfile() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        brivo::OpenBrivoProfile()->clear();
        SingletonTraceStream() = nullptr;
    }

private:
    QTemporaryDir dir;
};

}  // namespace brivo
