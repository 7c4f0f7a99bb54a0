// Resources: what the programs set on widgets and read back.
#include "photon/PxImage.h"
#include "photon/detail/Widget.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace photon {
namespace {

std::string Hex(PgColor_t c)
{
    char buf[16];
    snprintf(buf, sizeof buf, "#%06X", c & 0xFFFFFFu);
    return buf;
}

// A font name of the appliance ("lub12b", "TextFont07", "helv14i") as CSS: its size in points,
// bold and italic from the letters after the size.
std::string FontCss(const std::string& name)
{
    size_t i = 0;
    while (i < name.size() && !isdigit(static_cast<unsigned char>(name[i]))) ++i;
    int size = i < name.size() ? atoi(name.c_str() + i) : 10;
    while (i < name.size() && isdigit(static_cast<unsigned char>(name[i]))) ++i;
    std::string rest = name.substr(i);
    std::string css = "font-family: \"DejaVu Sans\"; font-size: " + std::to_string(size > 0 ? size : 10) + "pt;";
    if (rest.find('b') != std::string::npos) css += " font-weight: bold;";
    if (rest.find('i') != std::string::npos) css += " font-style: italic;";
    return css;
}

// Containers and labels draw no background of their own: the fill colour is painted under them.
gboolean PaintFill(GtkWidget* g, cairo_t* cr, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->fill == Pg_TRANSPARENT) return FALSE;
    cairo_set_source_rgb(cr, ((w->fill >> 16) & 0xFF) / 255.0, ((w->fill >> 8) & 0xFF) / 255.0,
                         (w->fill & 0xFF) / 255.0);
    cairo_rectangle(cr, 0, 0, gtk_widget_get_allocated_width(g), gtk_widget_get_allocated_height(g));
    cairo_fill(cr);
    return FALSE;
}

void ApplyStyle(PtWidget_t* w)
{
    if (!w->gtk) return;
    if (w->fill != Pg_TRANSPARENT && !g_object_get_data(G_OBJECT(w->gtk), "photon-fill")) {
        g_object_set_data(G_OBJECT(w->gtk), "photon-fill", w);
        g_signal_connect(w->gtk, "draw", G_CALLBACK(PaintFill), w);
    }
    std::string self;
    if (w->fill != Pg_TRANSPARENT) self += "background-image: none; background-color: " + Hex(w->fill) + ";";
    if (w->color != Pg_TRANSPARENT) self += " color: " + Hex(w->color) + ";";
    if (!w->font.empty()) self += " " + FontCss(w->font);
    std::string css = "* { " + self + " }";
    if (w->arm_color != Pg_TRANSPARENT)
        css += " *:active, *:checked { background-image: none; background-color: " + Hex(w->arm_color) + "; }";
    if (!w->css) {
        w->css = gtk_css_provider_new();
        gtk_style_context_add_provider(gtk_widget_get_style_context(w->gtk), GTK_STYLE_PROVIDER(w->css),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        if (w->text_part)
            gtk_style_context_add_provider(gtk_widget_get_style_context(w->text_part), GTK_STYLE_PROVIDER(w->css),
                                           GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    gtk_css_provider_load_from_data(w->css, css.c_str(), -1, nullptr);
}

GtkWidget* ButtonImage(PtWidget_t* w)
{
    if (!w->image_part) {
        w->image_part = gtk_image_new();
        gtk_button_set_image(GTK_BUTTON(w->gtk), w->image_part);
        gtk_button_set_always_show_image(GTK_BUTTON(w->gtk), TRUE);
    }
    return w->image_part;
}

// Shows text and image as the label type says.
void ApplyLabel(PtWidget_t* w)
{
    bool show_text = w->label_type != Pt_IMAGE, show_image = w->label_type != Pt_Z_STRING && w->image;
    GdkPixbuf* pb = w->image ? detail::PixbufOf(w->image) : nullptr;
    switch (w->kind) {
    case Kind::Button:
    case Kind::Toggle:
        gtk_button_set_label(GTK_BUTTON(w->gtk), show_text ? w->text.c_str() : nullptr);
        if (show_image || w->image_part) {
            gtk_image_set_from_pixbuf(GTK_IMAGE(ButtonImage(w)), show_image ? pb : nullptr);
            gtk_widget_set_visible(w->image_part, show_image);
        }
        break;
    case Kind::Label:
        if (w->text_part) {
            gtk_label_set_text(GTK_LABEL(w->text_part), w->text.c_str());
            gtk_widget_set_visible(w->text_part, show_text);
            gtk_image_set_from_pixbuf(GTK_IMAGE(w->image_part), show_image ? pb : nullptr);
            gtk_widget_set_visible(w->image_part, show_image);
        } else if (GTK_IS_LABEL(w->gtk)) {
            gtk_label_set_text(GTK_LABEL(w->gtk), w->text.c_str());
        } else if (GTK_IS_IMAGE(w->gtk)) {
            gtk_image_set_from_pixbuf(GTK_IMAGE(w->gtk), pb);
        }
        break;
    default: break;
    }
}

void SetFlags(PtWidget_t* w, long value, long mask)
{
    long old = PtWidgetFlags(w);
    long now = (old & ~mask) | (value & mask);
    now &= ~(Pt_REALIZED | Pt_DESTROYED);
    w->flags = (w->flags & (Pt_DESTROYED)) | now;
    if ((mask & Pt_SET) && ((old ^ now) & Pt_SET)) {
        ++w->quiet;
        bool on = (now & Pt_SET) != 0;
        if (w->kind == Kind::Toggle) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w->gtk), on);
        if (w->kind == Kind::MenuItem && GTK_IS_CHECK_MENU_ITEM(w->gtk))
            gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(w->gtk), on);
        --w->quiet;
    }
    if ((mask & Pt_GHOST) && w->gtk) gtk_widget_set_sensitive(w->gtk, !(now & Pt_GHOST));
}

