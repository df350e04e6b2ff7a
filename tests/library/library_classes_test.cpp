// The library's class list as the host registers it.

#include "library/library_classes.h"

#include "host/object/class_listing.h"
#include "host/object/class_registry.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace hearth;

namespace {

// Every class the library registers lists its ancestor before it, and registering twice is
// refused rather than doubling the list.
TEST(LibraryClasses, RegisterInDependencyOrderOnce)
{
    ClassRegistry registry;
    ASSERT_EQ(error_text(register_library_classes(registry)), "");
    for (const ClassInfo* cls : registry.library_classes()) {
        ASSERT_NE(cls->ancestor(), nullptr) << cls->name();
        EXPECT_FALSE(cls->ancestor()->origin() == ClassOrigin::Nested) << cls->name();
    }
    const std::string listed = list_classes(registry);
    if (registry.library_classes().empty()) {
        EXPECT_EQ(listed, "");
    } else {
        EXPECT_NE(error_text(register_library_classes(registry)), "");
        EXPECT_EQ(list_classes(registry), listed);
    }
}

std::vector<std::string> lines_starting(const std::string& listing, const std::string& prefix)
{
    std::vector<std::string> found;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line);
    return found;
}

// n_printer's rows: its declared external functions in slots 21 to 51 (copymem declared nine
// times), its functions in 52 to 66, then create and destroy.
std::vector<std::string> n_printer_rows()
{
    const char* names[] = {"enumprinters",
                           "copymem",
                           "copymem",
                           "copymem",
                           "openprinter",
                           "openprinter",
                           "closeprinter",
                           "getprinter",
                           "setprinter",
                           "printerproperties",
                           "copymem",
                           "copymem",
                           "copymem",
                           "copymem",
                           "documentproperties",
                           "documentproperties",
                           "documentproperties",
                           "devicecapabilities",
                           "devicecapabilities",
                           "createdc",
                           "deletedc",
                           "escape",
                           "globalalloc",
                           "globalfree",
                           "globallock",
                           "globalunlock",
                           "globalsize",
                           "printdlg",
                           "copymem",
                           "copymem",
                           "pagesetupdlg",
                           "of_setpapersize",
                           "of_direct",
                           "of_getattribute",
                           "of_getdrivername",
                           "of_getpapersize",
                           "of_getpbprinter",
                           "of_getportname",
                           "of_getprinterlist",
                           "of_getstatus",
                           "of_getstringfromblob",
                           "of_modifyprinter",
                           "of_pagesetup",
                           "of_printer",
                           "of_printsetup",
                           "of_setdefault"};
    std::vector<std::string> rows;
    int slot = 21;
    for (const char* name : names)
        rows.push_back("n_printer 32770 " + std::to_string(slot++) + " " + name);
    rows.push_back("n_printer 32770 0 create");
    rows.push_back("n_printer 32770 1 destroy");
    return rows;
}

