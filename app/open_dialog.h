#pragma once
// The File Open dialog: title "開く", filters "Api File (*.api)" and the all-files entry.
// Qt's own dialog, so that title and filters are the same on every desktop.

#include <QFileDialog>

namespace app {

class COpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit COpenDialog(QWidget* parent);
};

}  // namespace app
