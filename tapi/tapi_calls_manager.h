#pragma once
// KVTAPICALLSMANAGER: the calls of one TAPI line, keyed by call handle, in
// the order they were added (payload type 50, XML element
// "KVTAPICALLSMANAGER"). The line thread sends copies of it to the jobs that
// watch the line. Every operation stores its result code and returns it.

#include "core/xml_document.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"
#include "tapi/tapi_call.h"
#include "tapi/tapi_value_tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class KVTAPICALLSMANAGER {
public:
    static constexpr KvPayloadType kTypeCode = KV_PAYLOAD_TAPI_CALLS_MANAGER;
    static constexpr std::uint32_t kCapacity = 32;
    // An iteration position: the index of the next call.
    using Position = std::size_t;

    KVTAPICALLSMANAGER() = default;
    KVTAPICALLSMANAGER(const KVTAPICALLSMANAGER& other) { *this = other; }
    // Replaces the calls by copies of the source's and copies features, line
    // handle, the three texts and the three words; assigning a manager to
    // itself changes nothing.
    KVTAPICALLSMANAGER& operator=(const KVTAPICALLSMANAGER& other);

    KvResult GetResult() const { return result_; }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(calls_.size()); }
    bool IsFull() const { return calls_.size() >= kCapacity; }
    bool HasCall(std::uint32_t hcall) const { return IndexOf(hcall) != calls_.size(); }

    // KV_E_FAIL for handle 0, KV_E_NOT_PRESENT (out unchanged) when absent.
    KvResult FindCall(KVTAPICALL*& out, std::uint32_t hcall);
    // The first call, in order, whose callednumber equals the number byte for
    // byte, or whose state is the state; KV_E_FAIL when there is none.
    KvResult FindCallByCalledNumber(KVTAPICALL*& out, const std::string& number);
    KvResult FindCallByState(KVTAPICALL*& out, std::uint32_t state);

    // Takes the call under its handle. On failure the caller keeps it:
    // KV_E_INVALID_POINTER for none, KV_E_FAIL for handle 0 (it could never
    // be found or removed), KV_E_LIST_FULL at 32 calls, KV_E_ALREADY_PRESENT
    // for a handle that is held.
    KvResult AddCall(std::unique_ptr<KVTAPICALL>& call);
    // The same for a call handed over by pointer: owned by the manager on
    // success, still the caller's on failure.
    KvResult AddCall(KVTAPICALL* call);
    // A new default call with the handle, owned by the manager; out null when
    // it could not be added (KV_E_FAIL for handle 0, else AddCall's code).
    KvResult CreateCall(KVTAPICALL*& out, std::uint32_t hcall);
    // Hands the call over to the caller; KV_E_FAIL for handle 0 or absent.
    KvResult DetachCall(std::unique_ptr<KVTAPICALL>& out, std::uint32_t hcall);
    // The same for a caller that holds the call's pointer already (FindCall):
    // the call becomes the caller's, who deletes it.
    KvResult DetachCall(std::uint32_t hcall);
    // KV_E_FAIL for handle 0, KV_E_NOT_PRESENT when absent.
    KvResult RemoveCall(std::uint32_t hcall);
    KvResult RemoveAllCalls();

    // False when there is no call.
    bool GetStartPosition(Position& position) const;
    // The call at the position, then the position moves on; null at the end.
    KVTAPICALL* GetNextCall(Position& position) const;

    // A new manager assigned from this one; the result word is KV_OK after.
    KvResult Clone(std::unique_ptr<KVTAPICALLSMANAGER>& out);
    // The same handed over by pointer (a message payload): the caller owns it.
    KvResult Clone(KVTAPICALLSMANAGER*& out);

    // The element with "identifier" and "hline", then one "KVTAPICALL" per
    // call in order; stops at the first failure. KV_E_INVALID_POINTER for a
    // bad parent; an element that cannot be linked under the parent gets
    // nothing more and the link's code is returned.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // Reads an element (or the childless text form) of the manager's name:
    // identifier, line handle, then every "KVTAPICALL" child as a call that
    // is added when it reads; one that cannot be read or added is discarded.
    // Its code (KV_E_INVALID_POINTER for a bad child) is the result only
    // until the next call is added, which resets the result word to KV_OK.
    // Another name is left alone (KV_OK).
    KvResult ReadXml(const XmlNode* node);

    LineCallFeatureTable& GetFeatures() { return features_; }
    std::uint32_t& GetHline() { return hline_; }
    std::string& GetElementName() { return element_name_; }
    std::string& GetIdentifier() { return identifier_; }
    std::string& GetSpareText() { return spare_text_; }
    std::array<std::uint32_t, 3>& GetWords() { return words_; }

private:
    std::size_t IndexOf(std::uint32_t hcall) const;

    KvResult result_ = KV_OK;
    std::vector<std::pair<std::uint32_t, std::unique_ptr<KVTAPICALL>>> calls_;
    LineCallFeatureTable features_;
    std::uint32_t hline_ = 0;
    std::string element_name_ = "KVTAPICALLSMANAGER";
    std::string identifier_;
    std::string spare_text_;
    std::array<std::uint32_t, 3> words_{};
};
