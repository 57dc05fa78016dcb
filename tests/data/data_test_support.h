#pragma once
// Helpers of the data tests: a minimal test record, the factory registration
// scope, a fake store catalog, the XML and DOM forms as text, golden files,
// the copy checks every record class passes, and a filled sample of every
// data record class.

#include "core/xml_document.h"
#include "data/data_advertize_entry.h"
#include "data/data_advertize_preferences.h"
#include "data/data_application.h"
#include "data/data_call.h"
#include "data/data_client_general.h"
#include "data/data_contact.h"
#include "data/data_contact_group.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_handler.h"
#include "data/data_handler_catalog.h"
#include "data/data_handler_store.h"
#include "data/data_host.h"
#include "data/data_isdn_controller.h"
#include "data/data_payloads.h"
#include "data/data_preferences.h"
#include "data/data_record_factory.h"
#include "data/data_server_user.h"
#include "data/data_user.h"
#include "data/data_user_group.h"
#include "data/data_voip_profile.h"
#include "data/network_settings.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"
#include "platform/dom.h"
#include "platform/number_parse.h"
#include "platform/text.h"

#include "support/form_text.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

// ---- A minimal record ----

// A record of any store type code: its key is its name, and it counts its
// live instances so that tests see what a store deleted. Its XML form:
// "TESTRECORD" with "name" and "value".
template <std::uint32_t Code> class TestRecord : public DataRecord<TestRecord<Code>, Code> {
    using Base = DataRecord<TestRecord<Code>, Code>;

public:
    explicit TestRecord(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0)
        : Base(context, identifier) {
        ++live_count;
        TestRecord::Reset();
        this->GetNamedFields().Add(kValueCellString, &name_, "CSTRING_NAME", false);
    }
    TestRecord(const TestRecord&) = delete;
    ~TestRecord() override { --live_count; }
    TestRecord& operator=(const TestRecord& other) {
        if (this == &other)
            return *this;
        this->CopyBaseFields(other, Base::kBaseCommon | Base::kBaseSpareText);
        name_ = other.name_;
        value_ = other.value_;
        return *this;
    }

    KvResult Reset() override {
        this->ResetBaseFields();
        name_.clear();
        value_.Set(0);
        return this->result_ = KV_OK;
    }
    std::string& GetKey() override { return name_; }
    KvResult ReadDom(const DomElementPtr& element) override {
        return this->result_ = ReadRecordDom(*this, Form(), element);
    }
    KvResult WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent) override {
        return this->result_ = WriteRecordDom(*this, Form(), document, parent);
    }
    KvResult ReadXml(const XmlNode* element) override {
        return this->result_ = ReadRecordXml(*this, Form(), element);
    }
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) override {
        return this->result_ = WriteRecordXml(*this, Form(), out, document, parent);
    }

    std::string name_;
    UIntValue value_;
    inline static int live_count = 0;

private:
    static const RecordForm<TestRecord>& Form() {
        static constexpr RecordKey<TestRecord> kKeys[] = {
            TextKey<&TestRecord::name_>("name", kKeyFreeText),
            UIntKey<&TestRecord::value_>("value"),
        };
        static constexpr RecordForm<TestRecord> kForm{
            .element_name = "TESTRECORD",
            .keys = kKeys,
            .write_policy = RecordWritePolicy::kStopAtFailure,
            .dom_form = RecordDomForm::kSameKeys,
        };
        return kForm;
    }
};

// Enters a record class in the data-record factory for one test and puts
// back what was filed before.
template <typename Record> class ScopedRecordType {
public:
    ScopedRecordType() : saved_(FindDataRecordType(Record::kTypeCode)) {
        RegisterDataRecordType(Record::kTypeCode, &kDataRecordOperations<Record>);
    }
    ~ScopedRecordType() { RegisterDataRecordType(Record::kTypeCode, saved_); }

private:
    const DataRecordOperations* saved_;
};

// A store directory that files the stores a test hands it.
class FakeDataHandlerCatalog : public CKvDataHandlerCatalog {
public:
    void File(std::uint32_t type_code, CKvDataHandlerStore* store) { stores_[type_code] = store; }

