#pragma once
// The global `message` object: parameters between windows and events, and the default result
// of an event script that ends without RETURN.

#include "host/object/object.h"

#include <cstdint>
#include <string>

namespace hearth {

class Message : public Object {
public:
    std::string string_parm;
    double double_parm = 0;
    ObjectRef power_object_parm;
    std::int32_t return_value = 0;
    std::uint32_t word_parm = 0;
    std::int32_t long_parm = 0;
};

} // namespace hearth
