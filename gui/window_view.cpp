#include "gui/window_view.h"

#include "host/datawindow/value_text.h"
#include "host/object/class_registry.h"
#include "host/ui/bitmap.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/dw_layout.h"
#include "host/ui/engine_access.h"
#include "host/ui/window.h"
#include "host/value/ascii.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionButton>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace hearth::gui {

namespace {

// Layout units to pixels at 96 logical DPI, as the runtime converts them.
constexpr double unit_x = 7.0 / 32.0;
constexpr double unit_y = 0.25;
constexpr double title_height = 24;
constexpr double tab_strip = 24;

QColor host_color(std::int64_t value)
{
    switch (value) {
    case colors::transparent: return QColor(Qt::transparent);
    case colors::window_text: return QColor(0, 0, 0);
    case colors::button_face: return QColor(240, 240, 240);
    case colors::window_background: return QColor(255, 255, 255);
    default: break;
    }
    if (value < 0 || value > 0xFFFFFF) // other system colours: the face of controls
        return QColor(240, 240, 240);
    return QColor(static_cast<int>(value & 0xff), static_cast<int>((value >> 8) & 0xff),
                  static_cast<int>((value >> 16) & 0xff));
}

std::int64_t to_number(std::string_view text, std::int64_t fallback)
{
    text = ascii::trim_start(text, " ");
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && !text.empty() ? number : fallback;
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

QFont make_font(const std::string& face, std::int32_t height, std::int32_t weight, bool italic, bool underline)
{
    QFont font;
    // The designed face when the system has it, else a CJK face that has every character.
    font.setFamilies({qs(face), QStringLiteral("Noto Sans CJK SC")});
    // A negative height is in points; a positive one in pixels.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(height < 0 ? -height * 96.0 / 72.0 : height))));
    font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

QFont host_font(const FontProperties& f) { return make_font(f.facename, f.textsize, f.weight, f.italic, f.underline); }

Qt::Alignment host_alignment(std::int64_t alignment)
{
    switch (alignment) {
    case 1: return Qt::AlignRight | Qt::AlignVCenter;
    case 2: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

void draw_border(QPainter& p, const QRectF& rect, std::int64_t style)
{
    const QRectF r = rect.adjusted(0, 0, -1, -1);
    auto frame = [&](QColor top_left, QColor bottom_right) {
        p.setPen(top_left);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(bottom_right);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    };
    switch (style) {
    case static_cast<std::int64_t>(BorderStyle::Box):
    case static_cast<std::int64_t>(BorderStyle::ShadowBox):
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        break;
    case static_cast<std::int64_t>(BorderStyle::Lowered): frame(QColor(128, 128, 128), Qt::white); break;
    case static_cast<std::int64_t>(BorderStyle::Raised): frame(Qt::white, QColor(128, 128, 128)); break;
    default: break;
    }
}

// A DataWindow object's units in pixels: layout units, pixels, 1/1000 inch or 1/1000 cm.
std::pair<double, double> dw_scale(const dw::ObjectDefinition& object)
{
    const dw::Attribute* units = dw::find_attribute(object.datawindow_attributes, "units");
    switch (units ? to_number(units->value.text, 0) : 0) {
    case 1: return {1.0, 1.0};
    case 2: return {96.0 / 1000.0, 96.0 / 1000.0};
    case 3: return {96.0 / 2540.0, 96.0 / 2540.0};
    default: return {unit_x, unit_y};
    }
}

// An attribute of a DataWindow object's control at a row: "default<TAB>expression" is the
// expression's value there (its default in the header and where it fails).
std::string row_attribute(const dw::Engine& engine, const dw::Control& control, std::string_view name, long row)
{
    const dw::Attribute* attr = dw::find_attribute(control.attributes, name);
    if (!attr)
        return {};
    const std::string& text = attr->value.text;
    const auto tab = text.find('\t');
    if (tab == std::string::npos)
        return text;
    if (row > 0)
        if (Result<Value> value = engine.evaluate(std::string_view(text).substr(tab + 1), row);
            value && !value->is_null())
            return dw::item_text(*value);
    return text.substr(0, tab);
}

std::int64_t row_number(const dw::Engine& engine, const dw::Control& control, std::string_view name, long row,
                        std::int64_t fallback)
{
    return to_number(row_attribute(engine, control, name, row), fallback);
}

QFont dw_font(const dw::Engine& engine, const dw::Control& control, long row)
{
    return make_font(row_attribute(engine, control, "font.face", row),
                     static_cast<std::int32_t>(row_number(engine, control, "font.height", row, -9)),
                     static_cast<std::int32_t>(row_number(engine, control, "font.weight", row, 400)),
                     row_number(engine, control, "font.italic", row, 0) != 0,
                     row_number(engine, control, "font.underline", row, 0) != 0);
}

// The text a column or computed field shows at a row.
std::string dw_value_text(const dw::Engine& engine, const dw::Control& control, long row)
{
    if (row < 1 || row > engine.row_count())
        return {};
    if (control.kind == dw::ControlKind::Column)
        return dw::item_text(engine.get_item(row, control.column_id));
    const dw::Attribute* expression = dw::find_attribute(control.attributes, "expression");
    if (!expression)
        return {};
    Result<Value> value = engine.evaluate(expression->value.text, row);
    return value && !value->is_null() ? dw::item_text(*value) : std::string();
}

std::int32_t key_code(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // the letters and digits have their own codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return key_tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return key_enter;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

std::uint32_t key_flags(Qt::KeyboardModifiers modifiers, int key)
{
    std::uint32_t flags = 0;
    if ((modifiers & Qt::ShiftModifier) || key == Qt::Key_Backtab)
        flags |= key_shift;
    if (modifiers & Qt::ControlModifier)
        flags |= key_ctrl;
    return flags;
}

// A password's edit shows stars, in the cell and in the edit over it.
bool is_password(const dw::Control& control)
{
    const dw::Attribute* password = dw::find_attribute(control.attributes, "edit.password");
    return password && lower_name(password->value.text) == "yes";
}

bool is_dialog(const Window& window)
{
    return window.windowtype == WindowType::Response || window.windowtype == WindowType::Popup;
}

} // namespace

WindowView::WindowView(Desktop& desktop, QWidget* parent) : QWidget(parent), m_desktop(desktop)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_InputMethodEnabled, false); // typing goes to the cell's edit
    m_editor = new QLineEdit(this);
    m_editor->hide();
    m_editor->setFrame(false);
    m_editor->installEventFilter(this);
    m_editor->setAccessibleName(QStringLiteral("单元格"));
    QObject::connect(m_editor, &QLineEdit::textEdited, this,
                     [this](const QString& text) { m_desktop.type_text(text.toStdString()); });
}

Window* WindowView::frame() const
{
    Window* found = nullptr;
    for (const ObjectRef& ref : m_desktop.windows()) {
        auto* window = dynamic_cast<Window*>(ref.get());
        if (!window)
            continue;
        if (window->windowtype == WindowType::Mdi || window->windowtype == WindowType::MdiHelp
            || window->windowtype == WindowType::Main)
            found = window;
    }
    return found;
}

QRectF WindowView::drawn_rect(const Object* object) const
{
    const auto it = m_drawn.find(object);
    return it == m_drawn.end() ? QRectF() : it->second;
}

const QPixmap* WindowView::bitmap(const std::string& name)
{
    if (auto it = m_bitmaps.find(name); it != m_bitmaps.end())
        return it->second.isNull() ? nullptr : &it->second;
    QPixmap pixmap;
    std::optional<std::filesystem::path> file = find_bitmap(name);
    if (!file)
        file = find_bitmap(name, std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()));
    if (file)
        pixmap.load(qs(file->string()));
    const QPixmap& kept = m_bitmaps.emplace(name, pixmap).first->second;
    return kept.isNull() ? nullptr : &kept;
}

void WindowView::add_region(const QRectF& rect, Object& target, int tab, double sx, double sy)
{
    m_regions.push_back({rect, target.ref(), tab, sx, sy});
}

const WindowView::Region* WindowView::region_at(QPointF point) const
{
    for (auto it = m_regions.rbegin(); it != m_regions.rend(); ++it)
        if (it->rect.contains(point) && it->target.is_valid())
            return &*it;
    return nullptr;
}

std::pair<std::int32_t, std::int32_t> WindowView::units_at(const Region& region, QPointF point)
{
    return {static_cast<std::int32_t>(std::lround((point.x() - region.rect.left()) / region.sx)),
            static_cast<std::int32_t>(std::lround((point.y() - region.rect.top()) / region.sy))};
}

// ---- Painting ---------------------------------------------------------------------------------

void WindowView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(171, 171, 171)); // the workspace behind the windows
    m_regions.clear();
    m_drawn.clear();
    if (Window* main = frame())
        paint_window(p, *main, QPointF(0, 0), false);
    // Response windows and popups over the frame, in the order they opened.
    for (const ObjectRef& ref : m_desktop.windows()) {
        auto* window = dynamic_cast<Window*>(ref.get());
        if (!window || !is_dialog(*window))
            continue;
        const QSizeF size(window->width * unit_x, window->height * unit_y + title_height);
        const QPointF origin(std::max(0.0, (width() - size.width()) / 2),
                             std::max(0.0, (height() - size.height()) / 2));
        paint_window(p, *window, origin, true);
    }
}

