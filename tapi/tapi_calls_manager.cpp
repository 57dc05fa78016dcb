#include "tapi/tapi_calls_manager.h"

#include "core/record_xml.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"
#include "tapi/handed_over.h"

#include <algorithm>

namespace {

constexpr std::string_view kCallElementName = "KVTAPICALL";

} // namespace

KVTAPICALLSMANAGER& KVTAPICALLSMANAGER::operator=(const KVTAPICALLSMANAGER& other) {
    if (this == &other)
        return *this;
    RemoveAllCalls();
    for (const auto& [hcall, call] : other.calls_) {
        KVTAPICALL* copy = nullptr;
        if (CreateCall(copy, hcall) == KV_OK)
            *copy = *call;
    }
    features_.AssignValue(other.features_);
    hline_ = other.hline_;
    element_name_ = other.element_name_;
    identifier_ = other.identifier_;
    spare_text_ = other.spare_text_;
    words_ = other.words_;
    return *this;
}

std::size_t KVTAPICALLSMANAGER::IndexOf(std::uint32_t hcall) const {
    const auto found = std::find_if(calls_.begin(), calls_.end(),
                                    [hcall](const auto& entry) { return entry.first == hcall; });
    return static_cast<std::size_t>(found - calls_.begin());
}

KvResult KVTAPICALLSMANAGER::FindCall(KVTAPICALL*& out, std::uint32_t hcall) {
    if (hcall == 0)
        return result_ = KV_E_FAIL;
    const std::size_t index = IndexOf(hcall);
    if (index == calls_.size())
        return result_ = KV_E_NOT_PRESENT;
    out = calls_[index].second.get();
    return result_ = KV_OK;
}

KvResult KVTAPICALLSMANAGER::FindCallByCalledNumber(KVTAPICALL*& out, const std::string& number) {
    for (const auto& [hcall, call] : calls_) {
        if (call->GetCalledNumber() == number) {
            out = call.get();
            return result_ = KV_OK;
        }
    }
    return result_ = KV_E_FAIL;
}

KvResult KVTAPICALLSMANAGER::FindCallByState(KVTAPICALL*& out, std::uint32_t state) {
    for (const auto& [hcall, call] : calls_) {
        if (call->GetState() == state) {
            out = call.get();
            return result_ = KV_OK;
        }
    }
    return result_ = KV_E_FAIL;
}

KvResult KVTAPICALLSMANAGER::AddCall(std::unique_ptr<KVTAPICALL>& call) {
    if (!call)
        return result_ = KV_E_INVALID_POINTER;
    const std::uint32_t hcall = call->GetHcall();
    if (hcall == 0)
        return result_ = KV_E_FAIL;
    if (IsFull())
        return result_ = KV_E_LIST_FULL;
    if (HasCall(hcall))
        return result_ = KV_E_ALREADY_PRESENT;
    calls_.emplace_back(hcall, std::move(call));
    return result_ = KV_OK;
}

KvResult KVTAPICALLSMANAGER::AddCall(KVTAPICALL* call) {
    return AddHandedOver<KVTAPICALLSMANAGER, KVTAPICALL>(*this, &KVTAPICALLSMANAGER::AddCall, call);
}

KvResult KVTAPICALLSMANAGER::CreateCall(KVTAPICALL*& out, std::uint32_t hcall) {
    out = nullptr;
    if (hcall == 0)
        return result_ = KV_E_FAIL;
    auto call = std::make_unique<KVTAPICALL>();
    call->GetHcall() = hcall;
    KVTAPICALL* created = call.get();
    if (AddCall(call) == KV_OK)
        out = created;
    return result_;
}

KvResult KVTAPICALLSMANAGER::DetachCall(std::unique_ptr<KVTAPICALL>& out, std::uint32_t hcall) {
    const std::size_t index = IndexOf(hcall);
    if (hcall == 0 || index == calls_.size())
        return result_ = KV_E_FAIL;
    out = std::move(calls_[index].second);
    calls_.erase(calls_.begin() + static_cast<std::ptrdiff_t>(index));
    return result_ = KV_OK;
}

