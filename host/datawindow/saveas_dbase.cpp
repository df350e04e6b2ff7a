// SaveAs dBASE3!: a plain dBASE III table (no memo file) that spreadsheet programs open.
// Text is GBK and the header carries the GBK code-page mark 0x7A. Field per column:
//   char(n)           C, width = the longest value in bytes (at least n), at most 254
//   int/long/ulong    N(11,0)
//   number/real       N(19,d), d at most 6
//   decimal(n)        N(19,d), d at most min(n,15)
// where d is the most decimals that let every value of the column fit the 19 characters, so a
// value that fits with fewer decimals is never written as stars (1200.50 in a decimal(16)
// column gives N(19,14)); only a value whose integer part alone is too wide becomes stars.
//   date              D (YYYYMMDD)
//   datetime, time    C(19) "yyyy-mm-dd hh:mm:ss", C(8) "hh:mm:ss"
// Field names are the column names in upper case, cut to 10 characters and made unique.
#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"

#include <fmt/format.h>

#include <ctime>
#include <set>

namespace hearth::dw {

namespace {

constexpr unsigned char gbk_code_page_mark = 0x7A;

struct Field {
    std::string name;
    char type;
    int width;
    int decimals;
};

std::string gbk(const std::string& text)
{
    Blob bytes = encode_text(text, Encoding::Ansi);
    return std::string(bytes.begin(), bytes.end());
}

// Cuts GBK bytes to at most `width` without splitting a double-byte character.
std::string cut_gbk(const std::string& bytes, std::size_t width)
{
    std::size_t end = 0;
    while (end < bytes.size()) {
        std::size_t step = static_cast<unsigned char>(bytes[end]) >= 0x81 ? 2 : 1;
        if (end + step > width)
            break;
        end += step;
    }
    return bytes.substr(0, std::min(end, bytes.size()));
}

std::vector<std::string> field_names(const std::vector<TableColumn>& columns)
{
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        std::string name;
        for (char ch : columns[c].name) {
            if (ch >= 'a' && ch <= 'z')
                ch = static_cast<char>(ch - 'a' + 'A');
            bool plain = (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_';
            name += plain ? ch : '_';
        }
        name = name.substr(0, 10);
        if (name.empty() || !(name[0] >= 'A' && name[0] <= 'Z'))
            name = ("F" + name).substr(0, 10);
        // Cutting to 10 characters can make two names equal: number the later ones.
        for (int k = 1; taken.count(name); ++k) {
            std::string suffix = fmt::format("_{}", k);
            name = name.substr(0, std::min<std::size_t>(name.size(), 10 - suffix.size())) + suffix;
        }
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

void put16(std::string& out, std::size_t at, unsigned value)
{
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::size_t at, unsigned long value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

constexpr int number_width = 19;

// A number with the field's decimals, not yet padded to the width.
std::string number_digits(const Value& value, int decimals)
{
    if (value.is_integral())
        return std::to_string(value.as_integral());
    if (value.type() == Type::Decimal)
        return fit_scale(value.as_decimal(), decimals).to_string();
    return fmt::format("{:.{}f}", value.as_double(), decimals);
}

std::string number_text(const Value& value, const Field& field)
{
    std::string text = number_digits(value, field.decimals);
    if (static_cast<int>(text.size()) > field.width)
        return std::string(field.width, '*'); // kept: dBASE marks a number too wide with stars
    return std::string(field.width - text.size(), ' ') + text;
}

// The most decimals, up to `most`, with which every value of the column fits the width.
// Fewer decimals never make a value wider, so one pass that lowers them as needed will do;
// a value too wide even without decimals is left to its stars.
int fitting_decimals(const RowStore& rows, std::size_t column, const ColumnType& type, const std::vector<Slot>& slots,
                     int most)
{
    int decimals = most;
    for (Slot slot : slots) {
        if (rows.column(column).is_null(slot))
            continue;
        Value value = rows.column(column).get(slot, type);
        if (static_cast<int>(number_digits(value, 0).size()) > number_width)
            continue; // stars whatever the decimals
        while (decimals > 0 && static_cast<int>(number_digits(value, decimals).size()) > number_width)
            --decimals;
    }
    return decimals;
}

} // namespace

Result<std::string> write_dbase3(const Engine& engine)
{
    const auto& columns = engine.object().columns;
    if (columns.empty() || columns.size() > 128)
        return Result<std::string>::failure("a dBASE III table holds 1 to 128 fields");
    const RowStore& rows = engine.rows();
    const auto& slots = engine.slots(Buffer::Primary);
    std::vector<std::string> names = field_names(columns);
    std::vector<Field> fields;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ColumnType& type = columns[c].type;
        Field field {names[c], 'C', 1, 0};
        switch (type.storage()) {
        case Storage::String: {
            std::size_t longest = static_cast<std::size_t>(type.size);
            for (Slot slot : slots)
                if (!rows.column(c).is_null(slot))
                    longest = std::max(longest, gbk(std::string(rows.column(c).string(slot))).size());
            field.width = static_cast<int>(std::clamp<std::size_t>(longest, 1, 254));
            break;
        }
        case Storage::Integer: field = {names[c], 'N', 11, 0}; break;
        case Storage::Double: field = {names[c], 'N', number_width, fitting_decimals(rows, c, type, slots, 6)}; break;
        case Storage::Decimal:
            field = {names[c], 'N', number_width, fitting_decimals(rows, c, type, slots, std::min(type.size, 15))};
            break;
        case Storage::Date: field = {names[c], 'D', 8, 0}; break;
        case Storage::DateTime: field = {names[c], 'C', 19, 0}; break;
        case Storage::Time: field = {names[c], 'C', 8, 0}; break;
        }
        fields.push_back(field);
    }
    int record_length = 1;
    for (const Field& field : fields)
        record_length += field.width;
    if (record_length > 4000)
        return Result<std::string>::failure("a dBASE III record holds at most 4000 bytes");

    std::size_t header_length = 32 + 32 * fields.size() + 1;
    std::string out(header_length, '\0');
    std::time_t now = std::time(nullptr);
    std::tm today {};
    localtime_r(&now, &today);
    out[0] = 0x03;
    out[1] = static_cast<char>(today.tm_year); // years since 1900
    out[2] = static_cast<char>(today.tm_mon + 1);
    out[3] = static_cast<char>(today.tm_mday);
    put32(out, 4, slots.size());
    put16(out, 8, static_cast<unsigned>(header_length));
    put16(out, 10, static_cast<unsigned>(record_length));
    out[29] = static_cast<char>(gbk_code_page_mark);
    for (std::size_t f = 0; f < fields.size(); ++f) {
        std::size_t at = 32 + 32 * f;
        out.replace(at, fields[f].name.size(), fields[f].name);
        out[at + 11] = fields[f].type;
        out[at + 16] = static_cast<char>(fields[f].width);
        out[at + 17] = static_cast<char>(fields[f].decimals);
    }
    out[header_length - 1] = 0x0D;

    out.reserve(header_length + slots.size() * static_cast<std::size_t>(record_length) + 1);
    for (Slot slot : slots) {
        out += ' '; // a live record
        for (std::size_t c = 0; c < fields.size(); ++c) {
            const Field& field = fields[c];
            Value value = rows.column(c).get(slot, columns[c].type);
            std::string cell;
            if (value.is_null()) {
                cell.assign(field.width, ' ');
            } else if (field.type == 'N') {
                cell = number_text(value, field);
            } else if (field.type == 'D') {
                const Date& d = value.as_date();
                cell = fmt::format("{:04}{:02}{:02}", d.year, d.month, d.day);
            } else {
                std::string text = value.type() == Type::Time
                    ? fmt::format("{:02}:{:02}:{:02}", value.as_time().hour, value.as_time().minute,
                                  value.as_time().second)
                    : value.type() == Type::DateTime ? item_text(Value(value.as_datetime().date)) + " "
                        + fmt::format("{:02}:{:02}:{:02}", value.as_datetime().time.hour,
                                      value.as_datetime().time.minute, value.as_datetime().time.second)
                                                     : gbk(item_text(value));
                cell = cut_gbk(text, static_cast<std::size_t>(field.width));
                cell.append(static_cast<std::size_t>(field.width) - cell.size(), ' ');
            }
            out += cell;
        }
    }
    out += '\x1A';
    return out;
}

} // namespace hearth::dw
