#include "platform/name_resolver.h"

#include <gtest/gtest.h>

namespace {

class FixedResolver final : public NameResolver {
public:
    bool LookupName(std::uint32_t, std::string& name) override {
        name = "fixed";
        return true;
    }
    bool LookupAddress(const std::string&, std::uint32_t& address) override {
        address = 42;
        return true;
    }
};

TEST(NameResolver, TheSystemResolverReadsNumericAddressesInHostOrder) {
    SystemNameResolver resolver;
    std::uint32_t address = 0;
    ASSERT_TRUE(resolver.LookupAddress("10.1.2.3", address));
    EXPECT_EQ(address, 0x0A010203u);
    EXPECT_FALSE(resolver.LookupAddress("", address));
}

TEST(NameResolver, AnInstalledResolverAnswersUntilItsGuardEnds) {
    FixedResolver fixed;
    {
        ScopedNameResolver installed(fixed);
        EXPECT_EQ(&GetNameResolver(), &fixed);
        std::string name;
        EXPECT_TRUE(GetNameResolver().LookupName(1, name));
        EXPECT_EQ(name, "fixed");
    }
    EXPECT_NE(dynamic_cast<SystemNameResolver*>(&GetNameResolver()), nullptr);
}

} // namespace
