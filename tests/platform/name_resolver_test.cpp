#include "platform/name_resolver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(NameResolver, TheSystemOneReadsHostOrderAndAnInstalledOneAnswersUntilItsGuardEnds) {
    SystemNameResolver system;
    std::uint32_t address = 0;
    ASSERT_TRUE(system.LookupAddress("10.1.2.3", address));
    EXPECT_EQ(address, 0x0A010203u);
    EXPECT_FALSE(system.LookupAddress("", address));
    struct FixedResolver final : NameResolver {
        bool LookupName(std::uint32_t, std::string& name) override { return name = "fixed", true; }
        bool LookupAddress(const std::string&, std::uint32_t&) override { return false; }
    } fixed;
    {
        ScopedNameResolver installed(fixed);
        std::string name;
        EXPECT_TRUE(GetNameResolver().LookupName(1, name));
        EXPECT_EQ(name, "fixed");
    }
    EXPECT_NE(dynamic_cast<SystemNameResolver*>(&GetNameResolver()), nullptr);
}
