#pragma once
// The property groups that several descriptions share (face, list head,
// image area, caption rectangle, button line): their members with the steps
// that reset and copy each group, and their accessors, each declared once by
// name. An accessor sets from text, gets as text, or gets a reference through
// which callers also assign, forwarding to the value kinds of CKvUIObject, so
// that every class parses and writes a kind the same way.

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

// The accessor groups that several descriptions share, each declared once by
// name. A description class derives from the groups it has, holds their
// members (the macros above) and befriends the groups; an accessor reaches
// the members through the class.

// The round edges, the background image with its flags and the transparent
// colour, which the face and the list head share.
template <typename Self> class UIBackgroundAccessors {
public:
    KvResult SetRoundEdgeXText(const std::string& text) {
        return Me().SetUIntField(Me().round_edge_x_, text);
    }
    std::string& GetRoundEdgeXText(std::string& out) const {
        return Me().FormatUInt(out, Me().round_edge_x_);
    }
    std::uint32_t& GetRoundEdgeX() { return Me().round_edge_x_; }
    KvResult SetRoundEdgeYText(const std::string& text) {
        return Me().SetUIntField(Me().round_edge_y_, text);
    }
    std::string& GetRoundEdgeYText(std::string& out) const {
        return Me().FormatUInt(out, Me().round_edge_y_);
    }
    std::uint32_t& GetRoundEdgeY() { return Me().round_edge_y_; }
    void SetBackgroundImageText(const std::string& text) {
        Me().SetResourceOrFileField(Me().background_image_file_, Me().background_image_id_, text);
    }
    std::string& GetBackgroundImageFile() { return Me().background_image_file_; }
    std::uint32_t& GetBackgroundImageId() { return Me().background_image_id_; }
    void SetFlagBackgroundImageHasTransparentText(const std::string& text) {
        Me().SetFlagField(Me().flag_background_image_has_transparent_, text);
    }
    std::string& GetFlagBackgroundImageHasTransparentText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_background_image_has_transparent_);
    }
    std::uint32_t& GetFlagBackgroundImageHasTransparent() {
        return Me().flag_background_image_has_transparent_;
    }
    void SetFlagBackgroundImageIsPackedText(const std::string& text) {
        Me().SetFlagField(Me().flag_background_image_is_packed_, text);
    }
    std::string& GetFlagBackgroundImageIsPackedText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_background_image_is_packed_);
    }
    std::uint32_t& GetFlagBackgroundImageIsPacked() {
        return Me().flag_background_image_is_packed_;
    }
    void SetFlagSizeFollowBackgroundImageText(const std::string& text) {
        Me().SetFlagField(Me().flag_size_follow_background_image_, text);
    }
    std::string& GetFlagSizeFollowBackgroundImageText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_size_follow_background_image_);
    }
    std::uint32_t& GetFlagSizeFollowBackgroundImage() {
        return Me().flag_size_follow_background_image_;
    }
    void SetFlagBackgroundWallpaperText(const std::string& text) {
        Me().SetFlagField(Me().flag_background_wallpaper_, text);
    }
    std::string& GetFlagBackgroundWallpaperText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_background_wallpaper_);
    }
    std::uint32_t& GetFlagBackgroundWallpaper() { return Me().flag_background_wallpaper_; }
    KvResult SetTransparentColorText(const std::string& text) {
        return Me().SetColorFieldKeeping(Me().transparent_color_, text);
    }
    std::string& GetTransparentColorText(std::string& out) const {
        return Me().FormatColor(out, Me().transparent_color_);
    }
    COLORREF& GetTransparentColor() { return Me().transparent_color_; }

private:
    Self& Me() { return static_cast<Self&>(*this); }
    const Self& Me() const { return static_cast<const Self&>(*this); }
};

// The face properties that every class but the dialog has.
template <typename Self> class UIFaceAccessors : public UIBackgroundAccessors<Self> {
public:
    void SetFlagRoundEdgeLeftText(const std::string& text) {
        Me().SetFlagField(Me().flag_round_edge_left_, text);
    }
    std::string& GetFlagRoundEdgeLeftText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_round_edge_left_);
    }
    std::uint32_t& GetFlagRoundEdgeLeft() { return Me().flag_round_edge_left_; }
    void SetFlagRoundEdgeRightText(const std::string& text) {
        Me().SetFlagField(Me().flag_round_edge_right_, text);
    }
    std::string& GetFlagRoundEdgeRightText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_round_edge_right_);
    }
    std::uint32_t& GetFlagRoundEdgeRight() { return Me().flag_round_edge_right_; }
    void SetFlagButtonAsStaticText(const std::string& text) {
        Me().SetFlagField(Me().flag_button_as_static_, text);
    }
    std::string& GetFlagButtonAsStaticText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_button_as_static_);
    }
    std::uint32_t& GetFlagButtonAsStatic() { return Me().flag_button_as_static_; }

