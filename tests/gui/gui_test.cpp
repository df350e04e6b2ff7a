// The Qt front end offscreen: a click on a grid row moves the host's current row and typing
// in the cell's edit commits through the host; a double-click is one click; a grid of a
// million rows paints only the rows in view; the screenshot command draws the toolbar and the
// household grid in Chinese, with the frame and its status bar filling the picture's size.

#include "gui/gui.h"
#include "gui/window_view.h"
#include "host/ui/engine_access.h"
#include "tests/host/ui/ui_fixture.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace hearth::test {
namespace {

namespace fs = std::filesystem;

class Gui : public UiTest {
protected:
    Gui()
    {
        gui::start_toolkit(true);
        EXPECT_EQ(desktop.open(window, "t_window"), 1);
        dw_ref = Ref<t_window>(window).get()->dw_1;
        dw = Ref<t_dw>(dw_ref).get();
        EXPECT_EQ(dw->set_dataobject("d_grid"), 1);
        front = std::make_unique<gui::FrontWindow>(desktop);
        front->resize(800, 600);
        front->sync();
        front->show();
    }

    // Draws the window as the screen would, so that what the mouse hits is known.
    void paint() { (void)front->grab(); }

    void send(QWidget& target, QEvent& event) { QCoreApplication::sendEvent(&target, &event); }

    ObjectRef window;
    ObjectRef dw_ref;
    t_dw* dw = nullptr;
    std::unique_ptr<gui::FrontWindow> front; // made once the toolkit runs
};

// d_grid: header 80 units, detail 100 units a row; layout units are 7/32 px across, 1/4 down.
TEST_F(Gui, AClickOnARowMovesTheCurrentRowAndTheCellEditsThroughTheHost)
{
    for (const char* code : {"c1", "c2", "c3"})
        dw->set_item(dw->insert_row(0), "code", Value(std::string(code)));
    paint();
    const QRectF grid = front->view().drawn_rect(dw);
    ASSERT_FALSE(grid.isEmpty());

    // The middle of the code cell of the third row.
    const QPointF at(grid.left() + 50 * 7.0 / 32.0, grid.top() + (80 + 2 * 100 + 50) / 4.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, front->view().mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, front->view().mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    send(front->view(), press);
    send(front->view(), release);
    EXPECT_EQ(dw->get_row(), 3);
    EXPECT_EQ(dw->get_column_name(), "code");
    EXPECT_TRUE(desktop.focus().same_as(dw_ref));

    // The toolkit's edit stands over the cell with its text; typing replaces it and Tab
    // commits through the host.
    auto* editor = front->view().findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("c3"));
    EXPECT_TRUE(editor->geometry().intersects(grid.toRect()));
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("户"));
    send(*editor, typed);
    EXPECT_EQ(dw->get_text(), "户");
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    send(*editor, tab);
    EXPECT_EQ(dw->get_item_string(3, "code").as_string(), "户");
    EXPECT_EQ(dw->get_column_name(), "amount"); // the next by tab sequence
}

// The toolkit delivers a double-click as press, release, double-click, release: the host
// sees one click, one double-click and two releases, in that order.
TEST_F(Gui, ADoubleClickRaisesClickedOnce)
{
    dw->set_item(dw->insert_row(0), "code", Value(std::string("c1")));
    paint();
    const QRectF grid = front->view().drawn_rect(dw);
    const QPointF at(grid.left() + 50 * 7.0 / 32.0, grid.top() + (80 + 50) / 4.0);
    const QPointF global = front->view().mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    journal().clear();
    for (QMouseEvent* event : {&press, &release, &twice, &release})
        send(front->view(), *event);
    std::vector<std::string> events;
    for (const Received& received : journal())
        if (received.event == "clicked" || received.event == "doubleclicked" || received.event == "ue_dwnlbuttonup")
            events.push_back(received.event);
    EXPECT_EQ(events, (std::vector<std::string> {"clicked", "ue_dwnlbuttonup", "doubleclicked", "ue_dwnlbuttonup"}));
}

