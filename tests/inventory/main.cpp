#include <QCoreApplication>
#include <gtest/gtest.h>

// Tallyra's tests need no screen: one core application for the SQL driver and the bus.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
