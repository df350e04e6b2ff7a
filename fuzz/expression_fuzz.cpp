// Expressions: any text compiles or fails with a message; a compiled expression evaluates
// at every row, as a filter, as a find and as a sort key without crashing.
#include "fuzz_object.h"

#include "host/value/runtime_error.h"

#include <new>
#include <string_view>

using namespace hearth::dw;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Engine engine;
    fuzz::load(engine);
    auto compiled = Expression::compile(text, engine.object());
    if (!compiled) {
        if (compiled.error().rfind("Expression is not valid: ", 0) != 0)
            std::abort();
        return 0;
    }
    try {
        for (long row = 1; row <= engine.row_count(); ++row) {
            compiled->evaluate(engine.row_context(Buffer::Primary, row));
            compiled->test(engine.row_context(Buffer::Primary, row));
        }
    } catch (const hearth::RuntimeError&) { // a string past the runtime's limit, as the engine's callers see it
    } catch (const std::bad_alloc&) {
    }
    engine.find(text, 1, 3);
    engine.find(text, 3, 1);
    if (engine.set_sort(std::string(text) + " D") == 1)
        engine.sort();
    if (engine.set_filter(text) == 1)
        engine.filter();
    return 0;
}
