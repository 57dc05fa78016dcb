#pragma once
// CKvDataApplication (type 10, "DATAAPPLICATION"): one application plug-in of
// the client: its display and module names, whether it is in use, the
// functions it offers (skills) and a block of markup in which the plug-in
// keeps its own preferences. The record also carries a word for the host and
// the messages pending for the plug-in, neither of which is persisted.

#include "core/function_flag_tables.h"
#include "core/text_values.h"
#include "data/data_handler.h"
#include "data/record_keys.h"
#include "framework/message_list.h"

#include <cstdint>
#include <string>

class CKvDataApplication
    : public KeyTableRecord<CKvDataApplication, K_KVDT_TP_DTHDLR_DATAAPPLICATION> {
public:
    explicit CKvDataApplication(CKvDataHandlerCatalog* context = nullptr,
                                std::uint32_t identifier = 0);
    CKvDataApplication(const CKvDataApplication&) = delete;
    // Copies the identifier, flag word, timer, context, spare text and every
    // field; the pending messages are replaced by clones of the other's.
    CKvDataApplication& operator=(const CKvDataApplication& other);
    // Releases the pending messages with their payloads.
    ~CKvDataApplication() override = default;

    // Every field empty, false or zero, the base fields too; the pending
    // messages are released.
    KvResult Reset() override;
    // The module name, untrimmed.
    std::string& GetKey() override { return module_name_; }
    // The form operations come from the key table. DOM: no form of its own,
    // the element with "id" only; nothing is read. ReadXml needs the attribute
    // "identifier", whose raw value becomes the module name (missing:
    // KV_E_NOT_FOUND and nothing is read); a "modulename" child then overrides
    // it. The markup block is read only from an element. WriteXml: the module
    // name as "identifier", then every key, empty ones included, untrimmed;
    // the markup block unencoded. Stops at the first failing step.

    std::string& GetName() { return name_; }
    std::string& GetModuleName() { return module_name_; }
    BoolValue& GetFlagUse() { return flag_use_; }
    std::string& GetXmlApplicationSpecific() { return xml_application_specific_; }
    AppFunctionFlagTable& GetSkills() { return skills_; }
    // Carried for the host; its meaning lies there.
    std::uint32_t& GetCarriedWord() { return carried_word_; }
    // Owned by the record.
    CKvMessageList& GetMessageList() { return pending_messages_; }

    const std::string& GetName() const { return name_; }
    const std::string& GetModuleName() const { return module_name_; }
    const BoolValue& GetFlagUse() const { return flag_use_; }
    const std::string& GetXmlApplicationSpecific() const { return xml_application_specific_; }
    const AppFunctionFlagTable& GetSkills() const { return skills_; }
    std::uint32_t GetCarriedWord() const { return carried_word_; }
    const CKvMessageList& GetMessageList() const { return pending_messages_; }

private:
    friend KeyTableRecord;
    static const RecordForm<CKvDataApplication>& Form();

    std::string name_;
    std::string module_name_;
    BoolValue flag_use_;
    std::string xml_application_specific_;
    AppFunctionFlagTable skills_;
    std::uint32_t carried_word_ = 0;
    CKvMessageList pending_messages_;
};