// Each class built so far registers exactly its rows of the class tables: ancestor, nested
// controls, and its scripts group by group in registration order.
TEST(RegisteredRows, EveryBuiltClassListsExactlyItsRows)
{
    struct Case {
        std::string class_line;
        std::vector<std::string> scripts;
    };
    const Case cases[] = {
        {"class uo_dw ancestor datawindow controls -",
         {"uo_dw 32770 50 losefocus", "uo_dw 32770 0 create", "uo_dw 32770 1 destroy", "uo_dw 32770 47 itemchanged",
          "uo_dw 32770 36 clicked"}},
        {"class uo_dwnosort ancestor uo_dw controls -",
         {"uo_dwnosort 32770 0 create", "uo_dwnosort 32770 1 destroy", "uo_dwnosort 32770 60 rowfocuschanged"}},
        {"class uo_dwsort ancestor uo_dwnosort controls -",
         {"uo_dwsort 32770 0 create", "uo_dwsort 32770 1 destroy", "uo_dwsort 32770 40 doubleclicked"}},
        {"class uo_dwform ancestor uo_dw controls -",
         {"uo_dwform 32770 436 ue_dwnkey", "uo_dwform 32770 0 create", "uo_dwform 32770 1 destroy"}},
        {"class uo_toolbar ancestor datawindow controls -",
         {"uo_toolbar 32770 436 ue_dwnmousemove", "uo_toolbar 32770 437 ue_dwnlbuttonup",
          "uo_toolbar 32770 438 ue_mousemove", "uo_toolbar 32770 439 uf_setenabled", "uo_toolbar 32770 440 uf_setstate",
          "uo_toolbar 32770 441 uf_delphoto", "uo_toolbar 32770 442 uf_expand", "uo_toolbar 32770 443 uf_delbefore",
          "uo_toolbar 32770 444 uf_delafter", "uo_toolbar 32770 445 uf_confirmmessage",
          "uo_toolbar 32770 446 uf_updateother", "uo_toolbar 32770 447 wf_savehisinfo",
          "uo_toolbar 32770 448 wf_copycolumn", "uo_toolbar 32770 449 wf_copyrelation",
          "uo_toolbar 32770 450 wf_savepersoninfo", "uo_toolbar 32770 0 create", "uo_toolbar 32770 1 destroy",
          "uo_toolbar 32770 36 clicked", "uo_toolbar 32770 37 constructor"}},
        {"class uo_button ancestor picture controls -",
         {"uo_button 32770 48 ue_lbuttondown", "uo_button 32770 49 ue_lbuttonup", "uo_button 32770 51 uf_setenabled",
          "uo_button 32770 0 create", "uo_button 32770 1 destroy", "uo_button 32770 35 constructor"}},
        {"class uo_statictext ancestor statictext controls -",
         {"uo_statictext 32770 0 create", "uo_statictext 32770 1 destroy", "uo_statictext 32770 35 constructor"}},
        {"class uo_statusbar_unit ancestor userobject controls st_1,ln_v2,ln_v1,ln_h2,ln_h1",
         {"uo_statusbar_unit 32770 22 resize", "uo_statusbar_unit 32770 0 create", "uo_statusbar_unit 32770 1 destroy",
          "uo_statusbar_unit 32770 34 constructor"}},
        {"class uo_statusbar_panel ancestor userobject controls uo_1",
         {"uo_statusbar_panel 32770 22 resize", "uo_statusbar_panel 32770 49 uf_settext",
          "uo_statusbar_panel 32770 0 create", "uo_statusbar_panel 32770 1 destroy",
          "uo_statusbar_panel 32770 34 constructor", "uo_statusbar_panel 32786 1 destroy"}},
        {"class uo_statusbar_main ancestor uo_statusbar_panel controls uo_2,uo_3,uo_4,uo_5",
         {"uo_statusbar_main 32770 0 create", "uo_statusbar_main 32770 1 destroy",
          "uo_statusbar_main 32770 34 constructor", "uo_statusbar_main 32784 1 destroy",
          "uo_statusbar_main 32785 1 destroy", "uo_statusbar_main 32786 1 destroy",
          "uo_statusbar_main 32787 1 destroy"}},
        {"class uo_tab ancestor tab controls -", {"uo_tab 32770 34 constructor", "uo_tab 32770 36 clicked"}},
        {"class uo_tabpg_tab ancestor userobject controls tab_1",
         {"uo_tabpg_tab 32770 22 resize", "uo_tabpg_tab 32770 49 wf_refreshtab", "uo_tabpg_tab 32770 0 create",
          "uo_tabpg_tab 32770 1 destroy", "uo_tabpg_tab 32770 34 constructor",
          "uo_tabpg_tab 32786 47 selectionchanged"}},
        {"class uo_tabpg_datawindow ancestor userobject controls dw_1",
         {"uo_tabpg_datawindow 32770 49 ue_saveas", "uo_tabpg_datawindow 32770 50 ue_refreshtab",
          "uo_tabpg_datawindow 32770 51 ue_keydown", "uo_tabpg_datawindow 32770 22 resize",
          "uo_tabpg_datawindow 32770 52 wf_setsort", "uo_tabpg_datawindow 32770 34 constructor",
          "uo_tabpg_datawindow 32770 0 create", "uo_tabpg_datawindow 32770 1 destroy",
          "uo_tabpg_datawindow 32786 436 ue_retrieve", "uo_tabpg_datawindow 32786 437 ue_enter",
          "uo_tabpg_datawindow 32786 438 ue_rowcountchanged", "uo_tabpg_datawindow 32786 439 ue_setautocolumn",
          "uo_tabpg_datawindow 32786 440 ue_dwnkey", "uo_tabpg_datawindow 32786 37 constructor",
          "uo_tabpg_datawindow 32786 40 doubleclicked", "uo_tabpg_datawindow 32786 55 rbuttondown"}},
        {"class uo_tabpg_grid ancestor uo_tabpg_datawindow controls -",
         {"uo_tabpg_grid 32770 53 wf_settabstatus", "uo_tabpg_grid 32770 54 wf_getobjects",
          "uo_tabpg_grid 32770 0 create", "uo_tabpg_grid 32770 1 destroy", "uo_tabpg_grid 32770 34 constructor",
          "uo_tabpg_grid 32776 441 ue_firstretrieve", "uo_tabpg_grid 32776 60 rowfocuschanged",
          "uo_tabpg_grid 32776 438 ue_rowcountchanged", "uo_tabpg_grid 32776 37 constructor"}},
        {"class uo_tabpg_form ancestor uo_tabpg_datawindow controls -",
         {"uo_tabpg_form 32770 0 create", "uo_tabpg_form 32770 1 destroy", "uo_tabpg_form 32770 34 constructor",
          "uo_tabpg_form 32776 438 ue_rowcountchanged", "uo_tabpg_form 32776 57 retrieveend"}},
        {"class n_printer ancestor nonvisualobject controls -", n_printer_rows()},
        {"class w_response ancestor window controls -",
         {"w_response 32770 119 ue_move", "w_response 32770 0 create", "w_response 32770 1 destroy",
          "w_response 32770 38 open"}},
    };

    ClassRegistry registry;
    ASSERT_EQ(error_text(register_library_classes(registry)), "");
    const std::string listing = list_classes(registry);
    for (const Case& c : cases) {
        const std::string name = c.class_line.substr(6, c.class_line.find(' ', 6) - 6);
        EXPECT_EQ(lines_starting(listing, "class " + name + " "), std::vector<std::string> {c.class_line}) << name;
        EXPECT_EQ(lines_starting(listing, name + " "), c.scripts) << name;
    }
    EXPECT_EQ(registry.library_classes().size(), std::size(cases));
}