    KvResult GetStore(CKvDataHandlerStore*& out, std::uint32_t type_code) override {
        ++calls;
        auto found = stores_.find(type_code);
        out = found == stores_.end() ? nullptr : found->second;
        return out != nullptr ? KV_OK : KV_E_NO_CLASS;
    }

    int calls = 0;

private:
    std::map<std::uint32_t, CKvDataHandlerStore*> stores_;
};

// ---- Text forms ----

// The XML text of a record or a store written under a fresh document.
template <typename Writable> std::string XmlText(Writable& object) {
    XmlDocument document;
    XmlNode* element = nullptr;
    EXPECT_EQ(object.WriteXml(element, document, document.GetRoot()), KV_OK);
    std::string text;
    document.GetText(text);
    return text;
}

// Reads a record or a store from the first element of the text; its result.
template <typename Readable> KvResult ReadXmlText(Readable& object, std::string_view text) {
    XmlDocument document;
    document.Parse(text);
    const XmlNodeList& top = document.GetRoot()->GetChildList();
    EXPECT_FALSE(top.empty()) << text;
    return top.empty() ? KV_E_FAIL : object.ReadXml(top[0]);
}

// Whether the record's XML form holds the key with exactly that text.
inline bool WritesKey(CKvDataHandler& record, std::string_view key, std::string_view text) {
    const std::string name(key);
    const std::string element = text.empty()
                                    ? "<" + name + " />"
                                    : "<" + name + ">" + std::string(text) + "</" + name + ">";
    return XmlText(record).find(element) != std::string::npos;
}

// The text of a golden file under tests/data/golden.
inline std::string GoldenText(std::string_view name) {
    return GoldenFileText(std::filesystem::path(__FILE__).parent_path() / "golden" / name);
}

// What a record holds, for comparing copies: its XML text; the client
// general settings, which have no XML form, by identifier and number set.
inline std::string Fingerprint(CKvDataHandler& record) {
    if (auto* settings = dynamic_cast<CKvDataClientGeneral*>(&record))
        return settings->GetIdentifierText() + "|" + settings->GetNumberSet().Text();
    return XmlText(record);
}

// The entries of network settings as "key=identifier:data;" each.
inline std::string SettingsEntries(const CKvNetworkSettings& settings) {
    std::string entries;
    CKvNetworkSettings::Position position;
    settings.GetStartPosition(position);
    std::uint32_t key = 0;
    std::string identifier;
    std::string data;
    while (settings.GetNextEntry(position, key, identifier, data))
        entries += std::to_string(key) + "=" + identifier + ":" + data + ";";
    return entries;
}

// ---- Copies ----

// Copying the record onto itself (through its assignment and through
// CopyToSameType) changes nothing; its clone and its copies through the
// payload registry and the data-record factory hold the same, and the clone
// outlives the record. Needs RegisterDataPayloads.
inline void ExpectCopiesHoldTheSame(std::unique_ptr<CKvDataHandler> record) {
    const auto code = static_cast<std::int32_t>(record->GetTypeCode());
    const std::string text = Fingerprint(*record);
    EXPECT_TRUE(CopyPayloadByType(record.get(), record.get(), code)); // self-assignment
    EXPECT_TRUE(record->CopyToSameType(record.get()));
    EXPECT_EQ(Fingerprint(*record), text);

    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, code));
    ASSERT_TRUE(CopyPayloadByType(payload, record.get(), code));
    EXPECT_EQ(Fingerprint(*static_cast<CKvDataHandler*>(payload)), text);
    EXPECT_EQ(DestroyPayloadByType(payload, code), KV_OK);

    if (CKvDataHandler::IsStoreType(record->GetTypeCode())) {
        std::unique_ptr<CKvDataHandler> created;
        ASSERT_EQ(CreateDataRecordByType(created, record->GetTypeCode()), KV_OK);
        created->AssignByType(*record);
        EXPECT_EQ(Fingerprint(*created), text);
    }

    std::unique_ptr<CKvDataHandler> clone;
    ASSERT_TRUE(record->Clone(clone));
    record.reset();
    EXPECT_EQ(Fingerprint(*clone), text);
}

// ---- Counted payloads ----

