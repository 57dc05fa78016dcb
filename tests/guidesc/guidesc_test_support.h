#pragma once
// Helpers of the description tests: the XML and DOM forms as text, golden
// files under tests/guidesc/golden, and a DOM document whose calls can be
// made to fail.

#include "core/xml_document.h"
#include "guidesc/ui_object.h"
#include "platform/dom.h"

#include "support/form_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The XML text of a description written under a fresh document.
inline std::string XmlText(CKvUIObject& object) {
    XmlDocument document;
    XmlNode* element = nullptr;
    EXPECT_EQ(object.WriteXml(element, document, document.GetRoot()), KV_OK);
    std::string text;
    document.GetText(text);
    return text;
}

// Reads the description from the first element of the text; its result.
inline KvResult ReadXmlText(CKvUIObject& object, std::string_view text) {
    XmlDocument document;
    document.Parse(text);
    const XmlNodeList& top = document.GetRoot()->GetChildList();
    EXPECT_FALSE(top.empty()) << text;
    return top.empty() ? KV_E_FAIL : object.ReadXml(top[0]);
}

// The text of a golden file under tests/guidesc/golden.
inline std::string GoldenText(std::string_view name) {
    return GoldenFileText(std::filesystem::path(__FILE__).parent_path() / "golden" / name);
}

// The golden text survives reading into a fresh description and writing
// again, byte for byte.
template <typename Description> void ExpectGoldenRoundTrip(std::string_view name) {
    const std::string golden = GoldenText(name);
    Description description(nullptr, 0, nullptr);
    EXPECT_EQ(ReadXmlText(description, golden), KV_OK);
    EXPECT_EQ(XmlText(description), golden);
}

// A document over the real one whose n-th call of a chosen kind fails with
// KV_E_FAIL; the nodes it hands out are the real ones.
class FailingDomDocument : public IDomDocument {
public:
    enum class Call { kCreateElement, kAppendChild };

    FailingDomDocument(Call call, int fail_at) : call_(call), fail_at_(fail_at) {
        CreateDomDocument(real_);
        real_->loadXML("<ROOT/>");
    }

    DomDocumentPtr Real() const { return real_; }

    KvResult get_nodeName(std::string& name) noexcept override { return real_->get_nodeName(name); }
    KvResult get_text(std::string& text) noexcept override { return real_->get_text(text); }
    KvResult put_text(std::string_view text) noexcept override { return real_->put_text(text); }
    KvResult get_childNodes(DomNodeListPtr& list) noexcept override {
        return real_->get_childNodes(list);
    }
    KvResult appendChild(const DomNodePtr& child) noexcept override {
        return real_->appendChild(child);
    }
    KvResult get_xml(std::string& xml) noexcept override { return real_->get_xml(xml); }
    KvResult createElement(std::string_view tag_name, DomElementPtr& element) noexcept override {
        if (call_ == Call::kCreateElement && ++count_ == fail_at_) {
            element.Release();
            return KV_E_FAIL;
        }
        return real_->createElement(tag_name, element);
    }
    KvResult get_documentElement(DomElementPtr& element) noexcept override {
        return real_->get_documentElement(element);
    }
    KvResult loadXML(std::string_view xml) noexcept override { return real_->loadXML(xml); }

private:
    DomDocumentPtr real_;
    Call call_;
    int fail_at_;
    int count_ = 0;
};

// A parent node whose appendChild always fails.
class RefusingDomNode : public IDomNode {
public:
    KvResult get_nodeName(std::string& name) noexcept override {
        name = "REFUSING";
        return KV_OK;
    }
    KvResult get_text(std::string& text) noexcept override {
        text.clear();
        return KV_OK;
    }
    KvResult put_text(std::string_view) noexcept override { return KV_OK; }
    KvResult get_childNodes(DomNodeListPtr& list) noexcept override {
        list.Release();
        return KV_E_FAIL;
    }
    KvResult appendChild(const DomNodePtr&) noexcept override {
        ++calls;
        return KV_E_FAIL;
    }
    KvResult get_xml(std::string& xml) noexcept override {
        xml.clear();
        return KV_OK;
    }
    int calls = 0;
};

