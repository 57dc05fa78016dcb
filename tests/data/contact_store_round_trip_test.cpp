// A contact store with every field kind, written, read back and written
// again: its exact text is pinned, so that faster writers and readers keep
// every byte.

#include "data_test_support.h"

#include "core/address.h"
#include "core/kv_string.h"
#include "core/phone_number.h"
#include "platform/clock.h"

#include <cstdint>
#include <string>

namespace {

constexpr std::uint32_t kContacts = 300;

void AddNumber(CKvDataContact& contact, const char* identifier, std::uint32_t index,
               std::uint32_t category) {
    std::string key = identifier;
    PHONE_NUMBER* phone = nullptr;
    ASSERT_EQ(contact.GetPhoneNumberList().CreateEntry(phone, key), KV_OK);
    phone->SetCategory(category);
    phone->GetNumber() = Format("+49 30 %07u", index * 7 + category);
    phone->GetData() = index % 3 == 0 ? "" : Format("d%u", index);
    phone->GetLineId() = index % 4 == 0 ? "" : "line 1";
    phone->GetAlias() = index % 5 == 0 ? "" : "A & B";
    phone->GetFlagData() = index % 2;
    phone->GetFlagActive() = index % 3 != 1;
    phone->GetDialCount().Set(index % 7 == 0 ? 0 : 40 + index);
}

void AddText(KVSTRING_LIST& list, const std::string& identifier, const std::string& data) {
    KVSTRING* entry = nullptr;
    std::string key = identifier;
    ASSERT_EQ(list.CreateEntry(entry, key), KV_OK);
    entry->GetData() = data;
}

std::unique_ptr<CKvDataHandler> MakeContact(std::uint32_t i) {
    auto contact = std::make_unique<CKvDataContact>();
    contact->SetIdentifier(i + 1);
    contact->GetLastName() = Format("M\xfc" "ller%u", i);
    contact->GetFirstName() = i % 5 == 0 ? "" : Format("Anna <%u>", i % 97);
    contact->GetCompanyName() = "Nordlicht & Co";
    contact->GetComment() = i % 2 ? "  calls \"after\" 3  " : "";
    contact->GetSalutation() = "Frau";
    contact->GetProfession() = i % 3 ? "K\xf6" "chin" : "";
    contact->GetDataPool() = i % 4 ? "" : "pool";
    std::string in = Format("0301234%u", i);
    contact->SetLastNumberIn(in);
    std::string out = i % 2 ? Format("0171%u", i) : "";
    contact->SetLastNumberOut(out);
    contact->GetDateTimeLastCall().SetSeconds(3900000000u + i * 3600u);
    if (i % 11 != 0) {
        AddNumber(*contact, "office", i, 1);
        AddNumber(*contact, "mobile", i, 4);
    }
    if (i % 3 == 0)
        AddNumber(*contact, "fax", i, 3);
    if (i % 6 != 5) {
        std::string home = "home";
        ADDRESS* address = nullptr;
        EXPECT_EQ(contact->GetAddressList().CreateEntry(address, home), KV_OK);
        address->GetStreetAndNumber() = Format("Hafenstra\xdf" "e %u", i % 200 + 1);
        address->GetZipcode() = Format("%05u", 20000 + i);
        address->GetCity() = "Hamburg";
        address->GetRegion() = i % 2 ? "HH" : "";
        address->GetCountry() = "Germany";
        address->GetComment() = i % 3 ? "" : "back door";
        address->SetCategory(i % 4);
    }
    if (i % 2 == 0)
        AddText(contact->GetEmailList(), "work", Format("a%u@example.org", i));
    if (i % 4 == 1)
        AddText(contact->GetUrlList(), "site", "http://example.org/?a=1&b=2");
    return contact;
}

// FNV-1a over the text: a stable fingerprint of every byte.
std::uint64_t Fingerprint64(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

TEST(ContactStoreRoundTrip, WrittenReadBackAndWrittenAgainKeepsEveryByte) {
    // The first contact's last call: every write lowers a dial count by 10.
    ManualClock clock(3'900'000'000LL - 2'208'988'800LL);
    ScopedClock installed(clock);
    RegisterDataPayloads();
    CKvDataHandlerStore store(K_KVDT_TP_DTHDLR_DATACONTACT, 0, kContacts, "DATA_TYPE_HANDLER",
                              nullptr);
    for (std::uint32_t i = 0; i < kContacts; ++i) {
        std::unique_ptr<CKvDataHandler> contact = MakeContact(i);
        ASSERT_EQ(store.Add(contact), KV_OK);
    }
    const std::string first = XmlText(store);
    CKvDataHandlerStore read(K_KVDT_TP_DTHDLR_DATACONTACT, 0, kContacts, "DATA_TYPE_HANDLER",
                             nullptr);
    ASSERT_EQ(ReadXmlText(read, first), KV_OK);
    ASSERT_EQ(read.GetCount(), static_cast<std::int32_t>(kContacts));
    const std::string second = XmlText(read);

    // Pinned from the writer and reader as they were before they were made
    // faster; the second text differs from the first only in dial counts.
    EXPECT_EQ(first.size(), 341047u);
    EXPECT_EQ(Fingerprint64(first), 8416113187996481145ull);
    EXPECT_EQ(second.size(), 341028u);
    EXPECT_EQ(Fingerprint64(second), 16130467978887746617ull);
}

} // namespace
