#pragma once
// Helpers shared by the core tests: building XML trees, writing and reading
// small records, and a manual clock with a timer list.

#include "core/keyed_list.h"
#include "core/timer_list.h"
#include "core/xml_document.h"
#include "core/xml_node.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline XmlNode* Create(XmlDocument& document, std::uint32_t kind, std::string_view name = {}) {
    XmlNode* node = nullptr;
    EXPECT_EQ(document.CreateNode(node, kind), KV_OK);
    node->SetName(name);
    return node;
}

inline std::string Text(XmlDocument& document) {
    std::string text;
    EXPECT_EQ(document.GetText(text), KV_OK);
    return text;
}

inline std::string Repeat(const std::string& part, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += part;
    return text;
}

// A document and its root, for building trees.
struct Xml : ::testing::Test {
    XmlNode* Add(XmlNode* parent, std::uint32_t kind, std::string_view name,
                 std::string_view content = {}) {
        XmlNode* node = Create(document, kind, name);
        node->SetContent(content);
        EXPECT_EQ(document.AddChild(parent, node), KV_OK);
        return node;
    }
    XmlDocument document;
    XmlNode* root_ = document.GetRoot();
};

// The document text of the record written under the root.
template <typename Record> std::string WriteRecordText(Record& record) {
    XmlDocument document;
    XmlNode* element = nullptr;
    record.WriteXml(element, document, document.GetRoot());
    EXPECT_NE(element, nullptr);
    std::string text;
    document.GetText(text);
    return text;
}

// The first top-level node of the parsed text, or null; valid until the next
// call.
inline const XmlNode* Parsed(std::string_view text) {
    static XmlDocument document;
    document.Clear();
    document.Parse(text);
    const XmlNodeList& nodes = document.GetRoot()->GetChildList();
    return nodes.empty() ? nullptr : nodes[0];
}

using Strings = std::vector<std::string>;

// "identifier=value" for each entry, in list order.
template <typename Entry, std::uint32_t Capacity, typename Value>
Strings Entries(const KeyedList<Entry, Capacity>& list, Value value) {
    Strings entries;
    std::size_t position = KeyedList<Entry, Capacity>::kEndPosition;
    list.GetStartPosition(position);
    const Entry* entry = nullptr;
    while (list.GetNext(entry, position))
        entries.push_back(entry->GetIdentifier() + "=" + value(*entry));
    return entries;
}

// A manual clock installed, its tick at 1000, and a timer list.
struct Clocked : testing::Test {
    ManualClock clock_{0, 0, 1000};
    ScopedClock installed_{clock_};
    TimerList list_;
};
