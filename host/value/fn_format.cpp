// String(data, mask): numeric masks with sections, date and time masks, string '@' masks.

#include "host/value/ascii.h"
#include "host/value/fn_args.h"
#include "host/value/functions.h"
#include "host/value/utf8.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>
#include <optional>
#include <vector>

namespace hearth::fn {

namespace {

std::vector<std::string_view> split_sections(std::string_view mask)
{
    // A ';' inside double quotes or after a backslash is literal text, not a section break.
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == '\\') {
            ++i;
        } else if (mask[i] == '"') {
            quoted = !quoted;
        } else if (mask[i] == ';' && !quoted) {
            sections.push_back(mask.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(mask.substr(start));
    return sections;
}

// Appends the literal text of a mask piece: quotes are dropped, a backslash keeps the next
// character as it is.
void append_literal(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            continue;
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
}

// ---- numbers -------------------------------------------------------------------------

bool is_placeholder(char c) { return c == '#' || c == '0' || c == ',' || c == '.'; }

// The exact decimal to format; doubles go through their 15 significant digits.
std::optional<Decimal> decimal_of(const Value& value)
{
    if (value.is_integral())
        return Decimal(value.as_integral());
    if (value.type() == Type::Decimal)
        return value.as_decimal();
    return Decimal::from_double(value.as_double());
}

std::string group_thousands(const std::string& digits)
{
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::optional<std::string> format_magnitude(const Decimal& magnitude, std::string_view section);

// Where a scientific section's exponent starts: an unquoted E or e, then + or -, then a
// digit placeholder ("0.00E+00"); npos for a plain section.
std::size_t find_exponent(std::string_view section)
{
    bool quoted = false;
    for (std::size_t i = 0; i + 2 < section.size(); ++i) {
        char c = section[i];
        if (c == '\\')
            ++i;
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == 'E' || c == 'e') && (section[i + 1] == '+' || section[i + 1] == '-')
                 && (section[i + 2] == '0' || section[i + 2] == '#'))
            return i;
    }
    return std::string_view::npos;
}

// Scientific notation: the mantissa keeps as many whole digits as its mask has placeholders
// before the point ("0.00E+00" shows 0.5 as "5.00E-01", 1234 as "1.23E+03"). "E+" always
// shows the exponent's sign, "E-" only a minus; its zeros are the exponent's least digits.
std::optional<std::string> format_scientific(const Decimal& magnitude, std::string_view section, std::size_t at)
{
    std::string_view mantissa_mask = section.substr(0, at);
    std::size_t point = mantissa_mask.find('.');
    int whole_digits = 0;
    for (char c : mantissa_mask.substr(0, point))
        whole_digits += c == '0' || c == '#';
    whole_digits = std::max(whole_digits, 1);
    int places = 0;
    if (point != std::string_view::npos)
        for (char c : mantissa_mask.substr(point + 1))
            places += c == '0' || c == '#';

    // magnitude = digits * 10^-scale; the mantissa puts the point after whole_digits digits.
    std::string digits = magnitude.to_string();
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    int exponent = 0;
    Decimal mantissa;
    if (!digits.empty()) {
        int count = int(digits.size());
        exponent = count - magnitude.scale() - whole_digits;
        if (count < whole_digits)
            digits.append(std::size_t(whole_digits - count), '0');
        digits.insert(std::size_t(whole_digits), ".");
        mantissa = Decimal::parse(digits).value_or(Decimal());
        std::string rounded = mantissa.rounded(std::min(places, Decimal::max_scale)).to_string();
        if (std::min(rounded.find('.'), rounded.size()) > std::size_t(whole_digits)) {
            // Rounding carried into a new digit (9.996 -> 10.00): one place further up.
            mantissa = Decimal::parse("1" + std::string(std::size_t(whole_digits - 1), '0')).value_or(Decimal());
            ++exponent;
        }
    }
    auto text = format_magnitude(mantissa, mantissa_mask);
    if (!text)
        return std::nullopt;
    std::size_t k = at + 2;
    int width = 0;
    while (k < section.size() && (section[k] == '0' || section[k] == '#'))
        width += section[k++] == '0';
    *text += section[at];
    if (exponent < 0)
        *text += '-';
    else if (section[at + 1] == '+')
        *text += '+';
    *text += fmt::format("{:0{}}", exponent < 0 ? -exponent : exponent, std::max(width, 1));
    append_literal(*text, section.substr(k));
    return text;
}

// Formats a non-negative magnitude with one section; nullopt when the section has no
// digit placeholder (it is then copied as literal text by the caller).
std::optional<std::string> format_magnitude(const Decimal& magnitude, std::string_view section)
{
    if (std::size_t at = find_exponent(section); at != std::string_view::npos)
        return format_scientific(magnitude, section, at);
    // The placeholders form one run; literal text outside quotes before and after it is
    // copied. Quoted text and escapes are skipped when looking for the run.
    std::size_t first = std::string_view::npos, last = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < section.size(); ++i) {
        char c = section[i];
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '#' || c == '0')) {
            if (first == std::string_view::npos)
                first = i;
            last = i;
        }
    }
    if (first == std::string_view::npos)
        return std::nullopt;
    // Widen the run over grouping commas and the point that touch it.
    while (first > 0 && is_placeholder(section[first - 1]))
        --first;
    while (last + 1 < section.size() && is_placeholder(section[last + 1]))
        ++last;
    std::string_view prefix = section.substr(0, first);
    std::string_view digits_mask = section.substr(first, last - first + 1);
    std::string_view suffix = section.substr(last + 1);

    std::size_t point = digits_mask.find('.');
    std::string_view whole_mask = digits_mask.substr(0, point);
    std::string_view fraction_mask
        = point == std::string_view::npos ? std::string_view() : digits_mask.substr(point + 1);
    bool grouping = whole_mask.find(',') != std::string_view::npos;
    int forced_whole = 0;
    for (char c : whole_mask)
        forced_whole += c == '0';
    int places = 0, forced_places = 0;
    for (char c : fraction_mask) {
        if (c == '0' || c == '#')
            ++places;
        if (c == '0')
            forced_places = places; // zeros up to the last '0' are shown
    }

    Decimal value = magnitude;
    if (prefix.find('%') != std::string_view::npos || suffix.find('%') != std::string_view::npos)
        value = value.multiply(Decimal(100)).value_or(value);
    if (places > Decimal::max_scale)
        places = Decimal::max_scale;
    Decimal rounded = value.rounded(places);
    std::string text = rounded.to_string();
    std::size_t dot = text.find('.');
    std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    fraction.resize(std::size_t(places), '0');
    while (int(fraction.size()) > forced_places && fraction.back() == '0')
        fraction.pop_back();
    if (whole == "0" && forced_whole == 0)
        whole.clear(); // "#.##" shows 0.5 as ".5"
    if (int(whole.size()) < forced_whole)
        whole.insert(0, std::size_t(forced_whole) - whole.size(), '0');
    if (grouping)
        whole = group_thousands(whole);

    std::string out;
    append_literal(out, prefix);
    out += whole;
    if (!fraction.empty())
        out += '.' + fraction;
    append_literal(out, suffix);
    return out;
}

