#include "library/frame/struc_scope.h"

#include "host/object/runtime.h"

namespace hearth {

const ClassTable& _getVtableInfo_struc_scope()
{
    static const ClassTable table {
        "struc_scope",
        "nonvisualobject",
        make_object<struc_scope>,
        {},
        {{own_group, "", {}, {{0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    return table;
}

} // namespace hearth
