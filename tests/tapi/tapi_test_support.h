#pragma once
// Helpers of the TAPI record tests: XML forms as text and a fixed clock.

#include "core/xml_document.h"
#include "platform/clock.h"
#include "platform/result_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// The object's XML form written under a fresh document's root, as text.
template <typename Writable> std::string XmlText(Writable& object) {
    XmlDocument document;
    XmlNode* element = nullptr;
    EXPECT_EQ(object.WriteXml(element, document, document.GetRoot()), KV_OK);
    std::string text;
    document.GetText(text);
    return text;
}

// Reads the object from the first top-level node of the text; its result.
template <typename Readable> KvResult ReadXmlText(Readable& object, std::string_view text) {
    XmlDocument document;
    document.Parse(text);
    const XmlNodeList& top = document.GetRoot()->GetChildList();
    EXPECT_FALSE(top.empty()) << text;
    return top.empty() ? KV_E_FAIL : object.ReadXml(top[0]);
}

// 2024-01-01 00:00:00.007 UTC: 3913056000 seconds since 1900.
inline constexpr std::int64_t kTestSeconds = 1704067200;
inline constexpr char kTestStamp[] = "3913056000.007";

// A manual clock installed at the test time for the lifetime of the fixture.
class TapiClockTest : public ::testing::Test {
protected:
    ManualClock clock_{kTestSeconds, 7, 1000};
    ScopedClock scoped_clock_{clock_};
};
