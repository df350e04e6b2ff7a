#include "dw_fixture.h"

#include "host/datawindow/row_store.h"

namespace hearth::test {

std::vector<std::string>& status_texts()
{
    static std::vector<std::string> texts;
    return texts;
}

namespace {

ScriptResult wf_setstatus(ScriptCall& call)
{
    const Value& text = call.arg(0);
    status_texts().push_back(text.is_null() ? std::string("<null>") : text.as_string());
    return no_return;
}

const ClassTable& w_main_table()
{
    static const ClassTable table {"w_main",
                                   "window",
                                   nullptr,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"wf_setstatus", SlotKind::Function, std::nullopt, 1}},
                                     {{119, "wf_setstatus", wf_setstatus}}}}};
    return table;
}

dw::ObjectLibrary data_library()
{
    return dw::ObjectLibrary({std::filesystem::path(HEARTH_SOURCE_DIR) / "tests/library/datawindow/data"});
}

} // namespace

void register_main_window(ClassRegistry& registry)
{
    EXPECT_EQ(error_text(registry.register_class(&w_main_table)), "");
}

DwTest::DwTest() : desktop(runtime, data_library())
{
    EXPECT_EQ(error_text(register_ui_classes(registry)), "");
    for (VtableInfoFn entry :
         {&_getVtableInfo_uo_dw, &_getVtableInfo_uo_dwnosort, &_getVtableInfo_uo_dwsort, &_getVtableInfo_uo_dwform})
        EXPECT_EQ(error_text(registry.register_class(entry)), "");
    register_main_window(registry);
    status_texts().clear();
}

DwTest::~DwTest()
{
    for (const ObjectRef& ref : m_made)
        runtime.destroy(ref);
}

void DwTest::load(DataWindowBase& dw, const std::vector<std::string>& rows)
{
    dw::RowLoader loader = EngineAccess::engine(dw).load_rows(dw::ItemStatus::NotModified);
    for (const std::string& row : rows) {
        loader.begin_row();
        std::size_t column = 0;
        std::size_t start = 0;
        while (true) {
            const std::size_t tab = row.find('\t', start);
            const std::string item = row.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
            if (!item.empty()) {
                EXPECT_TRUE(loader.set_text(column, item)) << item;
            }
            ++column;
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
    }
    loader.commit();
}

void DwTest::open_main_window()
{
    ASSERT_EQ(desktop.open(w_main, "w_main"), 1);
    application.globals().w_main = w_main;
}

std::vector<int> DwTest::error_codes() const
{
    std::vector<int> codes;
    for (const ErrorRecord& record : runtime.error_log())
        codes.push_back(static_cast<int>(record.code));
    return codes;
}

} // namespace hearth::test
