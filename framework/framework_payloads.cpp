#include "framework/framework_payloads.h"

#include "core/computer_ident.h"
#include "core/kv_string.h"
#include "core/named_value_map.h"
#include "core/network_values.h"
#include "core/phone_number.h"
#include "core/time_date.h"
#include "framework/connection_objects.h"
#include "framework/holder_objects.h"
#include "framework/named_value.h"
#include "framework/packed_message.h"
#include "framework/payload_registry.h"
#include "framework/typed_object67.h"

#include <array>
#include <string>

namespace {

// A copied cell refers to the same member as its source but never owns it,
// so that the pointee is deleted once, by its owner.
void CopyValueCell(ValueCell& target, const ValueCell& source) {
    if (&target == &source)
        return;
    target.Destroy();
    const std::int32_t type = source.GetType();
    if (type == kValueCellClear)
        return;
    const char* name = source.GetName().c_str();
    if (std::string* text = source.GetString())
        target.Init(type, text, name, false);
    else if (KvObject* object = source.GetObject())
        target.Init(type, object, name, false);
    else if (TimeDate* time = source.GetTimeDate())
        target.Init(type, time, name, false);
    else if (BoolValue* flag = source.GetBoolValue())
        target.Init(type, flag, name, false);
    else
        target.Init(type, source.GetPointer(), name, false);
}

void CopyBinaryBlockPair(BinaryBlockPair& target, const BinaryBlockPair& source) {
    target.Set(source);
}

struct Registration {
    KvPayloadType code;
    PayloadOperations operations;
};

constexpr std::array<Registration, 20> kFrameworkPayloads = {{
    {KV_PAYLOAD_OBJECT_POINTER_LIST, MakePayloadOperationsWithoutCopy<CKvObjectPointerList>()},
    {KV_PAYLOAD_TEXT, MakePayloadOperations<std::string>()},
    {KV_PAYLOAD_STAMPED_TEXT_RECORD, MakePayloadOperations<CKvStampedTextRecord>()},
    {KV_PAYLOAD_NAMED_VALUE, MakePayloadOperations<CKvNamedValue>()},
    {KV_PAYLOAD_PACKED_MESSAGE, MakePayloadOperations<PackedMessage>()},
    {KV_PAYLOAD_TIME_DATE, MakePayloadOperations<TimeDate>()},
    {KV_PAYLOAD_OWNED_RECORD36, MakePayloadOperations<OwnedRecord36>()},
    {KV_PAYLOAD_VALUE_CELL, MakePayloadOperationsWithCopy<ValueCell, CopyValueCell>()},
    {KV_PAYLOAD_TYPED_OBJECT42, MakePayloadOperations<CKvTypedObject42>()},
    {KV_PAYLOAD_TYPED_OBJECT46, MakePayloadOperations<CKvTypedObject46>()},
    {KV_PAYLOAD_COMPUTER_IDENT, MakePayloadOperations<COMPUTER_IDENT>()},
    {KV_PAYLOAD_KVSTRING_LIST, MakePayloadOperations<KVSTRING_LIST>()},
    {KV_PAYLOAD_TYPED_OBJECT58, MakePayloadOperations<CKvTypedObject58>()},
    {KV_PAYLOAD_TYPED_OBJECT59, MakePayloadOperations<CKvTypedObject59>()},
    {KV_PAYLOAD_TYPED_OBJECT60, MakePayloadOperations<CKvTypedObject60>()},
    {KV_PAYLOAD_ADAPTER_ADDRESSES, MakePayloadOperations<AdapterAddresses>()},
    {KV_PAYLOAD_TYPED_OBJECT67, MakePayloadOperations<CKvTypedObject67>()},
    {KV_PAYLOAD_BINARY_BLOCK_PAIR,
     MakePayloadOperationsWithCopy<BinaryBlockPair, CopyBinaryBlockPair>()},
    {KV_PAYLOAD_KVSTRING, MakePayloadOperations<KVSTRING>()},
    {KV_PAYLOAD_PHONE_NUMBER_LIST, MakePayloadOperations<PHONE_NUMBER_LIST>()},
}};

} // namespace

void RegisterFrameworkPayloads() {
    for (const Registration& registration : kFrameworkPayloads)
        RegisterPayloadType(registration.code, &registration.operations);
}
