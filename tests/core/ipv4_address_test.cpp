#include "core/ipv4_address.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IPv4Address, TextsAreReadWithoutValidation) {
    const struct {
        const char* text;
        const char* address;
    } cases[] = {
        {"10.1.2.3", "10.1.2.3"}, {"1.2", "0.0.1.2"},          {"256.0.0.1", "0.0.0.1"},
        {"1.2.3.", "1.2.3.0"},    {"1.2.3.4.5", "2.3.4.5"},    {"0.0.1.256", "0.0.2.0"},
        {"", "0.0.0.0"},          {"x.-1.7", "255.255.255.7"}, {"16909060", "1.2.3.4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        IPv4Address address;
        address.SetFromText(c.text);
        EXPECT_EQ(address.GetText(), c.address);
    }
}

TEST(IPv4Address, SetValueWritesTheMostSignificantByteFirst) {
    IPv4Address address;
    EXPECT_EQ(address.GetText(), "0.0.0.0");
    address.SetValue(0xC0A80001u);
    EXPECT_EQ(address.GetText(), "192.168.0.1");
    EXPECT_EQ(address.GetValue(), 0xC0A80001u);
}

TEST(IPv4Address, AnAddressTextHasFourShortHexadecimalParts) {
    const struct {
        const char* text;
        bool is_address;
    } cases[] = {
        {"192.168.0.1", true},       {"ff.1.2.3", true},     {"1.2.3.", true},
        {" 1 .2.3.4", true},         {"1.2.3.4.junk", true}, {"1.2.3", false},
        {"1000.1.2.3", false},       {"g.1.2.3", false},     {"", false},
        {"host.example.com", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IPv4Address::IsAddressText(c.text), c.is_address);
    }
}

} // namespace
