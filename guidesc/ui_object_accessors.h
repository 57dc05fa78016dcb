#pragma once
// The members of the property groups that several descriptions share (face,
// image area, caption rectangle, list head), with the steps that reset and
// copy each group. Each class declares its accessors by name: set from text,
// get as text, get (a reference through which callers also assign), each
// forwarding to the value kinds of CKvUIObject, so that every class parses
// and writes a kind the same way.

#include "core/bounded_string_list.h"
#include "core/text_values.h"
#include "guidesc/ui_object.h"

#include <string>

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