void StartTimer(PtWidget_t* w, unsigned delay)
{
    detail::CancelTimer(w->timer_key);
    if (!delay || !w->realized_flag) return;
    w->timer_key = detail::ArmTimer(delay, [w] {
        w->timer_key = {};
        if (w->timer_repeat) StartTimer(w, w->timer_repeat);
        PhEvent_t ev = detail::MakeEvent(Ph_EV_TIMER, 0);
        detail::Invoke(w, Pt_CB_TIMER_ACTIVATE, 0, &ev, nullptr);
    });
}

void SetPos(PtWidget_t* w, PhPoint_t p)
{
    w->pos = p;
    if (w->kind == Kind::Window) {
        gtk_window_move(GTK_WINDOW(w->gtk), p.x, p.y);
        return;
    }
    GtkWidget* c = w->gtk ? gtk_widget_get_parent(w->gtk) : nullptr;
    if (c && GTK_IS_FIXED(c)) gtk_fixed_move(GTK_FIXED(c), w->gtk, p.x, p.y);
    else if (c && GTK_IS_LAYOUT(c)) gtk_layout_move(GTK_LAYOUT(c), w->gtk, p.x, p.y);
}

void SetDim(PtWidget_t* w, PhDim_t d)
{
    w->dim = d;
    if (w->kind == Kind::Window) {
        gtk_window_set_default_size(GTK_WINDOW(w->gtk), d.w, d.h);
        gtk_window_resize(GTK_WINDOW(w->gtk), d.w ? d.w : 1, d.h ? d.h : 1);
    } else if (w->gtk) {
        gtk_widget_set_size_request(w->gtk, d.w ? d.w : -1, d.h ? d.h : -1);
    }
}