void WindowView::paint_window(QPainter& p, Window& window, QPointF origin, bool with_title)
{
    const QRectF whole(origin, QSizeF(window.width * unit_x, window.height * unit_y + (with_title ? title_height : 0)));
    m_drawn[&window] = whole;
    p.fillRect(whole, host_color(window.backcolor));
    add_region(whole, window);
    if (with_title) {
        const QRectF bar(whole.topLeft(), QSizeF(whole.width(), title_height));
        p.fillRect(bar, QColor(0, 84, 153));
        p.setPen(Qt::white);
        p.setFont(make_font("", -9, 700, false, false));
        p.drawText(bar.adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, qs(window.title));
        draw_border(p, whole, static_cast<std::int64_t>(BorderStyle::Box));
        origin.ry() += title_height;
    }
    paint_children(p, window, origin);

    // A frame's active sheet fills the client area between the controls along its top and
    // along its bottom (the toolbar and the status bar).
    if (window.windowtype != WindowType::Mdi && window.windowtype != WindowType::MdiHelp)
        return;
    auto* sheet = dynamic_cast<Window*>(m_desktop.get_active_sheet(window.ref()).get());
    if (!sheet)
        return;
    double top = 0;
    double bottom = window.height;
    for (const ObjectRef& ref : window.control()) {
        auto* control = dynamic_cast<VisualObject*>(ref.get());
        if (!control || !control->visible)
            continue;
        if (control->y == 0)
            top = std::max(top, static_cast<double>(control->height));
        else if (control->y + control->height >= window.height)
            bottom = std::min(bottom, static_cast<double>(control->y));
    }
    const QRectF client(origin + QPointF(0, top * unit_y), QSizeF(whole.width(), (bottom - top) * unit_y));
    p.save();
    p.setClipRect(client, Qt::IntersectClip);
    const QPointF sheet_origin = client.topLeft() + QPointF(sheet->x * unit_x, sheet->y * unit_y);
    const QRectF sheet_rect(sheet_origin, QSizeF(sheet->width * unit_x, sheet->height * unit_y));
    m_drawn[sheet] = sheet_rect;
    p.fillRect(sheet_rect, host_color(sheet->backcolor));
    add_region(sheet_rect.intersected(client), *sheet);
    paint_children(p, *sheet, sheet_origin);
    p.restore();
}

