#pragma once

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <functional>

#include "filedialog/CFileOptionDialog.h"

namespace brivo {

// Works the next file dialog of a font-file command as the user would: `fill` sees the
// dialog (to type into the option area) after the path's folder was opened and its name
// typed; then the dialog is confirmed, or cancelled when `path` is empty. What the dialog showed
// when it opened is kept for the test.
class FileDialogDriver : public QObject {
public:
    using Fill = std::function<void(brivo::CFileOptionDialog&)>;

    FileDialogDriver(QString path, Fill fill = {}) : path(std::move(path)), fill(std::move(fill)) {
        connect(&poll, &QTimer::timeout, this, [this] { Drive(); });
        poll.start(5);
    }

    bool opened = false;
    bool wasOpenDialog = false;
    QString defaultName;
    QStringList nameFilters;
    QString defaultSuffix;

private:
    void Drive() {
        auto* dialog = qobject_cast<brivo::CFileOptionDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || opened) return;
        opened = true;
        wasOpenDialog = dialog->isOpenDialog;
        defaultName = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        nameFilters = dialog->nameFilters();
        defaultSuffix = dialog->defaultSuffix();
        if (!path.isEmpty()) {
            dialog->setDirectory(QFileInfo(path).absolutePath());
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QFileInfo(path).fileName());
        }
        if (fill) fill(*dialog);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->accept();
    }

    QString path;
    Fill fill;
    QTimer poll;
};

}  // namespace brivo
