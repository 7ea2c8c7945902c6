#include <QApplication>
#include <gtest/gtest.h>

// Tallyra's window tests run on a real X server (Xvfb).
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