// The key texts of the description's XML form, as stored, in key order.
inline std::vector<std::pair<std::string, std::string>> KeyTexts(CKvUIObject& object) {
    XmlDocument document;
    XmlNode* element = nullptr;
    object.WriteXml(element, document, document.GetRoot());
    std::vector<std::pair<std::string, std::string>> keys;
    if (element == nullptr)
        return keys;
    for (const XmlNode* child : element->GetChildList())
        keys.emplace_back(std::string(child->GetName()), std::string(child->GetContent()));
    return keys;
}

// Each key of `after` holds the text of `listed` when its name is in the
// names, else the text of `unlisted`.
inline void ExpectKeysFrom(CKvUIObject& after, CKvUIObject& listed, CKvUIObject& unlisted,
                           const std::set<std::string>& names) {
    const auto result = KeyTexts(after);
    const auto from_listed = KeyTexts(listed);
    const auto from_unlisted = KeyTexts(unlisted);
    ASSERT_EQ(result.size(), from_listed.size());
    ASSERT_EQ(result.size(), from_unlisted.size());
    for (std::size_t i = 0; i < result.size(); ++i) {
        const std::string& key = result[i].first;
        SCOPED_TRACE(key);
        const bool is_listed = names.count(key) != 0;
        EXPECT_EQ(result[i].second, is_listed ? from_listed[i].second : from_unlisted[i].second);
        // Every key differs between the two, so the test tells them apart.
        EXPECT_NE(from_listed[i].second, from_unlisted[i].second);
    }
}

// Reset keeps exactly the keys named; every other key is back at the value
// of a new description.
template <typename Description>
void ExpectResetKeeps(std::string_view populated_golden, const std::set<std::string>& kept) {
    Description populated(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(populated, GoldenText(populated_golden)), KV_OK);
    Description reset(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(reset, GoldenText(populated_golden)), KV_OK);
    reset.GetState() = 3;
    reset.SetId(9);
    reset.Reset();
    EXPECT_EQ(reset.GetState(), 0u);
    EXPECT_EQ(reset.GetIdText(), "0");
    Description fresh(nullptr, 0, nullptr);
    ExpectKeysFrom(reset, populated, fresh, kept);
}

// The assignment copies exactly the keys named, the numeric id and the owner;
// the target keeps its identifier and every other key. Clone and CopyTo
// follow it.
template <typename Description>
void ExpectAssignmentCopies(std::string_view populated_golden,
                            const std::set<std::string>& copied) {
    Description source(nullptr, 0, nullptr);
    ASSERT_EQ(ReadXmlText(source, GoldenText(populated_golden)), KV_OK);
    source.SetId(0x31);
    auto* owner = reinterpret_cast<CKvUIObjectCatalog*>(&source);
    source.SetOwner(owner);

    Description target(nullptr, 0, nullptr);
    target.GetIdentifier() = "Target";
    target = source;
    Description fresh(nullptr, 0, nullptr);
    ExpectKeysFrom(target, source, fresh, copied);
    EXPECT_EQ(target.GetIdentifier(), "Target");
    EXPECT_EQ(target.GetIdText(), "31");
    EXPECT_EQ(target.GetOwner(), owner);

    CKvUIObject* clone = nullptr;
    ASSERT_EQ(source.Clone(clone), TRUE);
    std::unique_ptr<CKvUIObject> owned(clone);
    EXPECT_EQ(clone->GetIdentifier(), "");
    EXPECT_EQ(clone->GetTypeCode(), source.GetTypeCode());
    ExpectKeysFrom(*clone, source, fresh, copied);

    Description copy(nullptr, 0, nullptr);
    copy.GetIdentifier() = "Copy";
    EXPECT_EQ(source.CopyTo(&copy), TRUE);
    ExpectKeysFrom(copy, source, fresh, copied);
    EXPECT_EQ(copy.GetIdentifier(), "Copy");
    EXPECT_EQ(source.CopyTo(nullptr), FALSE);
}
