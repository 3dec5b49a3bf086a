#include "support/TestEnv.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    PrepareTestEnvironment();
    QCoreApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    SettleThreadsBeforeExit();
    return result;
}
