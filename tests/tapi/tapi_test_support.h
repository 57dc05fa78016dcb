#pragma once
// Helpers of the TAPI record tests: XML forms as text (those of the data
// record tests) and a fixed clock.

#include "data/data_test_support.h"
#include "platform/clock.h"
#include "platform/result_codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// 2024-01-01 00:00:00.007 UTC: 3913056000 seconds since 1900.
inline constexpr std::int64_t kTestSeconds = 1704067200;
inline constexpr char kTestStamp[] = "3913056000.007";

// A manual clock installed at the test time for the lifetime of the fixture.
class TapiClockTest : public ::testing::Test {
protected:
    ManualClock clock_{kTestSeconds, 7, 1000};
    ScopedClock scoped_clock_{clock_};
};

// Writes the record under two parents it cannot be linked to, a text element
// and an element of another document: the link's code comes back, the element
// made stays empty and neither document's text changes.
template <typename Writable> void ExpectNothingWrittenUnderUnlinkableParents(Writable& record) {
    XmlDocument document;
    ASSERT_EQ(document.Parse("<a><b>x</b></a>"), KV_OK);
    XmlNode* text_element = document.GetRoot()->GetChildList()[0]->GetChildList()[0];
    ASSERT_EQ(text_element->GetKind(), static_cast<std::uint32_t>(kXmlTextElement));
    XmlDocument other;
    ASSERT_EQ(other.Parse("<c/>"), KV_OK);
    std::string before;
    std::string other_before;
    document.GetText(before);
    other.GetText(other_before);
    for (XmlNode* parent : {text_element, static_cast<XmlNode*>(other.GetRoot())}) {
        XmlNode* out = nullptr;
        EXPECT_EQ(record.WriteXml(out, document, parent), KV_E_FAIL);
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(out->GetAttributeList().empty());
        EXPECT_TRUE(out->GetChildList().empty());
        std::string after;
        document.GetText(after);
        EXPECT_EQ(after, before);
        other.GetText(after);
        EXPECT_EQ(after, other_before);
    }
}
