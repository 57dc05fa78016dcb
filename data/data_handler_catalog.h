#pragma once
// The host's store directory: the stores it files by record type code. A
// record reaches it through its context (the user group finds the store of
// users there). How stores are filed lies with the host.

#include "platform/result_codes.h"

#include <cstdint>

class CKvDataHandlerStore;

class CKvDataHandlerCatalog {
public:
    virtual ~CKvDataHandlerCatalog() = default;

    // Inside the catalog's own lock: out = the store filed under the code
    // (owned by the catalog) and KV_OK; null and KV_E_NO_CLASS when none is.
    virtual KvResult GetStore(CKvDataHandlerStore*& out, std::uint32_t type_code) = 0;
};
