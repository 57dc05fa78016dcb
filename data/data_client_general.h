#pragma once
// CKvDataClientGeneral (type 5): general settings of a client that travel
// only in memory, as a payload or in a store. It has no XML or DOM form, and
// there is one per client, so any two such records have the same key. Their
// meaning lies with the host that fills them; this module carries, copies and
// resets them.

#include "core/number_set.h"
#include "data/data_handler.h"

#include <cstdint>
#include <string>

class CKvDataClientGeneral
    : public DataRecord<CKvDataClientGeneral, K_KVDT_TP_DTHDLR_DATACLIENTGENERAL> {
public:
    explicit CKvDataClientGeneral(CKvDataHandlerCatalog* context = nullptr,
                                  std::uint32_t identifier = 0);
    CKvDataClientGeneral(const CKvDataClientGeneral&) = delete;
    // Copies the identifier, flag word, timer, context and every field; the
    // type code and the spare text stay this record's own.
    CKvDataClientGeneral& operator=(const CKvDataClientGeneral& other);

    // Identifier 0, texts empty, numbers 0, the number set empty, the timer
    // stopped, the flag word 0.
    KvResult Reset() override;
    // The identifier text.
    std::string& GetKey() override;
    // Always true: a client has one such record.
    bool IsSameKey(CKvDataHandler& other) override;
    // No persisted form: each of these fails with KV_E_FAIL, which becomes
    // the result, and touches nothing (WriteXml leaves out as it was).
    KvResult ReadDom(const DomElementPtr& element) override;
    KvResult WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent) override;
    KvResult ReadXml(const XmlNode* element) override;
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) override;

    std::string& GetFirstText() { return first_text_; }
    std::string& GetSecondText() { return second_text_; }
    std::uint32_t& GetFirstNumber() { return first_number_; }
    std::string& GetThirdText() { return third_text_; }
    std::uint32_t& GetSecondNumber() { return second_number_; }
    NumberSet& GetNumberSet() { return number_set_; }
    const std::string& GetFirstText() const { return first_text_; }
    const std::string& GetSecondText() const { return second_text_; }
    std::uint32_t GetFirstNumber() const { return first_number_; }
    const std::string& GetThirdText() const { return third_text_; }
    std::uint32_t GetSecondNumber() const { return second_number_; }
    const NumberSet& GetNumberSet() const { return number_set_; }

private:
    std::string first_text_;
    std::string second_text_;
    std::uint32_t first_number_ = 0;
    std::string third_text_;
    std::uint32_t second_number_ = 0;
    NumberSet number_set_;
    // GetKey hands out a reference; the identifier text itself is read-only.
    std::string key_;
};