void WindowView::paint_children(QPainter& p, Object& parent, QPointF origin)
{
    // Control[1] lies on top: draw from the last.
    const std::vector<ObjectRef> children = parent.control();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (Object* child = it->get())
            paint_control(p, *child, origin);
}

void WindowView::paint_control(QPainter& p, Object& control, QPointF origin)
{
    if (auto* line = dynamic_cast<Line*>(&control)) {
        if (!line->visible)
            return;
        p.setPen(QPen(host_color(line->linecolor), std::max(1.0, line->linethickness * unit_y)));
        p.drawLine(origin + QPointF(line->beginx * unit_x, line->beginy * unit_y),
                   origin + QPointF(line->endx * unit_x, line->endy * unit_y));
        return;
    }
    auto* visual = dynamic_cast<VisualObject*>(&control);
    if (!visual || !visual->visible)
        return;
    const QRectF rect(origin + QPointF(visual->x * unit_x, visual->y * unit_y),
                      QSizeF(visual->width * unit_x, visual->height * unit_y));
    m_drawn[visual] = rect;

    if (auto* dw = dynamic_cast<DataWindowControl*>(&control)) {
        paint_datawindow(p, *dw, rect);
        const auto [sx, sy] = EngineAccess::engine(*dw).has_object() ? dw_scale(EngineAccess::engine(*dw).object())
                                                                     : std::pair<double, double>(unit_x, unit_y);
        add_region(rect, *dw, 0, sx, sy);
    } else if (auto* tab = dynamic_cast<Tab*>(&control)) {
        add_region(rect, *tab);
        paint_tab(p, *tab, rect);
    } else if (auto* button = dynamic_cast<CommandButton*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = rect.toRect();
        option.text = qs(button->text);
        option.state = QStyle::State_Raised | (button->enabled ? QStyle::State_Enabled : QStyle::State_None);
        p.setFont(host_font(*button));
        style()->drawControl(QStyle::CE_PushButton, &option, &p, this);
        add_region(rect, *button);
    } else if (auto* text = dynamic_cast<StaticText*>(&control)) {
        p.fillRect(rect, host_color(text->backcolor));
        p.setPen(host_color(text->textcolor));
        p.setFont(host_font(*text));
        p.drawText(rect, host_alignment(static_cast<std::int64_t>(text->alignment)), qs(text->text));
        add_region(rect, *text);
    } else if (auto* picture = dynamic_cast<Picture*>(&control)) {
        if (const QPixmap* pixmap = bitmap(picture->picturename))
            p.drawPixmap(picture->originalsize ? QRectF(rect.topLeft(), pixmap->size()) : rect, *pixmap,
                         pixmap->rect());
        add_region(rect, *picture);
    } else {
        p.fillRect(rect, host_color(visual->backcolor));
        add_region(rect, *visual);
        paint_children(p, *visual, rect.topLeft());
    }
    if (visual->border)
        draw_border(p, rect, static_cast<std::int64_t>(visual->borderstyle));
}

