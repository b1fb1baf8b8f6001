// Printing puts the current picture of the model on the page, fitted to it; and the About
// box carries its texts.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/print_picture.h"
#include "res/resource_ids.h"
#include "tests/app/app_test_support.h"

namespace {

using app_test::AppTest;

// Share of the page's pixels that are not white.
double InkShare(const QImage& page) {
    long ink = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            ink += (qRed(p) < 240 || qGreen(p) < 240 || qBlue(p) < 240) ? 1 : 0;
        }
    }
    return double(ink) / (double(page.width()) * page.height());
}

TEST(PrintLayout, PictureIsFittedAndCentredWithTheViewsProportions) {
    EXPECT_EQ(app::FitToPage(QRect(0, 0, 1000, 2000), QSize(400, 300)), QRect(0, 625, 1000, 750));
    EXPECT_EQ(app::FitToPage(QRect(10, 20, 3000, 1000), QSize(4, 3)), QRect(843, 20, 1333, 1000));
    EXPECT_EQ(app::FitToPage(QRect(0, 0, 800, 600), QSize()), QRect(0, 0, 800, 600));
    EXPECT_EQ(app::RenderSizeFor(QSize(1200, 900)), QSize(1200, 900));
    EXPECT_EQ(app::RenderSizeFor(QSize(9000, 6750)), QSize(3000, 2250));
}

TEST_F(AppTest, PrintingPutsTheModelOnThePage) {
    ASSERT_TRUE(Start({QString::fromStdString(app_test::ExamplePath("house.api"))}));
    Frame().resize(800, 600);
    QApplication::processEvents();
    prompts.pdfPath = QString::fromStdString(settingsDir + "/page.pdf");
    Frame().UpdateAllCommandUI();
    Frame().Action(res::ID_FILE_PRINT)->trigger();  // Ctrl+P
    ASSERT_TRUE(prompts.messages.empty());
    ASSERT_EQ(prompts.printerChoices.size(), 1U);
    EXPECT_EQ(prompts.printerChoices[0], app::UserPrompts::PrinterChoice::Dialog);
    ASSERT_TRUE(QFile::exists(prompts.pdfPath));

    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (!pdftoppm.isEmpty()) {
        const QString out = QString::fromStdString(settingsDir + "/page");
        ASSERT_EQ(QProcess::execute(
                      pdftoppm, {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), prompts.pdfPath, out}),
                  0);
        const QImage page(out + QStringLiteral(".png"));
        ASSERT_FALSE(page.isNull());
        // The black background of the picture alone covers much of the page.
        EXPECT_GT(InkShare(page), 0.2);
    } else {
        // Without a PDF renderer: the page must carry a picture far larger than an empty page.
        QPdfWriter blank(QString::fromStdString(settingsDir + "/blank.pdf"));
        { QPainter p(&blank); }
        EXPECT_GT(QFile(prompts.pdfPath).size(),
                  20 * QFile(QString::fromStdString(settingsDir + "/blank.pdf")).size());
    }
}

TEST(AboutBox, CarriesTheNameTheVersionAndOk) {
    app::CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("TARNO"));
    ASSERT_NE(about.findChild<QLabel*>(QStringLiteral("AboutName")), nullptr);
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("AboutName"))->text(),
              QStringLiteral("TARNO"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("AboutVersion"))->text(),
              QStringLiteral("Scenery Object 3D Viewer Ver.1.0.0.5"));
    EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("AboutIcon"))->pixmap().isNull());
    const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("OK"));
    EXPECT_TRUE(buttons[0]->isDefault());
    about.show();
    buttons[0]->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

TEST_F(AppTest, AboutCommandShowsTheBoxModally) {
    ASSERT_TRUE(Start());
    bool shown = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<app::CAboutDlg*>(w); box && box->isVisible()) {
                shown = box->isModal() && box->parentWidget() == theApp->GetMainWnd();
                box->accept();
            }
        }
    });
    Frame().UpdateAllCommandUI();
    Frame().Action(res::ID_APP_ABOUT)->trigger();
    EXPECT_TRUE(shown);
}

}  // namespace
