#pragma once
// CKvDataHandlerStore: owns the data records of one type, finds them by
// identifier or by key text, copies and moves them between stores, and writes
// and reads them as one XML element ("DATA_TYPE_HANDLER"). Records are kept in
// the order they were added (a replacement takes the place of the record it
// replaces), so the XML form lists them in a stable order.
//
// A store is used by one thread at a time unless a lock is attached
// (SetHandleTable, AttachLock); the operations marked "locked" then run inside
// it. The lock is re-entrant.

#include "data/flat_index.h"
#include "data/data_handler.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class CKvDataHandlerCatalog;
class CriticalSection;
class HandleTable;
class XmlDocument;
class XmlNode;

class CKvDataHandlerStore {
    struct Entry {
        std::unique_ptr<CKvDataHandler> record;
        std::uint32_t identifier = 0;
        std::string key;
    };
    using EntryList = std::list<Entry>;

public:
    static constexpr std::string_view kDefaultElementName = "DATA_TYPE_HANDLER";

    // An iteration position: the record it gives next. A position whose
    // record has left the store ends the iteration.
    class Position {
    public:
        Position() = default;

    private:
        friend class CKvDataHandlerStore;
        const CKvDataHandler* next_ = nullptr;
        // The entry holding next_, trusted only while the store that set it
        // has taken no record out since (see removals_): then the step needs
        // no look-up.
        const CKvDataHandlerStore* store_ = nullptr;
        EntryList::iterator entry_{};
        std::uint64_t removals_ = 0;
    };

    CKvDataHandlerStore();
    CKvDataHandlerStore(std::uint32_t handler_type, std::uint32_t key_mode, std::int32_t capacity,
                        const char* element_name, CKvDataHandlerCatalog* context,
                        const char* tag_text = nullptr);
    ~CKvDataHandlerStore();
    // Stores are copied with CopyFrom.
    CKvDataHandlerStore(const CKvDataHandlerStore&) = delete;
    CKvDataHandlerStore& operator=(const CKvDataHandlerStore&) = delete;

    // ---- Settings ----

    // A blank store: type 0, capacity 0, identifier mode, the default element
    // name, no context, tag or identifier text, the lock given back and the
    // handle table forgotten. The records held are deleted.
    KvResult Reset();
    // A null element name gives the empty name; the tag text is taken only
    // when given. KV_E_FAIL when the key mode would change while records are
    // held (the mode then stays; the other settings are taken).
    KvResult Init(std::uint32_t handler_type, std::uint32_t key_mode, std::int32_t capacity,
                  const char* element_name, CKvDataHandlerCatalog* context,
                  const char* tag_text = nullptr);

    void SetHandlerType(std::uint32_t handler_type) { handler_type_ = handler_type; }
    std::uint32_t GetHandlerType() const { return handler_type_; }
    // 0: records are kept by identifier; nonzero: by key text. Switching
    // between the two while records are held is refused with KV_E_FAIL.
    KvResult SetKeyMode(std::uint32_t key_mode);
    std::uint32_t GetKeyMode() const { return key_mode_; }
    void SetCapacity(std::int32_t capacity) { capacity_ = capacity; }
    std::int32_t GetCapacity() const { return capacity_; }
    void SetElementName(std::string_view name) { element_name_ = name; }
    const std::string& GetElementName() const { return element_name_; }
    // Every record added gets the context (not owned).
    void SetContext(CKvDataHandlerCatalog* context) { context_ = context; }
    CKvDataHandlerCatalog* GetContext() const { return context_; }
    // When not empty, every record added gets it as its spare text.
    void SetTagText(std::string_view tag_text) { tag_text_ = tag_text; }
    const std::string& GetTagText() const { return tag_text_; }
    std::string& GetIdentifierText() { return identifier_text_; }
    const std::string& GetIdentifierText() const { return identifier_text_; }
    KvResult GetResult() const { return result_; }

    // ---- Lock ----

    // The table AttachLock takes its lock from (not owned).
    void SetHandleTable(HandleTable* table) { table_ = table; }
    // true: takes a lock id and its lock from the handle table, when the
    // store knows one and holds no lock yet; false: gives the lock back.
    KvResult AttachLock(bool attach);
    bool HasLock() const { return lock_ != nullptr; }
    // Enter and leave the attached lock (nothing without one), for callers
    // that work on records while the store must not change.
    void Lock();
    void Unlock();
    void lock() { Lock(); }
    void unlock() { Unlock(); }

    // ---- Records ----

