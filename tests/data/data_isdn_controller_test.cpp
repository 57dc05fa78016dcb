#include "data/data_isdn_controller.h"

#include "data_test_support.h"

#include <tuple>

namespace {

TEST(DataIsdnController, FunctionsAreRewrittenInTableOrderAndUnknownKeywordsDropped) {
    // read, flag word, written
    constexpr std::tuple<const char*, std::uint32_t, const char*> kCases[] = {
        {"FAX,DIAL", 5, "<functions>DIAL,FAX</functions>"},
        {"", 0, "<functions />"},
        {"DIAL,DIAL,DIAL,FAX", 1, "<functions>DIAL</functions>"}, // three tokens at most
        {"DIAL, MODEM", 1, "<functions>DIAL</functions>"},
    };
    for (const auto& [read, flags, written] : kCases) {
        CKvDataIsdnController controller;
        controller.GetFunctions().FormatText(2);
        EXPECT_EQ(
            ReadXmlText(controller, std::string("<C><functions>") + read + "</functions></C>"),
            KV_OK);
        EXPECT_EQ(controller.GetFunctions().GetValue(), flags) << read;
        EXPECT_NE(XmlText(controller).find(written), std::string::npos) << read;
    }
}

TEST(DataIsdnController, SourceNumberIsTakenUntrimmedAndAnOlderTextKeepsTheIdentifier) {
    CKvDataIsdnController controller;
    controller.SetIdentifier(0xC0);
    controller.GetSourcePhoneNumber().GetIdentifier() = "own";
    EXPECT_EQ(ReadXmlText(controller, "<C><sourcenumber> 0301234 </sourcenumber></C>"), KV_OK);
    EXPECT_EQ(controller.GetSourceNumber(), " 0301234 ");
    std::string text = " 030 ";
    controller.SetSourceNumber(text);
    EXPECT_EQ(text, " 030 ");
    EXPECT_EQ(controller.GetSourceNumber(), " 030 ");
    EXPECT_NE(XmlText(controller).find("<sourcenumber> 030 </sourcenumber>"), std::string::npos);
    EXPECT_EQ(controller.GetSourcePhoneNumber().GetIdentifier(), "own");
    EXPECT_EQ(controller.GetIdentifier(), 0xC0u);
}

TEST(DataIsdnController, SameKeyIsTheControllerNumberAloneAndCopiesKeepTheirContext) {
    FakeDataHandlerCatalog catalog;
    CKvDataIsdnController a;
    CKvDataIsdnController b(&catalog, 0);
    a.SetControllerNumber(2);
    b.SetControllerNumber(3);
    b.GetManufacturer() = "other";
    EXPECT_FALSE(a.IsSameKey(b));
    ASSERT_TRUE(a.CopyToSameType(&b));
    EXPECT_EQ(b.GetContext(), &catalog);
    b.GetManufacturer() = "other";
    EXPECT_TRUE(a.IsSameKey(b));
    EXPECT_EQ(a.GetKey(), "2");
    TestRecord<K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER> stranger; // same code, other class
    stranger.name_ = "2";
    EXPECT_FALSE(a.IsSameKey(stranger));
}

} // namespace