void WindowView::paint_tab(QPainter& p, Tab& tab, const QRectF& rect)
{
    std::vector<UserObject*> pages;
    for (const ObjectRef& ref : tab.control())
        pages.push_back(dynamic_cast<UserObject*>(ref.get()));
    const QFont font = host_font(tab);
    const QFontMetricsF metrics(font);
    const bool vertical = tab.tabposition == TabPosition::Left || tab.tabposition == TabPosition::Right;
    double strip_width = 0;
    for (UserObject* page : pages)
        if (page && page->visible)
            strip_width = std::max(strip_width, metrics.horizontalAdvance(qs(page->text)) + 20);

    QRectF area = rect;
    switch (tab.tabposition) {
    case TabPosition::Left: area.setLeft(rect.left() + strip_width); break;
    case TabPosition::Right: area.setRight(rect.right() - strip_width); break;
    case TabPosition::Bottom: area.setBottom(rect.bottom() - tab_strip); break;
    default: area.setTop(rect.top() + tab_strip); break;
    }

    p.setFont(font);
    double along = vertical ? rect.top() : rect.left() + 2;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        UserObject* page = pages[i];
        if (!page || !page->visible)
            continue;
        const bool selected = static_cast<std::int32_t>(i + 1) == tab.selectedtab;
        QRectF label;
        if (vertical) {
            const double left = tab.tabposition == TabPosition::Left ? rect.left() : area.right();
            label = QRectF(left, along, strip_width, tab_strip);
            along += tab_strip;
        } else {
            const double top = tab.tabposition == TabPosition::Bottom ? area.bottom() : rect.top();
            label = QRectF(along, top, metrics.horizontalAdvance(qs(page->text)) + 20, tab_strip);
            along += label.width();
        }
        p.fillRect(label.adjusted(0, selected ? 0 : 2, 0, 0), host_color(page->tabbackcolor));
        draw_border(p, label.adjusted(0, selected ? 0 : 2, 0, 0),
                    static_cast<std::int64_t>(selected ? BorderStyle::Raised : BorderStyle::Lowered));
        p.setPen(host_color(page->tabtextcolor));
        p.setFont(font);
        p.drawText(label, Qt::AlignCenter, qs(page->text));
        add_region(label, tab, static_cast<int>(i + 1));
        if (selected) {
            m_drawn[page] = area;
            p.fillRect(area, host_color(page->backcolor));
            add_region(area, *page);
            p.save();
            p.setClipRect(area, Qt::IntersectClip);
            paint_children(p, *page, area.topLeft());
            p.restore();
            draw_border(p, area, static_cast<std::int64_t>(BorderStyle::Raised));
        }
    }
}

