#include "data/data_device.h"

#include "data_test_support.h"

namespace {

TEST(DataDevice, FlagIsReadIgnoringCaseAndTheDomFormUnfiltered) {
    CKvDataDevice copy;
    for (const auto& [flag, set] :
         {std::pair{"true", 1u}, {"tRuE", 1u}, {"1", 0u}, {" true", 0u}}) {
        ReadXmlText(copy, std::string("<D><flagvirtual>") + flag + "</flagvirtual></D>");
        EXPECT_EQ(copy.GetFlagVirtual(), set) << flag;
    }
    EXPECT_EQ(ReadDomText(copy, "<DATADEVICE id=\"7\"><comment>L_2</comment>"
                                "<flagvirtual>True</flagvirtual></DATADEVICE>"),
              KV_OK);
    EXPECT_EQ(copy.GetComment(), "L_2");
    EXPECT_EQ(copy.GetFlagVirtual(), 1u);
    EXPECT_EQ(copy.GetIdentifier(), 0u); // "id" is not read
}

TEST(DataDevice, CopyKeepsTargetContextAndSpareTextAndTheKeyIsTheExactNumber) {
    FakeDataHandlerCatalog source_catalog;
    FakeDataHandlerCatalog target_catalog;
    CKvDataDevice device(&source_catalog);
    device.SetIdentifier(0x2A);
    device.SetFlagWord(3);
    device.GetNumber() = " +49 711 1 ";
    CKvDataDevice target(&target_catalog);
    target.GetSpareText() = "tag";
    target = device;
    EXPECT_EQ(target.GetContext(), &target_catalog);
    EXPECT_EQ(target.GetSpareText(), "tag");
    EXPECT_EQ(target.GetIdentifierText(), "2a");
    EXPECT_EQ(target.GetFlagWord(), 3u);
    EXPECT_EQ(XmlText(target), XmlText(device));

    std::string number = " +49 711 1 ";
    target.SetNumber(number); // setters trim the caller's text
    EXPECT_EQ(number, "+49 711 1");
    EXPECT_FALSE(target.IsSameKey(device));
    target.GetNumber() = device.GetNumber();
    target.GetComment() = "other";
    EXPECT_TRUE(target.IsSameKey(device));
    target.Reset();
    EXPECT_EQ(target.GetSpareText(), "tag");
}

} // namespace