// Undocumented: [Currency] uses the installations' currency: "¥#,##0.00", negatives with a minus.
constexpr std::string_view currency_mask = "¥#,##0.00";

Value format_number(const Value& data, const std::vector<std::string_view>& sections)
{
    // Undocumented: without a null section a null value gives null (also for dates, times and strings).
    if (data.is_null()) {
        if (sections.size() >= 4) {
            std::string out;
            append_literal(out, sections[3]);
            return out;
        }
        return Value::null_of(Type::String);
    }
    std::string_view positive = sections[0];
    if (ascii::iequals(positive, "[General]"))
        return to_string(data);
    if (ascii::iequals(positive, "[Currency]"))
        positive = currency_mask;
    auto number = decimal_of(data);
    if (!number)
        return to_string(data); // a double beyond any decimal: its plain form
    bool negative = number->is_negative();
    Decimal magnitude = negative ? number->negated() : *number;
    // A section is chosen by the value; a value that rounds to zero in the positive
    // section counts as zero, so -0.001 with "0.00" never shows "-0.00".
    auto plain = format_magnitude(magnitude, positive);
    if (!plain)
        return std::string(); // the first section has no digit: a bad mask
    bool shows_zero = plain->find_first_of("123456789") == std::string::npos;
    if (number->is_zero() || shows_zero) {
        if (sections.size() >= 3 && !sections[2].empty()) {
            auto zero = format_magnitude(Decimal(), sections[2]);
            if (zero)
                return *zero;
            std::string out;
            append_literal(out, sections[2]);
            return out;
        }
        return *format_magnitude(Decimal(), positive);
    }
    if (!negative)
        return *plain;
    if (sections.size() >= 2 && !sections[1].empty()) {
        auto formatted = format_magnitude(magnitude, sections[1]);
        if (formatted)
            return *formatted;
        std::string out;
        append_literal(out, sections[1]);
        return out;
    }
    return "-" + *plain;
}

