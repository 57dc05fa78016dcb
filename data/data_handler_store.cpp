#include "data/data_handler_store.h"

#include "core/handle_table.h"
#include "core/record_xml.h"
#include "core/xml_document.h"
#include "data/data_record_factory.h"
#include "platform/pointer.h"
#include "platform/prefetch.h"

#include <algorithm>
#include <utility>

namespace {

// Walking a large store waits on one record's memory after another; asking
// for the next record's first lines (a contact's whole fixed part) while the
// current one is handled overlaps the two. Changes nothing.
void PrefetchRecord(const CKvDataHandler* record) {
    constexpr std::size_t kBytes = 1024;
    if (record != nullptr)
        PrefetchBytes(record, kBytes);
}

} // namespace

// Holds the attached lock, if any, for one operation.
class CKvDataHandlerStore::Guard {
public:
    explicit Guard(const CKvDataHandlerStore& store) : lock_(store.lock_) {
        if (lock_ != nullptr)
            lock_->Lock();
    }
    ~Guard() {
        if (lock_ != nullptr)
            lock_->Unlock();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CriticalSection* lock_;
};

CKvDataHandlerStore::CKvDataHandlerStore() {
    Reset();
}

CKvDataHandlerStore::CKvDataHandlerStore(std::uint32_t handler_type, std::uint32_t key_mode,
                                         std::int32_t capacity, const char* element_name,
                                         CKvDataHandlerCatalog* context, const char* tag_text) {
    Init(handler_type, key_mode, capacity, element_name, context, tag_text);
}

CKvDataHandlerStore::~CKvDataHandlerStore() {
    AttachLock(false);
    ForgetAll();
}

KvResult CKvDataHandlerStore::Reset() {
    // Records are deleted rather than forgotten: the store owns them and
    // nothing else could free them afterwards.
    ForgetAll();
    handler_type_ = 0;
    capacity_ = 0;
    key_mode_ = 0;
    element_name_ = kDefaultElementName;
    context_ = nullptr;
    tag_text_.clear();
    identifier_text_.clear();
    own_position_ = Position();
    AttachLock(false);
    table_ = nullptr;
    return result_ = KV_OK;
}

KvResult CKvDataHandlerStore::Init(std::uint32_t handler_type, std::uint32_t key_mode,
                                   std::int32_t capacity, const char* element_name,
                                   CKvDataHandlerCatalog* context, const char* tag_text) {
    handler_type_ = handler_type;
    capacity_ = capacity;
    element_name_ = element_name != nullptr ? element_name : "";
    context_ = context;
    if (tag_text != nullptr)
        tag_text_ = tag_text;
    return SetKeyMode(key_mode);
}

KvResult CKvDataHandlerStore::SetKeyMode(std::uint32_t key_mode) {
    // The records sit in the index of the mode they were added in; switching
    // would hide them from every later operation.
    if (!entries_.empty() && (key_mode != 0) != IsKeyMode())
        return result_ = KV_E_FAIL;
    key_mode_ = key_mode;
    return result_ = KV_OK;
}

KvResult CKvDataHandlerStore::AttachLock(bool attach) {
    if (!attach) {
        if (lock_id_ != 0 && table_ != nullptr)
            table_->Free(lock_id_);
        lock_id_ = 0;
        lock_ = nullptr;
        return KV_OK;
    }
    if (lock_ != nullptr)
        return KV_OK;
    if (table_ == nullptr)
        return KV_E_FAIL;
    std::uint32_t id = 0;
    const KvResult allocated = table_->Allocate(id);
    if (allocated != KV_OK)
        return allocated;
    CriticalSection* lock = nullptr;
    if (table_->Lookup(id, lock) == 0 || lock == nullptr) {
        table_->Free(id);
        return KV_E_NOT_FOUND;
    }
    lock_id_ = id;
    lock_ = lock;
    return KV_OK;
}

void CKvDataHandlerStore::Lock() {
    if (lock_ != nullptr)
        lock_->Lock();
}

void CKvDataHandlerStore::Unlock() {
    if (lock_ != nullptr)
        lock_->Unlock();
}

KvResult CKvDataHandlerStore::CreateHandler(std::unique_ptr<CKvDataHandler>& out) const {
    return CreateDataRecordByType(out, handler_type_);
}

bool CKvDataHandlerStore::Holds(const CKvDataHandler* record) const {
    // A held record names its store: the index, whose look-up by address
    // misses the cache for every new record, is asked only about a record
    // that names another store.
    if (!IsValidPtr(record) || record->store_ == nullptr)
        return false;
    return record->store_ == this || by_record_.contains(record);
}

KvResult CKvDataHandlerStore::Add(CKvDataHandler* record) {
    Guard guard(*this);
    result_ = KV_OK;
    // Storing the held object again would delete it while keeping it.
    if (Holds(record))
        return result_;
    if (static_cast<std::int64_t>(entries_.size()) >= capacity_)
        return result_ = KV_E_LIST_FULL;
    if (!IsValidPtr(record))
        return result_ = KV_E_INVALID_POINTER;
    if (record->GetTypeCode() != handler_type_)
        return result_ = KV_E_WRONG_RECORD_TYPE;

    std::string key;
    if (IsKeyMode()) {
        key = record->GetKey();
        if (key.empty())
            return result_ = KV_E_FAIL;
    }
    record->SetContext(context_);
    if (!tag_text_.empty())
        record->GetSpareText() = tag_text_;

    const std::uint32_t identifier = record->GetIdentifier();
    EntryList::iterator existing = entries_.end();
    // In key mode the key is hashed once, for the look-up and for filing a
    // new entry below.
    std::uint64_t key_hash = 0;
    if (IsKeyMode()) {
        key_hash = KeyIndex::Hash(key);
        if (const EntryList::iterator* filed = by_key_.find(key, key_hash))
            existing = *filed;
    } else if (auto found = by_identifier_.find(identifier); found != by_identifier_.end()) {
        existing = found->second;
    }

    if (existing != entries_.end()) {
        ++removals_;
        by_record_.erase(existing->record.get());
        existing->record.reset(record);
        by_record_.emplace(record, existing);
        record->store_ = this;
        return result_;
    }
    entries_.push_back(
        Entry{std::unique_ptr<CKvDataHandler>(record), identifier, std::move(key)});
    const EntryList::iterator entry = std::prev(entries_.end());
    if (IsKeyMode())
        by_key_.insert(key_hash, entry);
    else
        by_identifier_.emplace(identifier, entry);
    by_record_.emplace(record, entry);
    record->store_ = this;
    return result_;
}

bool CKvDataHandlerStore::MoveIdentifier(CKvDataHandler& record, std::uint32_t identifier) {
    Guard guard(*this);
    if (IsKeyMode())
        return true;
    const EntryList::iterator* held = by_record_.find(&record);
    if (held == nullptr)
        return true;
    const EntryList::iterator entry = *held;
    if (by_identifier_.contains(identifier))
        return false;
    by_identifier_.erase(entry->identifier);
    entry->identifier = identifier;
    by_identifier_.emplace(identifier, entry);
    return true;
}

void CKvDataHandlerStore::ReserveIndexes(std::size_t more) {
    // Only for records about to be added: a large, mostly empty store keeps
    // small indexes.
    const std::size_t room = static_cast<std::size_t>(std::max(capacity_, 0));
    const std::size_t count = std::min(entries_.size() + more, std::max(room, entries_.size()));
    if (IsKeyMode())
        by_key_.reserve(count);
    else
        by_identifier_.reserve(count);
    by_record_.reserve(count);
}

std::size_t CKvDataHandlerStore::GetIndexBucketCount() const {
    return by_key_.bucket_count() + by_identifier_.bucket_count() + by_record_.bucket_count();
}

KvResult CKvDataHandlerStore::Add(std::unique_ptr<CKvDataHandler>& record) {
    const KvResult added = Add(record.get());
    if (added == KV_OK)
        static_cast<void>(record.release());
    return added;
}

std::unique_ptr<CKvDataHandler> CKvDataHandlerStore::Unlink(EntryList::iterator entry) {
    if (IsKeyMode())
        by_key_.erase(entry, KeyIndex::Hash(entry->key));
    else
        by_identifier_.erase(entry->identifier);
    by_record_.erase(entry->record.get());
    ++removals_;
    std::unique_ptr<CKvDataHandler> record = std::move(entry->record);
    record->store_ = nullptr;
    entries_.erase(entry);
    return record;
}

bool CKvDataHandlerStore::Remove(std::unique_ptr<CKvDataHandler>& out, CKvDataHandler* record,
                                 bool delete_record) {
    Guard guard(*this);
    out.reset();
    if (!IsValidPtr(record)) {
        result_ = KV_E_INVALID_POINTER;
        return false;
    }
    if (record->GetTypeCode() != handler_type_) {
        result_ = KV_E_WRONG_RECORD_TYPE;
        return false;
    }
    EntryList::iterator match = entries_.end();
    if (IsKeyMode()) {
        for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
            if (record->IsSameKey(*entry->record)) {
                match = entry;
                break;
            }
        }
    } else if (auto found = by_identifier_.find(record->GetIdentifier());
               found != by_identifier_.end()) {
        match = found->second;
    }
    if (match == entries_.end()) {
        result_ = KV_E_FAIL;
        return false;
    }
    std::unique_ptr<CKvDataHandler> taken = Unlink(match);
    if (!delete_record)
        out = std::move(taken);
    result_ = KV_OK;
    return true;
}

