#pragma once
// Row builders for the key tables of the UI descriptions: one per value kind,
// each binding a member (of the base or of the class) to its parse rule and
// its text form. Every table is a table of CKvUIObject rows, so one generic
// reader and writer serve all classes.
//
// Rows take the entity-decoded text unless given kKeyStoredText (the content
// as the document stores it). Parse failures never count as read failures.

#include "core/bounded_string_list.h"
#include "core/text_values.h"
#include "data/record_keys.h"
#include "guidesc/ui_object.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>

using UIKey = RecordKey<CKvUIObject>;

namespace uikey {

inline constexpr std::uint32_t kDecoded = kKeyDecode;
inline constexpr std::uint32_t kStored = kKeyStoredText;

namespace detail {
template <auto Member> auto& Field(CKvUIObject& object) {
    using Owner = record_keys_detail::ClassOf<Member>;
    return static_cast<Owner&>(object).*Member;
}
} // namespace detail

// Decimal integer, "%i"; a failing text leaves 0.
template <auto Member> constexpr UIKey Int(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name,
        [](CKvUIObject& o, std::string& out) {
            CKvUIObject::FormatInt(out, detail::Field<Member>(o));
        },
        [](CKvUIObject& o, std::string& text) {
            return o.SetIntField(detail::Field<Member>(o), text);
        },
        rules);
}

// Unsigned decimal, "%u"; a failing text leaves 0.
template <auto Member> constexpr UIKey UInt(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name,
        [](CKvUIObject& o, std::string& out) {
            CKvUIObject::FormatUInt(out, detail::Field<Member>(o));
        },
        [](CKvUIObject& o, std::string& text) {
            return o.SetUIntField(detail::Field<Member>(o), text);
        },
        rules);
}

// Float, "%f"; a failing text leaves 1.0.
template <auto Member>
constexpr UIKey Float(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name,
        [](CKvUIObject& o, std::string& out) {
            CKvUIObject::FormatFloat(out, detail::Field<Member>(o));
        },
        [](CKvUIObject& o, std::string& text) {
            return o.SetFloatField(detail::Field<Member>(o), text);
        },
        rules);
}

// Colour, "%x" of RRGGBB; a failing text leaves 0.
template <auto Member>
constexpr UIKey Color(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name,
        [](CKvUIObject& o, std::string& out) {
            CKvUIObject::FormatColor(out, detail::Field<Member>(o));
        },
        [](CKvUIObject& o, std::string& text) {
            return o.SetColorField(detail::Field<Member>(o), text);
        },
        rules);
}

// Colour parsed without clearing: a failing text keeps the previous colour.
template <auto Member>
constexpr UIKey KeptColor(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name,
        [](CKvUIObject& o, std::string& out) {
            CKvUIObject::FormatColor(out, detail::Field<Member>(o));
        },
        [](CKvUIObject& o, std::string& text) {
            return o.SetColorFieldKeeping(detail::Field<Member>(o), text);
        },
        rules);
}

// Flag: "TRUE" in any letter case sets it; written "TRUE" or "FALSE".
template <auto Member> constexpr UIKey Flag(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name,
        [](CKvUIObject& o, std::string& out) {
            CKvUIObject::FormatFlag(out, detail::Field<Member>(o));
        },
        [](CKvUIObject& o, std::string& text) -> KvResult {
            CKvUIObject::SetFlagField(detail::Field<Member>(o), text);
            return KV_OK;
        },
        rules);
}

// Exact flag (a BoolValue): set only by "TRUE" after trimming.
template <auto Member>
constexpr UIKey ExactFlag(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name, [](CKvUIObject& o, std::string& out) { detail::Field<Member>(o).Format(out); },
        [](CKvUIObject& o, std::string& text) -> KvResult {
            detail::Field<Member>(o).Parse(text);
            return KV_OK;
        },
        rules);
}

