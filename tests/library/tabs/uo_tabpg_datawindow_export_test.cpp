// The query page's export: the file dialog per user, the format by extension, the question
// before a large workbook, and success reported only for a result of 1.

#include "host/value/files.h"
#include "tabs_fixture.h"

namespace hearth::test {
namespace {

const std::string admin_filter = "EXCEL表格文件(*.XLS),*.xls,HTM网页文件(*.HTM),*.htm,dBASE3文件(*.DBF),*.dbf"
                                 ",SQL数据文件(*.SQL),*.sql,TXT文本文件(*.TXT),*.txt";
const std::string user_filter = "EXCEL表格文件(*.XLS),*.xls,HTM网页文件(*.HTM),*.htm,TXT文本文件(*.TXT),*.txt";

// Records the files the desktop is told of, besides the fixture's SELECTs.
class FileLog : public SelectLog {
public:
    void file_written(const std::string& path) override { files.push_back(path); }
    std::vector<std::string> files;
};

class ExportTest : public TabsTest {
protected:
    ExportTest() : list(page("uo_tabpg_datawindow", "d_rpr")), start(std::filesystem::current_path())
    {
        desktop.set_observer(&files);
        EXPECT_EQ(dw(list).retrieve(), 3);
        globals.gs_apppath = folder.string();
    }
    ~ExportTest() override
    {
        std::error_code ignored;
        std::filesystem::current_path(start, ignored);
    }

    // Runs ue_saveas with the user choosing `name` in the test folder ("" cancels); the titles
    // of the message boxes it showed, in order.
    std::string save_as(std::string_view name)
    {
        desktop.answer_file_dialog(name.empty() ? FileAnswer::cancel()
                                                : FileAnswer::chosen((folder / std::string(name)).string()));
        const std::size_t boxes = desktop.message_boxes().size();
        std::filesystem::current_path("/");
        run(list.ref(), "ue_saveas");
        // The application's directory is back, whatever the dialog did.
        EXPECT_EQ(std::filesystem::current_path(), folder);
        std::string titles;
        for (std::size_t i = boxes; i < desktop.message_boxes().size(); ++i)
            titles += (titles.empty() ? "" : " ") + desktop.message_boxes()[i].title;
        return titles;
    }

    uo_tabpg_datawindow& list;
    FileLog files;
    const std::filesystem::path start;
};

TEST_F(ExportTest, TheExtensionDecidesTheFormat)
{
    struct Case {
        std::string_view userno;
        std::string_view name;
        std::string_view box;
        bool written;
    };
    const Case cases[] = {
        {"velmora_admin", "a.txt", "成功信息", true},
        {"velmora_admin", "a.htm", "成功信息", true},
        {"velmora_admin", "a.dbf", "成功信息", true},
        {"velmora_admin", "a.sql", "成功信息", true},
        // The filter only guides the dialog: an ordinary user's «.SQL» is written too.
        {"user01", "b.SQL", "成功信息", true},
        {"velmora_admin", "missing/a.txt", "警告信息", false}, // SaveAs fails: -1
        {"user01", "b.doc", "警告信息", false},
        {"user01", "b.csv", "警告信息", false},
        {"user01", "", "", false}, // cancelled: nothing, silently
    };
    for (const Case& c : cases) {
        globals.gs_userno = std::string(c.userno);
        const std::size_t written = files.files.size();
        EXPECT_EQ(save_as(c.name), c.box) << c.name;
        const FileDialogRecord& dialog = desktop.file_dialogs().back();
        EXPECT_EQ(dialog.title, "请输入要保存的文件");
        EXPECT_EQ(dialog.extension, "XLS");
        EXPECT_EQ(dialog.filter, c.userno == "velmora_admin" ? admin_filter : user_filter);
        const std::filesystem::path path = folder / std::string(c.name);
        EXPECT_EQ(!c.name.empty() && std::filesystem::exists(path), c.written) << c.name;
        EXPECT_EQ(files.files.size(), written + (c.written ? 1 : 0)) << c.name;
        if (c.written) {
            EXPECT_EQ(files.files.back(), path.string());
        }
    }
    // Headings where the format has them: HTML yes, text no.
    EXPECT_EQ(read_text_file(folder / "a.txt")->find("rprno"), std::string::npos);
    EXPECT_NE(read_text_file(folder / "a.htm")->find("rprno"), std::string::npos);
    EXPECT_TRUE(application.calls().empty());
}

TEST_F(ExportTest, WorkbooksAskBeyond800RowsAndSucceedOnlyWithOne)
{
    struct Case {
        long rows;
        int answer; // to the question, 0 when none is expected
        std::int32_t result;
        std::string_view boxes;
    };
    const Case cases[] = {
        {800, 0, 1, "成功信息"},
        {801, 1, 1, "提示信息 成功信息"},
        {801, 2, 1, "提示信息"}, // No: nothing exported, nothing more said
        // Anything but 1 is a failure, never "数据导出成功！".
        {3, 0, 0, "警告信息"},
        {3, 0, -1, "警告信息"},
    };
    globals.gs_userno = "velmora_admin";
    for (const Case& c : cases) {
        while (dw(list).row_count() < c.rows)
            dw(list).insert_row(0);
        while (dw(list).row_count() > c.rows)
            dw(list).delete_row(dw(list).row_count());
        application.calls().clear();
        application.excel_result = c.result;
        if (c.answer)
            desktop.answer_message_box(c.answer);
        const std::size_t boxes = desktop.message_boxes().size();

        EXPECT_EQ(save_as("REPORT.XLS"), c.boxes) << c.rows << " rows, result " << c.result;
        if (c.answer) {
            const MessageBoxRecord& question = desktop.message_boxes()[boxes];
            EXPECT_EQ(question.text, "数据较多，您确认要导出数据到Excel文件中吗？");
            EXPECT_EQ(question.icon, Icon::Question);
            EXPECT_EQ(question.buttons, Buttons::YesNo);
        }
        if (c.result != 1) {
            EXPECT_EQ(desktop.message_boxes().back().text, "数据导出失败！");
        }
        const bool exported = c.answer != 2;
        EXPECT_EQ(application.calls(),
                  exported ? std::vector<std::string> {"gf_dw_to_excel_parm d_rpr " + (folder / "REPORT.XLS").string()}
                           : std::vector<std::string> {});
    }
    const n_excel_parm& parm = application.excel_parm;
    EXPECT_TRUE(parm.ib_detail && parm.ib_footer && parm.ib_group_header && parm.ib_group_trailer && parm.ib_header
                && parm.ib_show_progress && parm.ib_summary);
    EXPECT_FALSE(parm.ib_prompt_openfile);
    // A busy pointer while the workbook is written, the arrow after.
    EXPECT_EQ(desktop.pointer_history().back(), Pointer::Arrow);
    EXPECT_EQ(desktop.pointer_history()[desktop.pointer_history().size() - 2], Pointer::HourGlass);

    // ".xlsx" ends in "LSX", yet it names a workbook as well.
    application.calls().clear();
    application.excel_result = 1;
    EXPECT_EQ(save_as("report.Xlsx"), "成功信息");
    EXPECT_EQ(application.calls(),
              std::vector<std::string> {"gf_dw_to_excel_parm d_rpr " + (folder / "report.Xlsx").string()});
}

} // namespace
} // namespace hearth::test