bool CKvDataHandlerStore::RemoveAndDelete(CKvDataHandler* record) {
    std::unique_ptr<CKvDataHandler> out;
    return Remove(out, record, true);
}

bool CKvDataHandlerStore::DeleteHandler(CKvDataHandler* record) {
    if (!IsValidPtr(record)) {
        result_ = KV_E_INVALID_POINTER;
        return false;
    }
    if (!CKvDataHandler::IsStoreType(record->GetTypeCode())) {
        result_ = KV_E_NO_CLASS;
        return false;
    }
    Guard guard(*this);
    // A record of this store is taken out first, so no index keeps it.
    if (const EntryList::iterator* held = by_record_.find(record)) {
        Unlink(*held);
        return true;
    }
    delete record;
    return true;
}

void CKvDataHandlerStore::ForgetAll() {
    ++removals_;
    by_key_.clear();
    by_identifier_.clear();
    by_record_.clear();
    // Freeing a large store is bound by fetching each record: the next
    // record is asked for while the current one is freed, and the list node
    // after it, whose record the following step asks for.
    while (!entries_.empty()) {
        const auto next = std::next(entries_.begin());
        if (next != entries_.end()) {
            PrefetchRecord(next->record.get());
            if (const auto after = std::next(next); after != entries_.end())
                __builtin_prefetch(&*after);
        }
        entries_.pop_front();
    }
}

