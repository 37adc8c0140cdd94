// Runs the window tests inside one QApplication on the offscreen platform.

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // The remembered working folder goes to a scratch settings file, not the user's.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QDir::tempPath() + "/kalemir-ui-tests-" + QString::number(getpid()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
