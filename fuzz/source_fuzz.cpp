// Object source parser: any text either parses or fails with a located message; a parsed
// object writes a syntax that parses again to the same syntax, and an engine accepts it.
#include "host/datawindow/datawindow.h"

#include <cstdlib>
#include <string_view>

using namespace hearth::dw;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto object = ObjectDefinition::parse(text, "fuzz.srd");
    if (!object) {
        if (object.error().rfind("fuzz.srd: line ", 0) != 0)
            std::abort(); // every failure names its place
        return 0;
    }
    std::string syntax = object->syntax();
    auto again = ObjectDefinition::parse(syntax, "syntax.srd");
    if (!again || again->syntax() != syntax)
        std::abort(); // Syntax must round-trip
    Engine engine;
    if (engine.set_object(std::move(*object))) {
        engine.describe("DataWindow.Objects DataWindow.Column.Count DataWindow.Syntax");
        engine.insert_row(0);
        engine.sort();
        engine.filter();
    }
    return 0;
}
