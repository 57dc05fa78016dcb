// PNG files of bitmaps, through cairo.

#include "platform/gdi/gdi_internal.h"

using namespace gdi_internal;

BOOL GdiWritePng(HBITMAP handle, const std::string& path) {
    auto bitmap = Find<Bitmap>(handle, ObjectKind::Bitmap);
    if (!bitmap)
        return FALSE;
    cairo_surface_flush(bitmap->surface);
    return cairo_surface_write_to_png(bitmap->surface, path.c_str()) == CAIRO_STATUS_SUCCESS ? TRUE : FALSE;
}

HBITMAP GdiReadPng(const std::string& path) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return nullptr;
    }
    auto bitmap = MakeBitmap(cairo_image_surface_get_width(image), cairo_image_surface_get_height(image));
    if (!bitmap) {
        cairo_surface_destroy(image);
        CountRefused();
        return nullptr;
    }
    // Transparent parts come out over black, as the premultiplied colours are.
    cairo_t* cr = cairo_create(bitmap->surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    return reinterpret_cast<HBITMAP>(AddObject(bitmap));
}
