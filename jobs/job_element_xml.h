#pragma once
// The element of a job class under "JobData": an "idsource" attribute and
// text children keyed by name. Shared by the listen and dial generations,
// which differ only in which keys they write.

#include "core/xml_document.h"
#include "platform/pointer.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using JobElementChild = std::pair<const char*, std::string>;

// Creates the element under the parent with its "idsource" attribute, then
// the children in order; the first failure stops and is returned.
KvResult WriteJobElement(XmlNode*& out, XmlDocument& document, XmlNode* job_data,
                         std::string_view name, std::uint32_t idsource,
                         const std::vector<JobElementChild>& children);

// The same for an element without the "idsource" attribute.
KvResult WriteJobElement(XmlNode*& out, XmlDocument& document, XmlNode* job_data,
                         std::string_view name, const std::vector<JobElementChild>& children);

class RequiredKeys;

// The element under "JobData" and its "idsource" attribute; either missing
// gives that look-up's code and no element.
KvResult FindJobElement(const XmlNode*& element, const XmlNode* job_data, std::string_view name,
                        std::uint32_t& idsource);

// Finds the element under "JobData" and its "idsource" attribute (either
// missing: that look-up's code, nothing read), then hands every child node
// to read_child. A child that is not a valid node records
// KV_E_INVALID_POINTER and the walk goes on. With keys (which read_child
// counts), an incomplete set of keys makes the result KV_E_FAIL.
template <typename ReadChild>
KvResult ReadJobElement(const XmlNode* job_data, std::string_view name, std::uint32_t& idsource,
                        ReadChild&& read_child, const RequiredKeys* keys = nullptr);

// The tally of the named keys a reader needs: the element is complete only
// when each name occurs exactly once, so that a repeated key neither makes up
// for a missing one nor leaves the reader to guess which copy holds. Only a
// text element is a key: one that holds elements has no text to read.
class RequiredKeys {
public:
    static constexpr std::size_t kCount = 5;
    explicit constexpr RequiredKeys(const std::array<std::string_view, kCount>& names)
        : names_(names) {}
    // Counts the child when it is a text element named as one of the keys;
    // false for any other node.
    bool Count(const XmlNode& child);
    bool IsComplete() const;
    // KV_E_FAIL when the keys are not complete, else the walk's result.
    KvResult Check(KvResult walk_result) const;

private:
    std::array<std::string_view, kCount> names_;
    std::array<std::uint32_t, kCount> seen_{};
};

template <typename ReadChild>
KvResult ReadJobElement(const XmlNode* job_data, std::string_view name, std::uint32_t& idsource,
                        ReadChild&& read_child, const RequiredKeys* keys) {
    const XmlNode* element = nullptr;
    KvResult result = FindJobElement(element, job_data, name, idsource);
    if (result != KV_OK)
        return result;
    for (const XmlNode* child : element->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        read_child(*child);
    }
    return keys != nullptr ? keys->Check(result) : result;
}
