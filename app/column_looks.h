#pragma once
// The text colours and alignments users give their pages' columns through the context menu,
// kept per user and DataWindow object in the user's config folder, so that a page shows them
// again the next time it opens. They are a person's preferences, not community records: they
// stay out of the records database (no schema change, nothing for the history or a shared
// server to carry) and live where the desktop keeps settings, written atomically.
//
// The file holds one look per line, tab-separated: user number, DataWindow object, column,
// attribute ("Color" or "Alignment") and its value, a whole number. It is read afresh for each
// use and written whole, so a change never loses another page's looks.

#include "host/ui/datawindow_control.h"
#include "host/value/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hearth {

struct ColumnLook {
    std::string column;
    std::string attribute; // "Color" or "Alignment"
    std::int32_t value = 0;
};

class ColumnLooks {
public:
    explicit ColumnLooks(std::filesystem::path file) : m_file(std::move(file)) {}

    // $XDG_CONFIG_HOME/hearth/column_looks.tsv, or ~/.config/hearth/... when XDG_CONFIG_HOME is
    // unset or not absolute.
    static std::filesystem::path default_file();
    const std::filesystem::path& file() const { return m_file; }

    // The looks `userno` gave columns of `dataobject`, in the file's order. No file: none.
    // Lines that are not looks (a damaged file) are skipped. An unreadable file: its error.
    Result<std::vector<ColumnLook>> of(const std::string& userno, const std::string& dataobject) const;
    // Sets one look (nullopt removes it) and writes the file. A name holding a tab or a line
    // break, an attribute other than the two, or a failed write: the reason, file unchanged.
    Result<void> set(const std::string& userno, const std::string& dataobject, const std::string& column,
                     const std::string& attribute, std::optional<std::int32_t> value);
    // Modifies dw's columns to the looks `userno` gave its object; columns it no longer has
    // are left alone. An unreadable file applies nothing.
    void apply(DataWindowBase& dw, const std::string& userno) const;

private:
    std::filesystem::path m_file;
};

} // namespace hearth
