#include "framework/job_handler_registry.h"

#include <gtest/gtest.h>

#include <thread>

TEST(JobHandlerConcurrency, AnotherThreadSignalsTheRegistryTheOwnerWaitsOn) {
    CKvIMSGJobDataHandler handler(nullptr, 0x805, 0, nullptr, false);
    EventObject started;
    std::thread signaller([&] {
        started.Set();
        handler.Signal();
    });
    EXPECT_TRUE(handler.Wait(30000));
    signaller.join();
    EXPECT_EQ(started.Wait(0), 1);
}