// The user events the host raises for its messages, each mapped to its event id with the
// arguments that message passes.
TEST(LibraryClasses, UserEventsAreMappedToTheHostsEventIds)
{
    struct Case {
        std::string_view class_name;
        int slot;
        std::string_view event_id;
        std::size_t args;
    };
    const Case cases[] = {
        {"uo_dwform", 436, "pbm_dwnkey", 2},        {"uo_toolbar", 436, "pbm_dwnmousemove", 4},
        {"uo_toolbar", 437, "pbm_dwnlbuttonup", 4}, {"uo_toolbar", 438, "pbm_mousemove", 3},
        {"uo_button", 48, "pbm_lbuttondown", 3},    {"uo_button", 49, "pbm_lbuttonup", 3},
        {"uo_button", 50, "pbm_keydown", 2},        {"w_response", 119, "pbm_move", 2},
    };
    ClassRegistry registry;
    ASSERT_EQ(error_text(register_library_classes(registry)), "");
    for (const Case& c : cases) {
        const ClassInfo* cls = registry.find(c.class_name);
        ASSERT_NE(cls, nullptr) << c.class_name;
        const SlotInfo* slot = cls->slot_mapped_to(c.event_id);
        ASSERT_NE(slot, nullptr) << c.class_name << " " << c.event_id;
        EXPECT_EQ(slot->slot, c.slot) << c.class_name << " " << c.event_id;
        EXPECT_EQ(slot->args, c.args) << c.class_name << " " << c.event_id;
    }
}

} // namespace
