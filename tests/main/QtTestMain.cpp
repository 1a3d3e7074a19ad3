// Runs GoogleTest inside a QApplication so tests can spin the event loop, use the clipboard
// offscreen and await coroutines.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
