// The Excel export read back by independent readers (tests/app/read_workbook.py: xlrd for
// .xls, openpyxl for .xlsx): the rows as the DataWindow shows them, the bands, numbers, dates
// and Chinese text, sheets past 65,536 rows, and failures that leave no file behind.

#include "app/application.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/engine_access.h"
#include "host/ui/register.h"
#include "host/value/utf8.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace hearth;

// Names in screen order differ from the table's; `secret` is hidden; the detail computes a
// field; the rows are grouped by `grp` with a header and a subtotal, then a total and a footer.
constexpr std::string_view people_source = R"src(release 10;
datawindow(units=0 processing=1)
header(height=80)
summary(height=40)
footer(height=30)
detail(height=80)
table(column=(type=char(10) name=code dbname="t.code")
 column=(type=char(20) name=name dbname="t.name")
 column=(type=decimal(2) name=amount dbname="t.amount")
 column=(type=date name=born dbname="t.born")
 column=(type=datetime name=stamp dbname="t.stamp")
 column=(type=char(10) name=secret dbname="t.secret")
 column=(type=char(10) name=grp dbname="t.grp")
 retrieve="SELECT code, name, amount, born, stamp, secret, grp FROM t")
group(level=1 header.height=60 trailer.height=60 by=("grp"))
text(band=header text="编号" x="220" name=code_t)
text(band=header text="姓名" x="10" name=name_t)
text(band=header text="金额" x="530" name=amount_t)
text(band=header text="出生日期" x="700" name=born_t)
text(band=header text="登记时间" x="900" name=stamp_t)
text(band=header text="密码" x="1100" name=secret_t)
text(band=header text="组别" x="1200" name=grp_t)
column(band=detail id=1 x="220" name=code)
column(band=detail id=2 x="10" name=name)
column(band=detail id=3 x="530" name=amount)
column(band=detail id=4 x="700" name=born)
column(band=detail id=5 x="900" name=stamp)
column(band=detail id=6 x="1100" visible="0" name=secret)
column(band=detail id=7 x="1200" name=grp)
compute(band=detail expression="amount * 2" x="1300" name=twice)
compute(band=header.1 expression="'组' + grp" x="10" name=c_group)
compute(band=trailer.1 expression="sum(amount for group 1)" x="540" name=c_subtotal)
text(band=summary text="合计" x="10" name=t_total)
compute(band=summary expression="sum(amount for all)" x="530" name=c_total)
text(band=footer text="完" x="10" name=t_end)
)src";

constexpr std::string_view numbered_source = R"src(release 10;
datawindow(units=0)
detail(height=80)
table(column=(type=long name=n dbname="t.n")
 column=(type=char(32767) name=label dbname="t.label"))
text(band=header text="序号" x="10" name=n_t)
text(band=header text="名称" x="200" name=label_t)
column(band=detail id=1 x="10" name=n)
column(band=detail id=2 x="200" name=label)
)src";

n_excel_parm all_bands(bool prompt = false) { return {true, true, true, true, true, true, true, prompt}; }

class ExcelExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(error_text(register_ui_classes(registry)), "");
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        if (made.is_valid())
            runtime.destroy(made);
        fs::remove_all(folder);
    }

    // A DataWindow control showing `source`, with rows given as tab-separated items.
    DataWindowControl& datawindow(std::string_view source, const std::vector<std::string>& rows)
    {
        made = runtime.create_and_construct("datawindow");
        auto& dw = dynamic_cast<DataWindowControl&>(*made.get());
        auto object = dw::ObjectDefinition::parse(source, "test.srd");
        EXPECT_TRUE(object) << object.error();
        EXPECT_EQ(dw.set_dataobject(std::move(*object)), 1) << dw.load_error();
        dw::RowLoader loader = EngineAccess::engine(dw).load_rows(dw::ItemStatus::NotModified);
        for (const std::string& row : rows) {
            loader.begin_row();
            std::size_t column = 0, start = 0;
            for (std::size_t tab; (tab = row.find('\t', start)) != std::string::npos || start <= row.size();
                 start = tab + 1, ++column) {
                const std::string item = row.substr(start, tab == std::string::npos ? tab : tab - start);
                if (!item.empty()) {
                    EXPECT_TRUE(loader.set_text(column, item)) << item;
                }
                if (tab == std::string::npos)
                    break;
            }
        }
        loader.commit();
        return dw;
    }

    // What the independent reader prints for a workbook.
    static std::string read_back(const fs::path& file, int rows = 0)
    {
        const std::string command = fmt::format("/usr/bin/python3 '{}/tests/app/read_workbook.py' '{}' {} 2>&1",
                                                HEARTH_SOURCE_DIR, file.string(), rows);
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                out.append(buffer, n);
            ::pclose(pipe);
        }
        return out;
    }

    fs::path folder = fs::temp_directory_path() / ("hearth_excel_" + std::to_string(::getpid()));
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime};
    HearthApplication app;
    CurrentApplication current {app};
    ObjectRef made;
};

