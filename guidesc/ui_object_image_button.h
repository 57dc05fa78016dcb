#pragma once
// CKvUIObjectImageButton: the description of a "UIOBJECTIMAGEBUTTON" element, a button with
// a background image, an image area and a text area of its own.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectImageButton : public CKvUIObject,
                               public UIFaceAccessors<CKvUIObjectImageButton>,
                               public UIImageAreaAccessors<CKvUIObjectImageButton>,
                               public UITextAreaAccessors<CKvUIObjectImageButton> {
public:
    CKvUIObjectImageButton(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, the numeric id and the own properties; the base's
    // identifier, geometry, colours, texts and keyword sets stay.
    CKvUIObjectImageButton& operator=(const CKvUIObjectImageButton& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectImageButton(const CKvUIObjectImageButton& other)
        : CKvUIObjectImageButton(nullptr, 0, nullptr) {
        *this = other;
    }

    // The own properties only; the base's stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UIImageAreaAccessors;
    template <typename> friend class UITextAreaAccessors;
    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    KV_UI_TEXT_AREA_MEMBERS
};
