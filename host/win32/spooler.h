#pragma once
// The print systems behind the Win32-style layer. A Spooler knows the printers, their default
// device modes and the default printer, and takes the changes the printer service makes.
// Two stand behind the layer: the user's own (printers kept in the user's config folder) and
// CUPS. Texts are UTF-8 here; the layer turns them into ANSI records.

#include "host/value/result.h"
#include "host/win32/records.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::win32 {

struct Printer {
    std::string name;
    std::string driver;
    std::string port;
    std::string comment;
    std::string location;
    std::uint32_t attributes = printer_attribute_queued | printer_attribute_local; // without the default bit
    std::uint32_t status = 0;
    std::uint32_t jobs = 0;
    std::vector<std::int16_t> papers; // the DMPAPER codes it lists, in its order
    DevMode devmode {};               // its default device mode
};

// A complete default device mode for a printer: every printer field valid, paper `paper`
// with its size, portrait, one copy.
DevMode default_devmode(std::string_view printer_name, std::int16_t paper);

class Spooler {
public:
    virtual ~Spooler() = default;
    // The printers in the system's order; an error when the system cannot be asked.
    virtual Result<std::vector<Printer>> printers() = 0;
    // The default printer's name; "" when there is none.
    virtual std::string default_printer() = 0;
    // Makes a printer the default; refused for an unknown printer.
    virtual Result<void> set_default(std::string_view name) = 0;
    // Stores a printer's default device mode (already checked by the layer).
    virtual Result<void> set_devmode(std::string_view name, const DevMode& devmode) = 0;
    // What the layer's records name as the spooler ("hearth", "cups").
    virtual std::string_view kind() const = 0;
};

// The user's own spooler: the file `printers.tsv` in `folder`, one line per printer and one
// naming the default, rewritten whole and atomically on every change.
class OwnSpooler : public Spooler {
public:
    explicit OwnSpooler(std::filesystem::path folder);
    Result<std::vector<Printer>> printers() override;
    std::string default_printer() override;
    Result<void> set_default(std::string_view name) override;
    Result<void> set_devmode(std::string_view name, const DevMode& devmode) override;
    std::string_view kind() const override { return "hearth"; }

    // Adds a printer (or replaces the one of its name). Refused for a name that is empty,
    // holds a tab, a line break or a comma, or is longer than 220 bytes.
    Result<void> add_printer(const Printer& printer);
    // Sets a printer's status word (a paused queue, an offline printer ...).
    Result<void> set_status(std::string_view name, std::uint32_t status);
    const std::filesystem::path& file() const { return m_file; }

private:
    struct State {
        std::vector<Printer> printers;
        std::string default_name;
    };
    Result<State> load() const;
    Result<void> save(const State& state) const;

    std::filesystem::path m_file;
};

// CUPS through libcups2: the destinations of the server the library is configured for
// (CUPS_SERVER, client.conf). Changes go to the user's lpoptions only.
class CupsSpooler : public Spooler {
public:
    Result<std::vector<Printer>> printers() override;
    std::string default_printer() override;
    Result<void> set_default(std::string_view name) override;
    Result<void> set_devmode(std::string_view name, const DevMode& devmode) override;
    std::string_view kind() const override { return "cups"; }

    // True when a CUPS server answers within a second.
    static bool server_answers();
};

// ---- What CUPS says, in Win32 terms (cups_mapping.cpp) -------------------------------------

// The DMPAPER code of a PWG media name ("iso_a4_210x297mm" -> 9); nullopt for one without.
std::optional<std::int16_t> paper_of_media(std::string_view pwg_name);
// The PWG media name of a DMPAPER code; "" for a code without one.
std::string_view media_of_paper(std::int16_t code);
// The papers of a media-supported list, in its order, each code once; unmapped names skipped,
// a custom size range (custom_min_...) listed as DMPAPER_USER.
std::vector<std::int16_t> papers_of_media(const std::vector<std::string>& media_supported);
// The status word of printer-state ("3" idle, "4" processing, "5" stopped) and the
// printer-state-reasons keywords (with or without their -error/-warning/-report suffix).
std::uint32_t status_of_state(std::string_view state, const std::vector<std::string>& reasons);
// The attribute word of a destination: queued, shared / local / network from
// printer-is-shared and the device URI (printer-type's remote bit), without the default bit.
std::uint32_t attributes_of(bool shared, bool remote);
// DMORIENT of orientation-requested (3, 6 portrait; 4, 5 landscape); portrait otherwise.
std::int16_t orientation_of(std::string_view orientation_requested);
std::string_view orientation_requested_of(std::int16_t orientation);
// Splits a CUPS option list value ("a,b,c").
std::vector<std::string> split_list(std::string_view list);

// The spooler the user's configuration chooses: `spooler=own` or `spooler=cups` in section
// [printing] of `printing.ini` in the config folder; without a choice CUPS when a server
// answers, else the user's own.
std::unique_ptr<Spooler> configured_spooler(const std::filesystem::path& config_folder);
// $XDG_CONFIG_HOME/hearth, or ~/.config/hearth.
std::filesystem::path config_folder();

} // namespace hearth::win32