TEST_F(ExcelExportTest, ReadersSeeTheRowsAndBandsAsTheDataWindowShowsThem)
{
    DataWindowControl& dw = datawindow(people_source,
                                       {
                                           "A01\t张三\t1234.5\t1980-05-17\t2024-03-01 08:30:00\ts1\t东区",
                                           "A02\t李四\t-20\t1890-02-03\t\ts2\t西区",
                                           "A03\t王五\t0\t1990-01-01\t\ts3\t东区",
                                           "A04\t赵六\t300.25\t1975-12-31\t2023-01-02 18:00:00\ts4\t东区",
                                       });
    ASSERT_EQ(dw.set_filter("amount <> 0"), 1);
    ASSERT_EQ(dw.filter(), 1);
    ASSERT_EQ(dw.set_sort("grp A, code D"), 1);
    ASSERT_EQ(dw.sort(), 1);
    // A date before 1 March 1900 stays text: Excel's calendar counts a day too many there.
    const std::string every_band = "sheet Sheet1 10\n"
                                   "姓名|编号|金额|出生日期|登记时间|组别|twice\n"
                                   "组东区\n"
                                   "赵六|A04|300.25|1975-12-31|2023-01-02 18:00:00|东区|600.5\n"
                                   "张三|A01|1234.5|1980-05-17|2024-03-01 08:30:00|东区|2469\n"
                                   "||1534.75\n"
                                   "组西区\n"
                                   "李四|A02|-20|1890-02-03||西区|-40\n"
                                   "||-20\n"
                                   "合计||1514.75\n"
                                   "完\n";
    const std::string detail_only = "sheet Sheet1 3\n"
                                    "赵六|A04|300.25|1975-12-31|2023-01-02 18:00:00|东区|600.5\n"
                                    "张三|A01|1234.5|1980-05-17|2024-03-01 08:30:00|东区|2469\n"
                                    "李四|A02|-20|1890-02-03||西区|-40\n";
    struct Case {
        std::string name;
        n_excel_parm parm;
        std::string expected;
    };
    const Case cases[] = {
        {"report.xls", all_bands(true), every_band},
        {"REPORT.XLSX", all_bands(true), every_band},
        {"detail.xls", {true, false, false, false, false, false, false, false}, detail_only},
        {"detail.xlsx", {true, false, false, false, false, false, false, false}, detail_only},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t boxes = desktop.message_boxes().size();
        if (c.parm.ib_prompt_openfile)
            desktop.answer_message_box(2); // No: the file is not opened
        n_excel_parm parm = c.parm;
        EXPECT_EQ(app.gf_dw_to_excel_parm(dw, (folder / c.name).string(), parm), 1);
        EXPECT_EQ(read_back(folder / c.name), c.expected);
        if (c.parm.ib_prompt_openfile) {
            ASSERT_EQ(desktop.message_boxes().size(), boxes + 1);
            const MessageBoxRecord& box = desktop.message_boxes().back();
            EXPECT_EQ(box.title, "提示信息");
            EXPECT_EQ(box.text, "数据已导出到“" + (folder / c.name).string() + "”，现在打开这个文件吗？");
            EXPECT_EQ(box.icon, Icon::Question);
            EXPECT_EQ(box.buttons, Buttons::YesNo);
            EXPECT_EQ(box.default_button, 2);
            EXPECT_EQ(box.answer, 2);
        } else {
            EXPECT_EQ(desktop.message_boxes().size(), boxes);
        }
    }
}

