#include "app/open_dialog.h"

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
}

}  // namespace app