KvResult KVTAPICALLSMANAGER::DetachCall(std::uint32_t hcall) {
    std::unique_ptr<KVTAPICALL> detached;
    DetachCall(detached, hcall);
    detached.release(); // the caller holds the pointer
    return result_;
}

KvResult KVTAPICALLSMANAGER::RemoveCall(std::uint32_t hcall) {
    if (hcall == 0)
        return result_ = KV_E_FAIL;
    const std::size_t index = IndexOf(hcall);
    if (index == calls_.size())
        return result_ = KV_E_NOT_PRESENT;
    calls_.erase(calls_.begin() + static_cast<std::ptrdiff_t>(index));
    return result_ = KV_OK;
}

KvResult KVTAPICALLSMANAGER::RemoveAllCalls() {
    calls_.clear();
    return result_ = KV_OK;
}

bool KVTAPICALLSMANAGER::GetStartPosition(Position& position) const {
    position = 0;
    return !calls_.empty();
}

KVTAPICALL* KVTAPICALLSMANAGER::GetNextCall(Position& position) const {
    if (position >= calls_.size())
        return nullptr;
    return calls_[position++].second.get();
}

KvResult KVTAPICALLSMANAGER::Clone(std::unique_ptr<KVTAPICALLSMANAGER>& out) {
    out = std::make_unique<KVTAPICALLSMANAGER>(*this);
    return result_ = KV_OK;
}

KvResult KVTAPICALLSMANAGER::Clone(KVTAPICALLSMANAGER*& out) {
    out = new KVTAPICALLSMANAGER(*this);
    return result_ = KV_OK;
}

KvResult KVTAPICALLSMANAGER::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    out = nullptr;
    if (!IsValidPtr(parent))
        return result_ = KV_E_INVALID_POINTER;
    result_ = AddRecordElement(out, document, parent, element_name_);
    if (out == nullptr || result_ != KV_OK)
        return result_;
    // The line name is entity-encoded: a "<" or ">" would otherwise end the tag.
    result_ = AddRecordAttribute(document, out, "identifier", identifier_, true);
    if (result_ == KV_OK)
        result_ = AddRecordAttribute(document, out, "hline", Format("%u", hline_));
    for (const auto& [hcall, call] : calls_) {
        if (result_ != KV_OK)
            break;
        XmlNode* written = nullptr;
        result_ = call->WriteXml(written, document, out);
    }
    return result_;
}

KvResult KVTAPICALLSMANAGER::ReadXml(const XmlNode* node) {
    if (!IsValidPtr(node))
        return result_ = KV_E_INVALID_POINTER;
    const std::uint32_t kind = node->GetKind();
    if ((kind != kXmlElement && kind != kXmlTextElement) || node->GetName() != element_name_)
        return result_ = KV_OK;
    result_ = KV_OK;
    ReadRecordAttribute(*node, "identifier", identifier_, true);
    std::string hline;
    if (ReadRecordAttribute(*node, "hline", hline) == KV_OK)
        hline_ = ParseUInt32(hline, 10);
    for (const XmlNode* child : node->GetChildList()) {
        if (!IsValidPtr(child)) {
            result_ = KV_E_INVALID_POINTER;
            continue;
        }
        // Only calls: a foreign child would become a blank call under handle 0.
        if (child->GetKind() != kXmlElement || child->GetName() != kCallElementName)
            continue;
        auto call = std::make_unique<KVTAPICALL>();
        const KvResult read = call->ReadXml(child);
        if (read != KV_OK) {
            result_ = read;
            continue;
        }
        // A call that cannot be added is dropped; its code stays in the result
        // word only until the next call is added.
        AddCall(call);
    }
    return result_;
}