void CKvDataHandlerStore::DeleteAll() {
    Guard guard(*this);
    ForgetAll();
}

bool CKvDataHandlerStore::LookupByKey(CKvDataHandler*& out, const std::string& key) {
    Guard guard(*this);
    out = nullptr;
    if (!IsKeyMode())
        return false;
    const EntryList::iterator* found = by_key_.find(key);
    if (found == nullptr)
        return false;
    out = (*found)->record.get();
    return true;
}

std::int32_t CKvDataHandlerStore::GetCount() {
    Guard guard(*this);
    return static_cast<std::int32_t>(entries_.size());
}

void CKvDataHandlerStore::SetPosition(Position& position, EntryList::iterator entry) {
    position.next_ = entry->record.get();
    position.store_ = this;
    position.entry_ = entry;
    position.removals_ = removals_;
}

bool CKvDataHandlerStore::GetStartPosition(Position* position) {
    Guard guard(*this);
    Position& at = PositionOrOwn(position);
    if (entries_.empty())
        at.next_ = nullptr;
    else
        SetPosition(at, entries_.begin());
    return !entries_.empty();
}

CKvDataHandler* CKvDataHandlerStore::GetNext(Position* position) {
    Guard guard(*this);
    return GetNextUnlocked(position);
}

CKvDataHandler* CKvDataHandlerStore::GetNextUnlocked(Position* position) {
    Position& at = PositionOrOwn(position);
    if (at.next_ == nullptr)
        return nullptr;
    EntryList::iterator entry = at.entry_;
    if (at.store_ != this || at.removals_ != removals_) {
        const EntryList::iterator* found = by_record_.find(at.next_);
        if (found == nullptr) {
            at.next_ = nullptr;
            return nullptr;
        }
        entry = *found;
    }
    const auto following = std::next(entry);
    if (following == entries_.end())
        at.next_ = nullptr;
    else
        SetPosition(at, following);
    return entry->record.get();
}