void WindowView::paint_datawindow(QPainter& p, DataWindowControl& dw, const QRectF& rect)
{
    const dw::Engine& engine = EngineAccess::engine(dw);
    p.save();
    p.setClipRect(rect, Qt::IntersectClip);
    p.fillRect(rect, host_color(dw.backcolor));
    if (!engine.has_object()) {
        p.restore();
        return;
    }
    const dw::ObjectDefinition& object = engine.object();
    if (const dw::Attribute* color = dw::find_attribute(object.datawindow_attributes, "color"))
        p.fillRect(rect, host_color(to_number(color->value.text, colors::window_background)));
    const auto [sx, sy] = dw_scale(object);
    const bool has_focus = m_desktop.focus().get() == &dw;

    auto paint_band = [&](const std::string& band, double top, long row) {
        const double band_height = layout::band_height(object, band) * sy;
        if (band_height <= 0)
            return;
        for (const dw::Band& b : object.bands)
            if (lower_name(b.name) == band)
                if (const dw::Attribute* color = dw::find_attribute(b.attributes, "color"))
                    p.fillRect(QRectF(rect.left(), top, rect.width(), band_height),
                               host_color(to_number(color->value.text, colors::transparent)));
        const bool selected = row > 0 && engine.is_selected(row);
        if (selected)
            p.fillRect(QRectF(rect.left(), top, rect.width(), band_height), QColor(0, 120, 215));
        for (const dw::Control& control : object.controls) {
            if (layout::control_band(control) != band || !layout::control_visible(dw, control, row))
                continue;
            const long at = row > 0 ? row : (engine.row_count() > 0 ? std::max(1L, dw.first_row) : 0);
            const QRectF box(rect.left() + row_number(engine, control, "x", at, 0) * sx,
                             top + row_number(engine, control, "y", at, 0) * sy,
                             row_number(engine, control, "width", at, 0) * sx,
                             row_number(engine, control, "height", at, 0) * sy);
            switch (control.kind) {
            case dw::ControlKind::Text:
            case dw::ControlKind::Column:
            case dw::ControlKind::Compute: {
                if (row_number(engine, control, "background.mode", at, 1) == 0 && !selected)
                    p.fillRect(
                        box,
                        host_color(row_number(engine, control, "background.color", at, colors::window_background)));
                std::string text = control.kind == dw::ControlKind::Text ? row_attribute(engine, control, "text", at)
                                                                         : dw_value_text(engine, control, at);
                if (is_password(control))
                    text = std::string(static_cast<std::size_t>(QString::fromStdString(text).size()), '*');
                p.setPen(selected ? QColor(Qt::white)
                                  : host_color(row_number(engine, control, "color", at, colors::window_text)));
                p.setFont(dw_font(engine, control, at));
                p.drawText(box.adjusted(2, 0, -2, 0),
                           host_alignment(row_number(engine, control, "alignment", at, 0)) | Qt::TextSingleLine,
                           qs(text));
                draw_border(p, box, row_number(engine, control, "border", at, 0));
                if (control.kind == dw::ControlKind::Column && has_focus && row == dw.get_row()
                    && control.column_id == dw.get_column()) {
                    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(box.adjusted(0, 0, -1, -1));
                }
                break;
            }
            case dw::ControlKind::Bitmap:
                if (const QPixmap* pixmap = bitmap(row_attribute(engine, control, "filename", at)))
                    p.drawPixmap(box, *pixmap, pixmap->rect());
                break;
            case dw::ControlKind::Line:
                p.setPen(QPen(host_color(row_number(engine, control, "pen.color", at, 0)),
                              std::max(1.0, row_number(engine, control, "pen.width", at, 1) * sy)));
                p.drawLine(QPointF(rect.left() + row_number(engine, control, "x1", at, 0) * sx,
                                   top + row_number(engine, control, "y1", at, 0) * sy),
                           QPointF(rect.left() + row_number(engine, control, "x2", at, 0) * sx,
                                   top + row_number(engine, control, "y2", at, 0) * sy));
                break;
            case dw::ControlKind::Rectangle:
            case dw::ControlKind::RoundRectangle:
            case dw::ControlKind::Ellipse:
            case dw::ControlKind::GroupBox: {
                p.setPen(host_color(row_number(engine, control, "pen.color", at, 0)));
                if (control.kind == dw::ControlKind::GroupBox)
                    p.setBrush(Qt::NoBrush);
                else
                    p.setBrush(host_color(row_number(engine, control, "brush.color", at, colors::transparent)));
                if (control.kind == dw::ControlKind::Ellipse)
                    p.drawEllipse(box);
                else
                    p.drawRect(box);
                break;
            }
            default: break;
            }
        }
    };

    // Bands from the top, as the hit test counts them: the header, the rows in view from the
    // first row shown, the summary after the last row, then the footer.
    double y = rect.top();
    paint_band("header", y, 0);
    y += layout::band_height(object, "header") * sy;
    const double detail = layout::band_height(object, "detail") * sy;
    long row = std::max(1L, dw.first_row);
    if (detail > 0) {
        for (; row <= engine.row_count() && y < rect.bottom(); ++row, y += detail) {
            paint_band("detail", y, row);
            ++m_rows_painted;
        }
    }
    if (row > engine.row_count() && y < rect.bottom()) {
        paint_band("summary", y, 0);
        paint_band("footer", y + layout::band_height(object, "summary") * sy, 0);
    }
    p.restore();
}

