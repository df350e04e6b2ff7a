#pragma once
// uo_dwsort: a uo_dwnosort list that sorts on a double-click on a column header, ascending
// first, then toggling between ascending and descending. A header text object is named
// after its column plus a two-character suffix ("name_t" for column "name").

#include "library/datawindow/uo_dwnosort.h"

namespace hearth {

class uo_dwsort : public uo_dwnosort {
public:
    // doubleclicked(xpos, ypos, row, dwo): sorts by the header's column; a failing
    // SetSort or Sort raises 25015.
    ScriptResult doubleclicked(ScriptCall& call);
};

// Registration entry: 0 create, 1 destroy, 40 doubleclicked.
const ClassTable& _getVtableInfo_uo_dwsort();

} // namespace hearth
