// The picture button: normal, pressed and disabled images derived from one picture name,
// driven by presses and releases on a window and by its owner's uf_setenabled.

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "host/ui/window.h"
#include "library/toolbar/uo_button.h"

#include <gtest/gtest.h>

using namespace hearth;

namespace {

// A dialog holding picture buttons whose picture names are set at design time.
class ButtonDialog : public Window {
public:
    Ref<uo_button> p_ok;
    Ref<uo_button> p_cancel;
    Ref<uo_button> p_short;

    ScriptResult create(ScriptCall& call)
    {
        call.runtime().create_controls(call);
        p_ok.get()->picturename = "bmp\\B.bmp";
        p_cancel.get()->picturename = "bmp\\取消.gif";
        p_short.get()->picturename = "ab";
        return no_return;
    }
};

const ClassTable& button_dialog_table()
{
    static const ClassTable table {
        "w_button_dialog",
        "window",
        make_object<ButtonDialog>,
        {{"p_ok", "uo_button", store_in<&ButtonDialog::p_ok>},
         {"p_cancel", "uo_button", store_in<&ButtonDialog::p_cancel>},
         {"p_short", "uo_button", store_in<&ButtonDialog::p_short>}},
        {{own_group, "", {}, {{0, "create", on_self<&ButtonDialog::create>}, {1, "destroy", destroy_script}}}}};
    return table;
}

class PictureButton : public ::testing::Test {
protected:
    PictureButton()
    {
        EXPECT_EQ(error_text(register_ui_classes(m_registry)), "");
        EXPECT_EQ(error_text(m_registry.register_class(&_getVtableInfo_uo_button)), "");
        EXPECT_EQ(error_text(m_registry.register_class(&button_dialog_table)), "");
        EXPECT_EQ(m_desktop.open(m_window, "w_button_dialog"), 1);
    }

    ButtonDialog& dialog() { return *dynamic_cast<ButtonDialog*>(m_window.get()); }
    uo_button& ok() { return *dialog().p_ok.get(); }

    DispatchResult set_enabled(const ObjectRef& button, Value enabled)
    {
        return m_runtime.dispatch(button, "uf_setenabled", {std::move(enabled)});
    }

    ClassRegistry m_registry;
    Runtime m_runtime {m_registry};
    Desktop m_desktop {m_runtime};
    ObjectRef m_window;
};

TEST(PictureButtonRegistration, SlotFiftyIsDeclaredWithoutAScript)
{
    ClassRegistry registry;
    ASSERT_EQ(error_text(register_ui_classes(registry)), "");
    ASSERT_EQ(error_text(registry.register_class(&_getVtableInfo_uo_button)), "");
    const ClassInfo* cls = registry.find("uo_button");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->ancestor()->name(), "picture");
    ASSERT_EQ(cls->groups().size(), 1u);
    EXPECT_EQ(cls->groups()[0].id, 32770);
    std::vector<std::pair<int, std::string>> scripts;
    for (const auto& script : cls->groups()[0].scripts)
        scripts.emplace_back(script.slot, script.name);
    EXPECT_EQ(scripts,
              (std::vector<std::pair<int, std::string>> {{48, "ue_lbuttondown"},
                                                         {49, "ue_lbuttonup"},
                                                         {51, "uf_setenabled"},
                                                         {0, "create"},
                                                         {1, "destroy"},
                                                         {35, "constructor"}}));
    struct Slot {
        int number;
        const char* name;
        SlotKind kind;
        std::optional<Type> returns;
        bool scripted;
    };
    const Slot slots[] = {
        {48, "ue_lbuttondown", SlotKind::Event, Type::Long, true},
        {49, "ue_lbuttonup", SlotKind::Event, Type::Long, true},
        {50, "ue_keydown", SlotKind::Event, Type::Long, false},
        {51, "uf_setenabled", SlotKind::Function, std::nullopt, true},
    };
    for (const Slot& s : slots) {
        const SlotInfo* info = cls->slot(s.number);
        ASSERT_NE(info, nullptr) << s.number;
        EXPECT_EQ(info->name, s.name);
        EXPECT_EQ(info->kind, s.kind) << s.name;
        EXPECT_EQ(info->returns, s.returns) << s.name;
        EXPECT_EQ(cls->script(s.number) != nullptr, s.scripted) << s.name;
    }
}

