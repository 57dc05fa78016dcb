#include "platform/local_identity.h"

#include <gtest/gtest.h>

namespace {

TEST(LocalIdentity, TheFirstAddressNeitherZeroNorLoopbackStandsForTheMachine) {
    const struct {
        std::vector<std::uint32_t> addresses;
        std::uint32_t expected;
    } cases[] = {
        {{0x7F000001, 0xC0A80114}, 0xC0A80114},
        {{0x7F000005, 0, 0x0A000001, 0xC0A80114}, 0x0A000001},
        {{0x7F000001}, kLoopbackAddress},
        {{0}, kLoopbackAddress},
        {{}, kLoopbackAddress},
    };
    for (const auto& row : cases)
        EXPECT_EQ(SelectIdentityAddress(row.addresses), row.expected);
}

TEST(LocalIdentity, TheSourceCanBeReplaced) {
    FixedLocalIdentitySource fixed("anna", "ws1", {0x0A000001}, false);
    {
        ScopedLocalIdentitySource scoped(fixed);
        std::string name;
        EXPECT_TRUE(GetLocalIdentitySource().GetUserName(name));
        EXPECT_EQ(name, "anna");
        EXPECT_TRUE(GetLocalIdentitySource().GetHostName(name));
        EXPECT_EQ(name, "ws1");
        std::vector<std::uint32_t> addresses;
        EXPECT_FALSE(GetLocalIdentitySource().GetAddresses(addresses));
    }
    EXPECT_NE(&GetLocalIdentitySource(), &fixed);
    std::string host;
    EXPECT_TRUE(GetLocalIdentitySource().GetHostName(host));
    EXPECT_FALSE(host.empty());
    std::vector<std::uint32_t> addresses;
    EXPECT_TRUE(GetLocalIdentitySource().GetAddresses(addresses));
}

} // namespace
