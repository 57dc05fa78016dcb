#include "data/data_user.h"

#include "data_test_support.h"
#include "framework/message.h"

#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(DataUser, XmlAndDomReadersGoThroughTheSetters) {
    CKvDataUser user;
    SetText(user, &CKvDataUser::SetScreenName, " Anna M\xFC ");
    SetText(user, &CKvDataUser::SetLastName, "M<ller");
    SetText(user, &CKvDataUser::SetPhoneNumberOutPrefix, "*_");
    SetText(user, &CKvDataUser::SetPhoneNumberIn, "*_0301234");
    user.SetIdImage(12);
    user.SetTimeoutDisconnected(1500, 10);
    user.SetFlagChangeDataAutomaticaly(7);
    user.SetFlagUseBuddyPrefixSuffixText("true");
    CKvDataUser copy;
    ASSERT_EQ(ReadXmlText(copy, XmlText(user)), KV_OK);
    EXPECT_EQ(copy.GetPhoneNumberOutPrefix(), "*_"); // not filtered
    EXPECT_EQ(copy.GetFlagChangeDataAutomaticaly(), 1u);
    EXPECT_EQ(copy.GetFlagUseBuddyPrefixSuffix(), 0u); // only "TRUE" sets it
    user.SetIdentifier(5);
    CKvDataUser from_dom;
    EXPECT_EQ(ReadDomText(from_dom, DomText(user)), KV_OK);
    from_dom.SetIdentifier(5); // "id" is not read
    EXPECT_EQ(XmlText(from_dom), XmlText(user));

    ASSERT_EQ(ReadXmlText(copy, "<DATAUSER><screenname> [a_b]&uuml; </screenname>"
                                "<phonenumberin> _#1 </phonenumberin><idimage>[4]</idimage>"
                                "</DATAUSER>"),
              KV_OK);
    EXPECT_EQ(copy.GetScreenName() + "|" + copy.GetPhoneNumberIn(), "ab\xFC|_#1");
    EXPECT_EQ(copy.GetIdImage(), 4u);
}

TEST(DataUser, TimeoutTextIsReadAsASignedNumberClampedAndRewrittenInItsRadix) {
    const std::tuple<const char*, int, std::uint32_t, const char*> cases[] = {
        {"499", 10, 500, "500"},       {"500", 10, 500, "500"},  {"2000", 10, 2000, "2000"},
        {"2001", 10, 2000, "2000"},    {"-5", 10, 2000, "2000"}, {"1200 ms", 10, 1200, "1200"},
        {" 700\t", 10, 700, "700"},    {"abc", 10, 500, "500"},  {"5dc", 16, 1500, "000005dc"},
        {" 750 ms", 8, 500, "750 ms"}, // another radix keeps the (trimmed) text
    };
    for (const auto& [given, radix, value, expected] : cases) {
        CKvDataUser user;
        std::string text = given;
        user.SetTimeoutDisconnectedText(text, radix);
        EXPECT_EQ(user.GetTimeoutDisconnected(), value) << given;
        EXPECT_EQ(user.GetTimeoutDisconnectedText(), expected) << given;
        EXPECT_EQ(text, TrimmedView(given)); // the caller's text is trimmed
    }
}

TEST(DataUser, SplitOutgoingNumberKeepsPrefixAndSuffixOnlyWhenTheyRebuildTheNumber) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"**0123456#", "0123456", "**", "#"},
        {"*31#0123456", "0123456", "", ""},
        {"0123-456", "0123456", "", ""},
        {"+4930", "4930", "+", ""},
        {"abc", "123", "", ""},
        {"0123456", "0123456", "old", "old"}};
    for (const auto& [in, out, prefix, suffix] : cases) {
        CKvDataUser user;
        SetText(user, &CKvDataUser::SetPhoneNumberIn, in);
        SetText(user, &CKvDataUser::SetPhoneNumberOut, out);
        SetText(user, &CKvDataUser::SetPhoneNumberOutPrefix, "old");
        SetText(user, &CKvDataUser::SetPhoneNumberOutSuffix, "old");
        user.SplitOutgoingNumber();
        EXPECT_EQ(user.GetPhoneNumberOutPrefix(), prefix) << in;
        EXPECT_EQ(user.GetPhoneNumberOutSuffix(), suffix) << in;
    }
}

