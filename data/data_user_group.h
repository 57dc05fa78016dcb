#pragma once
// CKvDataUserGroup: a named group of users. It holds the identifiers of its
// members (each the key of a user record) and, once ResolveMembers ran, a
// copy of each member's user record fetched from the host's store of users.
// A group named "ALL" may hold up to 1024 identifiers, any other 16 unless
// told otherwise. Element "DATAUSERGROUP"; a non-zero identifier travels as
// the attribute "identifier" (data/record_identifier.h); the name is the key.

#include "data/data_handler.h"
#include "data/data_user.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CKvDataUserGroup : public NumberedRecord<CKvDataUserGroup, K_KVDT_TP_DTHDLR_DATAUSERGROUP> {
public:
    // An identifier position: 0 is the null position, else the index of the
    // next identifier plus one.
    using Position = std::size_t;

    static constexpr std::int32_t kDefaultMaxIdentifiers = 16;
    static constexpr std::int32_t kMaxIdentifiersLimit = 1024;
    // The group whose capacity reading raises to the limit.
    static constexpr std::string_view kAllGroupName = "ALL";

    explicit CKvDataUserGroup(CKvDataHandlerCatalog* context = nullptr,
                              std::uint32_t identifier = 0);
    // Name, count, base identifier, flag word, timer and context, capacity,
    // then the identifiers; when the source's members were resolved, the
    // target resolves its own through the copied context. The request word
    // stays the target's own.
    CKvDataUserGroup& operator=(const CKvDataUserGroup& other);

    KvResult Reset() override;
    std::string& GetKey() override { return name_; }

    // Trims the caller's text in place.
    void SetName(std::string& text);
    const std::string& GetName() const { return name_; }

    // Radix 16 writes eight hexadecimal digits; any other radix decimal, where
    // 0 gives the empty text.
    void SetCount(std::uint32_t count, int radix);
    // Keeps the text as given; the count is what it reads as a signed number
    // in the radix, a negative number giving 0. A count never wraps: adding
    // stops at the largest count, removing at 0.
    void SetCountText(const std::string& text, int radix);
    std::uint32_t GetCount() const { return count_; }
    const std::string& GetCountText() const { return count_text_; }

    // A negative number or one above the limit gives the limit.
    void SetMaxIdentifiers(std::int32_t max_identifiers);
    std::int32_t GetMaxIdentifiers() const { return max_identifiers_; }
    std::size_t GetIdentifierCount() const { return members_.size(); }

    // KV_OK; an identifier already held keeps its entry and member, and the
    // count does not change. KV_E_LIST_FULL at capacity.
    KvResult AddIdentifier(const std::string& identifier);
    // KV_E_NOT_PRESENT for an identifier not held. The member object goes to
    // *taken when given, else it is deleted.
    KvResult RemoveIdentifier(const std::string& identifier,
                              std::unique_ptr<CKvDataUser>* taken = nullptr);

    // Replaces the identifiers with the trimmed items of a comma-separated
    // text, passing at most as many items as the capacity.
    void ParseIdentifierList(const std::string& text);
    // The identifiers joined with ",", in the group's order.
    void FormatIdentifierList(std::string& out) const;

    // Replaces the other group's identifiers with this group's, and resolves
    // the other's members when this group's are resolved.
    void CopyIdentifiersTo(CKvDataUserGroup& other) const;
    // Copies the user record behind each identifier from the store of users
    // of the context's catalog; the count becomes the number copied. KV_E_FAIL
    // without a catalog or a store of users; an identifier without a user
    // record gives KV_E_INVALID_POINTER, a failed copy KV_E_FAIL, and the walk
    // goes on.
    KvResult ResolveMembers();
    // Deletes the member objects (the identifiers stay), clears the count and
    // the members-resolved word.
    KvResult DeleteMemberObjects();

    // ---- Iteration in the group's order ----

    bool GetFirstIdentifierPosition(Position& position) const;
    bool GetNextIdentifierText(std::string& identifier, Position& position) const;
    // The member object, owned by the group; null when not resolved.
    bool GetNextMember(CKvDataUser*& member, Position& position) const;
    bool GetFirstIdentifier(std::string& identifier, Position& position) const;

    // The request word travels with the object, never in a text form.
    void SetRuntimeWordA(std::uint32_t word) { request_word_ = word; }
    std::uint32_t GetRuntimeWordA() const { return request_word_; }
    // The members-resolved word.
    void SetRuntimeWordB(std::uint32_t word) { members_resolved_ = word; }
    std::uint32_t GetRuntimeWordB() const { return members_resolved_; }

private:
    struct Member {
        std::string identifier;
        std::unique_ptr<CKvDataUser> user;
    };

    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataUserGroup>& Form();
    void ReadName(std::string& text);
    void ReadCountText(const std::string& text) { SetCountText(text, 10); }
    void IncrementCount();
    void RemoveAllIdentifiers();
    // How many identifiers, from the first, the walks over them take.
    std::size_t IdentifiersWithinCapacity() const;
    // Walks the members on a position; null at the end.
    const Member* NextEntry(Position& position) const;

    std::string name_;
    std::uint32_t count_ = 0;
    std::string count_text_;
    // In the order added; the index finds an identifier's place.
    std::vector<Member> members_;
    std::unordered_map<std::string, std::size_t> member_index_;
    std::uint32_t request_word_ = 0;
    std::uint32_t members_resolved_ = 0;
    std::int32_t max_identifiers_ = kDefaultMaxIdentifiers;
};
