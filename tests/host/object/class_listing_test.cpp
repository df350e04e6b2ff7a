#include "fixture.h"

#include "host/object/class_listing.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using ClassListingTest = ObjectModelTest;

TEST_F(ClassListingTest, ListsTheClassesThenTheirScriptsInRegistrationOrder)
{
    const std::string expected = "class t_dw ancestor datawindow controls -\n"
                                 "class t_dwnosort ancestor t_dw controls -\n"
                                 "class t_dwsort ancestor t_dwnosort controls -\n"
                                 "class t_page ancestor userobject controls dw_1\n"
                                 "class t_grid ancestor t_page controls -\n"
                                 "class t_button ancestor picture controls -\n"
                                 "class t_unit ancestor userobject controls st_1,ln_v1,ln_h1\n"
                                 "class t_panel ancestor userobject controls uo_1\n"
                                 "class t_main ancestor t_panel controls uo_2,uo_3\n"
                                 "class t_nvo ancestor nonvisualobject controls -\n"
                                 "class t_nvo_child ancestor t_nvo controls -\n"
                                 "t_dw 32770 50 losefocus\n"
                                 "t_dw 32770 0 create\n"
                                 "t_dw 32770 1 destroy\n"
                                 "t_dw 32770 47 itemchanged\n"
                                 "t_dw 32770 36 clicked\n"
                                 "t_dw 32770 436 ue_first\n"
                                 "t_dw 32770 437 uf_base\n"
                                 "t_dwnosort 32770 0 create\n"
                                 "t_dwnosort 32770 1 destroy\n"
                                 "t_dwnosort 32770 60 rowfocuschanged\n"
                                 "t_dwsort 32770 0 create\n"
                                 "t_dwsort 32770 1 destroy\n"
                                 "t_dwsort 32770 40 doubleclicked\n"
                                 "t_dwsort 32770 36 clicked\n"
                                 "t_dwsort 32770 437 uf_base\n"
                                 "t_page 32770 49 ue_saveas\n"
                                 "t_page 32770 22 resize\n"
                                 "t_page 32770 50 wf_setsort\n"
                                 "t_page 32770 34 constructor\n"
                                 "t_page 32770 0 create\n"
                                 "t_page 32770 1 destroy\n"
                                 "t_page 32786 438 ue_retrieve\n"
                                 "t_page 32786 439 ue_rowcountchanged\n"
                                 "t_page 32786 37 constructor\n"
                                 "t_page 32786 36 clicked\n"
                                 "t_grid 32770 51 wf_settabstatus\n"
                                 "t_grid 32770 0 create\n"
                                 "t_grid 32770 1 destroy\n"
                                 "t_grid 32770 34 constructor\n"
                                 "t_grid 32776 440 ue_firstretrieve\n"
                                 "t_grid 32776 439 ue_rowcountchanged\n"
                                 "t_grid 32776 37 constructor\n"
                                 "t_button 32770 48 ue_lbuttondown\n"
                                 "t_button 32770 49 ue_lbuttonup\n"
                                 "t_button 32770 51 uf_setenabled\n"
                                 "t_button 32770 0 create\n"
                                 "t_button 32770 1 destroy\n"
                                 "t_button 32770 35 constructor\n"
                                 "t_unit 32770 22 resize\n"
                                 "t_unit 32770 0 create\n"
                                 "t_unit 32770 1 destroy\n"
                                 "t_unit 32770 34 constructor\n"
                                 "t_panel 32770 22 resize\n"
                                 "t_panel 32770 49 uf_settext\n"
                                 "t_panel 32770 0 create\n"
                                 "t_panel 32770 1 destroy\n"
                                 "t_panel 32770 34 constructor\n"
                                 "t_panel 32786 1 destroy\n"
                                 "t_main 32770 0 create\n"
                                 "t_main 32770 1 destroy\n"
                                 "t_main 32770 34 constructor\n"
                                 "t_main 32784 1 destroy\n"
                                 "t_main 32785 1 destroy\n"
                                 "t_nvo 32770 21 uf_call_null\n"
                                 "t_nvo 32770 22 uf_inner\n"
                                 "t_nvo 32770 23 uf_outer\n"
                                 "t_nvo 32770 24 ue_guarded\n"
                                 "t_nvo 32770 25 uf_divide\n"
                                 "t_nvo 32770 26 uf_host_throws\n"
                                 "t_nvo 32770 27 ue_plain\n"
                                 "t_nvo 32770 28 uf_bare\n"
                                 "t_nvo 32770 29 ue_host_fail\n"
                                 "t_nvo 32770 30 uf_parent\n"
                                 "t_nvo 32770 31 uf_index\n"
                                 "t_nvo 32770 32 uf_two_refs\n"
                                 "t_nvo 32770 33 uf_typed\n"
                                 "t_nvo 32770 34 uf_object\n"
                                 "t_nvo 32770 0 create\n"
                                 "t_nvo 32770 1 destroy\n"
                                 "t_nvo_child 32770 24 ue_guarded\n"
                                 "t_nvo_child 32770 29 ue_host_fail\n"
                                 "t_nvo_child 32770 0 create\n"
                                 "t_nvo_child 32770 1 destroy\n";
    EXPECT_EQ(list_classes(registry), expected);
}

TEST(ClassListing, EmptyRegistryListsNothing)
{
    ClassRegistry registry;
    EXPECT_EQ(list_classes(registry), "");
}

} // namespace