private:
    Self& Me() { return static_cast<Self&>(*this); }
    const Self& Me() const { return static_cast<const Self&>(*this); }
};

// The common head of the list, combo box, list box and string descriptions:
// "roundedgex" to "backgroundcolorrangestart".
template <typename Self> class UIHeadAccessors : public UIBackgroundAccessors<Self> {
public:
    KvResult SetBackgroundColorRangeStartText(const std::string& text) {
        return Me().SetColorField(Me().background_color_range_start_, text);
    }
    std::string& GetBackgroundColorRangeStartText(std::string& out) const {
        return Me().FormatColor(out, Me().background_color_range_start_);
    }
    COLORREF& GetBackgroundColorRangeStart() { return Me().background_color_range_start_; }

private:
    Self& Me() { return static_cast<Self&>(*this); }
    const Self& Me() const { return static_cast<const Self&>(*this); }
};

// The inner image area of the classes that have one.
template <typename Self> class UIImageAreaAccessors {
public:
    KvResult SetImageWidthText(const std::string& text) {
        return Me().SetIntField(Me().image_width_, text);
    }
    std::string& GetImageWidthText(std::string& out) const {
        return Me().FormatInt(out, Me().image_width_);
    }
    std::int32_t& GetImageWidth() { return Me().image_width_; }
    KvResult SetImageHeightText(const std::string& text) {
        return Me().SetIntField(Me().image_height_, text);
    }
    std::string& GetImageHeightText(std::string& out) const {
        return Me().FormatInt(out, Me().image_height_);
    }
    std::int32_t& GetImageHeight() { return Me().image_height_; }
    KvResult SetImagePositionXText(const std::string& text) {
        return Me().SetIntField(Me().image_position_x_, text);
    }
    std::string& GetImagePositionXText(std::string& out) const {
        return Me().FormatInt(out, Me().image_position_x_);
    }
    std::int32_t& GetImagePositionX() { return Me().image_position_x_; }
    KvResult SetImagePositionYText(const std::string& text) {
        return Me().SetIntField(Me().image_position_y_, text);
    }
    std::string& GetImagePositionYText(std::string& out) const {
        return Me().FormatInt(out, Me().image_position_y_);
    }
    std::int32_t& GetImagePositionY() { return Me().image_position_y_; }
    void SetFlagBorderText(const std::string& text) { Me().SetFlagField(Me().flag_border_, text); }
    std::string& GetFlagBorderText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_border_);
    }
    std::uint32_t& GetFlagBorder() { return Me().flag_border_; }
    void SetFlagImageBorderText(const std::string& text) {
        Me().SetFlagField(Me().flag_image_border_, text);
    }
    std::string& GetFlagImageBorderText(std::string& out) const {
        return Me().FormatFlag(out, Me().flag_image_border_);
    }
    std::uint32_t& GetFlagImageBorder() { return Me().flag_image_border_; }
    KvResult SetImageRoundEdgeXText(const std::string& text) {
        return Me().SetUIntField(Me().image_round_edge_x_, text);
    }
    std::string& GetImageRoundEdgeXText(std::string& out) const {
        return Me().FormatUInt(out, Me().image_round_edge_x_);
    }
    std::uint32_t& GetImageRoundEdgeX() { return Me().image_round_edge_x_; }
    KvResult SetImageRoundEdgeYText(const std::string& text) {
        return Me().SetUIntField(Me().image_round_edge_y_, text);
    }
    std::string& GetImageRoundEdgeYText(std::string& out) const {
        return Me().FormatUInt(out, Me().image_round_edge_y_);
    }
    std::uint32_t& GetImageRoundEdgeY() { return Me().image_round_edge_y_; }

private:
    Self& Me() { return static_cast<Self&>(*this); }
    const Self& Me() const { return static_cast<const Self&>(*this); }
};