CKvDataHandler* CKvDataHandlerStore::GetFirst(Position* position) {
    Guard guard(*this);
    GetStartPosition(position);
    return GetNextUnlocked(position);
}

CKvDataHandlerStore& CKvDataHandlerStore::CopyFrom(const CKvDataHandlerStore& other) {
    if (&other == this)
        return *this;
    Guard guard(*this);
    Guard other_guard(other);
    ForgetAll();
    handler_type_ = other.handler_type_;
    capacity_ = other.capacity_;
    key_mode_ = other.key_mode_;
    for (const Entry& entry : other.entries_) {
        std::unique_ptr<CKvDataHandler> copy;
        if (CreateHandler(copy) != KV_OK)
            continue;
        if (!CopyDataRecordByType(*copy, *entry.record))
            continue;
        Add(copy);
    }
    return *this;
}

bool CKvDataHandlerStore::MoveAllTo(CKvDataHandlerStore& other) {
    if (&other == this)
        return true;
    Guard guard(*this);
    if (handler_type_ != other.GetHandlerType())
        return false;
    bool all_moved = true;
    for (std::size_t count = entries_.size(); count > 0 && !entries_.empty(); --count) {
        std::unique_ptr<CKvDataHandler> record = Unlink(entries_.begin());
        if (other.Add(record) != KV_OK)
            all_moved = false; // the refused record is deleted here
    }
    return all_moved && entries_.empty();
}

KvResult CKvDataHandlerStore::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    out = nullptr;
    result_ = KV_OK;
    if (!IsValidPtr(parent))
        return result_ = KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    const KvResult created = AddRecordElement(element, document, parent, element_name_);
    if (element == nullptr)
        return result_ = created;
    out = element;
    result_ = AddRecordAttribute(document, element, "identifier", identifier_text_);
    result_ = AddRecordAttribute(document, element, "datatype",
                                 CKvDataHandler::GetTypeName(handler_type_));
    const KvResult attributes = result_;
    if (handler_type_ != 0) {
        Position position;
        GetStartPosition(&position);
        while (CKvDataHandler* record = GetNext(&position)) {
            PrefetchRecord(position.next_);
            // The list node after that one: the step after next reads it.
            if (position.next_ != nullptr) {
                if (const auto after = std::next(position.entry_); after != entries_.end())
                    __builtin_prefetch(&*after);
            }
            XmlNode* child = nullptr;
            record->WriteXml(child, document, element);
        }
    }
    return result_ = attributes;
}

KvResult CKvDataHandlerStore::ReadXml(const XmlNode* element) {
    result_ = KV_OK;
    if (!IsValidPtr(element))
        return result_ = KV_E_INVALID_POINTER;
    if (element->GetName() != element_name_)
        return result_;
    std::string value;
    if (const KvResult found = ReadRecordAttribute(*element, "identifier", value); found != KV_OK)
        return result_ = found;
    identifier_text_ = value;
    if (const KvResult found = ReadRecordAttribute(*element, "datatype", value); found != KV_OK)
        result_ = found;
    else
        handler_type_ = CKvDataHandler::GetTypeFromName(value);
    if (handler_type_ == 0)
        return result_;

    const XmlNodeList& children = element->GetChildList();
    ReserveIndexes(static_cast<std::size_t>(std::count_if(
        children.begin(), children.end(),
        [](const XmlNode* child) { return IsValidPtr(child) && child->GetKind() == kXmlElement; })));
    for (const XmlNode* child : children) {
        if (!IsValidPtr(child)) {
            result_ = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() != kXmlElement)
            continue;
        std::unique_ptr<CKvDataHandler> record;
        if (const KvResult created = CreateHandler(record); created != KV_OK) {
            result_ = created;
            continue;
        }
        // Add files the record by its address; reading it takes long enough
        // for the slot to arrive.
        by_record_.prefetch(record.get());
        // A record whose reader took the element is kept even when one of its
        // values could not be read (the reader has left that value as it
        // reads such a text); only an element that is no such record is
        // dropped.
        const KvResult read = record->ReadXml(child);
        if (KvFailed(read) && !record->TookElement()) {
            result_ = read;
            continue;
        }
        const KvResult added = Add(record);
        if (added == KV_OK && read != KV_OK)
            result_ = KV_S_VALUE_NOT_READ;
    }
    return result_;
}