// ---- Gestures ---------------------------------------------------------------------------------

void WindowView::after_gesture()
{
    if (auto* front = dynamic_cast<FrontWindow*>(window()))
        front->sync();
    else
        sync();
}

void WindowView::mousePressEvent(QMouseEvent* event)
{
    const Region* region = region_at(event->position());
    if (!region)
        return;
    const ObjectRef target = region->target;
    if (region->tab > 0) {
        m_desktop.click_tab(target, region->tab);
    } else {
        const auto [x, y] = units_at(*region, event->position());
        if (event->button() == Qt::RightButton)
            m_desktop.right_down(target, x, y);
        else if (event->button() == Qt::LeftButton)
            m_desktop.mouse_down(target, x, y, mouse_left_button);
    }
    after_gesture();
}

void WindowView::mouseReleaseEvent(QMouseEvent* event)
{
    if (std::exchange(m_double_click_release, false) && event->button() == Qt::LeftButton)
        return;
    const Region* region = region_at(event->position());
    if (!region || region->tab > 0 || event->button() != Qt::LeftButton)
        return;
    const auto [x, y] = units_at(*region, event->position());
    m_desktop.mouse_up(region->target, x, y);
    after_gesture();
}

void WindowView::mouseMoveEvent(QMouseEvent* event)
{
    const Region* region = region_at(event->position());
    if (!region || region->tab > 0)
        return;
    const auto [x, y] = units_at(*region, event->position());
    m_desktop.mouse_move(region->target, x, y, (event->buttons() & Qt::LeftButton) ? mouse_left_button : 0);
}

void WindowView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const Region* region = region_at(event->position());
    if (!region || region->tab > 0 || event->button() != Qt::LeftButton)
        return;
    // The toolkit has delivered the first press and release as a click already; this is the
    // second press, and its release is given to the desktop with it.
    const auto [x, y] = units_at(*region, event->position());
    m_desktop.double_click_message(region->target, x, y);
    m_double_click_release = true;
    after_gesture();
}

