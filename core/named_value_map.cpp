#include "core/named_value_map.h"

#include "core/text_values.h"
#include "core/time_date.h"

#include <cstdlib>

void ValueCell::Clear() {
    pointer_ = nullptr;
    type_ = kValueCellClear;
    name_.clear();
    owns_ = false;
}

bool ValueCell::TypeFits(std::int32_t type, Kind kind) {
    switch (type) {
    case kValueCellClear:
        return false;
    case kValueCellString:
    case kValueCellString3:
        return kind == Kind::String;
    case kValueCellObject:
    case kValueCellObject6:
        return kind == Kind::Object;
    case kValueCellTimeDate:
        return kind == Kind::TimeDate;
    case kValueCellBoolValue:
        return kind == Kind::BoolValue;
    default: // 1 and codes the cell does not know
        return kind == Kind::Block;
    }
}

KvResult ValueCell::Store(std::int32_t type, Kind kind, void* pointer, const char* name,
                          bool owns) {
    // A re-used cell releases what it owned, unless it is handed the same
    // pointee again.
    if (pointer == pointer_)
        Clear();
    else
        Destroy();
    if (!IsValidPtr(pointer))
        return KV_E_INVALID_POINTER;
    if (!TypeFits(type, kind))
        return KV_E_FAIL;
    pointer_ = pointer;
    type_ = type;
    if (IsValidPtr(name))
        name_ = name;
    owns_ = owns;
    return KV_OK;
}

KvResult ValueCell::Init(std::int32_t type, std::string* text, const char* name, bool owns) {
    return Store(type, Kind::String, text, name, owns);
}

KvResult ValueCell::Init(std::int32_t type, KvObject* object, const char* name, bool owns) {
    return Store(type, Kind::Object, object, name, owns);
}

KvResult ValueCell::Init(std::int32_t type, TimeDate* time, const char* name, bool owns) {
    return Store(type, Kind::TimeDate, time, name, owns);
}

KvResult ValueCell::Init(std::int32_t type, BoolValue* flag, const char* name, bool owns) {
    return Store(type, Kind::BoolValue, flag, name, owns);
}

KvResult ValueCell::Init(std::int32_t type, void* block, const char* name, bool owns) {
    return Store(type, Kind::Block, block, name, owns);
}

void ValueCell::Destroy() {
    // Every pointer converts back to exactly the type its Init overload took.
    if (owns_ && IsValidPtr(pointer_)) {
        switch (type_) {
        case kValueCellMemoryBlock:
            std::free(pointer_);
            break;
        case kValueCellString:
        case kValueCellString3:
            delete static_cast<std::string*>(pointer_);
            break;
        case kValueCellObject:
        case kValueCellObject6:
            delete static_cast<KvObject*>(pointer_);
            break;
        case kValueCellTimeDate:
            delete static_cast<TimeDate*>(pointer_);
            break;
        case kValueCellBoolValue:
            delete static_cast<BoolValue*>(pointer_);
            break;
        default:
            break;
        }
    }
    Clear();
}

std::string* ValueCell::GetString() const {
    return type_ == kValueCellString || type_ == kValueCellString3
               ? static_cast<std::string*>(pointer_)
               : nullptr;
}

KvObject* ValueCell::GetObject() const {
    return type_ == kValueCellObject || type_ == kValueCellObject6
               ? static_cast<KvObject*>(pointer_)
               : nullptr;
}

TimeDate* ValueCell::GetTimeDate() const {
    return type_ == kValueCellTimeDate ? static_cast<TimeDate*>(pointer_) : nullptr;
}

BoolValue* ValueCell::GetBoolValue() const {
    return type_ == kValueCellBoolValue ? static_cast<BoolValue*>(pointer_) : nullptr;
}

KvResult NamedValueMap::CheckAdd(std::int32_t type, bool pointer_valid, const char* name) {
    result_ = KV_OK;
    if (entries_.size() >= kMaxEntries)
        result_ = KV_E_LIST_FULL;
    else if (!pointer_valid && !IsValidPtr(name))
        result_ = KV_E_INVALID_POINTER;
    else if (type == kValueCellClear)
        result_ = KV_E_FAIL;
    else if (Find(IsValidPtr(name) ? name : ""))
        result_ = KV_E_ALREADY_PRESENT;
    return result_;
}

void NamedValueMap::Insert(const char* name, std::unique_ptr<ValueCell> cell) {
    entries_.push_back(Entry{IsValidPtr(name) ? name : "", std::move(cell)});
}

KvResult NamedValueMap::SetNameList(const std::string& text) {
    result_ = name_list_.SetFromText(text);
    return result_;
}

KvResult NamedValueMap::Clear() {
    result_ = KV_OK;
    for (Entry& entry : entries_) {
        if (!entry.cell) {
            result_ = KV_E_INVALID_POINTER;
            continue;
        }
        entry.cell->Destroy();
    }
    entries_.clear();
    return result_;
}

ValueCell* NamedValueMap::Find(const std::string& name) const {
    for (const Entry& entry : entries_) {
        if (entry.key == name)
            return entry.cell.get();
    }
    return nullptr;
}
