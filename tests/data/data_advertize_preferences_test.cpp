#include "data/data_advertize_preferences.h"

#include "data_test_support.h"

namespace {

TEST(DataAdvertizePreferences, PresentationTypeIsReadByKeywordAndTheKeyKeptWithoutAttribute) {
    CKvDataAdvertizePreferences preferences;
    ReadXmlText(preferences, XmlText(preferences)); // an empty presentation type
    EXPECT_EQ(preferences.GetPresentationType().Text(), "UNSPECIFIED");
    preferences.GetKey() = "main";
    preferences.GetFlagRandomizeSequence().Set(1);
    EXPECT_EQ(ReadXmlText(preferences, "<P><presentationtype>block</presentationtype>"
                                       "<flagrandomizesequence>true</flagrandomizesequence></P>"),
              KV_OK);
    EXPECT_EQ(preferences.GetKey(), "main");
    EXPECT_EQ(preferences.GetPresentationType().GetValue(), CKvPresentationTypeTable::kBlock);
    EXPECT_FALSE(preferences.GetFlagRandomizeSequence().IsTrue());
}

} // namespace
