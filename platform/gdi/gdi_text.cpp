// Fonts (the DejaVu faces through FreeType and cairo-ft) and text output.

#include "platform/gdi/gdi_internal.h"
#include "platform/text.h"
#include "platform/windows1252.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <string_view>

namespace gdi_internal {

std::recursive_mutex& FontLock() {
    static std::recursive_mutex lock;
    return lock;
}

Font::~Font() {
    std::lock_guard lock(FontLock());
    if (scaled)
        cairo_scaled_font_destroy(scaled);
}

}  // namespace gdi_internal

using namespace gdi_internal;

namespace {

constexpr int kMaxFontHeight = 2048;
constexpr double kItalicShear = 0.2;

// The font folder; KV_FONT_DIR replaces it for machines that keep DejaVu
// elsewhere.
std::string FontDirectory() {
    if (const char* directory = std::getenv("KV_FONT_DIR"))
        return directory;
    return "/usr/share/fonts/truetype/dejavu";
}

struct Face {
    FT_Face ft_face = nullptr;
    cairo_font_face_t* cairo_face = nullptr;
};

// Faces are loaded once and kept for the life of the process. Caller holds
// the font lock.
const Face* LoadFaceLocked(const std::string& file) {
    static FT_Library library = nullptr;
    static std::map<std::string, Face> faces;
    if (auto it = faces.find(file); it != faces.end())
        return it->second.ft_face ? &it->second : nullptr;
    Face& face = faces[file];
    if (!library && FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        return nullptr;
    }
    const std::string path = FontDirectory() + "/" + file;
    if (FT_New_Face(library, path.c_str(), 0, &face.ft_face) != 0) {
        face.ft_face = nullptr;
        return nullptr;
    }
    face.cairo_face = cairo_ft_font_face_create_for_ft_face(face.ft_face, 0);
    return &face;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    std::string upper_text(text);
    std::string upper_part(part);
    MakeUpperInPlace(upper_text);
    MakeUpperInPlace(upper_part);
    return upper_text.find(upper_part) != std::string::npos;
}

std::string FaceFile(const LOGFONT& logfont) {
    const std::string_view name(logfont.lfFaceName, strnlen(logfont.lfFaceName, LF_FACESIZE));
    const bool bold = logfont.lfWeight >= 600;
    if (ContainsNoCase(name, "Serif") || ContainsNoCase(name, "Times") || ContainsNoCase(name, "Roman"))
        return bold ? "DejaVuSerif-Bold.ttf" : "DejaVuSerif.ttf";
    if (ContainsNoCase(name, "Courier") || ContainsNoCase(name, "Mono") || ContainsNoCase(name, "Fixed"))
        return bold ? "DejaVuSansMono-Bold.ttf" : "DejaVuSansMono.ttf";
    return bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
}

int Round(double value) { return static_cast<int>(std::lround(value)); }

cairo_font_options_t* AliasedOptions() {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    return options;
}

cairo_scaled_font_t* MakeScaledFont(const Face& face, const cairo_matrix_t& matrix) {
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = AliasedOptions();
    cairo_scaled_font_t* scaled = cairo_scaled_font_create(face.cairo_face, &matrix, &identity, options);
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) {
        cairo_scaled_font_destroy(scaled);
        return nullptr;
    }
    return scaled;
}

