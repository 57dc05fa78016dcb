#pragma once
// Named references to a record's own members, so that other parts of the
// system can read a field (a last name, a start time) without knowing the
// record's class, plus the list of field names a query is about.

#include "core/bounded_string_list.h"
#include "core/kv_object.h"
#include "platform/pointer.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BoolValue;
class TimeDate;

// What a cell's pointer points to.
inline constexpr std::int32_t kValueCellClear = 0;
inline constexpr std::int32_t kValueCellMemoryBlock = 1; // owned blocks come from std::malloc
inline constexpr std::int32_t kValueCellString = 2;
inline constexpr std::int32_t kValueCellString3 = 3;
inline constexpr std::int32_t kValueCellObject = 4; // records: their phone number list
inline constexpr std::int32_t kValueCellTimeDate = 5;
inline constexpr std::int32_t kValueCellObject6 = 6; // records: their address list
inline constexpr std::int32_t kValueCellBoolValue = 7;

// A typed pointer to a member plus its name. Each Init overload accepts only
// the type codes that fit its pointer (a std::string for 2 and 3, a KvObject
// for 4 and 6, a TimeDate for 5, a BoolValue for 7, an untyped block for 1 and
// codes outside 0 to 7), so an owned pointee is always deleted as what it was
// registered as. Codes outside 0 to 7 are never deleted.
class ValueCell {
public:
    ValueCell() = default;
    template <typename T> ValueCell(std::int32_t type, T* pointer, const char* name, bool owns) {
        Init(type, pointer, name, owns);
    }
    ~ValueCell() { Destroy(); }
    ValueCell(const ValueCell&) = delete;
    ValueCell& operator=(const ValueCell&) = delete;

    // Forgets the pointee without deleting it.
    void Clear();

    // KV_E_INVALID_POINTER for an invalid pointer, KV_E_FAIL for type 0 or a
    // type that does not fit the pointer; the cell is then clear and owns
    // nothing. With owns set and KV_OK the cell takes the pointee over. A
    // pointee the cell owned before is deleted first.
    KvResult Init(std::int32_t type, std::string* text, const char* name, bool owns);
    KvResult Init(std::int32_t type, KvObject* object, const char* name, bool owns);
    KvResult Init(std::int32_t type, TimeDate* time, const char* name, bool owns);
    KvResult Init(std::int32_t type, BoolValue* flag, const char* name, bool owns);
    KvResult Init(std::int32_t type, void* block, const char* name, bool owns);

    // Deletes an owned pointee and leaves the cell clear.
    void Destroy();

    std::int32_t GetType() const { return type_; }
    const std::string& GetName() const { return name_; }
    bool Owns() const { return owns_; }
    void* GetPointer() const { return pointer_; }
    // The pointee when the cell's type holds that kind, else null.
    std::string* GetString() const;
    KvObject* GetObject() const;
    TimeDate* GetTimeDate() const;
    BoolValue* GetBoolValue() const;

private:
    enum class Kind { Block, String, Object, TimeDate, BoolValue };
    static bool TypeFits(std::int32_t type, Kind kind);
    KvResult Store(std::int32_t type, Kind kind, void* pointer, const char* name, bool owns);

    void* pointer_ = nullptr;
    std::int32_t type_ = kValueCellClear;
    std::string name_;
    bool owns_ = false;
};

class NamedValueMap {
public:
    static constexpr std::uint32_t kMaxEntries = 30;

    NamedValueMap() = default;
    ~NamedValueMap() { Clear(); }
    // Cells refer to the members of the record that holds the map.
    NamedValueMap(const NamedValueMap&) = delete;
    NamedValueMap& operator=(const NamedValueMap&) = delete;

    // Registers a field under its name. KV_E_LIST_FULL at 30 entries,
    // KV_E_INVALID_POINTER when both pointer and name are invalid, KV_E_FAIL
    // for type 0 or a type that does not fit the pointer, KV_E_ALREADY_PRESENT
    // for a known name (the first cell stays). A valid name with an invalid
    // pointer stores a clear cell. On any failure the caller keeps what it
    // meant to hand over.
    template <typename T> KvResult Add(std::int32_t type, T* pointer, const char* name, bool owns) {
        if (CheckAdd(type, IsValidPtr(pointer), name) != KV_OK)
            return result_;
        auto cell = std::make_unique<ValueCell>();
        // A refused pointer leaves a clear cell that is still entered; a type
        // that does not fit the pointer is refused before anything is owned.
        if (cell->Init(type, pointer, name, owns) == KV_E_FAIL) {
            result_ = KV_E_FAIL;
            return result_;
        }
        Insert(name, std::move(cell));
        return result_;
    }

    // Appends the trimmed comma-separated names of the text to the name list.
    KvResult SetNameList(const std::string& text);
    BoundedStringList& GetNameList() { return name_list_; }
    const BoundedStringList& GetNameList() const { return name_list_; }

    // Destroys every cell; the map is left empty.
    KvResult Clear();

    KvResult GetResult() const { return result_; }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(entries_.size()); }
    // The cell registered under the name (compared case-sensitively), or null.
    ValueCell* Find(const std::string& name) const;

private:
    KvResult CheckAdd(std::int32_t type, bool pointer_valid, const char* name);
    void Insert(const char* name, std::unique_ptr<ValueCell> cell);

    struct Entry {
        std::string key;
        std::unique_ptr<ValueCell> cell;
    };

    KvResult result_ = KV_OK;
    std::vector<Entry> entries_; // in registration order
    BoundedStringList name_list_;
};
