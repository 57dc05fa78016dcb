#include "jobs/job_element_xml.h"

#include "core/record_xml.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

namespace {

KvResult WriteElement(XmlNode*& out, XmlDocument& document, XmlNode* job_data,
                      std::string_view name, const std::uint32_t* idsource,
                      const std::vector<JobElementChild>& children) {
    out = nullptr;
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    KvResult result = AddRecordElement(out, document, job_data, name);
    if (result != KV_OK)
        return result;
    if (idsource != nullptr) {
        std::string id;
        AssignUnsigned(id, *idsource);
        result = AddRecordAttribute(document, out, "idsource", id);
    }
    for (const auto& [child_name, text] : children) {
        if (result != KV_OK)
            break;
        XmlNode* child = nullptr;
        result = document.AddTextElement(child, out, child_name, text, TRUE);
    }
    return result;
}

} // namespace

KvResult WriteJobElement(XmlNode*& out, XmlDocument& document, XmlNode* job_data,
                         std::string_view name, std::uint32_t idsource,
                         const std::vector<JobElementChild>& children) {
    return WriteElement(out, document, job_data, name, &idsource, children);
}

KvResult WriteJobElement(XmlNode*& out, XmlDocument& document, XmlNode* job_data,
                         std::string_view name, const std::vector<JobElementChild>& children) {
    return WriteElement(out, document, job_data, name, nullptr, children);
}

KvResult FindJobElement(const XmlNode*& element, const XmlNode* job_data, std::string_view name,
                        std::uint32_t& idsource) {
    element = nullptr;
    if (!IsValidPtr(job_data))
        return KV_E_INVALID_POINTER;
    XmlNode* found = nullptr;
    KvResult result = job_data->FindChild(found, name);
    if (result != KV_OK)
        return result;
    std::string id;
    result = ReadRecordAttribute(*found, "idsource", id);
    if (result != KV_OK)
        return result;
    idsource = static_cast<std::uint32_t>(AtoI32(id));
    element = found;
    return KV_OK;
}

bool RequiredKeys::Count(const XmlNode& child) {
    if (child.GetKind() != kXmlTextElement)
        return false;
    const std::string_view name = child.GetName();
    for (std::size_t i = 0; i < kCount; ++i) {
        if (SameText(names_[i], name)) {
            ++seen_[i];
            return true;
        }
    }
    return false;
}

bool RequiredKeys::IsComplete() const {
    for (const std::uint32_t seen : seen_) {
        if (seen != 1)
            return false;
    }
    return true;
}

KvResult RequiredKeys::Check(KvResult walk_result) const {
    return IsComplete() ? walk_result : KV_E_FAIL;
}
