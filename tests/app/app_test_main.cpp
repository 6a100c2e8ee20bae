// Widget tests run headless: the offscreen platform is chosen before the
// application object exists.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // A test run may bring its own offscreen screen (size, scaling).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
