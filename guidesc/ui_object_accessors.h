#pragma once
// The accessor families of a description's own properties, by value kind:
// set from text, get as text, get (a reference through which callers also
// assign). Each family forwards to the value kinds of CKvUIObject, so every
// class parses and writes a kind the same way.

#include "core/bounded_string_list.h"
#include "core/text_values.h"
#include "guidesc/ui_object.h"

#include <string>

// Decimal integer ("%i"); a failing text leaves 0.
#define KV_UI_INT_ACCESSORS(Name, member)                                                          \
    KvResult Set##Name##Text(const std::string& text) {                                            \
        return SetIntField(member, text);                                                          \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) const {                                         \
        return FormatInt(out, member);                                                             \
    }                                                                                              \
    std::int32_t& Get##Name() {                                                                    \
        return member;                                                                             \
    }

// Unsigned decimal ("%u"); a failing text leaves 0.
#define KV_UI_UINT_ACCESSORS(Name, member)                                                         \
    KvResult Set##Name##Text(const std::string& text) {                                            \
        return SetUIntField(member, text);                                                         \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) const {                                         \
        return FormatUInt(out, member);                                                            \
    }                                                                                              \
    std::uint32_t& Get##Name() {                                                                   \
        return member;                                                                             \
    }

// Colour ("%x" of RRGGBB); a failing text leaves 0.
#define KV_UI_COLOR_ACCESSORS(Name, member)                                                        \
    KvResult Set##Name##Text(const std::string& text) {                                            \
        return SetColorField(member, text);                                                        \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) const {                                         \
        return FormatColor(out, member);                                                           \
    }                                                                                              \
    COLORREF& Get##Name() {                                                                        \
        return member;                                                                             \
    }

// Colour whose failing text keeps the previous value.
#define KV_UI_KEPT_COLOR_ACCESSORS(Name, member)                                                   \
    KvResult Set##Name##Text(const std::string& text) {                                            \
        return SetColorFieldKeeping(member, text);                                                 \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) const {                                         \
        return FormatColor(out, member);                                                           \
    }                                                                                              \
    COLORREF& Get##Name() {                                                                        \
        return member;                                                                             \
    }

// Flag ("TRUE" in any letter case; written "TRUE" or "FALSE").
#define KV_UI_FLAG_ACCESSORS(Name, member)                                                         \
    void Set##Name##Text(const std::string& text) {                                                \
        SetFlagField(member, text);                                                                \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) const {                                         \
        return FormatFlag(out, member);                                                            \
    }                                                                                              \
    std::uint32_t& Get##Name() {                                                                   \
        return member;                                                                             \
    }

// Exact flag (a BoolValue, "TRUE" after trimming, case-sensitive).
#define KV_UI_EXACT_FLAG_ACCESSORS(Name, member)                                                   \
    void Set##Name##Text(std::string text) {                                                       \
        member.Parse(text);                                                                        \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) const {                                         \
        return member.Format(out);                                                                 \
    }                                                                                              \
    BoolValue& Get##Name() {                                                                       \
        return member;                                                                             \
    }

// Resource or file: the kept text and the resource id it gives.
#define KV_UI_RESOURCE_OR_FILE_ACCESSORS(Name, file, id)                                           \
    void Set##Name##Text(const std::string& text) {                                                \
        SetResourceOrFileField(file, id, text);                                                    \
    }                                                                                              \
    std::string& Get##Name##File() {                                                               \
        return file;                                                                               \
    }                                                                                              \
    std::uint32_t& Get##Name##Id() {                                                               \
        return id;                                                                                 \
    }

// Keyword set: its table's result; the description's last result is left
// alone.
#define KV_UI_STYLE_ACCESSORS(Name, table)                                                         \
    KvResult Set##Name##Text(const std::string& text) {                                            \
        return table.SetText(text);                                                                \
    }                                                                                              \
    KvResult Set##Name(std::uint32_t value) {                                                      \
        return table.FormatText(value);                                                            \
    }                                                                                              \
    std::uint32_t Get##Name() const {                                                              \
        return table.GetValue();                                                                   \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) const {                                         \
        return table.GetText(out);                                                                 \
    }

// The round edges, the background image with its flags and the transparent
// colour, which the face and the head share.
#define KV_UI_BACKGROUND_ACCESSORS                                                                 \
    KV_UI_UINT_ACCESSORS(RoundEdgeX, round_edge_x_)                                                \
    KV_UI_UINT_ACCESSORS(RoundEdgeY, round_edge_y_)                                                \
    KV_UI_RESOURCE_OR_FILE_ACCESSORS(BackgroundImage, background_image_file_,                      \
                                     background_image_id_)                                         \
    KV_UI_FLAG_ACCESSORS(FlagBackgroundImageHasTransparent,                                        \
                         flag_background_image_has_transparent_)                                   \
    KV_UI_FLAG_ACCESSORS(FlagBackgroundImageIsPacked, flag_background_image_is_packed_)            \
    KV_UI_FLAG_ACCESSORS(FlagSizeFollowBackgroundImage, flag_size_follow_background_image_)        \
    KV_UI_FLAG_ACCESSORS(FlagBackgroundWallpaper, flag_background_wallpaper_)                      \
    KV_UI_KEPT_COLOR_ACCESSORS(TransparentColor, transparent_color_)

