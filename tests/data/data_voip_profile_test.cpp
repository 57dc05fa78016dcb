#include "data/data_voip_profile.h"

#include "data_test_support.h"

#include <gtest/gtest.h>

namespace {

void Fill(CKvDataVoipProfile& profile) {
    profile.SetIdentifier(0x63);
    profile.GetDisplayableName() = "Office line";
    profile.GetVoipId() = "4971112345";
    profile.GetAuthenticateId() = "user\xE4";
    profile.GetAuthenticatePassword() = "p<w&d";
    profile.GetServer().Set("sip.example", 0x0A000001, 5060);
    profile.GetStunServer().Set("stun.example", 0x0A000002, 3478);
    profile.GetFlagUse().Set(1);
    profile.GetXmlExtension() = "<codec prio=\"1\">G711</codec><dtmf />";
    profile.GetRuntimeWords() = {5, 6};
}

TEST(DataVoipProfile, NewProfileWritesEmptyKeyTextsFlagExtensionAndBothServers) {
    CKvDataVoipProfile profile;
    EXPECT_EQ(XmlText(profile),
              "<DATAVOIPPROFILE identifier=\"\"><displayablename /><voipid /><authenticateid />"
              "<authenticatepassword /><flaguse>FALSE</flaguse><xmlextension />"
              "<K_DATAVOIPPROFILE_COMPUTERIDENT_SERVER_TAG identifier=\"\"><ipaddr>0.0.0.0"
              "</ipaddr></K_DATAVOIPPROFILE_COMPUTERIDENT_SERVER_TAG>"
              "<K_DATAVOIPPROFILE_COMPUTERIDENT_STUNSERVER_TAG identifier=\"\"><ipaddr>0.0.0.0"
              "</ipaddr></K_DATAVOIPPROFILE_COMPUTERIDENT_STUNSERVER_TAG></DATAVOIPPROFILE>");
    EXPECT_EQ(DomText(profile), "<DATAVOIPPROFILE id=\"0\"/>");
}

TEST(DataVoipProfile, RoundTripKeepsTextsServersAndExtensionMarkup) {
    CKvDataVoipProfile profile;
    Fill(profile);
    const std::string text = XmlText(profile);
    for (const char* part : {"<DATAVOIPPROFILE identifier=\"Office line\"><displayablename>",
                             "<authenticatepassword>p&lt;w&d</authenticatepassword>",
                             "<xmlextension><codec prio=\"1\">G711</codec><dtmf /></xmlextension>"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    XmlDocument document;
    document.Parse(text);
    CKvDataVoipProfile copy;
    EXPECT_EQ(copy.ReadXml(document.GetRoot()->GetChildList()[0]), KV_OK);
    EXPECT_EQ(copy.GetAuthenticatePassword(), "p<w&d");
    EXPECT_EQ(copy.GetXmlExtension(), "<codec prio=\"1\">G711</codec><dtmf />");
    EXPECT_EQ(copy.GetRuntimeWords()[0], 0u);
    EXPECT_EQ(XmlText(copy), text);
    std::string after;
    document.GetText(after);
    EXPECT_EQ(after, text); // reading the extension leaves the caller's tree as it was

    // Plain text is written but comes back as no element and is not read; a
    // block that is no complete markup cannot break the document around it.
    profile.GetXmlExtension() = "just text";
    ReadXmlText(copy, XmlText(profile));
    EXPECT_EQ(copy.GetXmlExtension(), "<codec prio=\"1\">G711</codec><dtmf />");
    profile.GetXmlExtension() = "<open>";
    EXPECT_NE(XmlText(profile).find("<xmlextension>&lt;open&gt;</xmlextension>"),
              std::string::npos);
}

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

TEST(DataVoipProfile, CopyLeavesTheServersTheirOwnIdentifiersAndSelfCopyChangesNothing) {
    FakeDataHandlerCatalog catalog;
    CKvDataVoipProfile profile(&catalog);
    Fill(profile);
    profile.GetServer().GetIdentifier() = "srv";
    CKvDataVoipProfile target;
    target.GetServer().GetIdentifier() = "mine";
    target = profile;
    EXPECT_EQ(target.GetServer().GetIdentifier(), "mine");
    EXPECT_EQ(target.GetServer().GetName(), "sip.example");
    EXPECT_EQ(target.GetRuntimeWords()[1], 6u);
    EXPECT_EQ(target.GetContext(), &catalog);
    target.Reset();
    EXPECT_EQ(target.GetRuntimeWords()[1], 0u);
    CKvDataVoipProfile blank;
    EXPECT_EQ(XmlText(target), XmlText(blank));

    const CKvDataVoipProfile& same = profile;
    profile = same;
    EXPECT_EQ(profile.GetServer().GetIdentifier(), "srv");
}

} // namespace