// ---- dates and times ----------------------------------------------------------------

// Day and month names follow the installations' Chinese locale (undocumented).
constexpr std::array<std::string_view, 7> short_days = {"周日", "周一", "周二", "周三", "周四", "周五", "周六"};
constexpr std::array<std::string_view, 7> long_days
    = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
constexpr std::array<std::string_view, 12> long_months
    = {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"};

int weekday(const Date& date)
{
    // Sakamoto's method: 0 = Sunday.
    static constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = date.year - (date.month < 3 ? 1 : 0);
    return (y + y / 4 - y / 100 + y / 400 + offsets[date.month - 1] + date.day) % 7;
}

struct Token {
    char letter = 0; // d m y h s f, 'a' for am/pm, 0 for literal text
    std::size_t count = 0;
    std::string text; // literal text, or the am/pm spelling
};

std::vector<Token> tokenize_date_mask(std::string_view mask)
{
    std::vector<Token> tokens;
    auto literal = [&](std::string_view text) {
        if (tokens.empty() || tokens.back().letter != 0)
            tokens.push_back(Token {});
        tokens.back().text.append(text);
    };
    for (std::size_t i = 0; i < mask.size();) {
        char c = mask[i];
        char lower = ascii::lower(c);
        if (c == '"') {
            std::size_t end = mask.find('"', i + 1);
            if (end == std::string_view::npos)
                end = mask.size();
            literal(mask.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == '\\' && i + 1 < mask.size()) {
            literal(mask.substr(i + 1, 1));
            i += 2;
        } else if (lower == 'a' && (ascii::iequals(mask.substr(i, 5), "am/pm"))) {
            tokens.push_back(Token {'a', 5, std::string(mask.substr(i, 5))});
            i += 5;
        } else if (lower == 'd' || lower == 'm' || lower == 'y' || lower == 'h' || lower == 's' || lower == 'f') {
            std::size_t start = i;
            while (i < mask.size() && (mask[i] == c || mask[i] == ascii::upper(lower) || mask[i] == lower))
                ++i;
            tokens.push_back(Token {lower, i - start, {}});
        } else {
            std::size_t start = i;
            i = utf8::next(mask, i);
            literal(mask.substr(start, i - start));
        }
    }
    // "m" right after an hour, or right before seconds, means minutes: mark it 'n'.
    char previous = 0;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        Token& token = tokens[k];
        if (token.letter == 0)
            continue;
        if (token.letter == 'm' && token.count <= 2) {
            char next = 0;
            for (std::size_t j = k + 1; j < tokens.size() && next == 0; ++j)
                next = tokens[j].letter;
            if (previous == 'h' || next == 's')
                token.letter = 'n';
        }
        previous = token.letter;
    }
    return tokens;
}

std::string format_datetime(const DateTime& stamp, const std::vector<Token>& tokens)
{
    bool twelve_hour = false;
    for (const auto& token : tokens)
        twelve_hour = twelve_hour || token.letter == 'a';
    const Date& d = stamp.date;
    const Time& t = stamp.time;
    std::string out;
    for (const auto& token : tokens) {
        std::size_t n = token.count;
        switch (token.letter) {
        case 0: out += token.text; break;
        case 'd':
            if (n == 1)
                out += std::to_string(d.day);
            else if (n == 2)
                out += fmt::format("{:02}", d.day);
            else
                out += n == 3 ? short_days[std::size_t(weekday(d))] : long_days[std::size_t(weekday(d))];
            break;
        case 'm':
            if (n == 1)
                out += std::to_string(d.month);
            else if (n == 2)
                out += fmt::format("{:02}", d.month);
            else
                out += n == 3 ? fmt::format("{}月", d.month) : std::string(long_months[std::size_t(d.month - 1)]);
            break;
        case 'y': out += n <= 2 ? fmt::format("{:02}", d.year % 100) : fmt::format("{:04}", d.year); break;
        case 'h': {
            int hour = t.hour;
            if (twelve_hour)
                hour = hour % 12 == 0 ? 12 : hour % 12;
            out += n == 1 ? std::to_string(hour) : fmt::format("{:02}", hour);
            break;
        }
        case 'n': out += n == 1 ? std::to_string(t.minute) : fmt::format("{:02}", t.minute); break;
        case 's': out += n == 1 ? std::to_string(t.second) : fmt::format("{:02}", t.second); break;
        case 'f': out += fmt::format("{:06}", t.microsecond).substr(0, std::min<std::size_t>(n, 6)); break;
        case 'a': {
            bool pm = t.hour >= 12;
            bool upper = token.text[0] == 'A';
            out += pm ? (upper ? "PM" : "pm") : (upper ? "AM" : "am");
            break;
        }
        default: break;
        }
    }
    return out;
}

Value format_temporal(const Value& data, const std::vector<std::string_view>& sections)
{
    if (data.is_null()) {
        if (sections.size() >= 2) {
            std::string out;
            append_literal(out, sections[1]);
            return out;
        }
        return Value::null_of(Type::String);
    }
    std::string_view mask = sections[0];
    if (ascii::iequals(mask, "[General]"))
        return to_string(data);
    if (ascii::iequals(mask, "[ShortDate]"))
        mask = "yyyy-mm-dd";
    else if (ascii::iequals(mask, "[LongDate]"))
        mask = "yyyy年m月d日";
    else if (ascii::iequals(mask, "[Time]"))
        mask = "hh:mm:ss";
    DateTime stamp {Date {1900, 1, 1}, Time {}};
    if (data.type() == Type::Date)
        stamp.date = data.as_date();
    else if (data.type() == Type::Time)
        stamp.time = data.as_time();
    else
        stamp = data.as_datetime();
    auto tokens = tokenize_date_mask(mask);
    bool any_field = false;
    for (const auto& token : tokens)
        any_field = any_field || token.letter != 0;
    if (!any_field)
        return std::string(); // no date or time field: a mask of another kind
    return format_datetime(stamp, tokens);
}

// ---- strings ------------------------------------------------------------------------

Value format_string(const Value& data, const std::vector<std::string_view>& sections)
{
    if (data.is_null()) {
        if (sections.size() >= 2) {
            std::string out;
            append_literal(out, sections[1]);
            return out;
        }
        return Value::null_of(Type::String);
    }
    std::string_view mask = sections[0];
    std::string_view text = data.as_string();
    std::size_t next = 0;
    std::string out;
    for (std::size_t i = 0; i < mask.size();) {
        if (mask[i] == '@') {
            // Undocumented: an '@' past the end of the data shows nothing; data beyond the last '@' is dropped.
            if (next < text.size()) {
                std::size_t end = utf8::next(text, next);
                out.append(text.substr(next, end - next));
                next = end;
            }
            ++i;
        } else if (mask[i] == '\\' && i + 1 < mask.size()) {
            out += mask[i + 1];
            i += 2;
        } else {
            std::size_t end = utf8::next(mask, i);
            out.append(mask.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

} // namespace

Value to_string(const Value& data, const Value& mask)
{
    if (mask.is_null())
        return Value::null_of(Type::String);
    return detail::format(data, args::text(mask, "String", 2));
}

Value detail::format(const Value& data, std::string_view mask)
{
    auto sections = split_sections(mask);
    if (data.is_numeric() || (data.type() == Type::Any && data.is_null()))
        return format_number(data, sections);
    switch (data.type()) {
    case Type::String: return format_string(data, sections);
    case Type::Date:
    case Type::Time:
    case Type::DateTime: return format_temporal(data, sections);
    default: break;
    }
    if (data.is_null())
        return Value::null_of(Type::String);
    return std::string(); // a boolean, blob or object has no mask: the runtime's ""
}

} // namespace hearth::fn
