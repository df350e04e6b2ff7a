#include "app/printers_command.h"

#include "host/object/runtime.h"
#include "library/printing/n_printer.h"

#include <fmt/format.h>

#include <charconv>
#include <optional>

namespace hearth {

namespace {

std::optional<std::int16_t> small_number(std::string_view text)
{
    std::int16_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return n;
}

int refuse(std::ostream& err, const std::string& reason)
{
    err << "hearth printers: " << reason << '\n';
    return 1;
}

} // namespace

int printers_command(std::span<const std::string_view> args, ClassRegistry& registry, std::ostream& out,
                     std::ostream& err)
{
    if (!registry.find("n_printer"))
        if (auto registered = registry.register_class(&_getVtableInfo_n_printer); !registered)
            return refuse(err, registered.error());
    Runtime runtime(registry);
    ObjectRef object = runtime.create("n_printer");
    auto* service = dynamic_cast<n_printer*>(object.get());
    if (!service)
        return refuse(err, "打印服务无法创建");

    ValueArray list(Type::String);
    const std::int16_t count = service->of_getprinterlist(list);
    if (count < 0)
        return refuse(err, "读不到打印机列表");
    auto exists = [&](std::string_view name) {
        for (long i = 1; i <= count; ++i)
            if (list.at(i).as_string() == name)
                return true;
        return false;
    };

    if (args.empty()) {
        const std::string default_name = service->of_getpbprinter();
        for (long i = 1; i <= count; ++i) {
            const std::string name = list.at(i).as_string();
            out << fmt::format("{}{}\t{}\t{}\t{}\t{}\n", name == default_name ? "*" : "", name,
                               service->of_getdrivername(name), service->of_getportname(name),
                               service->of_getstatus(name), service->of_getattribute(name));
        }
        return out.flush() ? 0 : 1;
    }
    if (args[0] == "--set-default" && args.size() == 2) {
        const std::string name(args[1]);
        if (!exists(name))
            return refuse(err, fmt::format("没有名为“{}”的打印机", name));
        if (service->of_setdefault(name) != 1)
            return refuse(err, fmt::format("打印机“{}”不能设为默认打印机", name));
        return 0;
    }
    if (args[0] == "--paper" && (args.size() == 2 || args.size() == 3 || args.size() == 5)) {
        const std::string name(args[1]);
        if (!exists(name))
            return refuse(err, fmt::format("没有名为“{}”的打印机", name));
        if (args.size() > 2) {
            const std::optional<std::int16_t> code = small_number(args[2]);
            const std::optional<std::int16_t> width = args.size() == 5 ? small_number(args[3]) : std::int16_t(0);
            const std::optional<std::int16_t> length = args.size() == 5 ? small_number(args[4]) : std::int16_t(0);
            if (!code || !width || !length) {
                err << "usage: hearth printers --paper NAME [CODE [WIDTH LENGTH]]\n";
                return 2;
            }
            if (service->of_setpapersize(name, *code, *width, *length) != 1)
                return refuse(err, fmt::format("打印机“{}”不接受纸张 {}", name, *code));
        }
        std::int16_t code = 0, width = 0, length = 0;
        if (service->of_getpapersize(name, code, width, length) != 1)
            return refuse(err, fmt::format("读不到打印机“{}”的纸张", name));
        out << fmt::format("{}\t{}\t{}\n", code, width, length);
        return out.flush() ? 0 : 1;
    }
    err << "usage: hearth printers [--set-default NAME | --paper NAME [CODE [WIDTH LENGTH]]]\n";
    return 2;
}

} // namespace hearth
