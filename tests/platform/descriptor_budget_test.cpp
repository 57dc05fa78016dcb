// The descriptor budget as the listener and the sends share it: a send that
// waits for a descriptor gets the next one given back, and is woken for it.
#include "platform/descriptor_budget.h"

#include "platform/tcp_test_support.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

TEST(DescriptorBudgetTest, ADescriptorGivenBackGoesToTheSendThatWaitsForOne) {
    ScopedSoftLimit lowered(512);
    ASSERT_TRUE(lowered.ok());
    ASSERT_EQ(DescriptorBudget::Capacity(), 448u);
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ASSERT_GE(wake, 0);
    const auto woken = [wake] {
        std::uint64_t count = 0;
        return ::read(wake, &count, sizeof count) == sizeof count;
    };
    DescriptorBudget budget;
    budget.Watch(wake);
    // The listener takes them all; a send then waits for one.
    for (std::size_t i = 0; i < 448; ++i)
        ASSERT_TRUE(budget.TryTakeForAccept()) << i;
    EXPECT_FALSE(budget.TryTakeForAccept());
    EXPECT_FALSE(budget.TryTakeForSend());
    budget.AddWantedBySends(1);
    // One is given back: it wakes the sends and the listener leaves it.
    budget.Give();
    EXPECT_TRUE(woken());
    EXPECT_FALSE(budget.TryTakeForAccept());
    EXPECT_TRUE(budget.TryTakeForSend());
    // With no send waiting, a descriptor given back goes to the listener.
    budget.RemoveWantedBySends(1);
    budget.Give();
    EXPECT_FALSE(woken());
    EXPECT_TRUE(budget.TryTakeForAccept());
    budget.Unwatch(wake);
    ::close(wake);
}

} // namespace