    // Not locked: a new record of the handler type (context null, identifier
    // 0). KV_E_NO_CLASS, out empty, for a type that is no store type or has
    // no registered class.
    KvResult CreateHandler(std::unique_ptr<CKvDataHandler>& out) const;
    // Locked. On KV_OK the store owns the record (it takes the store's
    // context and tag text, and replaces a record stored under the same
    // identifier or key text, which is deleted); on any other code it stays
    // with the caller: KV_E_LIST_FULL at capacity (also for a replacement),
    // KV_E_INVALID_POINTER, KV_E_WRONG_RECORD_TYPE, KV_E_FAIL for an empty key
    // text in key mode. A record the store already holds changes nothing
    // (KV_OK).
    KvResult Add(CKvDataHandler* record);
    // As above; on KV_OK the pointer is released to the store.
    KvResult Add(std::unique_ptr<CKvDataHandler>& record);
    // Locked. Takes out the stored record that matches the given one (by its
    // identifier, or in key mode the first one for which the given record's
    // IsSameKey is true); out receives it, or it is deleted when
    // delete_record is set. False with KV_E_FAIL when none matches,
    // KV_E_WRONG_RECORD_TYPE, KV_E_INVALID_POINTER.
    bool Remove(std::unique_ptr<CKvDataHandler>& out, CKvDataHandler* record, bool delete_record);
    bool RemoveAndDelete(CKvDataHandler* record);
    // Deletes the record (taking it out of the store first when the store
    // holds it) when its type code is a store type. False with
    // KV_E_INVALID_POINTER, or KV_E_NO_CLASS (the record is left alone).
    bool DeleteHandler(CKvDataHandler* record);
    // Locked; deletes every record.
    void DeleteAll();
    // Locked; in key mode the record stored under the exact key text (owned
    // by the store). False in identifier mode.
    bool LookupByKey(CKvDataHandler*& out, const std::string& key);
    // Locked.
    std::int32_t GetCount();

    // ---- Iteration, in the store's order; without a position the store's
    // own is used ----

    // Locked; true when the store holds records.
    bool GetStartPosition(Position* position = nullptr);
    // Locked; the record at the position (owned by the store), or null at
    // the end.
    CKvDataHandler* GetNext(Position* position = nullptr);
    // For callers that hold the lock already.
    CKvDataHandler* GetNextUnlocked(Position* position = nullptr);
    CKvDataHandler* GetFirst(Position* position = nullptr);

    // ---- Stores as a whole ----

    // Locked (this store, then the other). Deletes this store's records,
    // takes the other's handler type, capacity and key mode, and adds a copy
    // of each of its records; element name, context, tag and identifier
    // text stay this store's own. A store copied onto itself is unchanged.
    CKvDataHandlerStore& CopyFrom(const CKvDataHandlerStore& other);
    // Locked (this store, then the other). Moves every record into the other
    // store of the same handler type; records it refuses are deleted. True
    // when every record was moved.
    bool MoveAllTo(CKvDataHandlerStore& other);

    // The element with the attributes "identifier" and "datatype" (the type
    // name), then each record's element. The result is that of the attribute
    // steps; the records' own results are not kept.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // Reads an element with the store's element name (another name: KV_OK,
    // nothing read). Needs "identifier" (KV_E_NOT_FOUND); "datatype" sets the
    // handler type. Each child element becomes a record that is added when
    // its reader took the element (CKvDataHandler::TookElement), also when
    // the reader could not read one of its values: the step's code is then
    // KV_S_VALUE_NOT_READ. Records already held stay. The result is that of
    // the last step.
    KvResult ReadXml(const XmlNode* element);

    // The buckets of the indexes: they grow with the records held, not with
    // the capacity.
    std::size_t GetIndexBucketCount() const;

private:
    class Guard;
    friend class CKvDataHandler;

    // Called by a held record whose identifier changes: in identifier mode
    // its entry moves to the new identifier, unless another record is held
    // under it (false, nothing changes).
    bool MoveIdentifier(CKvDataHandler& record, std::uint32_t identifier);

    bool IsKeyMode() const { return key_mode_ != 0; }
    // Whether the record is one this store holds.
    bool Holds(const CKvDataHandler* record) const;
    std::unique_ptr<CKvDataHandler> Unlink(EntryList::iterator entry);
    void ForgetAll();
    Position& PositionOrOwn(Position* position) { return position ? *position : own_position_; }
    void SetPosition(Position& position, EntryList::iterator entry);
    // Room in the indexes for more records, within the capacity.
    void ReserveIndexes(std::size_t more);

    std::uint32_t handler_type_ = 0;
    std::int32_t capacity_ = 0;
    EntryList entries_;
    // The key index files each entry under the key text the entry holds.
    struct EntryKey {
        const std::string& operator()(EntryList::iterator entry) const { return entry->key; }
    };
    using KeyIndex = FlatTextIndex<EntryList::iterator, EntryKey>;
    KeyIndex by_key_;
    std::unordered_map<std::uint32_t, EntryList::iterator> by_identifier_;
    FlatIndex<const CKvDataHandler*, EntryList::iterator> by_record_;
    // Counts the records taken out or replaced, so that positions know when
    // their entry may be gone.
    std::uint64_t removals_ = 0;
    std::uint32_t key_mode_ = 0;
    std::string element_name_{kDefaultElementName};
    KvResult result_ = KV_OK;
    Position own_position_;
    CKvDataHandlerCatalog* context_ = nullptr;
    std::string tag_text_;
    std::string identifier_text_;
    HandleTable* table_ = nullptr;
    std::uint32_t lock_id_ = 0;
    CriticalSection* lock_ = nullptr;
};