// Objects made and deleted through the payload registry, per code, by the
// counted operations.
inline std::array<std::atomic<int>, KV_PAYLOAD_TYPE_MAX + 1> created_payloads{};
inline std::array<std::atomic<int>, KV_PAYLOAD_TYPE_MAX + 1> destroyed_payloads{};

// A row of the counted classes: the class, its code and operations that count
// its objects (and copy by assignment where it has one).
template <typename T, std::int32_t Code> struct Counted {
    static void* Create() {
        ++created_payloads[Code];
        return new T();
    }
    static void Destroy(void* payload) {
        ++destroyed_payloads[Code];
        delete static_cast<T*>(payload);
    }
    static constexpr auto kCopy = [] {
        if constexpr (std::is_copy_assignable_v<T>)
            return MakePayloadOperations<T>().copy;
        else
            return decltype(PayloadOperations::copy){};
    }();
    static constexpr std::int32_t kCode = Code;
    static constexpr PayloadOperations kOperations{&Create, kCopy, &Destroy};
};

// Registers the rows' classes with their counting operations, counts from 0;
// RegisterDataPayloads puts the data classes' own operations back.
template <typename... Rows> void RegisterCountedPayloads() {
    ((created_payloads[Rows::kCode] = 0, destroyed_payloads[Rows::kCode] = 0,
      RegisterPayloadType(Rows::kCode, &Rows::kOperations)),
     ...);
}

// ---- A filled sample of every data record class ----

// Calls a text setter of a record, which trims the caller's text.
template <typename Record, typename Class>
void SetText(Record& record, void (Class::*setter)(std::string&), std::string text) {
    (record.*setter)(text);
}

// The fillers of the samples: `i` is the sample's index, `n` its text.
inline void Fill(CKvDataUser& user, std::uint32_t, const std::string& n) {
    SetText(user, &CKvDataUser::SetScreenName, "anna" + n);
    SetText(user, &CKvDataUser::SetPhoneNumberOut, "0301234" + n);
    user.SetTimeoutDisconnected(1500, 10);
}
inline void Fill(CKvDataGeneral& general, std::uint32_t i, const std::string& n) {
    general.GetCapiProvider() = "capi " + n;
    general.SetPortNumber(21000 + i);
    general.GetRestartWeekdays().SetFromText("MO,TU");
}
inline void Fill(CKvDataHost& host, std::uint32_t i, const std::string& n) {
    host.GetHost().Set("pc" + n, 0x0A000001 + i, 8080);
    host.GetDeviceNumber() = "2" + n;
    host.GetCtiDeviceNumbers().SetFromText("100,200");
}
inline void Fill(CKvDataDevice& device, std::uint32_t, const std::string& n) {
    device.GetNumber() = "+49 711 " + n;
    device.GetComment() = "B\xFCro <" + n + ">";
    device.SetFlagVirtual(1);
}
inline void Fill(CKvDataClientGeneral& settings, std::uint32_t i, const std::string&) {
    settings.GetNumberSet().SetFromText("24024-24026," + std::to_string(30 + i));
}
inline void Fill(CKvDataUserGroup& group, std::uint32_t, const std::string& n) {
    SetText(group, &CKvDataUserGroup::SetName, "team" + n);
    group.ParseIdentifierList("anna;1,bob");
}
inline void Fill(CKvDataPreferences& preferences, std::uint32_t i, const std::string& n) {
    SetText(preferences, &CKvDataPreferences::SetScreenName, "anna <" + n + ">");
    preferences.SetIdImage(i);
}
inline void Fill(CKvDataContact& contact, std::uint32_t i, const std::string& n) {
    contact.GetLastName() = "M\xFCller" + n;
    contact.GetFirstName() = "Anna";
    contact.GetComment() = "calls <after> 3 & later";
    contact.GetDateTimeLastCall().SetSeconds(3900000000u + i);
    for (const auto& [id, number] :
         {std::pair<std::string, std::string>{"office", "+49 30 1234"}, {"mobile", "0171 555"}}) {
        PHONE_NUMBER* entry = nullptr;
        if (std::string key = id; contact.GetPhoneNumberList().CreateEntry(entry, key) == KV_OK)
            entry->GetNumber() = number + n;
    }
    std::string home = "home";
    ADDRESS* address = nullptr;
    if (contact.GetAddressList().CreateEntry(address, home) == KV_OK)
        address->GetCity() = "Hamburg";
}
inline void Fill(CKvDataCall& call, std::uint32_t i, const std::string& n) {
    call.GetStartTime().SetSeconds(3913056000u + i);
    call.FormatStartTime();
    call.GetLastName() = "Doe" + n;
    call.GetFlagCallOut().Set(1);
    call.GetPhoneNumber().GetNumber() = "+49 40 555" + n;
}
inline void Fill(CKvDataApplication& application, std::uint32_t, const std::string& n) {
    application.GetName() = "Mail " + n;
    application.GetModuleName() = "mail" + n + ".dll";
    application.GetXmlApplicationSpecific() = "<OPTIONS><flag>1</flag></OPTIONS>";
    application.GetSkills().SetText("DIAL_CALLS");
}
inline void Fill(CKvDataServerUser& user, std::uint32_t, const std::string& n) {
    user.GetLoginName() = " bob" + n + " ";
    user.GetDeviceNumberList().SetFromText("21,22");
    COMPUTER_IDENT* computer = nullptr;
    user.GetComputerIdentList().Add(computer, "pc" + n, 0x0A000002, 21021);
}
inline void Fill(CKvDataIsdnController& controller, std::uint32_t i, const std::string&) {
    controller.SetControllerNumber(i + 1);
    controller.GetManufacturer() = "M\xFCller & <Co>";
    controller.GetFunctions().FormatText(5);
}
inline void Fill(CKvDataContactGroup& group, std::uint32_t i, const std::string& n) {
    group.GetName() = "Sales " + n;
    group.GetOwnerIdentifier() = "u17";
    group.GetContact().SetIdentifier(0x100 + i);
    Fill(group.GetContact(), i, n);
}
inline void Fill(CKvDataVoipProfile& profile, std::uint32_t, const std::string& n) {
    profile.GetDisplayableName() = "Office line " + n;
    profile.GetAuthenticatePassword() = "p<w&d";
    profile.GetServer().Set("sip.example", 0x0A000001, 5060);
    profile.GetXmlExtension() = "<codec prio=\"1\">G711</codec>";
}
inline void Fill(CKvDataAdvertizePreferences& preferences, std::uint32_t, const std::string& n) {
    preferences.GetKey() = "main" + n;
    preferences.GetUrlSource() = "http://ads.example/list?a=1&b=<2>";
    preferences.GetPresentationType().SetValue(CKvPresentationTypeTable::kShuffle);
}
inline void Fill(CKvDataAdvertizeEntry& entry, std::uint32_t, const std::string& n) {
    entry.GetKey() = "spring" + n;
    entry.GetTimeToShowMaximal() = "1 min";
    entry.GetGroupId().Set(4000000000u);
}

