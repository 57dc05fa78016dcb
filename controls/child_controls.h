#pragma once
// The statics and group boxes that a skinned dialog or page makes for the
// identifiers of its "childidentifierlist". Kept in the order of the list:
// they are created and destroyed in that order.

#include "guidesc/ui_object_catalog.h"
#include "platform/mfc/mfc_wnd.h"
#include "platform/result_codes.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class KvChildControls {
public:
    static constexpr std::size_t kLimit = 256;
    static constexpr std::size_t kTokenLimit = 256;

    KvChildControls() = default;
    ~KvChildControls() { DestroyAll(); }
    KvChildControls(const KvChildControls&) = delete;
    KvChildControls& operator=(const KvChildControls&) = delete;

    // For each identifier of the comma-separated list (at most 256 looked
    // at): one already held is skipped; a 257th gives KV_E_LIST_FULL and is
    // skipped; one the catalog finds as a group box or a static becomes that
    // control, made with CreateFromDescription under the parent and shown (a
    // static paints its transparent parts from parentBackground, which the
    // parent owns). A control that fails is deleted. Returns the result of
    // the last identifier handled; nothing (KV_OK) without a valid catalog
    // or with an empty list.
    KvResult Create(CKvUIObjectCatalog* catalog, const std::string& identifiers, CWnd* parent,
                    CDC* parentBackground);
    // Deletes every control (destroying its window) in list order.
    KvResult DestroyAll();

    std::size_t GetCount() const { return m_entries.size(); }
    // Null when the identifier is not held.
    CWnd* Find(const std::string& identifier) const;
    const std::vector<std::pair<std::string, std::unique_ptr<CWnd>>>& GetEntries() const {
        return m_entries;
    }

private:
    KvResult CreateOne(std::uint32_t type, CKvUIObjectCatalog* catalog,
                       const std::string& identifier, CWnd* parent, CDC* parentBackground);

    std::vector<std::pair<std::string, std::unique_ptr<CWnd>>> m_entries;
};
