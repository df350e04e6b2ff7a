// Describe and Modify: any command text is answered, never crashes; a failing Modify leaves
// the object exactly as it was.
#include "fuzz_object.h"

#include <string_view>

using namespace hearth::dw;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    Engine engine;
    fuzz::load(engine);
    if (data[0] & 1) {
        std::string before = engine.object().syntax();
        std::string error = engine.modify(text);
        if (!error.empty() && engine.object().syntax() != before)
            std::abort();
        // The object must stay usable after any successful Modify.
        engine.describe("DataWindow.Syntax DataWindow.Objects c_double.expression");
        engine.sort();
        engine.filter();
        engine.get_item(1, "c_label");
    } else {
        engine.describe(text);
    }
    return 0;
}
