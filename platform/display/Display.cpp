#include "display/Display.h"

#include <gtk/gtk.h>

#include <cstdlib>

namespace display {

namespace {
bool tried = false;
bool opened = false;
}  // namespace

bool Open() {
    if (tried) return opened;
    tried = true;
    opened = gtk_init_check(nullptr, nullptr);
    return opened;
}

bool IsOpen() { return opened; }

void SettleLayout() {
    if (!opened) return;
    gdk_display_sync(gdk_display_get_default());
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next)
        if (gtk_widget_get_mapped(GTK_WIDGET(l->data))) gtk_container_check_resize(GTK_CONTAINER(l->data));
    g_list_free(tops);
    // The server's answers to what layout asked (a window's new size) are in before this returns,
    // however slowly a busy server answers: a window resized back to its old size while another
    // size is still on its way would otherwise keep the other one.
    gdk_display_sync(gdk_display_get_default());
}

bool WritePng(GtkWidget* widget, const char* path) {
    if (!widget || !path || !gtk_widget_get_realized(widget)) return false;
    // A window whose new size is not laid out yet (a busy machine) is laid out first: drawing
    // a widget that waits for its allocation is refused by the toolkit.
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    if (GTK_IS_CONTAINER(top) && gtk_widget_is_toplevel(top)) gtk_container_check_resize(GTK_CONTAINER(top));
    GtkAllocation a;
    gtk_widget_get_allocation(widget, &a);
    if (a.width < 1 || a.height < 1) return false;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, a.width, a.height);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    gtk_widget_draw(widget, cr);
    cairo_destroy(cr);
    bool ok = cairo_surface_write_to_png(s, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

double PictureDifference(const char* pngA, const char* pngB, int tolerance) {
    GdkPixbuf* a = gdk_pixbuf_new_from_file(pngA, nullptr);
    GdkPixbuf* b = gdk_pixbuf_new_from_file(pngB, nullptr);
    double result = 1.0;
    if (a && b && gdk_pixbuf_get_width(a) == gdk_pixbuf_get_width(b) &&
        gdk_pixbuf_get_height(a) == gdk_pixbuf_get_height(b)) {
        int w = gdk_pixbuf_get_width(a), h = gdk_pixbuf_get_height(a);
        int na = gdk_pixbuf_get_n_channels(a), nb = gdk_pixbuf_get_n_channels(b);
        const guchar* pa = gdk_pixbuf_read_pixels(a);
        const guchar* pb = gdk_pixbuf_read_pixels(b);
        long differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const guchar* qa = pa + y * gdk_pixbuf_get_rowstride(a) + x * na;
                const guchar* qb = pb + y * gdk_pixbuf_get_rowstride(b) + x * nb;
                for (int c = 0; c < 3; ++c)
                    if (std::abs(qa[c] - qb[c]) > tolerance) {
                        ++differing;
                        break;
                    }
            }
        result = w && h ? static_cast<double>(differing) / (static_cast<double>(w) * h) : 0.0;
    }
    if (a) g_object_unref(a);
    if (b) g_object_unref(b);
    return result;
}

}  // namespace display