// The caption rectangle of the classes that have one.
template <typename Self> class UITextAreaAccessors {
public:
    KvResult SetTextWidthText(const std::string& text) {
        return Me().SetIntField(Me().text_width_, text);
    }
    std::string& GetTextWidthText(std::string& out) const {
        return Me().FormatInt(out, Me().text_width_);
    }
    std::int32_t& GetTextWidth() { return Me().text_width_; }
    KvResult SetTextHeightText(const std::string& text) {
        return Me().SetIntField(Me().text_height_, text);
    }
    std::string& GetTextHeightText(std::string& out) const {
        return Me().FormatInt(out, Me().text_height_);
    }
    std::int32_t& GetTextHeight() { return Me().text_height_; }
    KvResult SetTextPositionXText(const std::string& text) {
        return Me().SetIntField(Me().text_position_x_, text);
    }
    std::string& GetTextPositionXText(std::string& out) const {
        return Me().FormatInt(out, Me().text_position_x_);
    }
    std::int32_t& GetTextPositionX() { return Me().text_position_x_; }
    KvResult SetTextPositionYText(const std::string& text) {
        return Me().SetIntField(Me().text_position_y_, text);
    }
    std::string& GetTextPositionYText(std::string& out) const {
        return Me().FormatInt(out, Me().text_position_y_);
    }
    std::int32_t& GetTextPositionY() { return Me().text_position_y_; }

private:
    Self& Me() { return static_cast<Self&>(*this); }
    const Self& Me() const { return static_cast<const Self&>(*this); }
};

// The properties of the button line and the button group line.
template <typename Self>
class UIButtonLineAccessors : public UIFaceAccessors<Self>,
                              public UIImageAreaAccessors<Self>,
                              public UITextAreaAccessors<Self> {
public:
    KvResult SetBackgroundColorRangeStartText(const std::string& text) {
        return Me().SetColorField(Me().background_color_range_start_, text);
    }
    std::string& GetBackgroundColorRangeStartText(std::string& out) const {
        return Me().FormatColor(out, Me().background_color_range_start_);
    }
    COLORREF& GetBackgroundColorRangeStart() { return Me().background_color_range_start_; }
    KvResult SetButtonWidthText(const std::string& text) {
        return Me().SetIntField(Me().button_width_, text);
    }
    std::string& GetButtonWidthText(std::string& out) const {
        return Me().FormatInt(out, Me().button_width_);
    }
    std::int32_t& GetButtonWidth() { return Me().button_width_; }
    KvResult SetButtonHeightText(const std::string& text) {
        return Me().SetIntField(Me().button_height_, text);
    }
    std::string& GetButtonHeightText(std::string& out) const {
        return Me().FormatInt(out, Me().button_height_);
    }
    std::int32_t& GetButtonHeight() { return Me().button_height_; }
    KvResult SetButtonViewableCountText(const std::string& text) {
        return Me().SetUIntField(Me().button_viewable_count_, text);
    }
    std::string& GetButtonViewableCountText(std::string& out) const {
        return Me().FormatUInt(out, Me().button_viewable_count_);
    }
    std::uint32_t& GetButtonViewableCount() { return Me().button_viewable_count_; }
    KvResult SetButtonSpaceText(const std::string& text) {
        return Me().SetUIntField(Me().button_space_, text);
    }
    std::string& GetButtonSpaceText(std::string& out) const {
        return Me().FormatUInt(out, Me().button_space_);
    }
    std::uint32_t& GetButtonSpace() { return Me().button_space_; }
    KvResult SetStyleText(const std::string& text) { return Me().style_.SetText(text); }
    KvResult SetStyle(std::uint32_t value) { return Me().style_.FormatText(value); }
    std::uint32_t GetStyle() const { return Me().style_.GetValue(); }
    std::string& GetStyleText(std::string& out) const { return Me().style_.GetText(out); }
    KvResult SetScrollbarSpaceText(const std::string& text) {
        return Me().SetUIntField(Me().scrollbar_space_, text);
    }
    std::string& GetScrollbarSpaceText(std::string& out) const {
        return Me().FormatUInt(out, Me().scrollbar_space_);
    }
    std::uint32_t& GetScrollbarSpace() { return Me().scrollbar_space_; }
    KvResult SetScrollbarThicknessText(const std::string& text) {
        return Me().SetUIntField(Me().scrollbar_thickness_, text);
    }
    std::string& GetScrollbarThicknessText(std::string& out) const {
        return Me().FormatUInt(out, Me().scrollbar_thickness_);
    }
    std::uint32_t& GetScrollbarThickness() { return Me().scrollbar_thickness_; }

private:
    Self& Me() { return static_cast<Self&>(*this); }
    const Self& Me() const { return static_cast<const Self&>(*this); }
};