// The table of the data record classes: their codes, and a filled sample of
// a code, whose index makes its identifier and key distinct.
template <typename... Records> struct RecordTable {
    static constexpr std::uint32_t kCodes[] = {Records::kTypeCode...};
    static void RegisterCounted() {
        RegisterCountedPayloads<Counted<Records, Records::kTypeCode>...>();
    }
    static std::unique_ptr<CKvDataHandler> Sample(std::uint32_t code, std::uint32_t index) {
        std::unique_ptr<CKvDataHandler> sample;
        const auto fill = [&](auto record) {
            record->SetIdentifier(0x100 + index);
            Fill(*record, index, std::to_string(index));
            sample = std::move(record);
        };
        ((code == Records::kTypeCode ? fill(std::make_unique<Records>()) : void()), ...);
        EXPECT_NE(sample, nullptr) << "no sample of code " << code;
        return sample;
    }
};
using DataRecords =
    RecordTable<CKvDataUser, CKvDataGeneral, CKvDataHost, CKvDataDevice, CKvDataClientGeneral,
                CKvDataUserGroup, CKvDataPreferences, CKvDataContact, CKvDataCall,
                CKvDataApplication, CKvDataServerUser, CKvDataIsdnController, CKvDataContactGroup,
                CKvDataVoipProfile, CKvDataAdvertizePreferences, CKvDataAdvertizeEntry>;
inline constexpr const auto& kDataRecordCodes = DataRecords::kCodes;
inline constexpr auto SampleRecord = &DataRecords::Sample;
