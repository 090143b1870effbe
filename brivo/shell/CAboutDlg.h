#pragma once

#include <QDialog>

namespace brivo {

// "Brivo 정보": the program's icon, name and version.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 100;

    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace brivo