// The face properties that every class but the dialog has.
#define KV_UI_FACE_ACCESSORS                                                                       \
    KV_UI_BACKGROUND_ACCESSORS                                                                     \
    KV_UI_FLAG_ACCESSORS(FlagRoundEdgeLeft, flag_round_edge_left_)                                 \
    KV_UI_FLAG_ACCESSORS(FlagRoundEdgeRight, flag_round_edge_right_)                               \
    KV_UI_FLAG_ACCESSORS(FlagButtonAsStatic, flag_button_as_static_)

// The inner image area of the classes that have one.
#define KV_UI_IMAGE_AREA_ACCESSORS                                                                 \
    KV_UI_INT_ACCESSORS(ImageWidth, image_width_)                                                  \
    KV_UI_INT_ACCESSORS(ImageHeight, image_height_)                                                \
    KV_UI_INT_ACCESSORS(ImagePositionX, image_position_x_)                                         \
    KV_UI_INT_ACCESSORS(ImagePositionY, image_position_y_)                                         \
    KV_UI_FLAG_ACCESSORS(FlagBorder, flag_border_)                                                 \
    KV_UI_FLAG_ACCESSORS(FlagImageBorder, flag_image_border_)                                      \
    KV_UI_UINT_ACCESSORS(ImageRoundEdgeX, image_round_edge_x_)                                     \
    KV_UI_UINT_ACCESSORS(ImageRoundEdgeY, image_round_edge_y_)

// The caption rectangle of the classes that have one.
#define KV_UI_TEXT_AREA_ACCESSORS                                                                  \
    KV_UI_INT_ACCESSORS(TextWidth, text_width_)                                                    \
    KV_UI_INT_ACCESSORS(TextHeight, text_height_)                                                  \
    KV_UI_INT_ACCESSORS(TextPositionX, text_position_x_)                                           \
    KV_UI_INT_ACCESSORS(TextPositionY, text_position_y_)

// The members behind the face, image area and caption rectangle accessors,
// with the steps that reset and copy each group.
#define KV_UI_FACE_MEMBERS                                                                         \
    std::uint32_t round_edge_x_ = 0;                                                               \
    std::uint32_t round_edge_y_ = 0;                                                               \
    std::string background_image_file_;                                                            \
    std::uint32_t flag_background_image_has_transparent_ = 0;                                      \
    std::uint32_t flag_background_image_is_packed_ = 0;                                            \
    std::uint32_t flag_size_follow_background_image_ = 0;                                          \
    std::uint32_t flag_background_wallpaper_ = 0;                                                  \
    COLORREF transparent_color_ = kWhite;                                                          \
    std::uint32_t flag_round_edge_left_ = 0;                                                       \
    std::uint32_t flag_round_edge_right_ = 0;                                                      \
    std::uint32_t flag_button_as_static_ = 0;                                                      \
    std::uint32_t background_image_id_ = 0;                                                        \
    /* The face but the background image's resource id, which not every */                         \
    /* class resets or copies with the rest. */                                                    \
    void ResetFace() {                                                                             \
        round_edge_x_ = 0;                                                                         \
        round_edge_y_ = 0;                                                                         \
        background_image_file_.clear();                                                            \
        flag_background_image_has_transparent_ = 0;                                                \
        flag_background_image_is_packed_ = 0;                                                      \
        flag_size_follow_background_image_ = 0;                                                    \
        flag_background_wallpaper_ = 0;                                                            \
        transparent_color_ = kWhite;                                                               \
        flag_round_edge_left_ = 0;                                                                 \
        flag_round_edge_right_ = 0;                                                                \
        flag_button_as_static_ = 0;                                                                \
    }                                                                                              \
    template <typename Other> void CopyFace(const Other& other) {                                  \
        round_edge_x_ = other.round_edge_x_;                                                       \
        round_edge_y_ = other.round_edge_y_;                                                       \
        background_image_file_ = other.background_image_file_;                                     \
        flag_background_wallpaper_ = other.flag_background_wallpaper_;                             \
        flag_background_image_has_transparent_ = other.flag_background_image_has_transparent_;     \
        flag_background_image_is_packed_ = other.flag_background_image_is_packed_;                 \
        flag_size_follow_background_image_ = other.flag_size_follow_background_image_;             \
        transparent_color_ = other.transparent_color_;                                             \
        flag_round_edge_left_ = other.flag_round_edge_left_;                                       \
        flag_round_edge_right_ = other.flag_round_edge_right_;                                     \
        flag_button_as_static_ = other.flag_button_as_static_;                                     \
    }