void WindowView::wheelEvent(QWheelEvent* event)
{
    const Region* region = region_at(event->position());
    auto* dw = region ? dynamic_cast<DataWindowControl*>(region->target.get()) : nullptr;
    if (!dw)
        return;
    const long steps = -event->angleDelta().y() / 40; // three rows a notch
    dw->first_row = std::clamp(dw->first_row + steps, 1L, std::max(1L, dw->row_count()));
    place_editor();
    update();
}

void WindowView::keyPressEvent(QKeyEvent* event)
{
    const std::int32_t key = key_code(event->key());
    if (key == 0)
        return QWidget::keyPressEvent(event);
    m_desktop.key_down(key, key_flags(event->modifiers(), event->key()));
    after_gesture();
}

bool WindowView::focusNextPrevChild(bool) { return false; } // Tab is the host's

bool WindowView::eventFilter(QObject* watched, QEvent* event)
{
    // Keys that leave or confirm the cell are the host's; the rest edit the text.
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: keyPressEvent(key); return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void WindowView::resizeEvent(QResizeEvent*)
{
    fit_frame();
    place_editor();
}

void WindowView::fit_frame()
{
    Window* main = frame();
    if (!main || width() < 1 || height() < 1)
        return;
    // Rounded up, so that the frame covers the last pixel.
    const auto across = static_cast<std::int32_t>(std::ceil(width() / unit_x));
    const auto down = static_cast<std::int32_t>(std::ceil(height() / unit_y));
    if (main->width != across || main->height != down)
        m_desktop.resize_window(main->ref(), across, down);
}

void WindowView::sync()
{
    // A frame opened since the last resize takes the view's size too.
    if (isVisible())
        fit_frame();
    place_editor();
    update();
}

void WindowView::place_editor()
{
    auto* dw = dynamic_cast<DataWindowControl*>(m_desktop.focus().get());
    const QRectF area = dw ? drawn_rect(dw) : QRectF();
    const dw::Engine* engine = dw ? &EngineAccess::engine(*dw) : nullptr;
    const long row = dw ? dw->get_row() : 0;
    const int column = dw ? dw->get_column() : 0;
    const dw::Control* control
        = engine && engine->has_object() && column > 0 ? engine->object().column_control(column - 1) : nullptr;
    if (!control || area.isEmpty() || row < 1 || layout::control_number(*control, "tabsequence") <= 0
        || !layout::control_visible(*dw, *control, row)) {
        m_editor->hide();
        m_edit_dw = nullptr;
        return;
    }
    const dw::ObjectDefinition& object = engine->object();
    const auto [sx, sy] = dw_scale(object);
    const double header = layout::band_height(object, "header") * sy;
    const double detail = layout::band_height(object, "detail") * sy;
    // The current row stays in view, as the control scrolls to it.
    const long in_view = detail > 0 ? std::max(1L, static_cast<long>((area.height() - header) / detail)) : 1;
    if (row < dw->first_row)
        dw->first_row = row;
    else if (row >= dw->first_row + in_view)
        dw->first_row = row - in_view + 1;
    const QRectF cell(area.left() + layout::control_number(*control, "x") * sx,
                      area.top() + header + (row - dw->first_row) * detail + layout::control_number(*control, "y") * sy,
                      layout::control_number(*control, "width") * sx, layout::control_number(*control, "height") * sy);
    m_editor->setGeometry(cell.intersected(area).toRect());
    if (m_edit_dw != dw || m_edit_row != row || m_edit_column != column) {
        m_edit_dw = dw;
        m_edit_row = row;
        m_edit_column = column;
        m_editor->setFont(dw_font(*engine, *control, row));
        m_editor->setEchoMode(is_password(*control) ? QLineEdit::Password : QLineEdit::Normal);
        m_editor->setText(qs(dw->has_pending_edit() ? dw->get_text() : dw_value_text(*engine, *control, row)));
        m_editor->selectAll();
    }
    m_editor->show();
    m_editor->setFocus();
}

// ---- The window around the view --------------------------------------------------------------

namespace {

void fill_menu(QMenu& menu, const std::shared_ptr<Menu>& items, const std::function<void()>& after);

QAction* menu_action(QWidget& owner, const std::shared_ptr<Menu>& item, const std::function<void()>& after)
{
    QString text = qs(item->text);
    if (!item->items().empty()) {
        auto* sub = new QMenu(text, &owner);
        fill_menu(*sub, item, after);
        return sub->menuAction();
    }
    auto* action = new QAction(text, &owner);
    std::weak_ptr<Menu> weak = item;
    QObject::connect(action, &QAction::triggered, &owner, [weak, after] {
        if (auto chosen = weak.lock())
            chosen->choose();
        after();
    });
    return action;
}

void fill_menu(QMenu& menu, const std::shared_ptr<Menu>& items, const std::function<void()>& after)
{
    // The items' states as they are when the menu opens.
    std::weak_ptr<Menu> weak = items;
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu, weak] {
        const auto root = weak.lock();
        if (!root)
            return;
        const QList<QAction*> actions = menu.actions();
        for (qsizetype i = 0; i < actions.size() && i < static_cast<qsizetype>(root->items().size()); ++i) {
            const Menu& item = *root->items()[static_cast<std::size_t>(i)];
            actions[i]->setEnabled(item.enabled);
            actions[i]->setVisible(item.visible);
            actions[i]->setCheckable(item.checked);
            actions[i]->setChecked(item.checked);
        }
    });
    for (const std::shared_ptr<Menu>& item : items->items())
        menu.addAction(menu_action(menu, item, after));
}

} // namespace

