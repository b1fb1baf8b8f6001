#include "app/open_dialog.h"

#include <QFileSystemModel>

#include "app/qt_text.h"
#include "res/string_table.h"

namespace app {

COpenDialog::COpenDialog(QWidget* parent) : QFileDialog(parent) {
    setWindowTitle(ToQString(res::kOpenDialogTitle));
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    const std::string_view tmpl = res::kDocTemplate;
    setNameFilters({ToQString(res::StringField(tmpl, 3)), ToQString(res::kAllFilesFilter)});
    setDefaultSuffix(ToQString(res::StringField(tmpl, 4)).mid(1));
    // "*.*" would hide names without a dot here; the all-files entry shows every file.
    connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        if (filter != ToQString(res::kAllFilesFilter)) return;
        // After the dialog has set the entry's own patterns.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (auto* model = findChild<QFileSystemModel*>()) {
                    model->setNameFilters({QStringLiteral("*")});
                }
            },
            Qt::QueuedConnection);
    });
}

}  // namespace app