PhArea_t ReadArea(PtWidget_t* w)
{
    PhArea_t a{w->pos, w->dim};
    if (!w->gtk) return a;
    if (w->kind == Kind::Window) {
        int x = 0, y = 0, cw = 0, ch = 0;
        gtk_window_get_position(GTK_WINDOW(w->gtk), &x, &y);
        gtk_window_get_size(GTK_WINDOW(w->gtk), &cw, &ch);
        return {{static_cast<int16_t>(x), static_cast<int16_t>(y)},
                {static_cast<uint16_t>(cw), static_cast<uint16_t>(ch)}};
    }
    GtkWidget* c = gtk_widget_get_parent(w->gtk);
    if (c && (GTK_IS_FIXED(c) || GTK_IS_LAYOUT(c))) {
        int x = 0, y = 0;
        gtk_container_child_get(GTK_CONTAINER(c), w->gtk, "x", &x, "y", &y, nullptr);
        a.pos = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
    }
    GtkAllocation al;
    gtk_widget_get_allocation(w->gtk, &al);
    if (gtk_widget_get_realized(w->gtk) && al.width > 1) {
        if (!(c && (GTK_IS_FIXED(c) || GTK_IS_LAYOUT(c)))) {
            int x = 0, y = 0;
            if (w->parent && w->parent->gtk && gtk_widget_translate_coordinates(w->gtk, w->parent->gtk, 0, 0, &x, &y))
                a.pos = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
        }
        a.size = {static_cast<uint16_t>(al.width), static_cast<uint16_t>(al.height)};
    } else {
        int mw = 0, nw = 0, mh = 0, nh = 0;
        gtk_widget_get_preferred_width(w->gtk, &mw, &nw);
        gtk_widget_get_preferred_height(w->gtk, &mh, &nh);
        int rw = -1, rh = -1;
        gtk_widget_get_size_request(w->gtk, &rw, &rh);
        a.size = {static_cast<uint16_t>(rw > 0 ? rw : nw), static_cast<uint16_t>(rh > 0 ? rh : nh)};
    }
    return a;
}

