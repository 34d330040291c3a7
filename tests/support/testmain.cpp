#include "app/buttonstyle.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {
QtMessageHandler g_DefaultHandler = nullptr;

// The off-screen platform complains about window hints it cannot honour;
// that says nothing about the program.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    g_DefaultHandler(type, context, message);
}
} // namespace

// Every test program gets an application object, so that window tests and
// socket tests have an event loop; windows draw off screen, in the wizard's
// own style.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_DefaultHandler = qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    UseRoomyButtons(app); // the windows look as the wizard shows them
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
