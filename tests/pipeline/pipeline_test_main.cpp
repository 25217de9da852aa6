#include <QCoreApplication>

#include <gtest/gtest.h>

// The job waits for the encoder in the event loop, so the tests run inside an application.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
