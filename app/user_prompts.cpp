#include "app/user_prompts.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>

#include "app/open_dialog.h"
#include "app/qt_text.h"
#include "res/string_table.h"

namespace app {

QString AppCaption() {
    return ToQString(res::LoadString(res::IDS_APP_TITLE));
}

void QtPrompts::MessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    // Problems go to standard error too, for whoever started the program from a script.
    if (icon == QMessageBox::Warning || icon == QMessageBox::Critical) {
        QString line = text;
        line.replace(u'\n', u' ');
        std::fprintf(stderr, "tarno: %s\n", qPrintable(line));
    }
    QMessageBox box(icon, AppCaption(), text, QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> QtPrompts::GetOpenFileName(QWidget* parent, QString& folder) {
    COpenDialog dialog(parent);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    folder = dialog.directory().absolutePath();
    if (!accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool QtPrompts::ChoosePrinter(QWidget* parent, QPrinter& printer, PrinterChoice choice) {
    switch (choice) {
        case PrinterChoice::Dialog: {
            QPrintDialog dialog(&printer, parent);
            return dialog.exec() == QDialog::Accepted;
        }
        case PrinterChoice::Default: {
            const QPrinterInfo info = QPrinterInfo::defaultPrinter();
            if (info.isNull()) return false;
            printer.setPrinterName(info.printerName());
            return true;
        }
        case PrinterChoice::Named:
            return !QPrinterInfo::printerInfo(printer.printerName()).isNull();
    }
    return false;
}

}  // namespace app
