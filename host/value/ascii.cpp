#include "host/value/ascii.h"

namespace hearth::ascii {

void lower_in_place(std::string& text)
{
    for (char& c : text)
        c = lower(c);
}

std::string to_lower(std::string_view text)
{
    std::string out(text);
    lower_in_place(out);
    return out;
}

std::string to_upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upper(c);
    return out;
}

} // namespace hearth::ascii
