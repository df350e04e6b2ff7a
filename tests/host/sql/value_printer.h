#pragma once
// Readable values in test failure messages.

#include "host/value/calendar.h"
#include "host/value/value.h"

#include <ostream>

namespace hearth {

inline void PrintTo(const Value& value, std::ostream* out)
{
    *out << type_name(value.type());
    if (value.is_null()) {
        *out << " null";
        return;
    }
    switch (value.type()) {
    case Type::String: *out << " \"" << value.as_string() << '"'; break;
    case Type::Integer:
    case Type::Long:
    case Type::ULong: *out << ' ' << value.as_integral(); break;
    case Type::Boolean: *out << (value.as_bool() ? " true" : " false"); break;
    case Type::Real:
    case Type::Double: *out << ' ' << value.as_double(); break;
    case Type::Decimal: *out << ' ' << value.as_decimal().to_string(); break;
    case Type::Date: *out << ' ' << iso_text(value.as_date()); break;
    case Type::Time: *out << ' ' << iso_text(value.as_time()); break;
    case Type::DateTime: *out << ' ' << iso_text(value.as_datetime()); break;
    case Type::Blob: *out << " of " << value.as_blob().size() << " bytes"; break;
    default: break;
    }
}

} // namespace hearth
