#include "core/address.h"

#include "core/record_xml.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <memory>
#include <utility>

namespace {

constexpr EnumKeywordName kAddressCategoryNames[] = {
    {"UNSPECIFIED", 0},
    {"OFFICE", 1},
    {"PRIVAT", 2},
    {"DIVERSE", 3},
};

constexpr std::string_view kElementName = "ADDRESS";
constexpr std::string_view kListElementName = "ADDRESS_LIST";
constexpr std::string_view kCategoryKey = "category";

// Keys of the free texts, in the order of ADDRESS::Field.
constexpr std::string_view kTextKeys[ADDRESS::kFieldCount] = {
    "city", "streetandnumber", "zipcode", "region", "country", "comment",
};

} // namespace

AddressCategory::AddressCategory() : EnumKeywordSet(kAddressCategoryNames, 0) {}

ADDRESS& ADDRESS::operator=(const ADDRESS& other) {
    result_ = KV_OK;
    identifier_ = other.identifier_;
    category_.SetValue(other.category_.GetValue());
    texts_ = other.texts_;
    return *this;
}

// Copying a category as Reset leaves it spares each new address the keyword
// searches of building and setting one.
ADDRESS::ADDRESS()
    : KvObject(), category_([]() -> const AddressCategory& {
          static const AddressCategory reset = [] {
              AddressCategory made;
              made.SetValue(0);
              return made;
          }();
          return reset;
      }()) {}

void ADDRESS::Reset() {
    result_ = KV_OK;
    identifier_.clear();
    for (std::string& text : texts_)
        text.clear();
    category_.SetValue(0);
}

KvResult ADDRESS::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    result_ = WriteListElement(out, document, parent, XmlStaticName{kElementName}, identifier_);
    XmlNode* const element = out;
    if (element == nullptr)
        return result_;
    XmlNode* child = nullptr;
    result_ = document.AddTextElement(child, element, XmlStaticName{kCategoryKey}, category_.Text(),
                                      TRUE);
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        TrimInPlace(texts_[field]);
        if (!texts_[field].empty())
            result_ =
                document.AddTextElement(child, element, XmlStaticName{kTextKeys[field]},
                                        texts_[field], TRUE);
    }
    return result_;
}

KvResult ADDRESS::ReadXml(const XmlNode* element) {
    result_ = KV_OK;
    if (!IsValidPtr(element))
        return result_ = KV_E_INVALID_POINTER;
    if (element->GetName() != kElementName)
        return result_;
    return result_ =
               ReadIdentifiedTextChildren(*element, identifier_, [this](const XmlNode& child) {
                   if (child.GetName() == kCategoryKey) {
                       // A word that is no category leaves UNSPECIFIED and is no error
                       // of the record.
                       category_.ParseText(child.GetContent());
                       return;
                   }
                   for (std::size_t field = 0; field < kFieldCount; ++field) {
                       if (child.GetName() == kTextKeys[field]) {
                           child.GetText(texts_[field]);
                           return;
                       }
                   }
               });
}

ADDRESS_LIST& ADDRESS_LIST::operator=(const ADDRESS_LIST& other) {
    if (this == &other)
        return *this;
    CopyEntriesFrom(other, [](ADDRESS& entry, const ADDRESS& source) { entry = source; });
    identifier_ = other.identifier_;
    result_ = KV_OK;
    return *this;
}

KvResult ADDRESS_LIST::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    result_ = WriteListElement(out, document, parent, XmlStaticName{kListElementName}, identifier_);
    if (out != nullptr)
        WriteEntries(document, out);
    return result_;
}

KvResult ADDRESS_LIST::ReadXml(const XmlNode* element) {
    if (!ReadListElement(element, kListElementName, identifier_, result_))
        return result_;
    ReadNamedEntries(*element, kElementName);
    return result_;
}
