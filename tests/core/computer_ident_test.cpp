#include "core/computer_ident.h"

#include "core/record_xml_testing.h"
#include "platform/name_resolver.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// Knows one computer: "server" at 10.0.0.1.
class FakeResolver final : public NameResolver {
public:
    bool LookupName(std::uint32_t address, std::string& name) override {
        if (address != kServer)
            return false;
        name = "server";
        return true;
    }
    bool LookupAddress(const std::string& name, std::uint32_t& address) override {
        if (name != "server")
            return false;
        address = kServer;
        return true;
    }
    static constexpr std::uint32_t kServer = 0x0A000001u;
};

COMPUTER_IDENT Identity(const char* name, const char* address, std::uint32_t port = 0) {
    COMPUTER_IDENT identity;
    identity.SetName(name);
    identity.SetAddressText(address);
    identity.SetPort(port);
    return identity;
}

TEST(ComputerIdent, WritesOnlyWhatIsSetAndNamesRoundTripThroughTheirEncodedForm) {
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
    XmlDocument document;
    COMPUTER_IDENT read;
    read.GetElementName() = "PEER";
    EXPECT_EQ(read.ReadXml(ParseFirstNode(document, WriteRecordText(identity))), KV_OK);
    EXPECT_EQ(read.GetName(), "r\xF6<ter");
    EXPECT_EQ(read.GetKey(), identity.GetKey());
    EXPECT_EQ(read.ReadXml(ParseFirstNode(document, "<PEER identifier=\"i\"><name>a&amp;b</name>"
                                                    "</PEER>")),
              KV_OK);
    EXPECT_EQ(read.GetName(), "a&amp;b");
    EXPECT_EQ(read.ReadXml(ParseFirstNode(document, "<PEER><name>x</name></PEER>")),
              KV_E_NOT_FOUND);
    EXPECT_EQ(read.GetName(), "a&amp;b");
}

TEST(ComputerIdent, MatchesFollowsNamesThenAddressesThenPorts) {
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
    FakeResolver resolver;
    ScopedNameResolver installed(resolver);
    COMPUTER_IDENT identity;
    identity.Resolve("10.0.0.1", FALSE);
    EXPECT_EQ(identity.GetName(), "");
    identity.Resolve("10.0.0.1", TRUE);
    EXPECT_EQ(identity.GetName(), "server");
    identity.Resolve("10.0.0.2", TRUE);
    EXPECT_EQ(identity.GetAddressText() + " " + identity.GetName(), "10.0.0.2 server");
    COMPUTER_IDENT by_name;
    EXPECT_EQ(by_name.Resolve("server", TRUE), KV_OK);
    EXPECT_EQ(by_name.GetAddress(), FakeResolver::kServer);
    by_name.Resolve("unknown", TRUE);
    EXPECT_EQ(by_name.GetName(), "unknown");
    EXPECT_EQ(by_name.GetAddress(), FakeResolver::kServer);
}

TEST(ComputerIdentList, AddRefusesMatchesWithoutPortsAndReadAppendsEveryChildElement) {
    COMPUTER_IDENT_LIST list;
    COMPUTER_IDENT* entry = nullptr;
    EXPECT_EQ(list.Add(entry, "h", 0x01020304u, 80), KV_OK);
    EXPECT_NE(entry, nullptr);
    EXPECT_EQ(list.Add(entry, "h", 0x01020304u, 81), KV_E_FAIL);
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.Contains(Identity("H", "0.0.0.0", 81), TRUE), 0);
    EXPECT_EQ(list.Remove(Identity("H", "0.0.0.0", 81), FALSE), 1);
    EXPECT_EQ(list.GetCount(), 0u);

    XmlDocument document;
    EXPECT_EQ(list.ReadXml(ParseFirstNode(
                  document, "<COMPUTER_IDENT_LIST identifier=\"l\">"
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
    EXPECT_EQ(list.ReadXml(ParseFirstNode(document, "<COMPUTER_IDENT_LIST identifier=\"e\" />")),
              KV_OK);
    EXPECT_EQ(list.GetIdentifier(), "e");
}

} // namespace
