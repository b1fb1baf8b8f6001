#pragma once
// Everything that asks the user something or tells them something in a dialog of its own:
// message boxes, the file-open dialog and the printer choice. The window uses QtPrompts;
// tests put a recorder in its place.

#include <QMessageBox>
#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace app {

class UserPrompts {
public:
    enum class PrinterChoice {
        Dialog,   // let the user choose (Ctrl+P)
        Default,  // the default printer, no dialog ("/p")
        Named,    // the printer already named in the QPrinter ("/pt")
    };

    virtual ~UserPrompts() = default;
    // A message box with the caption "Tarno" and an OK button.
    virtual void MessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon) = 0;
    // The file to open, or nothing when the user cancelled. The dialog starts in `folder`
    // (its own default when empty) and leaves there the folder it ended in.
    virtual std::optional<QString> GetOpenFileName(QWidget* parent, QString& folder) = 0;
    // Readies `printer` for one print; false when the user cancelled or no printer serves.
    virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer, PrinterChoice choice) = 0;
};

class QtPrompts final : public UserPrompts {
public:
    void MessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon) override;
    std::optional<QString> GetOpenFileName(QWidget* parent, QString& folder) override;
    bool ChoosePrinter(QWidget* parent, QPrinter& printer, PrinterChoice choice) override;
};

// The message-box caption: the application name.
[[nodiscard]] QString AppCaption();

}  // namespace app
