#include "support/message_recorder.h"
#include "ui/app_style.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Ui::installAppStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    // No test may ever wait on a real modal box.
    TestSupport::installRecorder();
    return RUN_ALL_TESTS();
}
