#include "jobs/appl_id_registry.h"

#include "jobs_test_support.h"

namespace {

TEST(ApplIdRegistry, FilesEachIdOnceAndRemovesWhatItHolds) {
    ApplIdRegistry registry;
    TestClientJob first("1.2.3.4", 1);
    TestClientJob second("1.2.3.4", 2);
    EXPECT_EQ(registry.Add(7, &first), KV_OK);
    EXPECT_EQ(registry.Add(7, &second), KV_E_FAIL);
    EXPECT_EQ(registry.GetResult(), KV_E_FAIL);
    EXPECT_EQ(registry.Find(7), &first);
    EXPECT_EQ(registry.Remove(8), nullptr);
    EXPECT_EQ(registry.Remove(7), &first);
    EXPECT_EQ(registry.GetCount(), 0u);
}

} // namespace