TEST_F(PictureButton, DesignTimeSizeAndPictureNameSplitAtConstruction)
{
    struct Case {
        uo_button* button;
        const char* base;
        const char* type;
    };
    const Case cases[] = {
        {dialog().p_ok.get(), "bmp\\B", ".bmp"},
        {dialog().p_cancel.get(), "bmp\\取消", ".gif"}, // characters, not bytes
        {dialog().p_short.get(), "", "ab"},             // Left and Right clip at the bounds
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.button->width, 402);
        EXPECT_EQ(c.button->height, 84);
        EXPECT_EQ(c.button->is_picturename, c.base);
        EXPECT_EQ(c.button->is_picturetype, c.type);
    }
    EXPECT_EQ(ok().picturename, "bmp\\B.bmp");
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(PictureButton, PressShowsThePressedImageAndReleaseTheNormalOne)
{
    struct Case {
        Ref<uo_button> button;
        const char* pressed;
        const char* normal;
    };
    const Case cases[] = {
        {dialog().p_ok, "bmp\\B1.bmp", "bmp\\B.bmp"},
        {dialog().p_cancel, "bmp\\取消1.gif", "bmp\\取消.gif"},
        {dialog().p_short, "1ab", "ab"},
    };
    for (const Case& c : cases) {
        m_desktop.mouse_down(c.button, 10, 12);
        EXPECT_EQ(c.button.get()->picturename, c.pressed);
        // Moving away and back changes nothing: the button has no move script.
        m_desktop.mouse_move(c.button, 500, 12, mouse_left_button);
        EXPECT_EQ(c.button.get()->picturename, c.pressed);
        m_desktop.mouse_up(c.button, 10, 12);
        EXPECT_EQ(c.button.get()->picturename, c.normal);
    }
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(PictureButton, SetEnabledSwitchesTheImageAndTheEnabledFlag)
{
    struct Case {
        Value enabled;
        bool is_enabled;
        const char* picture;
    };
    const Case cases[] = {
        {Value(false), false, "bmp\\B2.bmp"},
        {Value(true), true, "bmp\\B.bmp"},
        {Value::null_of(Type::Boolean), false, "bmp\\B2.bmp"},
        {Value(true), true, "bmp\\B.bmp"},
        {Value(), false, "bmp\\B2.bmp"}, // null of type any, as an omitted argument arrives
    };
    for (const Case& c : cases) {
        const DispatchResult result = set_enabled(dialog().p_ok, c.enabled);
        EXPECT_EQ(result.outcome, Outcome::Completed);
        EXPECT_TRUE(result.value.is_null());
        EXPECT_EQ(ok().enabled, c.is_enabled);
        EXPECT_EQ(ok().picturename, c.picture);
    }
    // The design-time split is never changed by the scripts.
    EXPECT_EQ(ok().is_picturename, "bmp\\B");
    EXPECT_EQ(ok().is_picturetype, ".bmp");
}

TEST_F(PictureButton, ADisabledButtonTakesNoPressFromTheUser)
{
    ASSERT_EQ(set_enabled(dialog().p_ok, Value(false)).outcome, Outcome::Completed);
    m_desktop.mouse_down(dialog().p_ok, 10, 12);
    EXPECT_EQ(ok().picturename, "bmp\\B2.bmp");
    m_desktop.mouse_up(dialog().p_ok, 10, 12);
    EXPECT_EQ(ok().picturename, "bmp\\B2.bmp");
}

TEST_F(PictureButton, EventsSetTheirImagesWhateverTheEnabledState)
{
    ASSERT_EQ(set_enabled(dialog().p_ok, Value(false)).outcome, Outcome::Completed);
    const std::vector<Value> args = {Value::ulong(0), Value::integer(1), Value::integer(1)};
    std::vector<Value> down = args;
    EXPECT_EQ(m_runtime.dispatch(dialog().p_ok, "ue_lbuttondown", down).outcome, Outcome::Completed);
    EXPECT_EQ(ok().picturename, "bmp\\B1.bmp");
    EXPECT_FALSE(ok().enabled);
    std::vector<Value> up = args;
    EXPECT_EQ(m_runtime.dispatch(dialog().p_ok, "ue_lbuttonup", up).outcome, Outcome::Completed);
    EXPECT_EQ(ok().picturename, "bmp\\B.bmp");
    EXPECT_FALSE(ok().enabled);
}

TEST_F(PictureButton, EventsAnswerTheMessagesReturnValue)
{
    std::vector<Value> args = {Value::ulong(1), Value::integer(1), Value::integer(1)};
    EXPECT_EQ(m_runtime.dispatch(dialog().p_ok, "ue_lbuttondown", args).value, Value(0));
    m_runtime.assign_new_message();
    m_runtime.message_object()->return_value = 1;
    EXPECT_EQ(m_runtime.dispatch(dialog().p_ok, "ue_lbuttondown", args).value, Value(1));
    EXPECT_EQ(m_runtime.dispatch(dialog().p_ok, "ue_lbuttonup", args).value, Value(1));
}

TEST_F(PictureButton, KeyDownIsDeclaredButHasNoScript)
{
    std::vector<Value> args = {Value(13), Value::ulong(0)};
    const DispatchResult result = m_runtime.dispatch(dialog().p_ok, "ue_keydown", args);
    EXPECT_EQ(result.outcome, Outcome::NoScript);
    EXPECT_EQ(ok().picturename, "bmp\\B.bmp");
}

TEST_F(PictureButton, SetEnabledWithANonBooleanFails)
{
    const DispatchResult result = set_enabled(dialog().p_ok, Value("否"));
    EXPECT_EQ(result.outcome, Outcome::Failed);
    ASSERT_EQ(m_runtime.error_log().size(), 1u);
    EXPECT_EQ(m_runtime.error_log()[0].code, ErrorCode::CallFailed);
    EXPECT_TRUE(ok().enabled);
    EXPECT_EQ(ok().picturename, "bmp\\B.bmp");
}

TEST_F(PictureButton, ClosingTheWindowDestroysItsButtons)
{
    const ObjectRef button = dialog().p_ok;
    ASSERT_EQ(m_desktop.close(m_window), 1);
    EXPECT_FALSE(button.is_valid());
    // A press on a destroyed button reaches nothing.
    m_desktop.mouse_down(button, 1, 1);
    EXPECT_TRUE(m_runtime.error_log().empty());
}

} // namespace
