#pragma once
// w_print_preview: shows a DataWindow as it will print, with the number of pages it takes.
// Printing itself waits for the printer service: the print button stays disabled. Opened with
// OpenWithParm on the DataWindow control.

#include "host/object/class_registry.h"
#include "host/ui/datawindow_control.h"
#include "library/printing/w_response.h"

namespace hearth {

class w_print_preview : public w_response {
public:
    w_print_preview();

    ObjectRef st_pages;
    ObjectRef cb_print;
    ObjectRef cb_close;

    ScriptResult open(ScriptCall& call);
    ScriptResult cb_close_clicked(ScriptCall& call);
};

// How many pages `dw` prints on: its rows between the header and the footer of each page and
// its summary after the last row, on the paper its print settings name (A4 upright unless
// they say otherwise) within its margins. At least 1.
long preview_page_count(DataWindowBase& dw);

// Registration entry of w_print_preview.
const ClassTable& _getVtableInfo_w_print_preview();

} // namespace hearth
