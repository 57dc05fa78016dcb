#include "data/data_application.h"

#include "data_test_support.h"
#include "framework/message.h"

namespace {

TEST(DataApplication, ReaderTakesTheModuleNameAsKeyAndKnownSkillsInTableOrder) {
    CKvDataApplication read;
    ASSERT_EQ(ReadXmlText(read, "<A identifier=\"a.dll\"><name>n</name><modulename>b.dll"
                                "</modulename><skills>DIALOG_ACTION,NO_SKILL, INCOMING_CALLS"
                                "</skills></A>"),
              KV_OK);
    EXPECT_EQ(read.GetKey(), "b.dll");
    EXPECT_EQ(read.GetSkills().GetValue(), 18u);
    EXPECT_EQ(read.GetSkills().Text(), "INCOMING_CALLS,DIALOG_ACTION");
    EXPECT_EQ(ReadXmlText(read, "<A><name>m</name></A>"), KV_E_NOT_FOUND);
    EXPECT_EQ(read.GetName(), "n");
}

TEST(DataApplication, BlocksThatAreNoMarkupAreWrittenButNeverReadBack) {
    for (const char* block : {"just text", "<OUTLOOK_DEFAULT><flag>1</flag>"}) {
        SCOPED_TRACE(block);
        CKvDataApplication record;
        record.GetXmlApplicationSpecific() = block;
        const std::string text = XmlText(record);
        XmlDocument parsed;
        parsed.Parse(text);
        EXPECT_TRUE(parsed.IsParseComplete()); // a broken block went in encoded
        record.GetXmlApplicationSpecific() = "before";
        ASSERT_EQ(ReadXmlText(record, text), KV_OK);
        EXPECT_EQ(record.GetXmlApplicationSpecific(), "before");
    }
}

TEST(DataApplication, CopyClonesThePendingMessagesAndResetReleasesThem) {
    RegisterDataPayloads();
    CKvDataApplication source;
    auto* message = new CKvMessage();
    void* payload = nullptr;
    ASSERT_NE(message->CreatePayload(payload, K_KVDT_TP_DTHDLR_DATACALL), 0);
    static_cast<CKvDataCall*>(payload)->GetLastName() = "Doe";
    ASSERT_EQ(source.GetMessageList().Add(message, false), KV_OK);
    source.GetCarriedWord() = 9;
    {
        std::unique_ptr<CKvDataHandler> clone;
        ASSERT_TRUE(source.Clone(clone));
        auto& copy = dynamic_cast<CKvDataApplication&>(*clone);
        EXPECT_EQ(copy.GetCarriedWord(), 9u);
        const CKvMessage* cloned = copy.GetMessageList().FirstMessage();
        ASSERT_NE(cloned, nullptr);
        EXPECT_NE(cloned->GetPayload(), payload);
        EXPECT_EQ(static_cast<const CKvDataCall*>(cloned->GetPayload())->GetLastName(), "Doe");
    }
    CKvDataApplication& same = source;
    source = same;
    ASSERT_EQ(source.GetMessageList().FirstMessage(), message);
    EXPECT_EQ(static_cast<const CKvDataCall*>(payload)->GetLastName(), "Doe");
    source.Reset();
    EXPECT_EQ(source.GetMessageList().GetCount(), 0);
}

} // namespace
