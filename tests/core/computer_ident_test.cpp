#include "core/computer_ident.h"

#include "core_test_support.h"
#include "platform/name_resolver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>

namespace {

// Knows one computer: "server" at 10.0.0.1.
constexpr std::uint32_t kServer = 0x0A000001u;
struct FakeResolver final : NameResolver {
    bool LookupName(std::uint32_t address, std::string& name) override {
        return address == kServer && (name = "server", true);
    }
    bool LookupAddress(const std::string& name, std::uint32_t& address) override {
        return name == "server" && (address = kServer, true);
    }
};

COMPUTER_IDENT Identity(const char* name, const char* address, std::uint32_t port = 0) {
    COMPUTER_IDENT identity;
    identity.SetName(name);
    identity.SetAddressText(address);
    identity.SetPort(port);
    return identity;
}

TEST(ComputerIdent, WritesOnlyWhatIsSetNamesRoundTripEncodedAndMatchesFollowsNamesThenPorts) {
    COMPUTER_IDENT identity;
    identity.GetIdentifier() = "peer";
    EXPECT_EQ(WriteRecordText(identity),
              "<COMPUTER_IDENT identifier=\"peer\"><ipaddr>0.0.0.0</ipaddr></COMPUTER_IDENT>");
    identity.Set("host1", 0x0A010203u, 80);
    EXPECT_EQ(identity.GetKey(), 0x0A01020300000050ull);
    EXPECT_EQ(WriteRecordText(identity),
              "<COMPUTER_IDENT identifier=\"peer\"><name>host1</name><ipaddr>10.1.2.3</ipaddr>"
              "<port>80</port></COMPUTER_IDENT>");

    identity = Identity("r\xF6<ter", "1.2.3.4", 5);
    identity.GetElementName() = "PEER";
    COMPUTER_IDENT read;
    read.GetElementName() = "PEER";
    EXPECT_EQ(read.ReadXml(Parsed(WriteRecordText(identity))), KV_OK);
    EXPECT_TRUE(read.GetName() == "r\xF6<ter" && read.GetKey() == identity.GetKey());
    EXPECT_EQ(read.ReadXml(Parsed("<PEER identifier=\"i\"><name>a&amp;b</name>"
                                  "</PEER>")),
              KV_OK);
    EXPECT_EQ(read.GetName(), "a&amp;b");
    EXPECT_EQ(read.ReadXml(Parsed("<PEER><name>x</name></PEER>")), KV_E_NOT_FOUND);
    EXPECT_EQ(read.GetName(), "a&amp;b");
    // Matches follows names then addresses then ports.
    const std::tuple<COMPUTER_IDENT, COMPUTER_IDENT, BOOL, std::uint32_t> cases[] = {
        {Identity("Host", "1.2.3.4"), Identity("host", "0.0.0.0"), FALSE, 1},
        {Identity("Host", "1.2.3.4"), Identity("host", "1.2.3.5"), FALSE, KV_E_FAIL},
        {Identity("Host", "1.2.3.4", 80), Identity("host", "1.2.3.5", 81), TRUE, KV_E_FAIL},
        {Identity(" host ", "1.2.3.4"), Identity("HOST", "1.2.3.4"), FALSE, 1},
        {Identity("a", "1.2.3.4"), Identity("b", "1.2.3.4"), FALSE, 0},
        {Identity("", "1.2.3.4"), Identity("host", "1.2.3.4"), FALSE, 1},
        {Identity("", "1.2.3.4"), Identity("", "1.2.3.5"), FALSE, 0},
        {Identity("", "0.0.0.0"), Identity("", "1.2.3.5"), FALSE, 1},
        {Identity("h", "1.2.3.4", 80), Identity("h", "1.2.3.4", 81), TRUE, 0},
        {Identity("h", "1.2.3.4", 80), Identity("h", "1.2.3.4", 81), FALSE, 1},
    };
    for (const auto& [a, b, compare_ports, result] : cases)
        EXPECT_EQ(a.Matches(b, compare_ports), result)
            << a.GetName() << "@" << a.GetAddressText() << " vs " << b.GetName() << "@"
            << b.GetAddressText() << " ports " << compare_ports;
}

TEST(ComputerIdent, ResolveUsesTheResolverOnlyWhenAsked) {
    ScopedNameResolver installed(std::make_shared<FakeResolver>());
    COMPUTER_IDENT identity;
    identity.Resolve("10.0.0.1", FALSE);
    EXPECT_EQ(identity.GetName(), "");
    identity.Resolve("10.0.0.1", TRUE);
    EXPECT_EQ(identity.GetName(), "server");
    identity.Resolve("10.0.0.2", TRUE);
    EXPECT_EQ(identity.GetAddressText() + " " + identity.GetName(), "10.0.0.2 server");
    COMPUTER_IDENT by_name;
    EXPECT_TRUE(by_name.Resolve("server", TRUE) == KV_OK && by_name.GetAddress() == kServer);
    by_name.Resolve("unknown", TRUE);
    EXPECT_TRUE(by_name.GetName() == "unknown" && by_name.GetAddress() == kServer);
}

TEST(ComputerIdentList, AddRefusesMatchesWithoutPortsAndReadAppendsEveryChildElement) {
    COMPUTER_IDENT_LIST list;
    COMPUTER_IDENT* entry = nullptr;
    EXPECT_TRUE(list.Add(entry, "h", 0x01020304u, 80) == KV_OK && entry != nullptr);
    EXPECT_EQ(list.Add(entry, "h", 0x01020304u, 81), KV_E_FAIL);
    EXPECT_TRUE(entry == nullptr && list.GetCount() == 1);
    EXPECT_EQ(list.Contains(Identity("H", "0.0.0.0", 81), TRUE), 0);
    EXPECT_TRUE(list.Remove(Identity("H", "0.0.0.0", 81), FALSE) == 1 && list.GetCount() == 0);

    EXPECT_EQ(list.ReadXml(Parsed("<COMPUTER_IDENT_LIST identifier=\"l\">"
                                  "<COMPUTER_IDENT identifier=\"1\"><name>h</name></COMPUTER_IDENT>"
                                  "<COMPUTER_IDENT identifier=\"2\"><name>h</name></COMPUTER_IDENT>"
                                  "<OTHER identifier=\"3\"><name>x</name></OTHER>"
                                  "</COMPUTER_IDENT_LIST>")),
              KV_OK);
    const COMPUTER_IDENT_LIST& same = list;
    list = same;
    COMPUTER_IDENT_LIST::Position position = 0;
    std::string names;
    while (list.GetNext(entry, position))
        names += entry->GetName() + "/" + entry->GetIdentifier() + ";";
    EXPECT_EQ(names, "h/1;h/2;/;");
    EXPECT_EQ(list.ReadXml(Parsed("<COMPUTER_IDENT_LIST identifier=\"e\" />")), KV_OK);
    EXPECT_EQ(list.GetIdentifier(), "e");
}

} // namespace
