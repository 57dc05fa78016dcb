#include "core/ipv4_address.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace {

TEST(IPv4Address, TextsAreReadUnvalidatedWrittenHighByteFirstAndRecognisedByFourParts) {
    const std::pair<const char*, const char*> cases[] = {
        {"10.1.2.3", "10.1.2.3"}, {"1.2", "0.0.1.2"},          {"256.0.0.1", "0.0.0.1"},
        {"1.2.3.", "1.2.3.0"},    {"1.2.3.4.5", "2.3.4.5"},    {"0.0.1.256", "0.0.2.0"},
        {"", "0.0.0.0"},          {"x.-1.7", "255.255.255.7"}, {"16909060", "1.2.3.4"},
        {"0.0.0.0", "0.0.0.0"},   {"255.255.255.255", "255.255.255.255"},
        {"010.1.2.03", "10.1.2.3"}, {"1.2.3.4 ", "1.2.3.4"}, {" 1.2.3.4", "1.2.3.4"},
        {"1.2.3.0004", "1.2.3.4"}, {"1..3.4", "1.0.3.4"},     {"+1.2.3.4", "1.2.3.4"},
        {"1.2.3.255", "1.2.3.255"}, {"1.2.3.4x", "1.2.3.4"},
    };
    for (const auto& [text, written] : cases) {
        IPv4Address address;
        address.SetFromText(text);
        EXPECT_EQ(address.GetText(), written) << text;
        IPv4Address same;
        same.SetValue(address.GetValue());
        EXPECT_EQ(same.GetText(), written) << text;
    }
    IPv4Address address;
    address.SetValue(0xC0A80001u);
    EXPECT_TRUE(address.GetText() == "192.168.0.1" && address.GetValue() == 0xC0A80001u);
    // An address text has four short hexadecimal parts.
    const std::pair<const char*, bool> texts[] = {
        {"192.168.0.1", true},       {"ff.1.2.3", true},     {"1.2.3.", true},
        {" 1 .2.3.4", true},         {"1.2.3.4.junk", true}, {"1.2.3", false},
        {"1000.1.2.3", false},       {"g.1.2.3", false},     {"", false},
        {"host.example.com", false},
    };
    for (const auto& [text, is_address] : texts)
        EXPECT_EQ(IPv4Address::IsAddressText(text), is_address) << text;
}

} // namespace