#define KV_UI_IMAGE_AREA_MEMBERS                                                                   \
    std::int32_t image_width_ = 0;                                                                 \
    std::int32_t image_height_ = 0;                                                                \
    std::int32_t image_position_x_ = 0;                                                            \
    std::int32_t image_position_y_ = 0;                                                            \
    std::uint32_t flag_border_ = 0;                                                                \
    std::uint32_t flag_image_border_ = 0;                                                          \
    std::uint32_t image_round_edge_x_ = 0;                                                         \
    std::uint32_t image_round_edge_y_ = 0;                                                         \
    void ResetImageArea() {                                                                        \
        image_width_ = image_height_ = image_position_x_ = image_position_y_ = 0;                  \
        flag_border_ = flag_image_border_ = 0;                                                     \
        image_round_edge_x_ = image_round_edge_y_ = 0;                                             \
    }                                                                                              \
    template <typename Other> void CopyImageArea(const Other& other) {                             \
        image_width_ = other.image_width_;                                                         \
        image_height_ = other.image_height_;                                                       \
        image_position_x_ = other.image_position_x_;                                               \
        image_position_y_ = other.image_position_y_;                                               \
        flag_border_ = other.flag_border_;                                                         \
        flag_image_border_ = other.flag_image_border_;                                             \
        image_round_edge_x_ = other.image_round_edge_x_;                                           \
        image_round_edge_y_ = other.image_round_edge_y_;                                           \
    }

#define KV_UI_TEXT_AREA_MEMBERS                                                                    \
    std::int32_t text_width_ = 0;                                                                  \
    std::int32_t text_height_ = 0;                                                                 \
    std::int32_t text_position_x_ = 0;                                                             \
    std::int32_t text_position_y_ = 0;                                                             \
    void ResetTextArea() {                                                                         \
        text_width_ = text_height_ = text_position_x_ = text_position_y_ = 0;                      \
    }                                                                                              \
    template <typename Other> void CopyTextArea(const Other& other) {                              \
        text_width_ = other.text_width_;                                                           \
        text_height_ = other.text_height_;                                                         \
        text_position_x_ = other.text_position_x_;                                                 \
        text_position_y_ = other.text_position_y_;                                                 \
    }

// String list: appends the trimmed comma-separated items; written joined.
#define KV_UI_STRING_LIST_ACCESSORS(Name, member)                                                  \
    KvResult Set##Name##Text(const std::string& text) {                                            \
        return member.SetFromText(text);                                                           \
    }                                                                                              \
    std::string& Get##Name##Text(std::string& out) {                                               \
        return member.GetText(out);                                                                \
    }                                                                                              \
    BoundedStringList& Get##Name() {                                                               \
        return member;                                                                             \
    }

// The common head of the list, combo box, list box and string descriptions:
// "roundedgex" to "backgroundcolorrangestart".
#define KV_UI_HEAD_ACCESSORS                                                                       \
    KV_UI_BACKGROUND_ACCESSORS                                                                     \
    KV_UI_COLOR_ACCESSORS(BackgroundColorRangeStart, background_color_range_start_)

#define KV_UI_HEAD_MEMBERS                                                                         \
    std::uint32_t round_edge_x_ = 0;                                                               \
    std::uint32_t round_edge_y_ = 0;                                                               \
    std::string background_image_file_;                                                            \
    std::uint32_t background_image_id_ = 0;                                                        \
    std::uint32_t flag_background_image_has_transparent_ = 0;                                      \
    std::uint32_t flag_background_image_is_packed_ = 0;                                            \
    std::uint32_t flag_size_follow_background_image_ = 0;                                          \
    std::uint32_t flag_background_wallpaper_ = 0;                                                  \
    COLORREF transparent_color_ = kWhite;                                                          \
    COLORREF background_color_range_start_ = kWhite;                                               \
    void ResetHead() {                                                                             \
        round_edge_x_ = 0;                                                                         \
        round_edge_y_ = 0;                                                                         \
        background_image_file_.clear();                                                            \
        background_image_id_ = 0;                                                                  \
        flag_background_image_has_transparent_ = 0;                                                \
        flag_background_image_is_packed_ = 0;                                                      \
        flag_size_follow_background_image_ = 0;                                                    \
        flag_background_wallpaper_ = 0;                                                            \
        transparent_color_ = kWhite;                                                               \
        background_color_range_start_ = kWhite;                                                    \
    }                                                                                              \
    template <typename Other> void CopyHead(const Other& other) {                                  \
        round_edge_x_ = other.round_edge_x_;                                                       \
        round_edge_y_ = other.round_edge_y_;                                                       \
        background_image_file_ = other.background_image_file_;                                     \
        background_image_id_ = other.background_image_id_;                                         \
        flag_background_wallpaper_ = other.flag_background_wallpaper_;                             \
        flag_background_image_has_transparent_ = other.flag_background_image_has_transparent_;     \
        flag_background_image_is_packed_ = other.flag_background_image_is_packed_;                 \
        flag_size_follow_background_image_ = other.flag_size_follow_background_image_;             \
        transparent_color_ = other.transparent_color_;                                             \
        background_color_range_start_ = other.background_color_range_start_;                       \
    }