// Resource or file: the kept text is written; reading derives the id again.
template <auto FileMember, auto IdMember>
constexpr UIKey ResourceOrFile(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name, [](CKvUIObject& o, std::string& out) { out = detail::Field<FileMember>(o); },
        [](CKvUIObject& o, std::string& text) -> KvResult {
            CKvUIObject::SetResourceOrFileField(detail::Field<FileMember>(o),
                                                detail::Field<IdMember>(o), text);
            return KV_OK;
        },
        rules);
}

// Keyword set or keyword value: the table's text; its result does not count.
template <auto Member>
constexpr UIKey Keyword(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name, [](CKvUIObject& o, std::string& out) { out = detail::Field<Member>(o).Text(); },
        // The text is the reader's copy: the table may take it over.
        [](CKvUIObject& o, std::string& text) {
            return detail::Field<Member>(o).SetText(std::move(text));
        },
        rules);
}

// String list: appends the trimmed comma-separated items; written joined.
template <auto Member>
constexpr UIKey StringList(std::string_view name, std::uint32_t rules = kDecoded) {
    return CustomKey<CKvUIObject>(
        name, [](CKvUIObject& o, std::string& out) { detail::Field<Member>(o).GetText(out); },
        [](CKvUIObject& o, std::string& text) {
            return detail::Field<Member>(o).SetFromText(text);
        },
        rules);
}

// Text assigned as it comes and written as kept.
template <auto Member> constexpr UIKey Text(std::string_view name, std::uint32_t rules = kDecoded) {
    UIKey key{.name = name, .kind = RecordKeyKind::kText, .rules = rules};
    key.text = [](CKvUIObject& o) -> std::string& { return detail::Field<Member>(o); };
    return key;
}

// A row of a class's DOM order: the name of one of its keys, and rules the
// DOM form adds to that key.
struct DomRow {
    std::string_view name;
    std::uint32_t added_rules = 0;
};

// The DOM form's keys: the class's keys the rows name, in the rows' order.
template <std::size_t M, std::size_t N>
constexpr std::array<UIKey, M> DomKeys(const UIKey (&keys)[N], const DomRow (&rows)[M]) {
    std::array<UIKey, M> out{};
    for (std::size_t i = 0; i < M; ++i) {
        std::size_t found = N;
        for (std::size_t k = 0; k < N && found == N; ++k)
            if (keys[k].name == rows[i].name)
                found = k;
        if (found == N)
            throw "no such key";
        out[i] = keys[found];
        out[i].rules |= rows[i].added_rules;
    }
    return out;
}

// The keys followed by more keys.
template <std::size_t M, std::size_t N>
constexpr std::array<UIKey, M + N> JoinKeys(const std::array<UIKey, M>& keys,
                                            const UIKey (&more)[N]) {
    std::array<UIKey, M + N> out{};
    for (std::size_t i = 0; i < M; ++i)
        out[i] = keys[i];
    for (std::size_t i = 0; i < N; ++i)
        out[M + i] = more[i];
    return out;
}

// The XML and DOM form of a class.
constexpr CKvUIObject::Form MakeForm(std::uint32_t type_code, std::span<const UIKey> keys,
                                     std::span<const UIKey> dom_keys,
                                     RecordIdentifierAttribute<CKvUIObject> identifier) {
    return CKvUIObject::Form{.element_name = UIObjectElementName(type_code),
                             .keys = keys,
                             .identifier = identifier,
                             .write_policy = RecordWritePolicy::kStopAtFailure,
                             .dom_form = RecordDomForm::kOwnKeys,
                             .dom_keys = dom_keys,
                             .link_counts = true};
}

} // namespace uikey

// Groups of rows that several classes share, in their order; used inside a
// class's form, where C names the class.

// "width", "height", "positionx", "positiony".
#define KV_UI_GEOMETRY_KEYS(rules)                                                                 \
    uikey::Int<&C::width_>("width", rules), uikey::Int<&C::height_>("height", rules),              \
        uikey::Int<&C::position_x_>("positionx", rules),                                           \
        uikey::Int<&C::position_y_>("positiony", rules)