// Metrics, glyph indices and whole-pixel advances from the upright font.
void MeasureLocked(Font& font, const Face& face, double em) {
    cairo_matrix_t upright;
    cairo_matrix_init_scale(&upright, em, em);
    cairo_scaled_font_t* metric_font = MakeScaledFont(face, upright);
    if (!metric_font)
        return;
    cairo_font_extents_t extents;
    cairo_scaled_font_extents(metric_font, &extents);
    FT_Face ft_face = cairo_ft_scaled_font_lock_face(metric_font);
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t code_point = Windows1252ToCodePoint(static_cast<unsigned char>(byte));
        Glyph& glyph = font.glyphs[static_cast<std::size_t>(byte)];
        // Control characters take no room and draw nothing.
        if (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0)) {
            glyph = Glyph{};
            continue;
        }
        glyph.index = ft_face ? FT_Get_Char_Index(ft_face, code_point) : 0;
    }
    const double units = ft_face ? ft_face->units_per_EM : 2048;
    if (ft_face) {
        font.underline_offset = std::max(1, Round(-ft_face->underline_position * em / units));
        font.underline_thickness = std::max(1, Round(ft_face->underline_thickness * em / units));
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft_face, FT_SFNT_OS2))) {
            font.strikeout_offset = -Round(os2->yStrikeoutPosition * em / units);
            font.strikeout_thickness = std::max(1, Round(os2->yStrikeoutSize * em / units));
        }
    }
    cairo_ft_scaled_font_unlock_face(metric_font);
    for (auto& glyph : font.glyphs) {
        if (glyph.index == 0 && glyph.advance == 0)
            continue;
        cairo_glyph_t cairo_glyph{glyph.index, 0, 0};
        cairo_text_extents_t glyph_extents;
        cairo_scaled_font_glyph_extents(metric_font, &cairo_glyph, 1, &glyph_extents);
        glyph.advance = Round(glyph_extents.x_advance);
    }
    // Bytes whose glyph index is 0 but that are printable still advance.
    for (int byte = 0x20; byte < 256; ++byte) {
        Glyph& glyph = font.glyphs[static_cast<std::size_t>(byte)];
        if (glyph.index != 0 || glyph.advance != 0)
            continue;
        const char32_t code_point = Windows1252ToCodePoint(static_cast<unsigned char>(byte));
        if (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0))
            continue;
        cairo_glyph_t cairo_glyph{0, 0, 0};
        cairo_text_extents_t glyph_extents;
        cairo_scaled_font_glyph_extents(metric_font, &cairo_glyph, 1, &glyph_extents);
        glyph.advance = Round(glyph_extents.x_advance);
    }
    TEXTMETRIC& tm = font.metrics;
    tm.tmAscent = Round(extents.ascent);
    tm.tmDescent = Round(extents.descent);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - Round(em));
    tm.tmExternalLeading = std::max(0, Round(extents.height) - tm.tmHeight);
    tm.tmAveCharWidth = font.glyphs['x'].advance;
    tm.tmMaxCharWidth = Round(extents.max_x_advance);
    cairo_scaled_font_destroy(metric_font);
}

// The em height in pixels: a negative height is the em, a positive one the
// cell (ascender plus descender of the face).
double EmHeight(const LOGFONT& logfont, const Face& face) {
    if (logfont.lfHeight == 0)
        return 11.0;
    if (logfont.lfHeight < 0)
        return -static_cast<double>(logfont.lfHeight);
    double cell_units = static_cast<double>(face.ft_face->ascender) - face.ft_face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face.ft_face, FT_SFNT_OS2)))
        if (os2->usWinAscent + os2->usWinDescent > 0)
            cell_units = static_cast<double>(os2->usWinAscent) + os2->usWinDescent;
    return logfont.lfHeight * face.ft_face->units_per_EM / cell_units;
}

}  // namespace

namespace gdi_internal {

std::shared_ptr<Font> MakeFont(const LOGFONT& logfont) {
    std::lock_guard lock(FontLock());
    const Face* face = LoadFaceLocked(FaceFile(logfont));
    if (!face)
        return nullptr;
    auto font = std::make_shared<Font>();
    font->logfont = logfont;
    const double em = EmHeight(logfont, *face);
    MeasureLocked(*font, *face, em);
    const double angle = logfont.lfEscapement / 10.0 * std::numbers::pi / 180.0;
    font->direction_x = std::cos(angle);
    font->direction_y = -std::sin(angle);
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, em, 0, logfont.lfItalic ? -kItalicShear * em : 0, em, 0, 0);
    if (logfont.lfEscapement % 3600 != 0) {
        cairo_matrix_t rotation;
        cairo_matrix_init_rotate(&rotation, -angle);
        cairo_matrix_multiply(&matrix, &matrix, &rotation);
    }
    font->scaled = MakeScaledFont(*face, matrix);
    if (!font->scaled)
        return nullptr;
    TEXTMETRIC& tm = font->metrics;
    tm.tmWeight = logfont.lfWeight == 0 ? FW_NORMAL : logfont.lfWeight;
    tm.tmItalic = logfont.lfItalic ? 1 : 0;
    tm.tmUnderlined = logfont.lfUnderline ? 1 : 0;
    tm.tmStruckOut = logfont.lfStrikeOut ? 1 : 0;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmCharSet = logfont.lfCharSet;
    const bool mono = FaceFile(logfont).find("Mono") != std::string::npos;
    // TMPF_FIXED_PITCH set means variable pitch; TMPF_TRUETYPE.
    tm.tmPitchAndFamily = static_cast<BYTE>((mono ? 0 : 1) | 4);
    return font;
}

}  // namespace gdi_internal

