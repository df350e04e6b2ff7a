// CUPS behind the layer, through libcups2. Printers are the server's destinations merged with
// the user's lpoptions; the default printer and the default device mode's paper, orientation
// and copies are written to the user's lpoptions only, never to the server.

#include "host/value/functions.h"
#include "host/win32/spooler.h"

#include <cups/cups.h>
#include <fmt/format.h>

#include <cstdlib>

namespace hearth::win32 {

namespace {

// The destinations as cupsGetDests2 gives them, freed on leaving.
class Dests {
public:
    Dests() : m_count(cupsGetDests2(CUPS_HTTP_DEFAULT, &m_dests)) {}
    ~Dests() { cupsFreeDests(m_count, m_dests); }
    Dests(const Dests&) = delete;
    Dests& operator=(const Dests&) = delete;

    int count() const { return m_count; }
    cups_dest_t* begin() { return m_dests; }
    cups_dest_t* end() { return m_dests + m_count; }
    cups_dest_t* find(std::string_view name)
    {
        for (cups_dest_t& d : *this)
            if (!d.instance && name == d.name)
                return &d;
        return nullptr;
    }
    // Writes them back: the user's lpoptions.
    Result<void> save()
    {
        if (cupsSetDests2(CUPS_HTTP_DEFAULT, m_count, m_dests) != 0)
            return Result<void>::failure(fmt::format("lpoptions: {}", cupsLastErrorString()));
        return {};
    }

private:
    cups_dest_t* m_dests = nullptr;
    int m_count = 0;
};

std::string option(const cups_dest_t& d, const char* name)
{
    const char* value = cupsGetOption(name, d.num_options, d.options);
    return value ? value : "";
}

// The papers the destination lists and its default paper's code (0 when none maps).
std::pair<std::vector<std::int16_t>, std::int16_t> media_of(cups_dest_t& d)
{
    std::vector<std::string> names;
    std::string default_media = option(d, "media");
    // The server the library is configured for answers about its own queues: a connection
    // of their own (cupsConnectDest) goes to the host in printer-uri-supported, which need not
    // be the server that listed them, and then finds no such printer.
    if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, &d)) {
        const int n = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, &d, info, 0);
        for (int i = 0; i < n; ++i) {
            cups_size_t size {};
            if (cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, &d, info, i, 0, &size))
                names.emplace_back(size.media);
        }
        if (default_media.empty())
            if (ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, &d, info, "media"))
                if (const char* text = ippGetString(attr, 0, nullptr))
                    default_media = text;
        cupsFreeDestInfo(info);
    }
    std::vector<std::int16_t> papers = papers_of_media(names);
    const std::int16_t paper = paper_of_media(default_media).value_or(papers.empty() ? 0 : papers.front());
    return {std::move(papers), paper};
}

} // namespace

Result<std::vector<Printer>> CupsSpooler::printers()
{
    Dests dests;
    if (dests.count() == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return Result<std::vector<Printer>>::failure(fmt::format("CUPS: {}", cupsLastErrorString()));
    std::vector<Printer> list;
    for (cups_dest_t& d : dests) {
        if (d.instance)
            continue;
        Printer p;
        p.name = d.name;
        p.driver = option(d, "printer-make-and-model");
        p.port = option(d, "device-uri");
        p.comment = option(d, "printer-info");
        p.location = option(d, "printer-location");
        p.status = status_of_state(option(d, "printer-state"), split_list(option(d, "printer-state-reasons")));
        const long type = std::strtol(option(d, "printer-type").c_str(), nullptr, 10);
        p.attributes = attributes_of(option(d, "printer-is-shared") == "true", (type & CUPS_PRINTER_REMOTE) != 0);
        if (d.is_default)
            p.attributes |= printer_attribute_default;
        auto [papers, paper] = media_of(d);
        p.papers = std::move(papers);
        p.devmode = default_devmode(p.name, paper);
        p.devmode.dmOrientation = orientation_of(option(d, "orientation-requested"));
        if (const long copies = std::strtol(option(d, "copies").c_str(), nullptr, 10); copies > 0 && copies < 10000)
            p.devmode.dmCopies = static_cast<std::int16_t>(copies);
        list.push_back(std::move(p));
    }
    return list;
}

std::string CupsSpooler::default_printer()
{
    Dests dests;
    for (cups_dest_t& d : dests)
        if (d.is_default && !d.instance)
            return d.name;
    return {};
}

Result<void> CupsSpooler::set_default(std::string_view name)
{
    Dests dests;
    if (!dests.find(name))
        return Result<void>::failure(fmt::format("no printer named {}", name));
    for (cups_dest_t& d : dests)
        d.is_default = !d.instance && name == d.name;
    return dests.save();
}

Result<void> CupsSpooler::set_devmode(std::string_view name, const DevMode& devmode)
{
    Dests dests;
    cups_dest_t* d = dests.find(name);
    if (!d)
        return Result<void>::failure(fmt::format("no printer named {}", name));
    std::string media(media_of_paper(devmode.dmPaperSize));
    if (devmode.dmPaperSize == dmpaper_user)
        media = fmt::format("custom_hearth_{}x{}mm", devmode.dmPaperWidth / 10.0, devmode.dmPaperLength / 10.0);
    if (media.empty())
        return Result<void>::failure(fmt::format("paper {} has no CUPS media name", devmode.dmPaperSize));
    d->num_options = cupsAddOption("media", media.c_str(), d->num_options, &d->options);
    d->num_options
        = cupsAddOption("orientation-requested", std::string(orientation_requested_of(devmode.dmOrientation)).c_str(),
                        d->num_options, &d->options);
    d->num_options = cupsAddOption("copies", std::to_string(devmode.dmCopies).c_str(), d->num_options, &d->options);
    return dests.save();
}

bool CupsSpooler::server_answers()
{
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 1000, nullptr);
    if (!http)
        return false;
    httpClose(http);
    return true;
}

std::unique_ptr<Spooler> configured_spooler(const std::filesystem::path& folder)
{
    const std::string choice
        = fn::detail::profile_string((folder / "printing.ini").string(), "printing", "spooler", "");
    if (choice == "own")
        return std::make_unique<OwnSpooler>(folder);
    if (choice == "cups" || CupsSpooler::server_answers())
        return std::make_unique<CupsSpooler>();
    return std::make_unique<OwnSpooler>(folder);
}

} // namespace hearth::win32