// "roundedgex", "roundedgey", "backgroundcolor", "textcolor" and
// "transparentcolor", which keeps its colour when a text fails.
#define KV_UI_FACE_COLOUR_KEYS(rules)                                                              \
    uikey::UInt<&C::round_edge_x_>("roundedgex", rules),                                           \
        uikey::UInt<&C::round_edge_y_>("roundedgey", rules),                                       \
        uikey::Color<&C::background_color_>("backgroundcolor", rules),                             \
        uikey::Color<&C::text_color_>("textcolor", rules),                                         \
        uikey::KeptColor<&C::transparent_color_>("transparentcolor", rules)

// "backgroundimageridorfile" and the four background flags.
#define KV_UI_BACKGROUND_IMAGE_KEYS(image_rules, flag_rules)                                       \
    uikey::ResourceOrFile<&C::background_image_file_, &C::background_image_id_>(                   \
        "backgroundimageridorfile", image_rules),                                                  \
        uikey::Flag<&C::flag_background_wallpaper_>("flagbackgroundwallpaper", flag_rules),        \
        uikey::Flag<&C::flag_background_image_has_transparent_>(                                   \
            "flagbackgroundimagehastransparent", flag_rules),                                      \
        uikey::Flag<&C::flag_background_image_is_packed_>("flagbackgroundimageispacked",           \
                                                          flag_rules),                             \
        uikey::Flag<&C::flag_size_follow_background_image_>("flagsizefollowbackgroundimage",       \
                                                            flag_rules)

// "flagroundedgeleft", "flagroundedgeright", "flagbuttonasstatic".
#define KV_UI_EDGE_KEYS(rules)                                                                     \
    uikey::Flag<&C::flag_round_edge_left_>("flagroundedgeleft", rules),                            \
        uikey::Flag<&C::flag_round_edge_right_>("flagroundedgeright", rules),                      \
        uikey::Flag<&C::flag_button_as_static_>("flagbuttonasstatic", rules)

// "imagewidth" to "imageroundedgey".
#define KV_UI_IMAGE_AREA_KEYS(rules)                                                               \
    uikey::Int<&C::image_width_>("imagewidth", rules),                                             \
        uikey::Int<&C::image_height_>("imageheight", rules),                                       \
        uikey::Int<&C::image_position_x_>("imagepositionx", rules),                                \
        uikey::Int<&C::image_position_y_>("imagepositiony", rules),                                \
        uikey::Flag<&C::flag_border_>("flagborder", rules),                                        \
        uikey::Flag<&C::flag_image_border_>("flagimageborder", rules),                             \
        uikey::UInt<&C::image_round_edge_x_>("imageroundedgex", rules),                            \
        uikey::UInt<&C::image_round_edge_y_>("imageroundedgey", rules)

// "textwidth" to "textpositiony".
#define KV_UI_TEXT_AREA_KEYS(rules)                                                                \
    uikey::Int<&C::text_width_>("textwidth", rules),                                               \
        uikey::Int<&C::text_height_>("textheight", rules),                                         \
        uikey::Int<&C::text_position_x_>("textpositionx", rules),                                  \
        uikey::Int<&C::text_position_y_>("textpositiony", rules)

// The common head of the list, combo box, list box and string descriptions,
// with the geometry before it: "width" to "backgroundcolorrangestart".
#define KV_UI_HEAD_KEYS(rules)                                                                     \
    KV_UI_GEOMETRY_KEYS(rules), KV_UI_FACE_COLOUR_KEYS(rules),                                     \
        KV_UI_BACKGROUND_IMAGE_KEYS(rules, rules),                                                 \
        uikey::Text<&C::child_identifier_list_>("childidentifierlist", rules),                     \
        uikey::UInt<&C::uiid_>("uiid", rules),                                                     \
        uikey::Color<&C::background_color_range_start_>("backgroundcolorrangestart", rules)