HFONT CreateFontIndirect(const LOGFONT* logfont) {
    if (logfont == nullptr)
        return nullptr;
    if (logfont->lfHeight < -kMaxFontHeight || logfont->lfHeight > kMaxFontHeight) {
        CountRefused();
        return nullptr;
    }
    auto font = MakeFont(*logfont);
    return font ? reinterpret_cast<HFONT>(AddObject(font)) : nullptr;
}

namespace {

struct TextOptions {
    bool expand_tabs = false;
    int tab_width = 0;
};

int NextTabStop(int pen, int tab_width) {
    if (tab_width <= 0)
        return pen;
    return (pen / tab_width + 1) * tab_width;
}

int Advance(const Font& font, int pen, unsigned char byte, const TextOptions& options) {
    // Widths stop growing at the coordinate limit, so huge texts cannot overflow.
    if (byte == '\t' && options.expand_tabs)
        return std::min(NextTabStop(pen, options.tab_width), kMaxCoordinate);
    return std::min(pen + font.glyphs[byte].advance, kMaxCoordinate);
}

// Width of the bytes from the start of a line.
int MeasureRun(const Font& font, std::string_view text, const TextOptions& options) {
    int pen = 0;
    for (unsigned char byte : text)
        pen = Advance(font, pen, byte, options);
    return pen;
}

// A line of laid-out text: its bytes and, for each, whether a prefix
// underlines it.
struct TextLine {
    std::string text;
    std::vector<bool> underlined;
    int width = 0;
};

void FillQuad(cairo_t* cr, const Font& font, double x, double y, double along, double down,
              double length, double thickness) {
    const double dx = font.direction_x;
    const double dy = font.direction_y;
    // "Down" of the text is the baseline direction turned clockwise.
    const double nx = -dy;
    const double ny = dx;
    const double x0 = x + dx * along + nx * down;
    const double y0 = y + dy * along + ny * down;
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x0 + dx * length, y0 + dy * length);
    cairo_line_to(cr, x0 + dx * length + nx * thickness, y0 + dy * length + ny * thickness);
    cairo_line_to(cr, x0 + nx * thickness, y0 + ny * thickness);
    cairo_close_path(cr);
}

// Draws one line with its reference point (top left of its cell) at (x, y)
// in target coordinates.
void DrawLine(cairo_t* cr, const Dc& dc, const Font& font, double x, double y, const TextLine& line,
              const TextOptions& options, int line_height) {
    const TEXTMETRIC& tm = font.metrics;
    if (dc.state.bk_mode == OPAQUE && line.width > 0) {
        FillQuad(cr, font, x, y, 0, 0, line.width, line_height);
        SetSourceColor(cr, dc.state.bk_color);
        cairo_fill(cr);
    }
    const double nx = -font.direction_y;
    const double ny = font.direction_x;
    const double base_x = x + nx * tm.tmAscent;
    const double base_y = y + ny * tm.tmAscent;
    std::vector<cairo_glyph_t> glyphs;
    glyphs.reserve(line.text.size());
    SetSourceColor(cr, dc.state.text_color);
    int pen = 0;
    for (std::size_t i = 0; i < line.text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line.text[i]);
        if (byte == '\t' && options.expand_tabs) {
            pen = NextTabStop(pen, options.tab_width);
            continue;
        }
        const Glyph& glyph = font.glyphs[byte];
        if (glyph.advance != 0 || glyph.index != 0)
            glyphs.push_back({glyph.index, std::round(base_x + font.direction_x * pen),
                              std::round(base_y + font.direction_y * pen)});
        if (line.underlined.size() > i && line.underlined[i])
            FillQuad(cr, font, base_x, base_y, pen, font.underline_offset, glyph.advance,
                     font.underline_thickness);
        pen += glyph.advance;
    }
    if (font.logfont.lfUnderline)
        FillQuad(cr, font, base_x, base_y, 0, font.underline_offset, line.width, font.underline_thickness);
    if (font.logfont.lfStrikeOut)
        FillQuad(cr, font, base_x, base_y, 0, font.strikeout_offset, line.width, font.strikeout_thickness);
    cairo_fill(cr);
    if (glyphs.empty())
        return;
    cairo_set_scaled_font(cr, font.scaled);
    cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
}

