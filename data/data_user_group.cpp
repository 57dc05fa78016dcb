#include "data/data_user_group.h"

#include "core/string_tokenizer.h"
#include "data/data_handler_catalog.h"
#include "data/data_handler_store.h"
#include "data/record_identifier.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <algorithm>
#include <mutex>

CKvDataUserGroup::CKvDataUserGroup(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataUserGroup::Reset();
}

CKvDataUserGroup& CKvDataUserGroup::operator=(const CKvDataUserGroup& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    CopyBaseFields(other, kBaseCommon);
    name_ = other.name_;
    count_ = other.count_;
    count_text_ = other.count_text_;
    max_identifiers_ = other.max_identifiers_;
    other.CopyIdentifiersTo(*this);
    return *this;
}

KvResult CKvDataUserGroup::Reset() {
    ResetBaseFields();
    name_.clear();
    SetCount(0, 10);
    DeleteMemberObjects();
    RemoveAllIdentifiers();
    request_word_ = 0;
    max_identifiers_ = kDefaultMaxIdentifiers;
    return result_ = KV_OK;
}

const RecordForm<CKvDataUserGroup>& CKvDataUserGroup::Form() {
    using Group = CKvDataUserGroup;
    static constexpr RecordKey<Group> kName =
        TextKeyWithSetter<&Group::name_, &Group::ReadName>("name");
    static constexpr RecordKey<Group> kIdentifierList = CustomKey<Group>(
        "identifierlist", [](Group& group, std::string& out) { group.FormatIdentifierList(out); },
        [](Group& group, std::string& text) {
            group.ParseIdentifierList(text);
            return KV_OK;
        },
        kKeyFilter | kKeyDecode);
    static constexpr RecordKey<Group> kCount =
        TextKeyWithSetter<&Group::count_text_, &Group::ReadCountText>("count");

    static constexpr RecordKey<Group> kXmlKeys[] = {kName, kIdentifierList, kCount};
    // Stored DOM forms list the count before the identifiers.
    static constexpr RecordKey<Group> kDomKeys[] = {kName, kCount, kIdentifierList};
    static constexpr RecordForm<Group> kForm{
        .element_name = "DATAUSERGROUP",
        .keys = kXmlKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kOwnKeys,
        .dom_keys = kDomKeys,
    };
    return kForm;
}

void CKvDataUserGroup::SetName(std::string& text) {
    TrimInPlace(text);
    name_ = text;
}

// Writers put "name" before "identifierlist", so the capacity of "ALL" is
// raised before its identifiers are parsed.
void CKvDataUserGroup::ReadName(std::string& text) {
    SetName(text);
    if (name_ == kAllGroupName)
        SetMaxIdentifiers(kMaxIdentifiersLimit);
}

void CKvDataUserGroup::SetCount(std::uint32_t count, int radix) {
    count_ = count;
    if (radix == 16)
        count_text_ = Format("%.8x", count);
    else if (count == 0)
        count_text_.clear(); // "%.u" writes no digit for 0
    else
        AssignUnsigned(count_text_, count);
}

void CKvDataUserGroup::SetCountText(const std::string& text, int radix) {
    count_text_ = text;
    count_ = static_cast<std::uint32_t>(std::max(ParseInt32(text, radix), 0));
}

void CKvDataUserGroup::IncrementCount() {
    if (count_ != UINT32_MAX)
        SetCount(count_ + 1, 10);
}

void CKvDataUserGroup::SetMaxIdentifiers(std::int32_t max_identifiers) {
    max_identifiers_ = max_identifiers < 0 || max_identifiers > kMaxIdentifiersLimit
                           ? kMaxIdentifiersLimit
                           : max_identifiers;
}

KvResult CKvDataUserGroup::AddIdentifier(const std::string& identifier) {
    result_ = KV_OK;
    if (member_index_.contains(identifier))
        return result_;
    if (members_.size() >= static_cast<std::size_t>(std::max(max_identifiers_, 0)))
        return result_ = KV_E_LIST_FULL;
    member_index_.emplace(identifier, members_.size());
    members_.push_back(Member{identifier, nullptr});
    IncrementCount();
    return result_;
}

KvResult CKvDataUserGroup::RemoveIdentifier(const std::string& identifier,
                                            std::unique_ptr<CKvDataUser>* taken) {
    const auto found = member_index_.find(identifier);
    if (found == member_index_.end())
        return result_ = KV_E_NOT_PRESENT;
    const std::size_t index = found->second;
    member_index_.erase(found);
    if (taken != nullptr)
        *taken = std::move(members_[index].user);
    members_.erase(members_.begin() + static_cast<std::ptrdiff_t>(index));
    for (auto& [text, place] : member_index_) {
        if (place > index)
            --place;
    }
    if (count_ != 0)
        SetCount(count_ - 1, 10);
    return result_ = KV_OK;
}

