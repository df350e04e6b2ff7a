// CUPS attributes in Win32 terms: media names to DMPAPER codes, printer states and reasons to
// status bits, sharing to attribute bits, orientation-requested to DMORIENT. Media are
// matched by name, never by size: a PPD's point sizes miss the metric sizes by a few units.

#include "host/value/ascii.h"
#include "host/win32/spooler.h"

#include <algorithm>
#include <cstdlib>

namespace hearth::win32 {

namespace {

struct Media {
    std::int16_t code;
    std::string_view pwg;
    std::string_view ppd; // the PPD PageSize keyword of the same paper
};

constexpr Media media[] = {
    {1, "na_letter_8.5x11in", "Letter"},
    {3, "na_ledger_11x17in", "Tabloid"},
    {5, "na_legal_8.5x14in", "Legal"},
    {6, "na_invoice_5.5x8.5in", "Statement"},
    {7, "na_executive_7.25x10.5in", "Executive"},
    {8, "iso_a3_297x420mm", "A3"},
    {9, "iso_a4_210x297mm", "A4"},
    {11, "iso_a5_148x210mm", "A5"},
    {12, "jis_b4_257x364mm", "B4"},
    {13, "jis_b5_182x257mm", "B5"},
    {14, "na_foolscap_8.5x13in", "Folio"},
    {20, "na_number-10_4.125x9.5in", "Env10"},
    {27, "iso_dl_110x220mm", "EnvDL"},
    {28, "iso_c5_162x229mm", "EnvC5"},
    {30, "iso_c4_229x324mm", "EnvC4"},
    {31, "iso_c6_114x162mm", "EnvC6"},
    {34, "iso_b5_176x250mm", "EnvISOB5"},
    {42, "iso_b4_250x353mm", "ISOB4"},
    {43, "jpn_hagaki_100x148mm", "Postcard"},
    {66, "iso_a2_420x594mm", "A2"},
    {70, "iso_a6_105x148mm", "A6"},
};

struct Reason {
    std::string_view keyword;
    std::uint32_t status;
};

constexpr Reason reasons_table[] = {
    {"paused", printer_status_paused},           {"media-empty", printer_status_paper_out},
    {"media-needed", printer_status_paper_out},  {"media-jam", printer_status_paper_jam},
    {"offline", printer_status_offline},         {"shutdown", printer_status_offline},
    {"toner-low", printer_status_toner_low},     {"marker-supply-low", printer_status_toner_low},
    {"toner-empty", printer_status_no_toner},    {"marker-supply-empty", printer_status_no_toner},
    {"door-open", printer_status_door_open},     {"cover-open", printer_status_door_open},
    {"moving-to-paused", printer_status_paused}, {"stopped-partly", printer_status_error},
};

std::string_view without_suffix(std::string_view keyword, bool& is_error)
{
    for (std::string_view suffix : {"-error", "-warning", "-report"})
        if (keyword.size() > suffix.size() && keyword.substr(keyword.size() - suffix.size()) == suffix) {
            is_error = suffix == "-error";
            return keyword.substr(0, keyword.size() - suffix.size());
        }
    return keyword;
}

} // namespace

std::optional<std::int16_t> paper_of_media(std::string_view name)
{
    for (const Media& m : media)
        if (m.pwg == name || ascii::iequals(m.ppd, name))
            return m.code;
    return std::nullopt;
}

std::string_view media_of_paper(std::int16_t code)
{
    for (const Media& m : media)
        if (m.code == code)
            return m.pwg;
    return {};
}

std::vector<std::int16_t> papers_of_media(const std::vector<std::string>& media_supported)
{
    std::vector<std::int16_t> codes;
    for (const std::string& name : media_supported) {
        // A custom size range lets the user give any size: DMPAPER_USER.
        std::optional<std::int16_t> code
            = name.starts_with("custom_min_") ? std::optional<std::int16_t>(dmpaper_user) : paper_of_media(name);
        if (code && std::find(codes.begin(), codes.end(), *code) == codes.end())
            codes.push_back(*code);
    }
    return codes;
}

std::uint32_t status_of_state(std::string_view state, const std::vector<std::string>& reasons)
{
    std::uint32_t status = 0;
    if (state == "4")
        status |= printer_status_printing;
    else if (state == "5")
        status |= printer_status_paused;
    for (const std::string& reason : reasons) {
        bool is_error = false;
        const std::string_view keyword = without_suffix(reason, is_error);
        if (keyword == "none" || keyword.empty())
            continue;
        auto it = std::find_if(std::begin(reasons_table), std::end(reasons_table),
                               [&](const Reason& r) { return r.keyword == keyword; });
        if (it != std::end(reasons_table))
            status |= it->status;
        else if (is_error)
            status |= printer_status_error;
    }
    return status;
}

std::uint32_t attributes_of(bool shared, bool remote)
{
    return printer_attribute_queued | (shared ? printer_attribute_shared : 0)
        | (remote ? printer_attribute_network : printer_attribute_local);
}

std::int16_t orientation_of(std::string_view orientation_requested)
{
    return orientation_requested == "4" || orientation_requested == "5" ? dmorient_landscape : dmorient_portrait;
}

std::string_view orientation_requested_of(std::int16_t orientation)
{
    return orientation == dmorient_landscape ? "4" : "3";
}

std::vector<std::string> split_list(std::string_view list)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        if (end > start)
            items.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

std::filesystem::path config_folder()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "hearth";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / ".config" / "hearth";
}

} // namespace hearth::win32