struct DcAndFont {
    std::shared_ptr<Dc> dc;
    std::shared_ptr<Font> font;
};

DcAndFont FindDcAndFont(HDC handle) {
    DcAndFont result;
    result.dc = Find<Dc>(handle, ObjectKind::Dc);
    if (result.dc)
        result.font = result.dc->state.font;
    if (!result.font)
        result.dc.reset();
    return result;
}

// "&x" underlines x, "&&" is "&", a last lone "&" is dropped.
TextLine ApplyPrefixes(std::string_view text, bool prefixes) {
    TextLine line;
    line.text.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool underline = false;
        if (prefixes && text[i] == '&') {
            if (++i == text.size())
                break;
            underline = text[i] != '&';
        }
        line.text.push_back(text[i]);
        line.underlined.push_back(underline);
    }
    return line;
}

TextLine Slice(const TextLine& source, std::size_t begin, std::size_t end) {
    TextLine line;
    line.text = source.text.substr(begin, end - begin);
    line.underlined.assign(source.underlined.begin() + static_cast<std::ptrdiff_t>(begin),
                           source.underlined.begin() + static_cast<std::ptrdiff_t>(end));
    return line;
}

// Greedy breaking at blanks; a word wider than the line keeps a line of its
// own.
void BreakWords(const Font& font, const TextLine& paragraph, int limit, const TextOptions& options,
                std::vector<TextLine>& lines) {
    const std::string& text = paragraph.text;
    std::size_t start = 0;
    do {
        std::size_t fit_end = start;
        int pen = 0;
        while (fit_end < text.size()) {
            std::size_t j = fit_end;
            int width = pen;
            while (j < text.size() && text[j] == ' ')
                width = Advance(font, width, static_cast<unsigned char>(text[j++]), options);
            while (j < text.size() && text[j] != ' ')
                width = Advance(font, width, static_cast<unsigned char>(text[j++]), options);
            if (width > limit && fit_end != start)
                break;
            fit_end = j;
            pen = width;
            if (width > limit)
                break;
        }
        TextLine line = Slice(paragraph, start, fit_end);
        while (!line.text.empty() && line.text.back() == ' ') {
            line.text.pop_back();
            line.underlined.pop_back();
        }
        lines.push_back(std::move(line));
        start = fit_end;
        while (start < text.size() && text[start] == ' ')
            ++start;
    } while (start < text.size());
}

std::vector<TextLine> LayOut(const Font& font, std::string_view text, UINT format, int limit,
                             const TextOptions& options) {
    const TextLine all = ApplyPrefixes(text, (format & DT_NOPREFIX) == 0);
    std::vector<TextLine> lines;
    std::vector<TextLine> paragraphs;
    if (format & DT_SINGLELINE) {
        paragraphs.push_back(all);
    } else {
        std::size_t begin = 0;
        for (std::size_t i = 0; i <= all.text.size(); ++i) {
            if (i < all.text.size() && all.text[i] != '\n')
                continue;
            std::size_t end = i;
            if (end > begin && all.text[end - 1] == '\r')
                --end;
            paragraphs.push_back(Slice(all, begin, end));
            begin = i + 1;
        }
    }
    for (const TextLine& paragraph : paragraphs) {
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE))
            BreakWords(font, paragraph, limit, options, lines);
        else
            lines.push_back(paragraph);
    }
    for (TextLine& line : lines)
        line.width = MeasureRun(font, line.text, options);
    return lines;
}

}  // namespace

BOOL GetTextExtentPoint32(HDC handle, const char* text, int length, SIZE* size) {
    DcAndFont target = FindDcAndFont(handle);
    if (!target.dc || size == nullptr || length < 0 || (text == nullptr && length > 0))
        return FALSE;
    size->cx = MeasureRun(*target.font, std::string_view(text ? text : "", static_cast<std::size_t>(length)), {});
    size->cy = target.font->metrics.tmHeight;
    return TRUE;
}

