#include "ui/HelpPages.h"

#include "ui/DialogService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace kalemir::ui {
namespace {

TEST(ReadmeSectionTest, FromItsHeadingToTheNextOfItsLevelOrAbove) {
    const QString readme = "# Top\r\n\r\n## The windows\r\nall\r\n\r\n### A\r\none\r\n#### A.1\r\n"
                           "deeper\r\n### B\r\ntwo\r\n## Next\r\nthree\r\n";
    EXPECT_EQ(ReadmeSection(readme, "A"), "### A\none\n#### A.1\ndeeper");
    EXPECT_EQ(ReadmeSection(readme, "B"), "### B\ntwo");
    EXPECT_EQ(ReadmeSection(readme, "A.1"), ""); // only third-level headings are sections
    EXPECT_EQ(ReadmeSection(readme, "C"), "");
}

// Each window's F1 names its section: a renamed heading would leave a window without help.
TEST(ReadmeSectionTest, EveryWindowHasItsSectionInTheShippedReadme) {
    for (const char* section :
         {"KalemirQ: Workfiles", "KalemirQ: Parameters of statistical analysis",
          "The computing window", "KalemirQ: Results", "KalemirS: Table window",
          "KalemirS: Final window"}) {
        EXPECT_GT(ReadmeSection(ShippedReadme(), section).size(), 100) << section;
    }
}

// Return alone must never answer yes to "Replace it?" or "Stop the analysis?".
TEST(QtDialogServiceTest, NoIsTheDefaultAnswer) {
    QtDialogService dialogs;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        defaultButton = box->standardButton(static_cast<QAbstractButton*>(box->defaultButton()));
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(dialogs.AskYesNo(nullptr, "*.rez file name", "BZR01 already exists. Replace it?"));
    EXPECT_EQ(defaultButton, QMessageBox::No);
}

} // namespace
} // namespace kalemir::ui