int SetOne(PtWidget_t* w, long type, long value, long len)
{
    const void* ptr = reinterpret_cast<const void*>(value);
    const char* str = static_cast<const char*>(ptr);
    switch (type) {
    case Pt_ARG_FLAGS: SetFlags(w, value, len); return 0;
    case Pt_ARG_TEXT_STRING:
        w->text = str ? str : "";
        ++w->quiet;
        switch (w->kind) {
        case Kind::Text: gtk_entry_set_text(GTK_ENTRY(w->gtk), w->text.c_str()); break;
        case Kind::MenuItem: gtk_menu_item_set_label(GTK_MENU_ITEM(w->gtk), w->text.c_str()); break;
        case Kind::Window: gtk_window_set_title(GTK_WINDOW(w->gtk), w->text.c_str()); break;
        case Kind::Button:
        case Kind::Toggle:
        case Kind::Label: ApplyLabel(w); break;
        default: break;
        }
        --w->quiet;
        return 0;
    case Pt_ARG_WINDOW_TITLE:
        w->title = str ? str : "";
        if (w->kind == Kind::Window) gtk_window_set_title(GTK_WINDOW(w->gtk), w->title.c_str());
        return 0;
    case Pt_ARG_POS:
        if (ptr) SetPos(w, *static_cast<const PhPoint_t*>(ptr));
        return 0;
    case Pt_ARG_DIM:
        if (ptr) SetDim(w, *static_cast<const PhDim_t*>(ptr));
        return 0;
    case Pt_ARG_AREA:
        if (ptr) {
            auto* a = static_cast<const PhArea_t*>(ptr);
            SetPos(w, a->pos);
            SetDim(w, a->size);
        }
        return 0;
    case Pt_ARG_USER_DATA:
        w->user_data.assign(static_cast<const char*>(ptr), static_cast<const char*>(ptr) + (ptr ? len : 0));
        return 0;
    case Pt_ARG_POINTER: w->pointer = const_cast<void*>(ptr); return 0;
    case Pt_ARG_LABEL_TYPE:
        w->label_type = value;
        ApplyLabel(w);
        return 0;
    case Pt_ARG_LABEL_IMAGE:
        if (w->image) {
            PhReleaseImage(w->image);
            free(w->image);
            w->image = nullptr;
        }
        if (ptr) w->image = PiDuplicateImage(static_cast<const PhImage_t*>(ptr), 0);
        if (w->image) w->image->flags = Ph_RELEASE_IMAGE_ALL;
        ApplyLabel(w);
        return 0;
    case Pt_ARG_FILL_COLOR:
        w->fill = static_cast<PgColor_t>(value);
        ApplyStyle(w);
        return 0;
    case Pt_ARG_COLOR:
        w->color = static_cast<PgColor_t>(value);
        ApplyStyle(w);
        return 0;
    case Pt_ARG_ARM_COLOR:
        w->arm_color = static_cast<PgColor_t>(value);
        ApplyStyle(w);
        return 0;
    case Pt_ARG_TEXT_FONT:
        w->font = str ? str : "";
        ApplyStyle(w);
        return 0;
    case Pt_ARG_GAUGE_VALUE:
        if (w->kind != Kind::Slider) return -1;
        ++w->quiet;
        gtk_range_set_value(GTK_RANGE(w->gtk), static_cast<double>(value));
        --w->quiet;
        return 0;
    case Pt_ARG_GAUGE_MINIMUM:
    case Pt_ARG_GAUGE_MAXIMUM: {
        if (w->kind != Kind::Slider) return -1;
        GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(w->gtk));
        double lo = type == Pt_ARG_GAUGE_MINIMUM ? value : gtk_adjustment_get_lower(adj);
        double hi = type == Pt_ARG_GAUGE_MAXIMUM ? value : gtk_adjustment_get_upper(adj);
        ++w->quiet;
        gtk_range_set_range(GTK_RANGE(w->gtk), lo, hi > lo ? hi : lo + 1);
        --w->quiet;
        return 0;
    }
    case Pt_ARG_NUMERIC_VALUE:
        if (w->kind != Kind::Numeric) return -1;
        ++w->quiet;
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(w->gtk), static_cast<double>(value));
        --w->quiet;
        return 0;
    case Pt_ARG_NUMERIC_MIN:
    case Pt_ARG_NUMERIC_MAX: {
        if (w->kind != Kind::Numeric) return -1;
        double lo = 0, hi = 0;
        gtk_spin_button_get_range(GTK_SPIN_BUTTON(w->gtk), &lo, &hi);
        if (type == Pt_ARG_NUMERIC_MIN) lo = value;
        else hi = value;
        ++w->quiet;
        gtk_spin_button_set_range(GTK_SPIN_BUTTON(w->gtk), lo, hi);
        --w->quiet;
        return 0;
    }
    case Pt_ARG_TIMER_INITIAL:
        w->timer_initial = static_cast<unsigned>(value);
        StartTimer(w, w->timer_initial);
        return 0;
    case Pt_ARG_TIMER_REPEAT: w->timer_repeat = static_cast<unsigned>(value); return 0;
    case Pt_ARG_AUTOREPEAT_DELAY: w->repeat_delay = static_cast<unsigned>(value); return 0;
    case Pt_ARG_AUTOREPEAT_INTERVAL: w->repeat_interval = static_cast<unsigned>(value); return 0;
    case Pt_ARG_PG_CURRENT_INDEX:
        if (w->kind != Kind::PanelGroup) return -1;
        gtk_notebook_set_current_page(GTK_NOTEBOOK(w->gtk), static_cast<int>(value));
        return 0;
    case Pt_ARG_CBOX_SEL_ITEM:
        if (w->kind != Kind::Combo) return -1;
        ++w->quiet;
        gtk_combo_box_set_active(GTK_COMBO_BOX(w->gtk), static_cast<int>(value) - 1);
        --w->quiet;
        return 0;
    case Pt_ARG_TOP_ITEM_POS:
        if (w->kind != Kind::List || value < 1) return -1;
        if (GtkTreePath* path = gtk_tree_path_new_from_indices(static_cast<int>(value) - 1, -1)) {
            gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(w->gtk), path, nullptr, TRUE, 0, 0);
            gtk_tree_path_free(path);
        }
        return 0;
    case Pt_ARG_CURSOR_TYPE:
        w->cursor = static_cast<unsigned short>(value);
        if (GdkWindow* win = w->gtk ? gtk_widget_get_window(w->gtk) : nullptr) {
            GdkCursor* c = w->cursor ? gdk_cursor_new_for_display(gdk_display_get_default(), GDK_WATCH) : nullptr;
            gdk_window_set_cursor(win, c);
            if (c) g_object_unref(c);
        }
        return 0;
    case Pt_ARG_CURSOR_OVERRIDE: w->cursor_override = static_cast<int>(value); return 0;
    case Pt_ARG_SCROLL_AREA_HEIGHT:
        w->scroll_height = static_cast<int>(value);
        if (w->body && GTK_IS_LAYOUT(w->body)) {
            guint lw = 0, lh = 0;
            gtk_layout_get_size(GTK_LAYOUT(w->body), &lw, &lh);
            gtk_layout_set_size(GTK_LAYOUT(w->body), lw ? lw : 1, value > 0 ? static_cast<guint>(value) : 1);
        } else if (w->body) {
            gtk_widget_set_size_request(w->body, -1, value > 0 ? static_cast<int>(value) : -1);
        }
        return 0;
    case Pt_ARG_FS_ROOT_DIR:
        w->root_dir = str ? str : "";
        if (w->kind == Kind::FileSel) {
            w->root_dir_pending = true;
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(w->gtk), w->root_dir.c_str());
        }
        return 0;
    case Pt_ARG_WINDOW_RENDER_FLAGS:
        // With a mask only the bits it names change.
        w->render_flags =
            len ? ((w->render_flags & ~static_cast<long>(len)) | (value & static_cast<long>(len))) : value;
        if (w->kind == Kind::Window) {
            gtk_window_set_decorated(GTK_WINDOW(w->gtk),
                                     (w->render_flags & (Ph_WM_RENDER_BORDER | Ph_WM_RENDER_TITLE)) != 0);
            gtk_window_set_resizable(GTK_WINDOW(w->gtk), (w->render_flags & Ph_WM_RENDER_RESIZE) != 0);
        }
        return 0;
    case Pt_ARG_WINDOW_MANAGED_FLAGS:
        w->managed_flags =
            len ? ((w->managed_flags & ~static_cast<long>(len)) | (value & static_cast<long>(len))) : value;
        return 0;
    case Pt_ARG_TREE_IMAGES:
        if (w->kind != Kind::Tree) return -1;
        detail::SetTreeImages(w, static_cast<const PhImage_t* const*>(ptr), len);
        return 0;
    case Pt_ARG_WINDOW_STATE:
        w->window_state = (w->window_state & ~len) | (value & len);
        if (w->kind == Kind::Window)
            gtk_window_set_keep_above(GTK_WINDOW(w->gtk), (w->window_state & Ph_WM_STATE_ISFRONT) != 0);
        return 0;
    default: return -1;
    }
}

}  // namespace