std::vector<std::string> TextSet(const CKvDataUser& user) {
    std::vector<std::string> texts;
    CKvDataUser::TextSetPosition position = 0;
    std::string text;
    user.GetTextSetStart(position);
    while (user.GetNextFromTextSet(text, position))
        texts.push_back(text);
    return texts;
}

TEST(DataUser, TextSetKeepsTheFirstOfEqualTextsInOrderOfAdding) {
    CKvDataUser user;
    for (const char* text : {"b", "a", "b", "", "a", "B", ""})
        user.AddToTextSet(text);
    EXPECT_EQ(TextSet(user), (std::vector<std::string>{"b", "a", "", "B"}));

    CKvDataUser copy;
    user.CopyTextSetTo(copy);
    copy.AddToTextSet("a"); // the copy knows the texts it received
    copy.AddToTextSet("c");
    EXPECT_EQ(TextSet(copy), (std::vector<std::string>{"b", "a", "", "B", "c"}));

    user.RemoveAllFromTextSet();
    user.AddToTextSet("a"); // removed texts may come again
    EXPECT_EQ(TextSet(user), std::vector<std::string>{"a"});
}

TEST(DataUser, RuntimeTextAppliesBackspaces) {
    CKvDataUser user;
    for (const auto& [given, expected] :
         {std::pair{"abc\bd", "abd"}, {"\b\bx", "x"}, {"\b\b", ""}, {"ab\b\b\bc", "c"}}) {
        user.GetRuntimeText() = given;
        user.UpdateRuntimeText();
        EXPECT_EQ(user.GetRuntimeText(), expected);
    }
}

// The payload registry counts the user records it destroys, so that a test
// sees a pending message freed with its payload.
class DataUserPendingMessage : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterCountedPayloads<Counted<CKvDataUser, K_KVDT_TP_DTHDLR_DATAUSER>>();
    }
    void TearDown() override { RegisterDataPayloads(); }

    static int Destroyed() { return destroyed_payloads[K_KVDT_TP_DTHDLR_DATAUSER]; }

    static CKvMessage* NewMessage() {
        auto* message = new CKvMessage();
        void* payload = nullptr;
        EXPECT_NE(message->CreatePayload(payload, K_KVDT_TP_DTHDLR_DATAUSER), 0);
        return message;
    }
};

TEST_F(DataUserPendingMessage, ResetAndDestructorReleaseIt) {
    {
        CKvDataUser user;
        user.GetRuntimeField5() = NewMessage();
        user.Reset();
        EXPECT_EQ(user.GetRuntimeField5(), nullptr);
        EXPECT_EQ(Destroyed(), 1);
        user.GetRuntimeField5() = NewMessage();
    }
    EXPECT_EQ(Destroyed(), 2);
}

TEST_F(DataUserPendingMessage, CopyCarriesOnlyTheListedRuntimeMembers) {
    CKvDataUser source;
    source.SetChatState(5);
    source.GetRuntimeText() = "source";
    source.GetRuntimeField7() = 7;
    source.GetRuntimeField8() = 8;
    source.GetTimer4().SetInterval(9, 0);
    source.GetTimer1().SetInterval(9, 0);
    source.AddToTextSet("s");
    source.AddToTextSet("u");
    source.GetRuntimeField5() = NewMessage();

    CKvDataUser target;
    CKvMessage* pending = NewMessage();
    target.GetRuntimeField5() = pending;
    target.AddToTextSet("t");
    target = source;
    EXPECT_EQ(target.GetChatState(), 5u);
    EXPECT_EQ(target.GetRuntimeField8(), 8u);
    EXPECT_EQ(target.GetTimer4().GetInterval(), 9000);
    EXPECT_EQ(target.GetTimer1().GetInterval(), 0);
    EXPECT_EQ(target.GetRuntimeField7(), 0u);
    EXPECT_EQ(target.GetRuntimeText(), "");
    EXPECT_EQ(target.GetRuntimeField5(), pending);
    EXPECT_EQ(target.GetTextSetCount(), 2u); // the set was replaced, not merged
    EXPECT_EQ(Destroyed(), 0);

    const CKvDataUser& same = target;
    target = same;
    EXPECT_EQ(target.GetRuntimeField5(), pending);
    EXPECT_EQ(target.GetTextSetCount(), 2u);
}

} // namespace