FrontWindow::FrontWindow(Desktop& desktop) : m_desktop(desktop), m_view(new WindowView(desktop, this))
{
    setCentralWidget(m_view);
    m_view->setAccessibleName(QStringLiteral("工作区"));
}

void FrontWindow::sync()
{
    Window* main = m_view->frame();
    const void* menu = main ? main->menuid.get() : nullptr;
    if (menu != m_menu_shown) {
        m_menu_shown = menu;
        menuBar()->clear();
        if (main && main->menuid) {
            for (const std::shared_ptr<Menu>& top : main->menuid->items()) {
                auto* sub = new QMenu(qs(top->text), menuBar());
                fill_menu(*sub, top, [this] { sync(); });
                menuBar()->addMenu(sub);
            }
        }
        menuBar()->setVisible(menu != nullptr);
        // A frame that opens on a person's screen gets the size it is designed at.
        if (main && isVisible() && QGuiApplication::platformName() != QStringLiteral("offscreen"))
            resize(static_cast<int>(main->width * unit_x),
                   static_cast<int>(main->height * unit_y) + menuBar()->sizeHint().height());
    }
    setWindowTitle(main ? qs(main->title) : QStringLiteral("Hearth"));
    m_view->sync();
    if (m_syncing)
        return;
    m_syncing = true;
    // A menu the host popped shows at the pointer, on a screen a person sees.
    const std::vector<PoppedMenu>& popped = m_desktop.popped_menus();
    if (popped.size() > m_popped_seen) {
        m_popped_seen = popped.size();
        if (popped.back().menu && QGuiApplication::platformName() != QStringLiteral("offscreen")) {
            QMenu popup;
            fill_menu(popup, popped.back().menu, [this] { sync(); });
            popup.exec(QCursor::pos());
        }
    }
    if (m_desktop.windows().empty() && m_when_none_open && !m_when_none_open())
        QTimer::singleShot(0, this, [this] {
            hide();
            QApplication::quit();
        });
    m_syncing = false;
}

void FrontWindow::closeEvent(QCloseEvent* event)
{
    // The newest window first, as the user would close them one by one.
    const std::vector<ObjectRef> open = m_desktop.windows();
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        if (it->is_valid() && m_desktop.close(*it) != 1)
            break;
    if (!m_desktop.windows().empty()) {
        event->ignore();
        sync();
        return;
    }
    m_when_none_open = nullptr;
    event->accept();
    QApplication::quit();
}

} // namespace hearth::gui
