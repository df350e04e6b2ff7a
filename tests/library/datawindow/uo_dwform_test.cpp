// uo_dwform: Enter moves to the next field as Tab does, except in a tall field.

#include "dw_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using UoDwForm = DwTest;

TEST_F(UoDwForm, EnterMovesToTheNextFieldUnlessTheFieldIsTall)
{
    struct Case {
        const char* from;
        std::int32_t key;
        std::uint32_t keyflags;
        const char* to;
        bool tab_sent;
    };
    const Case cases[] = {
        {"name", key_enter, 0, "address", true}, // height 60
        {"address", key_enter, 0, "memo", true}, // height 65: still one line
        {"memo", key_enter, 0, "memo", false},   // height 66: Enter stays for a new line
        {"memo", key_enter, key_ctrl, "remark", true},
        {"memo", key_enter, key_ctrl | key_shift, "memo", false},
        {"remark", key_enter, key_shift, "x", true}, // keyflags do not matter in a one-line field
        {"name", 65, 0, "name", false},              // other keys are left to the host
        {"name", 40, key_ctrl, "name", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " key " + std::to_string(c.key) + " flags " + std::to_string(c.keyflags));
        auto& dw = make<uo_dwform>("uo_dwform", "d_person_form");
        load(dw, {"Li\tstreet\tnote\tnone\t1"});
        ASSERT_EQ(desktop.set_focus(dw.ref()), 1);
        dw.set_row(1);
        dw.set_column(std::string(c.from));
        const std::size_t sent = desktop.sent_messages().size();
        desktop.key_down(c.key, c.keyflags);
        EXPECT_EQ(dw.get_column_name(), c.to);
        ASSERT_EQ(desktop.sent_messages().size(), sent + (c.tab_sent ? 1 : 0));
        if (c.tab_sent) {
            const SentMessage& message = desktop.sent_messages().back();
            EXPECT_EQ(message.handle, desktop.handle(dw.ref()));
            EXPECT_EQ(message.message, 256);
            EXPECT_EQ(message.word, 9);
            EXPECT_EQ(message.long_parm, 0);
        }
    }
    EXPECT_EQ(error_codes(), std::vector<int>());
}

TEST_F(UoDwForm, EnterOnAOneLineFieldStoresTheTypedValueAndMovesOn)
{
    auto& dw = make<uo_dwform>("uo_dwform", "d_person_form");
    load(dw, {"Li\tstreet\tnote\tnone\t1"});
    desktop.set_focus(dw.ref());
    dw.set_row(1);
    dw.set_column("name");
    ASSERT_EQ(desktop.type_text(" Zhang San "), 1);
    desktop.key_down(key_enter);
    EXPECT_EQ(dw.get_column_name(), "address");
    EXPECT_EQ(dw.get_item_string(1, "name").as_string(), "ZhangSan");
}

TEST_F(UoDwForm, EnterWithNoColumnDoesNothing)
{
    auto& dw = make<uo_dwform>("uo_dwform", "d_person_form");
    desktop.set_focus(dw.ref());
    ASSERT_EQ(dw.get_column_name(), "");
    desktop.key_down(key_enter);
    EXPECT_TRUE(desktop.sent_messages().empty());
    EXPECT_EQ(dw.get_column_name(), "");
    EXPECT_EQ(error_codes(), std::vector<int>());
}

} // namespace
