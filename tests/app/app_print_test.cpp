// Printing puts the current picture of the model on the page, fitted to it; and the About
// box carries its texts.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <cstdlib>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/print_picture.h"
#include "res/resource_ids.h"
#include "tests/app/app_test_support.h"
#include "view/tarno_view.h"

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

// Share of the page's pixels that are nearly black.
double DarkShare(const QImage& page) {
    long dark = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            dark += (qRed(p) < 16 && qGreen(p) < 16 && qBlue(p) < 16) ? 1 : 0;
        }
    }
    return double(dark) / (double(page.width()) * page.height());
}

// Share of the page's pixels within 4 of `colour` in every channel.
double ShareNear(const QImage& page, QRgb colour) {
    long near = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            near += (std::abs(qRed(p) - qRed(colour)) <= 4 &&
                     std::abs(qGreen(p) - qGreen(colour)) <= 4 &&
                     std::abs(qBlue(p) - qBlue(colour)) <= 4)
                        ? 1
                        : 0;
        }
    }
    return double(near) / (double(page.width()) * page.height());
}

TEST(PrintLayout, PictureIsFittedAndCentredWithTheViewsProportions) {
    EXPECT_EQ(app::FitToPage(QRect(0, 0, 1000, 2000), QSize(400, 300)), QRect(0, 625, 1000, 750));
    EXPECT_EQ(app::FitToPage(QRect(10, 20, 3000, 1000), QSize(4, 3)), QRect(843, 20, 1333, 1000));
    EXPECT_EQ(app::FitToPage(QRect(0, 0, 800, 600), QSize()), QRect(0, 0, 800, 600));
    EXPECT_EQ(app::RenderSizeFor(QSize(1200, 900)), QSize(1200, 900));
    EXPECT_EQ(app::RenderSizeFor(QSize(9000, 6750)), QSize(3000, 2250));
}

TEST_F(AppTest, PrintingPutsTheModelOnThePage) {
    ASSERT_TRUE(Start({QString::fromStdString(tarno_test::ExamplePath("house.api"))}));
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
        // The model is on the page, on white paper: the screen's black background is not.
        EXPECT_GT(InkShare(page), 0.02);
        EXPECT_LT(DarkShare(page), 0.01);
        // Inside the printer's margins only: the page's edges stay blank.
        const QPageLayout layout = theApp->Printer().pageLayout();
        const QRect paper = layout.fullRectPixels(30);
        const QRect printable = layout.paintRectPixels(30);
        ASSERT_GT(printable.left(), 0);
        const QImage margin = page.copy(0, 0, printable.left() - 1, page.height());
        EXPECT_EQ(InkShare(margin), 0.0);
        EXPECT_NEAR(page.width(), paper.width(), 2);
        // The lit colours of the screen: the colour that covers most of the model on screen
        // covers much of the page too.
        const QImage& screen = Frame().GetActiveView().PresentedImage();
        QHash<QRgb, int> counts;
        for (int y = 0; y < screen.height(); ++y) {
            for (int x = 0; x < screen.width(); ++x) {
                const QRgb p = screen.pixel(x, y) & 0xFFFFFFU;
                if (p != 0) ++counts[p];
            }
        }
        ASSERT_FALSE(counts.isEmpty());
        QRgb main = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            if (it.value() > counts.value(main)) main = it.key();
        }
        EXPECT_GT(ShareNear(page, main), 0.2 * InkShare(page)) << std::hex << main;
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