int PtSetResource(PtWidget_t* w, long type, long value, long len)
{
    if (!detail::Alive(w)) return -1;
    int r = -1;
    detail::RunOnLoop([&] { r = SetOne(w, type, value, len); });
    return r;
}

int PtSetResource(PtWidget_t* w, long type, const void* value, long len)
{
    return PtSetResource(w, type, reinterpret_cast<long>(value), len);
}

int PtSetResources(PtWidget_t* w, unsigned nargs, const PtArg_t* args)
{
    int r = 0;
    for (unsigned i = 0; i < nargs; ++i)
        if (PtSetResource(w, args[i].type, args[i].value, args[i].len) != 0) r = -1;
    return r;
}

int PtGetResource(PtWidget_t* w, long type, void* value, long)
{
    if (!detail::Alive(w) || !value) return -1;
    int r = 0;
    detail::RunOnLoop([&] {
        auto put = [&](const void* p) { *static_cast<const void**>(value) = p; };
        switch (type) {
        case Pt_ARG_FLAGS:
            PtWidgetFlags(w);
            put(&w->value_long);
            break;
        case Pt_ARG_TEXT_STRING:
            if (w->kind == Kind::Text || w->kind == Kind::Numeric) w->text = gtk_entry_get_text(GTK_ENTRY(w->gtk));
            if (w->kind == Kind::Combo) {
                gchar* t = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(w->gtk));
                w->text = t ? t : "";
                g_free(t);
            }
            put(w->text.c_str());
            break;
        case Pt_ARG_WINDOW_TITLE: put(w->title.c_str()); break;
        case Pt_ARG_POS:
            w->area = ReadArea(w);
            put(&w->area.pos);
            break;
        case Pt_ARG_DIM:
            w->area = ReadArea(w);
            put(&w->area.size);
            break;
        case Pt_ARG_AREA:
            w->area = ReadArea(w);
            put(&w->area);
            break;
        case Pt_ARG_USER_DATA: put(w->user_data.empty() ? nullptr : w->user_data.data()); break;
        case Pt_ARG_POINTER: put(w->pointer); break;
        case Pt_ARG_LABEL_TYPE:
            w->value_long = w->label_type;
            put(&w->value_long);
            break;
        case Pt_ARG_LABEL_IMAGE: put(w->image); break;
        case Pt_ARG_FILL_COLOR: put(&w->fill); break;
        case Pt_ARG_COLOR: put(&w->color); break;
        case Pt_ARG_ARM_COLOR: put(&w->arm_color); break;
        case Pt_ARG_TEXT_FONT: put(w->font.c_str()); break;
        case Pt_ARG_GAUGE_VALUE:
        case Pt_ARG_GAUGE_MINIMUM:
        case Pt_ARG_GAUGE_MAXIMUM: {
            if (w->kind != Kind::Slider) {
                r = -1;
                break;
            }
            GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(w->gtk));
            double v = type == Pt_ARG_GAUGE_VALUE     ? gtk_adjustment_get_value(adj)
                       : type == Pt_ARG_GAUGE_MINIMUM ? gtk_adjustment_get_lower(adj)
                                                      : gtk_adjustment_get_upper(adj);
            w->value_int = static_cast<int>(v + (v < 0 ? -0.5 : 0.5));
            put(&w->value_int);
            break;
        }
        case Pt_ARG_PG_CURRENT_INDEX:
            if (w->kind != Kind::PanelGroup) {
                r = -1;
                break;
            }
            w->value_int = gtk_notebook_get_current_page(GTK_NOTEBOOK(w->gtk));
            put(&w->value_int);
            break;
        case Pt_ARG_NUMERIC_VALUE:
        case Pt_ARG_NUMERIC_MIN:
        case Pt_ARG_NUMERIC_MAX: {
            if (w->kind != Kind::Numeric) {
                r = -1;
                break;
            }
            double lo = 0, hi = 0;
            gtk_spin_button_get_range(GTK_SPIN_BUTTON(w->gtk), &lo, &hi);
            double v = type == Pt_ARG_NUMERIC_VALUE ? gtk_spin_button_get_value(GTK_SPIN_BUTTON(w->gtk))
                       : type == Pt_ARG_NUMERIC_MIN ? lo
                                                    : hi;
            w->value_int = static_cast<int>(v);
            put(&w->value_int);
            break;
        }
        case Pt_ARG_TIMER_INITIAL:
            w->value_long = w->timer_initial;
            put(&w->value_long);
            break;
        case Pt_ARG_TIMER_REPEAT:
            w->value_long = w->timer_repeat;
            put(&w->value_long);
            break;
        case Pt_ARG_LIST_ITEM_COUNT:
        case Pt_ARG_SELECTION_INDEXES:
        case Pt_ARG_LIST_SEL_COUNT:
        case Pt_ARG_CBOX_SEL_ITEM:
        case Pt_ARG_TOP_ITEM_POS: {
            if (w->kind != Kind::List && w->kind != Kind::Combo) {
                r = -1;
                break;
            }
            GtkTreeModel* model =
                w->kind == Kind::List ? GTK_TREE_MODEL(w->store) : gtk_combo_box_get_model(GTK_COMBO_BOX(w->gtk));
            w->selection.clear();
            if (w->kind == Kind::Combo) {
                int a = gtk_combo_box_get_active(GTK_COMBO_BOX(w->gtk));
                if (a >= 0) w->selection.push_back(static_cast<unsigned short>(a + 1));
            } else {
                GList* rows =
                    gtk_tree_selection_get_selected_rows(gtk_tree_view_get_selection(GTK_TREE_VIEW(w->gtk)), nullptr);
                for (GList* l = rows; l; l = l->next)
                    w->selection.push_back(static_cast<unsigned short>(
                        gtk_tree_path_get_indices(static_cast<GtkTreePath*>(l->data))[0] + 1));
                g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
            }
            if (type == Pt_ARG_LIST_ITEM_COUNT) {
                w->value_ushort =
                    static_cast<unsigned short>(model ? gtk_tree_model_iter_n_children(model, nullptr) : 0);
                put(&w->value_ushort);
            } else if (type == Pt_ARG_SELECTION_INDEXES) {
                put(w->selection.empty() ? nullptr : w->selection.data());
            } else if (type == Pt_ARG_LIST_SEL_COUNT) {
                w->value_ushort = static_cast<unsigned short>(w->selection.size());
                put(&w->value_ushort);
            } else if (type == Pt_ARG_CBOX_SEL_ITEM) {
                w->value_ushort = w->selection.empty() ? 0 : w->selection[0];
                put(&w->value_ushort);
            } else {
                w->value_ushort = 1;
                GtkTreePath* start = nullptr;
                if (w->kind == Kind::List && gtk_tree_view_get_visible_range(GTK_TREE_VIEW(w->gtk), &start, nullptr)) {
                    w->value_ushort = static_cast<unsigned short>(gtk_tree_path_get_indices(start)[0] + 1);
                    gtk_tree_path_free(start);
                }
                put(&w->value_ushort);
            }
            break;
        }
        case Pt_ARG_CURSOR_TYPE: put(&w->cursor); break;
        case Pt_ARG_CURSOR_OVERRIDE: put(&w->cursor_override); break;
        case Pt_ARG_SCROLL_AREA_HEIGHT: put(&w->scroll_height); break;
        case Pt_ARG_SCROLLBAR_WIDTH: {
            w->value_int = 0;
            if (w->kind == Kind::Scroll) {
                GtkWidget* bar = gtk_scrolled_window_get_vscrollbar(GTK_SCROLLED_WINDOW(w->gtk));
                int mn = 0, nat = 0;
                if (bar) gtk_widget_get_preferred_width(bar, &mn, &nat);
                w->value_int = nat;
            }
            put(&w->value_int);
            break;
        }
        case Pt_ARG_FS_ROOT_DIR:
            // The folder shown now: the user may have opened another since it was set, or a view
            // of no one folder (recent files, a search), which reads "". The toolkit takes up a
            // folder set a little later; till then it is the one set.
            if (w->kind == Kind::FileSel && !w->root_dir_pending) {
                gchar* shown = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(w->gtk));
                w->root_dir = shown ? shown : "";
                g_free(shown);
            }
            put(w->root_dir.c_str());
            break;
        case Pt_ARG_WINDOW_RENDER_FLAGS:
            w->value_long = w->render_flags;
            put(&w->value_long);
            break;
        case Pt_ARG_WINDOW_STATE: put(&w->window_state); break;
        case Pt_ARG_WINDOW_MANAGED_FLAGS:
            w->value_long = w->managed_flags;
            put(&w->value_long);
            break;
        default: r = -1;
        }
    });
    return r;
}

}  // namespace photon