std::size_t CKvDataUserGroup::IdentifiersWithinCapacity() const {
    return std::min(members_.size(), static_cast<std::size_t>(std::max(max_identifiers_, 0)));
}

void CKvDataUserGroup::RemoveAllIdentifiers() {
    members_.clear();
    member_index_.clear();
}

void CKvDataUserGroup::ParseIdentifierList(const std::string& text) {
    DeleteMemberObjects();
    RemoveAllIdentifiers();
    if (text.empty())
        return;
    StringTokenizer tokenizer;
    tokenizer.Init(text, ",");
    std::string token;
    std::int32_t position = 0;
    for (std::int32_t passed = 0; passed < max_identifiers_; ++passed) {
        if (tokenizer.NextToken(token, position, true) != KV_OK)
            break;
        AddIdentifier(token);
    }
}

void CKvDataUserGroup::FormatIdentifierList(std::string& out) const {
    out.clear();
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (i > 0)
            out += ',';
        out += members_[i].identifier;
    }
}

void CKvDataUserGroup::CopyIdentifiersTo(CKvDataUserGroup& other) const {
    if (&other == this)
        return;
    other.DeleteMemberObjects();
    other.RemoveAllIdentifiers();
    const std::size_t limit = IdentifiersWithinCapacity();
    for (std::size_t i = 0; i < limit; ++i)
        other.AddIdentifier(members_[i].identifier);
    if (members_resolved_ != 0)
        other.ResolveMembers();
}

KvResult CKvDataUserGroup::ResolveMembers() {
    DeleteMemberObjects();
    CKvDataHandlerCatalog* catalog = GetContext();
    CKvDataHandlerStore* users = nullptr;
    if (!IsValidPtr(catalog) || catalog->GetStore(users, K_KVDT_TP_DTHDLR_DATAUSER) != KV_OK ||
        !IsValidPtr(users))
        return result_ = KV_E_FAIL;
    if (members_.empty())
        return result_;
    // The copies are made under the store's lock, so that no other thread
    // replaces or deletes a user record while it is being cloned.
    std::lock_guard<CKvDataHandlerStore> guard(*users);
    const std::size_t limit = IdentifiersWithinCapacity();
    KvResult result = KV_OK;
    for (std::size_t i = 0; i < limit; ++i) {
        const std::string key(TrimmedView(members_[i].identifier));
        CKvDataHandler* found = nullptr;
        users->LookupByKey(found, key);
        if (!IsValidPtr(found)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        std::unique_ptr<CKvDataHandler> copy;
        auto* user = found->Clone(copy) ? dynamic_cast<CKvDataUser*>(copy.get()) : nullptr;
        if (user == nullptr) {
            result = KV_E_FAIL;
            continue;
        }
        copy.release();
        members_[i].user.reset(user);
        IncrementCount();
    }
    members_resolved_ = 1;
    return result_ = result;
}

KvResult CKvDataUserGroup::DeleteMemberObjects() {
    for (Member& member : members_)
        member.user.reset();
    SetCount(0, 10);
    members_resolved_ = 0;
    return result_ = KV_OK;
}

bool CKvDataUserGroup::GetFirstIdentifierPosition(Position& position) const {
    position = members_.empty() ? 0 : 1;
    return position != 0;
}

const CKvDataUserGroup::Member* CKvDataUserGroup::NextEntry(Position& position) const {
    if (position == 0 || position > members_.size())
        return nullptr;
    const Member* entry = &members_[position - 1];
    position = position < members_.size() ? position + 1 : 0;
    return entry;
}

bool CKvDataUserGroup::GetNextIdentifierText(std::string& identifier, Position& position) const {
    const Member* entry = NextEntry(position);
    if (entry == nullptr)
        return false;
    identifier = entry->identifier;
    return true;
}

bool CKvDataUserGroup::GetNextMember(CKvDataUser*& member, Position& position) const {
    const Member* entry = NextEntry(position);
    member = entry != nullptr ? entry->user.get() : nullptr;
    return entry != nullptr;
}

bool CKvDataUserGroup::GetFirstIdentifier(std::string& identifier, Position& position) const {
    if (!GetFirstIdentifierPosition(position))
        return false;
    return GetNextIdentifierText(identifier, position);
}
