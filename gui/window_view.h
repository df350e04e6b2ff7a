#pragma once
// The Qt front end's drawing of the host's windows. WindowView paints the frame in front (its
// controls and its active sheet) and the response windows over it, straight from the host's
// objects and their attributes, and turns the mouse and keys into the desktop's gestures; it
// decides nothing itself. FrontWindow puts the frame's menu above it.
//
// Sizes: the host's layout units become pixels by the runtime's rule at 96 logical DPI
// (x * 7/32, y * 1/4); a DataWindow's own units by its Units attribute. Qt maps logical
// pixels to the screen's, so drawing stays sharp at any scale.

#include "host/ui/desktop.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace hearth {
class DataWindowControl;
class Object;
class Tab;
class VisualObject;
class Window;
} // namespace hearth

namespace hearth::gui {

class WindowView : public QWidget {
public:
    explicit WindowView(Desktop& desktop, QWidget* parent = nullptr);

    // Brings the view up to the host's state after a gesture: the edit over the current
    // cell, the current row in view, a repaint.
    void sync();
    // Detail rows drawn since the view was made (all DataWindows together).
    long rows_painted() const { return m_rows_painted; }
    // The frame drawn, or the first window when no frame is open; nullptr when none is open.
    Window* frame() const;
    // Where a host control was drawn last, in the view's pixels; empty when it was not.
    QRectF drawn_rect(const Object* object) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Something drawn that takes the mouse: a control, or one tab of a tab control.
    struct Region {
        QRectF rect;
        ObjectRef target;
        int tab = 0;            // 1-based tab index for a tab's label, 0 for a control
        double sx = 7.0 / 32.0; // pixels per unit across, for the gesture's coordinates
        double sy = 0.25;
    };

    void paint_window(QPainter& p, Window& window, QPointF origin, bool with_title);
    void paint_children(QPainter& p, Object& parent, QPointF origin);
    void paint_control(QPainter& p, Object& control, QPointF origin);
    void paint_tab(QPainter& p, Tab& tab, const QRectF& rect);
    void paint_datawindow(QPainter& p, DataWindowControl& dw, const QRectF& rect);
    const QPixmap* bitmap(const std::string& name);
    void add_region(const QRectF& rect, Object& target, int tab = 0, double sx = 7.0 / 32.0, double sy = 0.25);
    // The region under a point, topmost first; nullptr when none.
    const Region* region_at(QPointF point) const;
    // The region's coordinates of a point, in the units the desktop wants.
    static std::pair<std::int32_t, std::int32_t> units_at(const Region& region, QPointF point);
    void place_editor();
    void after_gesture();
    // The frame takes the view's size, as when the user resizes its window.
    void fit_frame();

    Desktop& m_desktop;
    std::vector<Region> m_regions;
    std::map<const Object*, QRectF> m_drawn;
    std::map<std::string, QPixmap> m_bitmaps;
    long m_rows_painted = 0;
    QLineEdit* m_editor;
    // The cell the editor stands over (its DataWindow, row and column).
    const Object* m_edit_dw = nullptr;
    long m_edit_row = 0;
    int m_edit_column = 0;
    // The release that ends a double-click, already given to the desktop with its message.
    bool m_double_click_release = false;
};

// The top-level window: the frame's menu over a WindowView.
class FrontWindow : public QMainWindow {
public:
    explicit FrontWindow(Desktop& desktop);

    WindowView& view() { return *m_view; }
    // Rebuilds the menu from the frame's menu, shows a menu the host popped, and repaints.
    void sync();
    // Runs whenever the last window has closed; it may open the next and returns whether it
    // did. Without it an empty desktop just shows nothing.
    void set_when_none_open(std::function<bool()> when_none_open) { m_when_none_open = std::move(when_none_open); }

protected:
    // Closing the window closes the host's windows, which may refuse.
    void closeEvent(QCloseEvent* event) override;

private:
    Desktop& m_desktop;
    WindowView* m_view;
    const void* m_menu_shown = nullptr;
    std::size_t m_popped_seen = 0;
    std::function<bool()> m_when_none_open;
    bool m_syncing = false;
};

} // namespace hearth::gui