TEST_F(ExcelExportTest, RowsPastASheetGoOnInTheNextWithTheHeaderAndLongTextsSurvive)
{
    // 65,540 rows: the first sheet takes the header and 65,535 rows, the second the header and
    // the rest. Every 256th text is 16,000 characters long, so the shared strings run through
    // many CONTINUE records and the file grows past the 109 FAT sectors the header can list.
    constexpr long total = 65'540;
    std::string long_text;
    for (int i = 0; i < 16'000; ++i)
        long_text += "长";
    std::vector<std::string> rows;
    long characters = 2 * 2 * 2; // the titles, twice
    for (long n = 1; n <= total; ++n) {
        const std::string label = n % 256 == 100 ? long_text + std::to_string(n) : fmt::format("第{}行", n);
        characters += utf8::length(label);
        rows.push_back(fmt::format("{}\t{}", n, label));
    }
    DataWindowControl& dw = datawindow(numbered_source, rows);
    n_excel_parm parm = all_bands();
    const fs::path file = folder / "long.xls";
    ASSERT_EQ(app.gf_dw_to_excel_parm(dw, file.string(), parm), 1);
    EXPECT_GT(fs::file_size(file), std::uintmax_t(109) * 128 * 512);
    EXPECT_EQ(read_back(file, 2),
              fmt::format("sheet Sheet1 65536\n序号|名称\n1|第1行\n"
                          "sheet Sheet2 6\n序号|名称\n65536|第65536行\ncharacters {}\n",
                          characters));
    const std::vector<std::string>& status = desktop.status_texts();
    ASSERT_EQ(status.size(), std::size_t(total / 5000 + 1));
    EXPECT_EQ(status.front(), "正在导出第5000行…");
    EXPECT_EQ(status.back(), "导出完成，共65540行");
}

TEST_F(ExcelExportTest, AFailedExportLeavesNoFileAndTheOldOneAsItWas)
{
    // A text longer than a cell holds fails the export after the writer has begun.
    DataWindowControl& dw = datawindow(numbered_source, {"1\tshort", "2\t" + std::string(40'000, 'x')});
    struct Case {
        fs::path file;
        std::string reason; // the start of the message after "导出Excel文件失败："
    };
    const Case cases[] = {
        {folder / "missing" / "a.xls", (folder / "missing" / "a.xls").string() + ": cannot create a file in"},
        {folder / "missing" / "a.xlsx", (folder / "missing" / "a.xlsx").string() + ": cannot create a file in"},
        {folder / "old.xls", "第3行第2列的文字有40000个字符，超过了Excel单元格的上限32767"},
        {folder / "old.xlsx", "第3行第2列的文字有40000个字符，超过了Excel单元格的上限32767"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        if (fs::exists(c.file.parent_path()))
            std::ofstream(c.file) << "old";
        n_excel_parm parm = all_bands();
        EXPECT_EQ(app.gf_dw_to_excel_parm(dw, c.file.string(), parm), -1);
        ASSERT_FALSE(desktop.message_boxes().empty());
        EXPECT_EQ(desktop.message_boxes().back().title, "错误");
        EXPECT_TRUE(desktop.message_boxes().back().text.starts_with("导出Excel文件失败：" + c.reason))
            << desktop.message_boxes().back().text;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                left.push_back(entry.path().filename().string());
        if (fs::exists(c.file.parent_path())) {
            EXPECT_EQ(left, std::vector<std::string> {c.file.filename().string()});
            std::ifstream in(c.file);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
            fs::remove(c.file);
        } else {
            EXPECT_TRUE(left.empty());
        }
    }
}

} // namespace
