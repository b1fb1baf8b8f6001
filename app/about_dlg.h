#pragma once
// The About box, template 100: caption "TARNO", the name, the version line and OK.

#include <QDialog>

namespace app {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace app