BOOL GetTextExtentExPoint(HDC handle, const char* text, int length, int max_extent, int* fit, int* extents,
                          SIZE* size) {
    DcAndFont target = FindDcAndFont(handle);
    if (!target.dc || length < 0 || (text == nullptr && length > 0))
        return FALSE;
    int pen = 0;
    int fitting = 0;
    // Widths only grow: asked for the fit alone, the first character that
    // does not fit ends the count.
    const bool fit_only = extents == nullptr && size == nullptr;
    for (int i = 0; i < length; ++i) {
        pen = Advance(*target.font, pen, static_cast<unsigned char>(text[i]), {});
        if (extents != nullptr)
            extents[i] = pen;
        if (fitting == i && pen <= max_extent)
            ++fitting;
        else if (fit_only)
            break;
    }
    if (fit != nullptr)
        *fit = fitting;
    if (size != nullptr) {
        size->cx = pen;
        size->cy = target.font->metrics.tmHeight;
    }
    return TRUE;
}

BOOL GetTextMetrics(HDC handle, TEXTMETRIC* metrics) {
    DcAndFont target = FindDcAndFont(handle);
    if (!target.dc || metrics == nullptr)
        return FALSE;
    *metrics = target.font->metrics;
    return TRUE;
}

BOOL TextOut(HDC handle, int x, int y, const char* text, int length) {
    DcAndFont target = FindDcAndFont(handle);
    if (!target.dc || length < 0 || (text == nullptr && length > 0) || !ValidCoordinates({x, y}))
        return FALSE;
    CairoContext cr = BeginDrawing(*target.dc);
    if (!cr)
        return TRUE;
    TextLine line = ApplyPrefixes(std::string_view(text ? text : "", static_cast<std::size_t>(length)), false);
    line.width = MeasureRun(*target.font, line.text, {});
    std::lock_guard lock(FontLock());
    DrawLine(cr.get(), *target.dc, *target.font, static_cast<double>(x) + target.dc->origin.x,
             static_cast<double>(y) + target.dc->origin.y, line, {}, target.font->metrics.tmHeight);
    return TRUE;
}

int DrawText(HDC handle, const char* text, int length, RECT* rect, UINT format) {
    DcAndFont target = FindDcAndFont(handle);
    if (!target.dc || rect == nullptr || length < -1 || (text == nullptr && length != 0))
        return 0;
    if (!ValidCoordinates({rect->left, rect->top, rect->right, rect->bottom}))
        return 0;
    const std::string_view view = length == -1 ? std::string_view(text)
                                               : std::string_view(text ? text : "", static_cast<std::size_t>(length));
    const Font& font = *target.font;
    const TEXTMETRIC& tm = font.metrics;
    TextOptions options;
    options.expand_tabs = (format & DT_EXPANDTABS) != 0;
    options.tab_width = 8 * tm.tmAveCharWidth;
    if (format & DT_TABSTOP) {
        // The tab length in average widths takes bits 8 to 15, which then
        // are no format bits.
        const int characters = static_cast<int>((format >> 8) & 0xFF);
        options.tab_width = (characters == 0 ? 8 : characters) * tm.tmAveCharWidth;
        format &= ~0xFF00u;
    }
    const int line_height = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    const int limit = rect->right - rect->left;
    const std::vector<TextLine> lines = LayOut(font, view, format, limit, options);
    const int text_height = line_height * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const TextLine& line : lines)
            widest = std::max(widest, line.width);
        rect->right = rect->left + widest;
        rect->bottom = rect->top + text_height;
        return text_height;
    }
    int y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rect->top + (rect->bottom - rect->top - line_height) / 2;
        else if (format & DT_BOTTOM)
            y = rect->bottom - line_height;
    }
    CairoContext cr = BeginDrawing(*target.dc);
    if (!cr)
        return text_height;
    const double ox = target.dc->origin.x;
    const double oy = target.dc->origin.y;
    if (!(format & DT_NOCLIP)) {
        cairo_rectangle(cr.get(), rect->left + ox, rect->top + oy, std::max(0, limit),
                        std::max(0, rect->bottom - rect->top));
        cairo_clip(cr.get());
    }
    std::lock_guard lock(FontLock());
    for (const TextLine& line : lines) {
        int x = rect->left;
        if (format & DT_CENTER)
            x = rect->left + (limit - line.width) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - line.width;
        DrawLine(cr.get(), *target.dc, font, x + ox, y + oy, line, options, line_height);
        y += line_height;
    }
    return text_height;
}