TEST_F(Gui, AMillionRowGridPaintsOnlyTheRowsInView)
{
    dw::RowLoader loader = EngineAccess::engine(*dw).load_rows(dw::ItemStatus::NotModified);
    for (int i = 0; i < 1'000'000; ++i) {
        loader.begin_row();
        loader.set_integer(2, i);
    }
    ASSERT_EQ(loader.commit(), 1'000'000);
    paint();
    // dw_1 is 600 units high: 20 px of header, then 25 px rows in 130 px.
    const long first = front->view().rows_painted();
    EXPECT_GT(first, 0);
    EXPECT_LE(first, 6);

    // Scrolling far down paints the same few rows again.
    const QRectF grid = front->view().drawn_rect(dw);
    const QPointF at = grid.center();
    QWheelEvent wheel(at, front->view().mapToGlobal(at), QPoint(), QPoint(0, -120 * 100000), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    send(front->view(), wheel);
    EXPECT_GT(dw->first_row, 100'000);
    paint();
    EXPECT_LE(front->view().rows_painted() - first, 6);
}

// The toolkit's dialogs stand in for the scripted user's queues while a front end is set;
// the desktop still records them and keeps its rules (buttons in range, the extension added).
class ScriptedToolkit : public DesktopFrontEnd {
public:
    int message_box(const MessageBoxRecord& box) override { return box.buttons == Buttons::YesNo ? 2 : 7; }
    FileAnswer file_save_name(const FileDialogRecord&) override { return FileAnswer::chosen("/tmp/out"); }
    std::optional<std::int32_t> choose_color(std::int32_t initial) override { return initial + 1; }
    std::optional<std::string> ask_text(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
};

TEST_F(UiTest, AFrontEndAnswersTheDialogsInsteadOfTheQueues)
{
    ScriptedToolkit toolkit;
    desktop.answer_message_box(1); // queued for the scripted user, unused while the toolkit answers
    desktop.set_front_end(&toolkit);
    EXPECT_EQ(desktop.message_box(Value("t"), Value("x"), Icon::Question, Buttons::YesNo).as_integral(), 2);
    EXPECT_EQ(desktop.message_box(Value("t"), Value("x")).as_integral(), -1); // 7 is no button of OK!
    std::string path;
    std::string name;
    EXPECT_EQ(desktop.get_file_save_name(Value("t"), path, name, Value("xls")).as_integral(), 1);
    EXPECT_EQ(path, "/tmp/out.xls");
    std::int32_t color = 10;
    EXPECT_EQ(desktop.choose_color(color), 1);
    EXPECT_EQ(color, 11);
    std::string text = "kept";
    EXPECT_EQ(desktop.ask_text("t", "p", text), 0);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(desktop.message_boxes().size(), 2u);

    desktop.set_front_end(nullptr);
    EXPECT_EQ(desktop.pending_box_answers(), 1u);
    EXPECT_EQ(desktop.message_box(Value("t"), Value("x"), Icon::Question, Buttons::YesNo).as_integral(), 1);
}

// What the screenshot command draws from a played scenario.
TEST(Screenshot, TheMainWindowWithItsToolbarAndTheHouseholdGrid)
{
    const fs::path dir = fs::temp_directory_path() / ("hearth_gui_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string command = HEARTH_COMMAND;
    ASSERT_EQ(std::system((command + " init-db " + (dir / "db").string()
                           + " --households 30 --seed 1 --admin-password s3cret >/dev/null")
                              .c_str()),
              0);
    std::ofstream(dir / "grid.play") << "login velmora_admin s3cret\nopen w_ge_rpr\n";
    const fs::path png = dir / "main.png";
    // From the source tree, where the toolbar's bitmaps are; with no display at all.
    ASSERT_EQ(std::system(("cd " HEARTH_SOURCE_DIR " && env -u DISPLAY -u WAYLAND_DISPLAY " + command + " --db "
                           + (dir / "db").string() + " --screenshot " + png.string() + " --play "
                           + (dir / "grid.play").string())
                              .c_str()),
              0);

    gui::start_toolkit(true);
    const QImage image(QString::fromStdString(png.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1280, 800));
    // Pixels unlike the frame's face in a band of the picture.
    auto marked = [](const QImage& picture, QRect band) {
        const QRgb face = picture.pixel(band.topLeft());
        int count = 0;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x)
                count += picture.pixel(x, y) != face;
        return count;
    };
    // The toolbar's bitmaps and captions along the top, under the menu; the grid's rows of
    // text below them; nothing drawn right of the sheet; the status bar along the bottom, its
    // text on the left and the version in the last cell on the right.
    EXPECT_GT(marked(image, QRect(0, 30, 600, 40)), 500);
    EXPECT_GT(marked(image, QRect(0, 150, 700, 300)), 2000);
    EXPECT_EQ(marked(image, QRect(900, 100, 300, 600)), 0);
    EXPECT_GT(marked(image, QRect(0, 782, 200, 16)), 50);
    EXPECT_GT(marked(image, QRect(1180, 782, 100, 16)), 50);
    // The Chinese captions have a font that holds them.
    EXPECT_TRUE(QFontMetrics(QApplication::font()).inFontUcs4(U'户'));

    // A smaller window: the frame follows it, and the status bar with it, run from another
    // folder (the bitmaps are found beside the program).
    const fs::path small = dir / "small.png";
    ASSERT_EQ(
        std::system(("cd / && env -u DISPLAY -u WAYLAND_DISPLAY " + command + " --db " + (dir / "db").string()
                     + " --screenshot " + small.string() + " --size 900 600 --play " + (dir / "grid.play").string())
                        .c_str()),
        0);
    const QImage resized(QString::fromStdString(small.string()));
    ASSERT_EQ(resized.size(), QSize(900, 600));
    EXPECT_GT(marked(resized, QRect(0, 30, 600, 40)), 500);
    EXPECT_GT(marked(resized, QRect(0, 582, 200, 16)), 50);
    EXPECT_GT(marked(resized, QRect(800, 582, 100, 16)), 50);
    fs::remove_all(dir);
}

} // namespace
} // namespace hearth::test
