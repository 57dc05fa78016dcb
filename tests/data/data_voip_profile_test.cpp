#include "data/data_voip_profile.h"

#include "data_test_support.h"

namespace {

TEST(DataVoipProfile, DisplayableNameChildWinsOverTheIdentifierAttribute) {
    const struct {
        const char* text;
        const char* name;
        KvResult result;
    } cases[] = {
        {"<V identifier=\"attr\"><displayablename>child</displayablename></V>", "child", KV_OK},
        {"<V identifier=\"attr\"><voipid>1</voipid></V>", "attr", KV_OK},
        {"<V><displayablename>child</displayablename></V>", "before", KV_E_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CKvDataVoipProfile profile;
        profile.GetDisplayableName() = "before";
        EXPECT_EQ(ReadXmlText(profile, c.text), c.result);
        EXPECT_EQ(profile.GetKey(), c.name);
    }
}

TEST(DataVoipProfile, ServerReadsDecideTheResultAndFillTheirOwnIdentifiers) {
    CKvDataVoipProfile profile;
    const std::string server = "<K_DATAVOIPPROFILE_COMPUTERIDENT_SERVER_TAG><port>1</port>"
                               "</K_DATAVOIPPROFILE_COMPUTERIDENT_SERVER_TAG>";
    EXPECT_EQ(ReadXmlText(profile, "<V identifier=\"p\">" + server + "</V>"), KV_E_NOT_FOUND);
    EXPECT_EQ(ReadXmlText(profile, "<V identifier=\"p\">" + server +
                                       "<K_DATAVOIPPROFILE_COMPUTERIDENT_STUNSERVER_TAG "
                                       "identifier=\"stun\"><port>2</port>"
                                       "</K_DATAVOIPPROFILE_COMPUTERIDENT_STUNSERVER_TAG></V>"),
              KV_OK);
    EXPECT_EQ(profile.GetStunServer().GetPort(), 2u);
    EXPECT_EQ(profile.GetStunServer().GetIdentifier(), "stun");
    EXPECT_EQ(profile.GetServer().GetPort(), 0u);
}

TEST(DataVoipProfile, ExtensionThatIsNoMarkupIsNotReadBackAndAPartialOneIsEncoded) {
    auto sample = SampleRecord(K_KVDT_TP_DTHDLR_DATAVOIPPROFILE, 0);
    auto& profile = static_cast<CKvDataVoipProfile&>(*sample);
    CKvDataVoipProfile copy;
    copy.GetXmlExtension() = "<kept />";
    profile.GetXmlExtension() = "just text";
    ReadXmlText(copy, XmlText(profile));
    EXPECT_EQ(copy.GetXmlExtension(), "<kept />");
    profile.GetXmlExtension() = "<open>";
    EXPECT_TRUE(WritesKey(profile, "xmlextension", "&lt;open&gt;"));
}

TEST(DataVoipProfile, CopyLeavesTheServersTheirOwnIdentifiersAndSelfCopyChangesNothing) {
    FakeDataHandlerCatalog catalog;
    CKvDataVoipProfile profile(&catalog);
    profile.GetServer().Set("sip.example", 0x0A000001, 5060);
    profile.GetServer().GetIdentifier() = "srv";
    profile.GetRuntimeWords() = {5, 6};
    CKvDataVoipProfile target;
    target.GetServer().GetIdentifier() = "mine";
    target = profile;
    EXPECT_EQ(target.GetServer().GetIdentifier(), "mine");
    EXPECT_EQ(target.GetServer().GetName(), "sip.example");
    EXPECT_EQ(target.GetRuntimeWords()[1], 6u);
    EXPECT_EQ(target.GetContext(), &catalog);
    target.Reset();
    EXPECT_EQ(target.GetRuntimeWords()[1], 0u);

    const CKvDataVoipProfile& same = profile;
    profile = same;
    EXPECT_EQ(profile.GetServer().GetIdentifier(), "srv");
}

} // namespace
