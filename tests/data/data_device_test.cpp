#include "data/data_device.h"

#include "data_test_support.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CKvDataDevice> Filled(CKvDataHandlerCatalog* context = nullptr) {
    auto device = std::make_unique<CKvDataDevice>(context);
    device->SetIdentifier(0x2A);
    device->SetFlagWord(3);
    device->GetNumber() = " +49 711 1 ";
    device->GetDeviceNumber() = "12";
    device->SetFlagVirtual(2);
    device->GetComment() = "B\xFCro <2> & Lager";
    device->GetTapiLine() = "Line_1";
    device->GetAlias() = "front desk";
    return device;
}

TEST(DataDevice, NewDeviceWritesSixKeysEmptyOnesIncluded) {
    CKvDataDevice device(nullptr, 9);
    EXPECT_EQ(device.GetIdentifierText(), "0");
    EXPECT_EQ(XmlText(device),
              "<DATADEVICE><number /><devicenumber /><flagvirtual>FALSE</flagvirtual>"
              "<comment /><tapiline /><alias /></DATADEVICE>");
}

TEST(DataDevice, RoundTripKeepsBlanksAndDecodesTexts) {
    auto device = Filled();
    const std::string text = XmlText(*device);
    EXPECT_EQ(text, "<DATADEVICE identifier=\"2a\"><number> +49 711 1 </number>"
                    "<devicenumber>12</devicenumber><flagvirtual>TRUE</"
                    "flagvirtual><comment>B&uuml;ro &lt;2&gt; & Lager</comment>"
                    "<tapiline>Line_1</tapiline><alias>front desk</alias></DATADEVICE>");
    CKvDataDevice copy;
    EXPECT_EQ(ReadXmlText(copy, text), KV_OK);
    EXPECT_EQ(copy.GetFlagVirtual(), 1u);
    EXPECT_EQ(XmlText(copy), text);

    for (const auto& [flag, set] :
         {std::pair{"true", 1u}, {"tRuE", 1u}, {"1", 0u}, {" true", 0u}}) {
        ReadXmlText(copy, std::string("<D><flagvirtual>") + flag + "</flagvirtual></D>");
        EXPECT_EQ(copy.GetFlagVirtual(), set) << flag;
    }
}

TEST(DataDevice, CopyKeepsTargetContextAndSpareTextAndTheKeyIsTheNumber) {
    FakeDataHandlerCatalog source_catalog;
    FakeDataHandlerCatalog target_catalog;
    auto device = Filled(&source_catalog);
    CKvDataDevice target(&target_catalog);
    target.GetSpareText() = "tag";
    target = *device;
    EXPECT_EQ(target.GetContext(), &target_catalog);
    EXPECT_EQ(target.GetSpareText(), "tag");
    EXPECT_EQ(target.GetIdentifierText(), "2a");
    EXPECT_EQ(target.GetFlagWord(), 3u);
    EXPECT_EQ(XmlText(target), XmlText(*device));

    std::string number = " +49 711 1 ";
    target.SetNumber(number); // setters trim the caller's text
    EXPECT_EQ(number, "+49 711 1");
    EXPECT_FALSE(target.IsSameKey(*device));
    target.GetNumber() = device->GetNumber();
    target.GetComment() = "other";
    EXPECT_TRUE(target.IsSameKey(*device));

    target.Reset();
    EXPECT_EQ(target.GetSpareText(), "tag");
    CKvDataDevice blank;
    EXPECT_EQ(XmlText(target), XmlText(blank));
}

TEST(DataDevice, DomFormCarriesTheSameKeysUnfiltered) {
    auto device = Filled();
    device->GetComment() = "a_[b]";
    EXPECT_EQ(DomText(*device),
              "<DATADEVICE id=\"42\"><number> +49 711 1 </number><devicenumber>12"
              "</devicenumber><flagvirtual>TRUE</flagvirtual><comment>a_[b]</comment>"
              "<tapiline>Line_1</tapiline><alias>front desk</alias></DATADEVICE>");
    CKvDataDevice copy;
    EXPECT_EQ(ReadDomText(copy, "<DATADEVICE id=\"7\"><comment>L_2</comment>"
                                "<flagvirtual>True</flagvirtual></DATADEVICE>"),
              KV_OK);
    EXPECT_EQ(copy.GetComment(), "L_2");
    EXPECT_EQ(copy.GetFlagVirtual(), 1u);
    EXPECT_EQ(copy.GetIdentifier(), 0u); // "id" is not read
}

} // namespace
