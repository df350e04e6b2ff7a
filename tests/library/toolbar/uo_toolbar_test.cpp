// uo_toolbar: the toolbar's buttons, their bitmaps, and the hover, pressed, normal and
// disabled looks, driven by mouse moves over the toolbar of the main window.

#include "host/object/runtime.h"
#include "host/ui/bitmap.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "library/toolbar/uo_toolbar.h"
#include "tests/library/frame/memory_application.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace hearth;
using namespace hearth::test;

namespace {

const std::filesystem::path source_dir(HEARTH_SOURCE_DIR);

const char* const button_names[] = {"main",   "retrieve", "add",   "modify", "del",  "setshow", "preview",
                                    "filter", "sorter",   "close", "manage", "help", "exit",    "ie"};

// The main window of these tests: the toolbar as its control dw_tool.
const ClassTable& w_main_table()
{
    static const ClassTable table {
        "w_main",
        "window",
        nullptr,
        {{"dw_tool", "uo_toolbar", nullptr}},
        {{own_group, "", {}, {{0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    return table;
}

struct Segment {
    long x1, y1, x2, y2;
    bool operator==(const Segment&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Segment& s)
{
    return out << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ")";
}

class UoToolbar : public ::testing::Test {
protected:
    UoToolbar()
    {
        EXPECT_EQ(error_text(register_ui_classes(registry)), "");
        EXPECT_EQ(error_text(registry.register_class(&_getVtableInfo_uo_toolbar)), "");
        EXPECT_EQ(error_text(registry.register_class(&w_main_table)), "");
        EXPECT_EQ(desktop.open(w_main, "w_main"), 1);
        application.globals().w_main = w_main;
        dw_tool = w_main_dw_tool(application.globals());
        toolbar = dynamic_cast<uo_toolbar*>(dw_tool.get());
        EXPECT_NE(toolbar, nullptr);
    }

    long number(const std::string& property) { return std::stol(toolbar->describe(property)); }
    std::string filename(const std::string& button) { return toolbar->describe(button + ".FileName"); }
    std::string tag(const std::string& button) { return toolbar->describe(button + ".tag"); }
    Segment line(const std::string& name)
    {
        return {number(name + ".x1"), number(name + ".y1"), number(name + ".x2"), number(name + ".y2")};
    }
    // "1111" when l_v1, l_v2, l_h1, l_h2 all show.
    std::string frame_visible()
    {
        std::string flags;
        for (const char* name : {"l_v1", "l_v2", "l_h1", "l_h2"})
            flags += toolbar->describe(std::string(name) + ".visible");
        return flags;
    }
    // The mouse over the middle of an object of d_tool.
    void hover(const std::string& object, std::uint32_t flags = 0)
    {
        desktop.mouse_move(dw_tool, number(object + ".x") + number(object + ".width") / 2,
                           number(object + ".y") + number(object + ".height") / 2, flags);
    }
    void call(std::string_view function, std::vector<Value> args)
    {
        DispatchResult result = runtime.dispatch(dw_tool, function, args);
        EXPECT_EQ(result.outcome, Outcome::Completed) << function;
    }

    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime, dw::ObjectLibrary({source_dir / "app/objects"})};
    MemoryApplication application;
    CurrentApplication current {application};
    ObjectRef w_main;
    ObjectRef dw_tool;
    uo_toolbar* toolbar = nullptr;
};

TEST_F(UoToolbar, DeclaresEverySlotAndRegistersTheLayoutScripts)
{
    const ClassInfo* cls = registry.find("uo_toolbar");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->ancestor(), registry.find("datawindow"));
    const char* const declared[]
        = {"ue_dwnmousemove", "ue_dwnlbuttonup", "ue_mousemove",  "uf_setenabled",   "uf_setstate",
           "uf_delphoto",     "uf_expand",       "uf_delbefore",  "uf_delafter",     "uf_confirmmessage",
           "uf_updateother",  "wf_savehisinfo",  "wf_copycolumn", "wf_copyrelation", "wf_savepersoninfo"};
    for (int i = 0; i < 15; ++i) {
        const SlotInfo* slot = cls->slot(436 + i);
        ASSERT_NE(slot, nullptr) << 436 + i;
        EXPECT_EQ(slot->name, declared[i]);
        EXPECT_EQ(slot->kind, i < 3 ? SlotKind::Event : SlotKind::Function) << declared[i];
    }
    EXPECT_EQ(cls->slot(451), nullptr);
    ASSERT_EQ(cls->groups().size(), 1u);
    std::vector<std::pair<int, std::string>> scripts;
    for (const auto& s : cls->groups()[0].scripts)
        scripts.emplace_back(s.slot, s.name);
    const std::vector<std::pair<int, std::string>> expected = {{436, "ue_dwnmousemove"},
                                                               {437, "ue_dwnlbuttonup"},
                                                               {438, "ue_mousemove"},
                                                               {439, "uf_setenabled"},
                                                               {440, "uf_setstate"},
                                                               {441, "uf_delphoto"},
                                                               {442, "uf_expand"},
                                                               {443, "uf_delbefore"},
                                                               {444, "uf_delafter"},
                                                               {445, "uf_confirmmessage"},
                                                               {446, "uf_updateother"},
                                                               {447, "wf_savehisinfo"},
                                                               {448, "wf_copycolumn"},
                                                               {449, "wf_copyrelation"},
                                                               {450, "wf_savepersoninfo"},
                                                               {0, "create"},
                                                               {1, "destroy"},
                                                               {36, "clicked"},
                                                               {37, "constructor"}};
    EXPECT_EQ(scripts, expected);
}

TEST_F(UoToolbar, ShowsDToolWithEveryButtonEnabled)
{
    EXPECT_EQ(toolbar->dataobject(), "d_tool");
    EXPECT_EQ(toolbar->load_error(), "");
    EXPECT_EQ(toolbar->width, 3465);
    EXPECT_EQ(toolbar->height, 176);
    EXPECT_FALSE(toolbar->border);
    EXPECT_TRUE(toolbar->livescroll);
    EXPECT_EQ(toolbar->is_object, "");
    EXPECT_EQ(toolbar->is_clickedobject, "");
    EXPECT_EQ(frame_visible(), "0000");

    long previous_right = 0;
    for (const char* name : button_names) {
        SCOPED_TRACE(name);
        const std::string picture = std::string("p_") + name;
        const std::string caption = std::string("t_") + name;
        EXPECT_EQ(toolbar->describe(picture + ".Type"), "bitmap");
        EXPECT_EQ(toolbar->describe(caption + ".Type"), "text");
        EXPECT_EQ(tag(picture), "1");
        EXPECT_EQ(filename(picture), std::string("bmp\\") + name + ".bmp");
        EXPECT_NE(toolbar->describe(caption + ".Text"), "");
        // left to right, each inside the toolbar, the caption below its picture
        EXPECT_GT(number(picture + ".x"), previous_right);
        previous_right = number(caption + ".x") + number(caption + ".width");
        EXPECT_LE(previous_right, toolbar->width);
        EXPECT_GE(number(caption + ".y"), number(picture + ".y") + number(picture + ".height"));
        EXPECT_LE(number(caption + ".y") + number(caption + ".height"), toolbar->height);
    }
    EXPECT_EQ(toolbar->describe("t_modify.Text"), "修改");
    // The two colour pairs of the frame.
    EXPECT_EQ(toolbar->describe("l_h1.pen.color"), toolbar->describe("l_v1.pen.color"));
    EXPECT_EQ(toolbar->describe("l_h2.pen.color"), toolbar->describe("l_v2.pen.color"));
    EXPECT_NE(toolbar->describe("l_h1.pen.color"), toolbar->describe("l_h2.pen.color"));
}

TEST_F(UoToolbar, EveryButtonHasItsThreeBitmaps)
{
    for (const char* name : button_names) {
        for (const char* suffix : {"", "1", "2"}) {
            const std::string file = std::string("bmp\\") + name + suffix + ".bmp";
            SCOPED_TRACE(file);
            std::optional<std::filesystem::path> found = find_bitmap(file, source_dir);
            ASSERT_TRUE(found.has_value());
            std::ifstream in(*found, std::ios::binary);
            char header[26] = {};
            in.read(header, sizeof header);
            ASSERT_EQ(in.gcount(), 26);
            EXPECT_EQ(std::string(header, 2), "BM");
            auto le32 = [&](int at) {
                return static_cast<std::uint32_t>(static_cast<unsigned char>(header[at]))
                    | static_cast<std::uint32_t>(static_cast<unsigned char>(header[at + 1])) << 8
                    | static_cast<std::uint32_t>(static_cast<unsigned char>(header[at + 2])) << 16
                    | static_cast<std::uint32_t>(static_cast<unsigned char>(header[at + 3])) << 24;
            };
            EXPECT_EQ(le32(2), std::filesystem::file_size(*found));
            EXPECT_EQ(le32(18), 24u); // width
            EXPECT_EQ(le32(22), 24u); // height
        }
    }
}

TEST_F(UoToolbar, ADisabledButtonShowsItsGreyBitmapAndIgnoresTheMouse)
{
    call("uf_setenabled", {Value("p_add"), Value(false)});
    EXPECT_EQ(filename("p_add"), "bmp\\add2.bmp");
    EXPECT_EQ(tag("p_add"), "0");
    EXPECT_EQ(toolbar->is_object, "");

    hover("p_add");
    EXPECT_EQ(toolbar->is_object, "");
    EXPECT_EQ(frame_visible(), "0000");
    EXPECT_EQ(filename("p_add"), "bmp\\add2.bmp");
    hover("t_add");
    EXPECT_EQ(toolbar->is_object, "");

    // A disabled button cannot be pressed either.
    call("uf_setstate", {Value("p_add"), Value("lowered")});
    EXPECT_EQ(toolbar->is_clickedobject, "");
    EXPECT_EQ(filename("p_add"), "bmp\\add2.bmp");

    // Enabled again, it raises under the mouse.
    call("uf_setenabled", {Value("p_add"), Value(true)});
    EXPECT_EQ(filename("p_add"), "bmp\\add.bmp");
    EXPECT_EQ(tag("p_add"), "1");
    hover("p_add");
    EXPECT_EQ(toolbar->is_object, "p_add");
    EXPECT_EQ(frame_visible(), "1111");

    // Set again to the state it shows, a button changed behind the toolbar's back is put right.
    toolbar->modify("p_add.FileName = 'bmp\\other.bmp' p_add.tag = '0'");
    call("uf_setenabled", {Value("p_add"), Value(true)});
    EXPECT_EQ(filename("p_add"), "bmp\\add.bmp");
    EXPECT_EQ(tag("p_add"), "1");

    // A null flag disables; switching never touches the frame or the instance variables.
    call("uf_setenabled", {Value("p_add"), Value::null_of(Type::Boolean)});
    EXPECT_EQ(tag("p_add"), "0");
    EXPECT_EQ(filename("p_add"), "bmp\\add2.bmp");
    EXPECT_EQ(toolbar->is_object, "p_add");
    EXPECT_EQ(frame_visible(), "1111");
}

TEST_F(UoToolbar, HoveringFromOneButtonToTheCaptionOfAnother)
{
    hover("p_add");
    EXPECT_EQ(toolbar->is_object, "p_add");
    const long ax = number("p_add.x"), ay = number("p_add.y");
    const long aw = number("p_add.width"), ah = number("p_add.height");
    EXPECT_EQ(line("l_h1"), (Segment {ax, ay, ax + aw, ay}));

    // Within the same button nothing changes.
    hover("t_add");
    EXPECT_EQ(toolbar->is_object, "p_add");
    EXPECT_EQ(line("l_h1"), (Segment {ax, ay, ax + aw, ay}));
    EXPECT_EQ(line("l_h2"), (Segment {ax, ay + ah, ax + aw, ay + ah}));

    hover("t_del");
    EXPECT_EQ(toolbar->is_object, "p_del");
    EXPECT_EQ(filename("p_add"), "bmp\\add.bmp");
    EXPECT_EQ(filename("p_del"), "bmp\\del.bmp");
    const long dx = number("p_del.x"), dy = number("p_del.y");
    const long dw = number("p_del.width"), dh = number("p_del.height");
    EXPECT_EQ(line("l_h1"), (Segment {dx, dy, dx + dw, dy}));
    EXPECT_EQ(line("l_h2"), (Segment {dx, dy + dh, dx + dw, dy + dh}));
    EXPECT_EQ(line("l_v1"), (Segment {dx, dy, dx, dy + dh}));
    EXPECT_EQ(line("l_v2"), (Segment {dx + dw, dy, dx + dw, dy + dh}));
    EXPECT_EQ(frame_visible(), "1111");

    // Off every button: back to normal, the lines keep their place.
    desktop.mouse_move(dw_tool, 3440, 170);
    EXPECT_EQ(toolbar->is_object, "");
    EXPECT_EQ(frame_visible(), "0000");
    EXPECT_EQ(line("l_h1"), (Segment {dx, dy, dx + dw, dy}));
}

TEST_F(UoToolbar, TheFrameLiesOnThePicturesBoundingBox)
{
    ASSERT_EQ(toolbar->modify("p_add.x=100 p_add.y=8 p_add.width=90 p_add.height=80"), "");
    struct Case {
        const char* state;
        const char* bitmap;
        Segment h1, h2, v1, v2;
    };
    const Case cases[] = {
        {"float", "bmp\\add.bmp", {100, 8, 190, 8}, {100, 88, 190, 88}, {100, 8, 100, 88}, {190, 8, 190, 88}},
        {"lowered", "bmp\\add1.bmp", {100, 88, 190, 88}, {100, 8, 190, 8}, {190, 8, 190, 88}, {100, 8, 100, 88}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        call("uf_setstate", {Value("p_add"), Value(c.state)});
        EXPECT_EQ(filename("p_add"), c.bitmap);
        EXPECT_EQ(line("l_h1"), c.h1);
        EXPECT_EQ(line("l_h2"), c.h2);
        EXPECT_EQ(line("l_v1"), c.v1);
        EXPECT_EQ(line("l_v2"), c.v2);
        EXPECT_EQ(frame_visible(), "1111");
        EXPECT_EQ(toolbar->is_object, "p_add");
    }
    EXPECT_EQ(toolbar->is_clickedobject, "p_add");

    // normal hides the frame, keeps the lines where they are and the press recorded.
    call("uf_setstate", {Value("p_add"), Value("normal")});
    EXPECT_EQ(frame_visible(), "0000");
    EXPECT_EQ(filename("p_add"), "bmp\\add.bmp");
    EXPECT_EQ(line("l_h2"), (Segment {100, 8, 190, 8}));
    EXPECT_EQ(toolbar->is_object, "");
    EXPECT_EQ(toolbar->is_clickedobject, "p_add");

    // The mouse over the moved button raises it there.
    desktop.mouse_move(dw_tool, 120, 40);
    EXPECT_EQ(toolbar->is_object, "p_add");
    EXPECT_EQ(line("l_h1"), (Segment {100, 8, 190, 8}));
}

TEST_F(UoToolbar, AHeldButtonReactsOnlyToTheMouseComingBack)
{
    call("uf_setstate", {Value("p_add"), Value("lowered")});
    ASSERT_EQ(toolbar->is_clickedobject, "p_add");

    // With the left button held, another button stays as it is.
    hover("p_del", mouse_left_button);
    EXPECT_EQ(toolbar->is_object, "p_add");
    EXPECT_EQ(filename("p_del"), "bmp\\del.bmp");
    EXPECT_EQ(filename("p_add"), "bmp\\add1.bmp");

    // Off the buttons: the pressed look goes, the press stays.
    desktop.mouse_move(dw_tool, 3440, 170, mouse_left_button);
    EXPECT_EQ(filename("p_add"), "bmp\\add.bmp");
    EXPECT_EQ(frame_visible(), "0000");
    EXPECT_EQ(toolbar->is_object, "");
    EXPECT_EQ(toolbar->is_clickedobject, "p_add");

    // Back onto the caption of the held button: pressed again.
    hover("t_add", mouse_left_button);
    EXPECT_EQ(filename("p_add"), "bmp\\add1.bmp");
    EXPECT_EQ(frame_visible(), "1111");
    EXPECT_EQ(toolbar->is_object, "p_add");

    // A move with no button held abandons the press.
    desktop.mouse_move(dw_tool, 3440, 170);
    EXPECT_EQ(toolbar->is_clickedobject, "");
    EXPECT_EQ(toolbar->is_object, "");
    // ... and the mouse raises buttons again.
    hover("p_del");
    EXPECT_EQ(toolbar->is_object, "p_del");
}

TEST_F(UoToolbar, StatesThatChangeNothing)
{
    hover("p_del");
    const Segment h1 = line("l_h1");
    struct Case {
        const char* object;
        const char* state;
    };
    const Case cases[] = {
        {"p_add", "Lowered"},     {"p_add", "FLOAT"}, {"p_add", "pressed"}, {"p_add", ""},
        {"p_nothing", "lowered"}, {"l_h1", "float"},  {"t_add", "lowered"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.object) + " " + c.state);
        call("uf_setstate", {Value(c.object), Value(c.state)});
        EXPECT_EQ(toolbar->is_object, "p_del");
        EXPECT_EQ(toolbar->is_clickedobject, "");
        EXPECT_EQ(filename("p_add"), "bmp\\add.bmp");
        EXPECT_EQ(line("l_h1"), h1);
        EXPECT_EQ(frame_visible(), "1111");
    }
    call("uf_expand", {Value::null_of(Type::Object)});
    EXPECT_EQ(toolbar->is_object, "p_del");
    EXPECT_EQ(runtime.error_log().size(), 0u);
}

// An argument that cannot be passed as its declared type fails the call with 25015, as the
// runtime's by-value conversion does, and the toolbar keeps its state.
TEST_F(UoToolbar, ArgumentsOfTheWrongTypeFailTheCallWith25015)
{
    hover("p_del");
    struct Case {
        const char* name;
        std::vector<Value> args;
    };
    const Case cases[] = {
        {"uf_setenabled", {Value::integer(1), Value(true)}},
        {"uf_setenabled", {Value("p_add"), Value::integer(1)}},
        {"uf_setstate", {Value(true), Value("lowered")}},
        {"uf_setstate", {Value("p_add"), Value(1)}},
        {"ue_mousemove", {Value("left"), Value::integer(0), Value::integer(0)}},
        {"ue_dwnmousemove", {Value::integer(0), Value::integer(0), Value(0), Value("p_add")}},
        {"uf_expand", {Value("p_add")}},
    };
    for (const Case& c : cases) {
        runtime.clear_error_log();
        std::vector<Value> args = c.args;
        EXPECT_EQ(runtime.dispatch(dw_tool, c.name, args).outcome, Outcome::Failed) << c.name;
        ASSERT_EQ(runtime.error_log().size(), 1u) << c.name;
        EXPECT_EQ(runtime.error_log()[0].code, ErrorCode::CallFailed) << c.name;
        EXPECT_EQ(toolbar->is_object, "p_del") << c.name;
        EXPECT_EQ(tag("p_add"), "1") << c.name;
    }
}

} // namespace
