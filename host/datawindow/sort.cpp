// SetSort/Sort: criteria parsing and a stable sort of the Primary! slot list with
// comparators chosen per key type, reading the typed column vectors directly.
#include "host/datawindow/expr_node.h"
#include "host/datawindow/sort_key.h"
#include "host/datawindow/text_util.h"
#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <optional>

namespace hearth::dw {

namespace {

struct OrderToken {
    std::string_view text;
    SortOrder order;
    SortCase case_mode;
};

// "A" and "D" compare without case; "as"/"ds" (and "s") with case.
constexpr OrderToken order_tokens[] = {
    {"a", SortOrder::Ascending, SortCase::Insensitive},
    {"asc", SortOrder::Ascending, SortCase::Insensitive},
    {"ascending", SortOrder::Ascending, SortCase::Insensitive},
    {"ai", SortOrder::Ascending, SortCase::Insensitive},
    {"i", SortOrder::Ascending, SortCase::Insensitive},
    {"as", SortOrder::Ascending, SortCase::Sensitive},
    {"s", SortOrder::Ascending, SortCase::Sensitive},
    {"d", SortOrder::Descending, SortCase::Insensitive},
    {"desc", SortOrder::Descending, SortCase::Insensitive},
    {"descending", SortOrder::Descending, SortCase::Insensitive},
    {"di", SortOrder::Descending, SortCase::Insensitive},
    {"ds", SortOrder::Descending, SortCase::Sensitive},
};

// Splits at commas outside parentheses and quotes.
std::vector<std::string_view> split_keys(std::string_view text)
{
    std::vector<std::string_view> parts;
    int depth = 0;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == '~')
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

Result<std::vector<Engine::SortKey>> parse_sort_criteria(std::string_view criteria, const ObjectDefinition& object)
{
    using R = Result<std::vector<Engine::SortKey>>;
    std::vector<Engine::SortKey> keys;
    if (trim_blanks(criteria).empty())
        return keys;
    int number = 0; // of the key, for messages
    for (std::string_view part : split_keys(criteria)) {
        ++number;
        std::string_view spec = trim_blanks(part);
        if (spec.empty())
            return R::failure(fmt::format("sort key {} is empty", number));
        Engine::SortKey key;
        std::size_t blank = spec.find_last_of(" \t");
        if (blank != std::string_view::npos) {
            std::string_view token = spec.substr(blank + 1);
            for (const OrderToken& order : order_tokens) {
                if (iequals(order.text, token)) {
                    key.order = order.order;
                    key.case_mode = order.case_mode;
                    spec = trim_blanks(spec.substr(0, blank));
                    break;
                }
            }
        }
        if (int index = object.column_index(spec); index >= 0) {
            key.column = index;
        } else if (spec.size() > 1 && spec[0] == '#') {
            int column = 0;
            auto [end, ec] = std::from_chars(spec.data() + 1, spec.data() + spec.size(), column);
            if (ec != std::errc() || end != spec.data() + spec.size() || column < 1
                || column > static_cast<int>(object.columns.size()))
                return R::failure(fmt::format("sort key {}: '{}' is not a column of the table", number, excerpt(spec)));
            key.column = column - 1;
        } else {
            auto expression = Expression::compile(spec, object);
            if (!expression)
                return R::failure(fmt::format("sort key {} '{}': {}", number, excerpt(spec), expression.error()));
            key.expression = std::move(*expression);
        }
        keys.push_back(std::move(key));
    }
    return keys;
}

Result<void> Engine::set_sort_checked(std::string_view criteria)
{
    auto installed = install_sort(criteria);
    if (!installed)
        return Result<void>::failure(fmt::format("bad sort criteria '{}': {}", excerpt(criteria), installed.error()));
    store_syntax_modified(); // the sort criteria are part of the object's syntax
    return {};
}

Result<void> Engine::install_sort(std::string_view criteria)
{
    if (!m_has_object)
        return Result<void>::failure("no DataWindow object");
    auto keys = parse_sort_criteria(criteria, m_object);
    if (!keys)
        return keys;
    m_sort_text = std::string(trim_blanks(criteria));
    m_sort_keys = std::move(*keys);
    return {};
}

namespace {

template <class T> int order_of(const T& a, const T& b) { return a < b ? -1 : (b < a ? 1 : 0); }

enum class KeyKind : std::uint8_t { Text, Integer, Double, Decimal, Date, DateTime, Time, Computed };

// One key ready for comparing: the column's typed vector and null flags, or the values an
// expression key took per slot.
struct PreparedKey {
    KeyKind kind;
    bool descending;
    const std::uint8_t* nulls = nullptr;
    const void* data = nullptr;         // the typed vector; for text, the ColumnValues
    std::vector<Value> computed;        // by slot, for expression keys
    std::optional<ColumnValues> folded; // case-folded text of an insensitive key, when it differs
    bool fold_text = false;             // expression keys: compare text results without case
};

int compare_computed(const Value& a, const Value& b, bool folded)
{
    Scalar x, y;
    value_to_scalar(a, x);
    value_to_scalar(b, y);
    if (x.kind == ExprKind::String && y.kind == ExprKind::String && folded)
        return ascii::icompare(x.text, y.text);
    auto order = compare_scalars(x, y);
    return order.value_or(0);
}

// Compares two non-null items of a column key.
template <KeyKind K> inline int compare_typed(const PreparedKey& key, Slot a, Slot b)
{
    if constexpr (K == KeyKind::Text) {
        auto* v = static_cast<const ColumnValues*>(key.data);
        int c = v->string(a).compare(v->string(b));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else if constexpr (K == KeyKind::Integer) {
        return order_of(static_cast<const std::int64_t*>(key.data)[a], static_cast<const std::int64_t*>(key.data)[b]);
    } else if constexpr (K == KeyKind::Double) {
        return order_of(static_cast<const double*>(key.data)[a], static_cast<const double*>(key.data)[b]);
    } else if constexpr (K == KeyKind::Decimal) {
        return order_of(static_cast<const Decimal*>(key.data)[a], static_cast<const Decimal*>(key.data)[b]);
    } else if constexpr (K == KeyKind::Date) {
        return order_of(static_cast<const Date*>(key.data)[a], static_cast<const Date*>(key.data)[b]);
    } else if constexpr (K == KeyKind::DateTime) {
        return order_of(static_cast<const DateTime*>(key.data)[a], static_cast<const DateTime*>(key.data)[b]);
    } else if constexpr (K == KeyKind::Time) {
        return order_of(static_cast<const Time*>(key.data)[a], static_cast<const Time*>(key.data)[b]);
    } else {
        return 0;
    }
}

// -1/0/1 for one key of any kind, nulls first in both directions (already applied).
int compare_key(const PreparedKey& key, Slot a, Slot b, bool& decided_by_null)
{
    decided_by_null = false;
    if (key.kind == KeyKind::Computed) {
        const Value& x = key.computed[a];
        const Value& y = key.computed[b];
        if (x.is_null() || y.is_null()) {
            decided_by_null = x.is_null() != y.is_null();
            return decided_by_null ? (x.is_null() ? -1 : 1) : 0;
        }
        return compare_computed(x, y, key.fold_text);
    }
    bool null_a = key.nulls[a] != 0, null_b = key.nulls[b] != 0;
    if (null_a || null_b) {
        decided_by_null = null_a != null_b;
        return decided_by_null ? (null_a ? -1 : 1) : 0;
    }
    switch (key.kind) {
    case KeyKind::Text: return compare_typed<KeyKind::Text>(key, a, b);
    case KeyKind::Integer: return compare_typed<KeyKind::Integer>(key, a, b);
    case KeyKind::Double: return compare_typed<KeyKind::Double>(key, a, b);
    case KeyKind::Decimal: return compare_typed<KeyKind::Decimal>(key, a, b);
    case KeyKind::Date: return compare_typed<KeyKind::Date>(key, a, b);
    case KeyKind::DateTime: return compare_typed<KeyKind::DateTime>(key, a, b);
    case KeyKind::Time: return compare_typed<KeyKind::Time>(key, a, b);
    case KeyKind::Computed: break;
    }
    return 0;
}

// "a sorts before b" over keys from `first` on.
bool keys_less(const std::vector<PreparedKey>& keys, std::size_t first, Slot a, Slot b)
{
    for (std::size_t k = first; k < keys.size(); ++k) {
        bool by_null = false;
        int c = compare_key(keys[k], a, b, by_null);
        if (c == 0)
            continue;
        if (by_null)
            return c < 0; // kept: nulls sort first in both directions
        return keys[k].descending ? c > 0 : c < 0;
    }
    return false;
}

// The comparator with its first key's type fixed at compile time: most comparisons are
// decided there, so they run without dispatch.
template <KeyKind First> struct FirstKeyLess {
    const std::vector<PreparedKey>* keys;
    bool operator()(Slot a, Slot b) const
    {
        const PreparedKey& key = (*keys)[0];
        bool null_a = key.nulls[a] != 0, null_b = key.nulls[b] != 0;
        if (null_a || null_b) {
            if (null_a != null_b)
                return null_a; // kept: nulls sort first in both directions
        } else {
            int c = compare_typed<First>(key, a, b);
            if (c != 0)
                return key.descending ? c > 0 : c < 0;
        }
        return keys_less(*keys, 1, a, b);
    }
};

template <KeyKind First> void sort_slots(std::vector<Slot>& slots, const std::vector<PreparedKey>& keys)
{
    std::stable_sort(slots.begin(), slots.end(), FirstKeyLess<First> {&keys});
}

} // namespace

int Engine::sort()
{
    if (!m_has_object)
        return -1;
    if (m_sort_keys.empty())
        return 1;
    std::vector<PreparedKey> keys;
    keys.reserve(m_sort_keys.size());
    auto& primary = buffer_slots(Buffer::Primary);
    for (const SortKey& key : m_sort_keys) {
        PreparedKey prepared;
        prepared.descending = key.order == SortOrder::Descending;
        if (key.column >= 0) {
            const ColumnValues& column = m_rows.column(key.column);
            prepared.nulls = column.nulls().data();
            switch (column.storage()) {
            case Storage::String:
                prepared.kind = KeyKind::Text;
                prepared.data = &column;
                if (key.case_mode == SortCase::Insensitive) {
                    // Fold once per sort, then compare plain bytes: cheaper than folding in
                    // every comparison. Text without capitals (numbers, Chinese) folds to
                    // itself and is compared as it is.
                    auto has_capital = [&](Slot slot) {
                        const std::string_view text = column.string(slot);
                        return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
                    };
                    if (std::any_of(primary.begin(), primary.end(), has_capital)) {
                        ColumnValues& folded = prepared.folded.emplace(Storage::String);
                        folded.resize(m_rows.slot_count());
                        std::string text;
                        for (Slot slot : primary) {
                            text = column.string(slot);
                            ascii::lower_in_place(text);
                            folded.set_string(slot, text);
                        }
                    }
                }
                break;
            case Storage::Integer:
                prepared.kind = KeyKind::Integer;
                prepared.data = column.integers().data();
                break;
            case Storage::Double:
                prepared.kind = KeyKind::Double;
                prepared.data = column.doubles().data();
                break;
            case Storage::Decimal:
                prepared.kind = KeyKind::Decimal;
                prepared.data = column.decimals().data();
                break;
            case Storage::Date:
                prepared.kind = KeyKind::Date;
                prepared.data = column.dates().data();
                break;
            case Storage::DateTime:
                prepared.kind = KeyKind::DateTime;
                prepared.data = column.datetimes().data();
                break;
            case Storage::Time:
                prepared.kind = KeyKind::Time;
                prepared.data = column.times().data();
                break;
            }
        } else {
            prepared.kind = KeyKind::Computed;
            prepared.computed.resize(m_rows.slot_count());
            try {
                for (long r = 1; r <= static_cast<long>(primary.size()); ++r)
                    prepared.computed[primary[r - 1]] = key.expression->evaluate(row_context(Buffer::Primary, r));
            } catch (const RuntimeError&) { // a string past the runtime's limit: the rows keep their order
                return -1;
            } catch (const std::bad_alloc&) {
                return -1;
            }
            // Folded comparison applies to text results of an insensitive key.
            prepared.fold_text = key.case_mode == SortCase::Insensitive;
        }
        keys.push_back(std::move(prepared));
        if (keys.back().folded)
            keys.back().data = &*keys.back().folded;
    }

    // The current row keeps its number (no focus change is reported).
    switch (keys[0].kind) {
    case KeyKind::Text: sort_slots<KeyKind::Text>(primary, keys); break;
    case KeyKind::Integer: sort_slots<KeyKind::Integer>(primary, keys); break;
    case KeyKind::Double: sort_slots<KeyKind::Double>(primary, keys); break;
    case KeyKind::Decimal: sort_slots<KeyKind::Decimal>(primary, keys); break;
    case KeyKind::Date: sort_slots<KeyKind::Date>(primary, keys); break;
    case KeyKind::DateTime: sort_slots<KeyKind::DateTime>(primary, keys); break;
    case KeyKind::Time: sort_slots<KeyKind::Time>(primary, keys); break;
    case KeyKind::Computed:
        std::stable_sort(primary.begin(), primary.end(), [&keys](Slot a, Slot b) { return keys_less(keys, 0, a, b); });
        break;
    }
    rows_changed(); // again: the keys were computed, perhaps with aggregates, in the old order
    return 1;
}

} // namespace hearth::dw
