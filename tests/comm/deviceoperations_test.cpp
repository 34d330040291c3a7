#include "comm/deviceoperations.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(DeviceOperationsTest, OneOperationAtATimeButItsOwnStepsMayNest)
{
    DeviceOperations operations;
    QSignalSpy busy(&operations, &DeviceOperations::busyChanged);
    {
        DeviceOperationScope outer(operations);
        ASSERT_TRUE(outer.Entered());
        EXPECT_TRUE(operations.Busy());
        {
            // a step of the same operation, called directly
            DeviceOperationScope step(operations);
            EXPECT_TRUE(step.Entered());
        }
        EXPECT_TRUE(operations.Busy());

        // an event that arrives while the operation waits is someone else
        bool secondEntered = true;
        QTimer::singleShot(5ms, [&] {
            DeviceOperationScope second(operations);
            secondEntered = second.Entered();
        });
        operations.Pause(50ms);
        EXPECT_FALSE(secondEntered);
    }
    EXPECT_FALSE(operations.Busy());
    ASSERT_EQ(busy.size(), 2); // once busy, once idle, whatever nested inside
    EXPECT_TRUE(busy.at(0).at(0).toBool());
    EXPECT_FALSE(busy.at(1).at(0).toBool());

    DeviceOperationScope next(operations);
    EXPECT_TRUE(next.Entered()); // the next operation may start
}

TEST(DeviceOperationsTest, CancelEndsTheWaitsOfTheRunningOperationOnly)
{
    DeviceOperations operations;
    operations.RequestCancel(); // nothing runs: nothing to cancel
    EXPECT_FALSE(operations.CancelRequested());
    {
        DeviceOperationScope operation(operations);
        QSignalSpy cancelled(&operations, &DeviceOperations::cancelRequested);
        QTimer::singleShot(10ms, &operations, &DeviceOperations::RequestCancel);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(operations.WaitUntil([] { return false; }, 60s));
        EXPECT_LT(clock.elapsed(), 5000); // ended by the cancel, not the deadline
        EXPECT_EQ(cancelled.size(), 1);

        // every later wait of the same operation ends at once, as by its timeout
        clock.restart();
        operations.Pause(60s);
        EXPECT_FALSE(operations.WaitUntil([] { return false; }, 60s));
        EXPECT_LT(clock.elapsed(), 1000);
        // a condition that holds still counts
        EXPECT_TRUE(operations.WaitUntil([] { return true; }, 60s));
    }
    EXPECT_FALSE(operations.CancelRequested()); // the next operation starts afresh
    DeviceOperationScope next(operations);
    QElapsedTimer clock;
    clock.start();
    operations.Pause(30ms);
    EXPECT_GE(clock.elapsed(), 25);
}

TEST(DeviceOperationsTest, AWaitEndsWhenItsConditionHolds)
{
    DeviceOperations operations;
    DeviceOperationScope operation(operations);
    bool arrived = false;
    QTimer::singleShot(5ms, [&] { arrived = true; });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(operations.WaitUntil([&] { return arrived; }, 60s));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(operations.WaitUntil([] { return false; }, 20ms));
}
