#include "framework/job_id.h"

#include "core/handle_table.h"
#include "framework/message_router.h"

#include <gtest/gtest.h>

namespace {

TEST(JobId, RoutersAndOtherUsersShareOneCounter) {
    EXPECT_EQ(JobIdFollowing(0xFFFFFFFFu), 2u);
    EXPECT_EQ(JobIdFollowing(7), 8u);
    CKvMessageRouter router;
    router.Init(&GetHandleTable());
    const std::uint32_t first = TakeNextJobId();
    EXPECT_GE(first, 2u);
    EXPECT_EQ(router.NextJobId(), first + 1);
    EXPECT_EQ(TakeNextJobId(), first + 2);
}

} // namespace
