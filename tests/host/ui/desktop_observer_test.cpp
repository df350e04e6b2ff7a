// What a transcript sees: the desktop reports boxes, windows, menus, status texts and retrieves
// in the order they happen; Retrieve goes through the SetTransObject transaction.

#include "ui_fixture.h"

#include "host/ui/window.h"

#include <unistd.h>

#include <filesystem>

namespace hearth::test {
namespace {

class Transcript : public DesktopObserver {
public:
    std::vector<std::string> lines;
    void message_box(const MessageBoxRecord& box) override
    {
        lines.push_back("message " + box.title + " -> " + std::to_string(box.answer));
    }
    void window_opened(const std::string& class_name, const std::string& parameter) override
    {
        lines.push_back("open " + class_name + " " + parameter);
    }
    void menu_popped(const PoppedMenu& menu) override { lines.push_back("menu " + menu.name); }
    void status_shown(const std::string& text) override { lines.push_back("status " + text); }
    void retrieving(const std::string& select) override { lines.push_back("select " + select); }
};

using Observer = UiTest;

TEST_F(Observer, SeesWhatTheUserSeesInOrder)
{
    Transcript seen;
    desktop.set_observer(&seen);
    ObjectRef window;
    desktop.open_with_parm(window, Value("修改"), "t_sheet");
    desktop.answer_message_box(2);
    desktop.message_box(Value("提示信息"), Value("删除吗？"), Icon::Question, Buttons::YesNo);
    desktop.show_status("检索到3条记录!");
    auto menu = std::make_shared<Menu>("m_pop");
    menu->pop_menu(10, 20);
    desktop.set_observer(nullptr);
    desktop.show_status("not seen");
    const std::vector<std::string> expected {"open t_sheet 修改", "message 提示信息 -> 2", "status 检索到3条记录!",
                                             "menu m_pop"};
    EXPECT_EQ(seen.lines, expected);
    EXPECT_EQ(desktop.status_texts().back(), "not seen");
}

TEST_F(Observer, KeepsTheRecentStatusTextsOnly)
{
    for (int i = 1; i <= 5000; ++i)
        desktop.show_status(std::to_string(i));
    const auto& texts = desktop.status_texts();
    ASSERT_LE(texts.size(), 512u);
    ASSERT_GE(texts.size(), 256u);
    for (std::size_t k = 0; k < texts.size(); ++k)
        EXPECT_EQ(texts[texts.size() - 1 - k], std::to_string(5000 - k));
}

TEST_F(Observer, RetrieveRunsThroughTheTransObjectAndRaisesRetrieveEnd)
{
    const auto db = std::filesystem::temp_directory_path() / ("hearth_observer_" + std::to_string(getpid()) + ".db");
    std::filesystem::remove(db);
    Transaction tx;
    tx.set_database(db.string());
    tx.set_dbparm("Create='Yes'");
    ASSERT_EQ(tx.connect(), 0) << tx.sql_err_text();
    ASSERT_EQ(tx.execute_immediate("CREATE TABLE t (code TEXT, name TEXT, amount INTEGER, memo TEXT, fixed TEXT)"), 0);
    ASSERT_EQ(tx.execute_immediate("INSERT INTO t VALUES ('a', '甲', 1, '', ''), ('b', '乙', 2, '', '')"), 0);

    Ref<t_dw> dw = runtime.create("t_dw");
    ASSERT_EQ(dw.get()->set_dataobject("d_grid"), 1);
    EXPECT_EQ(dw.get()->retrieve(), -1); // no transaction yet
    Transcript seen;
    desktop.set_observer(&seen);
    EXPECT_EQ(dw.get()->set_trans_object(tx), 1);
    EXPECT_EQ(dw.get()->retrieve(), 2);
    EXPECT_EQ(seen.lines, std::vector<std::string> {"select SELECT t.code, t.name, t.amount, t.memo, t.fixed FROM t"});
    ASSERT_FALSE(journal().empty());
    EXPECT_EQ(journal().back(), (Received {"retrieveend", {"2"}}));

    ASSERT_EQ(tx.execute_immediate("DROP TABLE t"), 0);
    EXPECT_EQ(dw.get()->retrieve(), -1);
    EXPECT_NE(tx.sql_err_text(), "");
    EXPECT_EQ(dw.get()->row_count(), 2); // a failed retrieve keeps the rows
    desktop.set_observer(nullptr);
    tx.disconnect();
    std::filesystem::remove(db);
}

} // namespace
} // namespace hearth::test
