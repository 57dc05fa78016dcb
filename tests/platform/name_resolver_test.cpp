#include "platform/name_resolver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

// A guard that borrowed its resolver would let a look-up begun under it
// outlive the resolver: it only takes one it shares.
static_assert(!std::is_constructible_v<ScopedNameResolver, NameResolver&>);
static_assert(std::is_constructible_v<ScopedNameResolver, std::shared_ptr<NameResolver>>);

TEST(NameResolver, TheSystemOneReadsHostOrderAndAnInstalledOneAnswersUntilItsGuardEnds) {
    SystemNameResolver system;
    std::uint32_t address = 0;
    ASSERT_TRUE(system.LookupAddress("10.1.2.3", address));
    EXPECT_EQ(address, 0x0A010203u);
    EXPECT_FALSE(system.LookupAddress("", address));
    struct FixedResolver final : NameResolver {
        bool LookupName(std::uint32_t, std::string& name) override { return name = "fixed", true; }
        bool LookupAddress(const std::string&, std::uint32_t&) override { return false; }
    };
    {
        ScopedNameResolver installed(std::make_shared<FixedResolver>());
        std::string name;
        EXPECT_TRUE(GetNameResolver().LookupName(1, name));
        EXPECT_EQ(name, "fixed");
    }
    EXPECT_NE(dynamic_cast<SystemNameResolver*>(&GetNameResolver()), nullptr);
}

TEST(NameResolver, ASharedResolverLivesAsLongAsItsLastHolder) {
    struct CountingResolver final : NameResolver {
        explicit CountingResolver(int& alive) : alive_(alive) { ++alive_; }
        ~CountingResolver() override { --alive_; }
        bool LookupName(std::uint32_t, std::string&) override { return false; }
        bool LookupAddress(const std::string&, std::uint32_t& address) override {
            address = 0x7F000009u;
            return true;
        }
        int& alive_;
    };
    int alive = 0;
    std::shared_ptr<NameResolver> held;
    {
        ScopedNameResolver installed(std::make_shared<CountingResolver>(alive));
        held = ShareNameResolver();
    }
    // Uninstalled, but a look-up begun before still has it.
    EXPECT_NE(dynamic_cast<SystemNameResolver*>(&GetNameResolver()), nullptr);
    EXPECT_EQ(alive, 1);
    std::uint32_t address = 0;
    EXPECT_TRUE(held->LookupAddress("any", address));
    EXPECT_EQ(address, 0x7F000009u);
    held.reset();
    EXPECT_EQ(alive, 0);
}
