#include "data/data_isdn_controller.h"

#include "data_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TEST(DataIsdnController, NewRecordServesDialing) {
    CKvDataIsdnController controller;
    EXPECT_EQ(XmlText(controller),
              "<DATAISDNCONTROLLER><sourcenumber /><flagsourceautomaticline>FALSE"
              "</flagsourceautomaticline><controllernumber>0</controllernumber>"
              "<bchannelscount>0</bchannelscount><manufacturer /><flaguse>FALSE</flaguse>"
              "<functions>DIAL</functions></DATAISDNCONTROLLER>");
}

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

TEST(DataIsdnController, RoundTripCarriesEveryKeyAndTheIdentifierAndTrimsTheSourceNumber) {
    CKvDataIsdnController controller;
    controller.SetIdentifier(0xC0);
    std::string flag = "TRUE";
    controller.ParseFlagSourceAutomaticLine(flag);
    controller.SetControllerNumberText("2");
    controller.GetBChannelsCount().Set(30);
    controller.GetManufacturer() = "M\xFCller & <Co>";
    controller.GetFlagUse().Set(1);
    controller.GetFunctions().FormatText(6);
    const std::string text = XmlText(controller);
    EXPECT_EQ(text.rfind("<DATAISDNCONTROLLER identifier=\"c0\">", 0), 0u);
    EXPECT_NE(text.find("<manufacturer>M&uuml;ller & &lt;Co&gt;</manufacturer>"),
              std::string::npos);
    CKvDataIsdnController copy;
    EXPECT_EQ(ReadXmlText(copy, text), KV_OK);
    EXPECT_EQ(copy.GetIdentifier(), 0xC0u);
    EXPECT_EQ(XmlText(copy), text);

    copy.GetSourcePhoneNumber().GetIdentifier() = "own";
    EXPECT_EQ(ReadXmlText(copy, "<C><sourcenumber> 0301234 </sourcenumber></C>"), KV_OK);
    EXPECT_EQ(copy.GetSourceNumber(), "0301234");
    EXPECT_EQ(copy.GetSourcePhoneNumber().GetIdentifier(), "own");
    EXPECT_EQ(copy.GetIdentifier(), 0xC0u); // an older text without it
}

TEST(DataIsdnController, SameKeyIsTheControllerNumberAlone) {
    CKvDataIsdnController a;
    CKvDataIsdnController b;
    a.SetControllerNumber(2);
    b.SetControllerNumber(2);
    b.GetManufacturer() = "other";
    EXPECT_TRUE(a.IsSameKey(b));
    EXPECT_EQ(a.GetKey(), "2");
    b.SetControllerNumber(3);
    EXPECT_FALSE(a.IsSameKey(b));
    TestRecord<K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER> stranger; // same code, other class
    stranger.name_ = "2";
    EXPECT_FALSE(a.IsSameKey(stranger));
}

TEST(DataIsdnController, CopyKeepsTheTargetsContext) {
    FakeDataHandlerCatalog source_catalog;
    FakeDataHandlerCatalog target_catalog;
    CKvDataIsdnController controller(&source_catalog, 0);
    controller.SetIdentifier(4);
    controller.SetControllerNumber(3);
    CKvDataIsdnController target(&target_catalog, 0);
    ASSERT_TRUE(controller.CopyToSameType(&target));
    EXPECT_EQ(XmlText(target), XmlText(controller));
    EXPECT_EQ(target.GetContext(), &target_catalog);
}

} // namespace
