#include <QCoreApplication>
#include <gtest/gtest.h>

// Every test program of the core gets an application object, so that socket
// and timer tests have an event loop; nothing here draws.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
