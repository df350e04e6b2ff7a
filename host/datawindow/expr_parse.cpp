// Expression text to compiled nodes: a tokenizer and a recursive-descent parser.
//   or      := and { OR and }
//   and     := not { AND not }
//   not     := NOT not | compare
//   compare := sum [ op sum | [NOT] LIKE sum | [NOT] IN ( list ) | [NOT] BETWEEN sum AND sum ]
//   sum     := product { (+|-) product }
//   product := power { (*|/) power }
//   power   := unary { ^ unary }
//   unary   := (-|+) unary | primary
//   primary := number | string | name | #n | name ( args ) | ( or )
//   args    := or { , or } [ FOR range [ DISTINCT [ or { , or } ] ] ]    (aggregates only)
#include "host/datawindow/expr_build.h"
#include "host/datawindow/text_util.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>

namespace hearth::dw {

namespace {

// Parentheses, signs, NOT, calls and computed fields nest only a few levels in real
// expressions; the bound keeps hostile text from exhausting the stack. Runs of binary
// operators do not nest (OperatorRun), so their length is not bounded.
constexpr int max_depth = 64;

enum class Tok : std::uint8_t { End, Number, String, Name, Hash, Op, LParen, RParen, Comma };

struct Token {
    Tok kind = Tok::End;
    std::string text; // operator spelling, name, number text, string with escapes resolved
    int column = 1;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : m_text(text) {}

    std::vector<Token> run()
    {
        std::vector<Token> tokens;
        for (;;) {
            skip_blanks();
            Token token;
            token.column = m_column;
            if (m_index >= m_text.size()) {
                tokens.push_back(token);
                return tokens;
            }
            char c = m_text[m_index];
            if (c == '\'' || c == '"') {
                token.kind = Tok::String;
                token.text = read_string(c);
            } else if (is_digit(c) || (c == '.' && is_digit(peek(1)))) {
                token.kind = Tok::Number;
                token.text = read_number();
            } else if (c == '#') {
                advance();
                if (!is_digit(peek(0)))
                    throw CompileError {token.column, "'#' must be followed by a column number"};
                token.kind = Tok::Hash;
                while (is_digit(peek(0)))
                    token.text += take();
            } else if (is_name_start(c)) {
                token.kind = Tok::Name;
                while (m_index < m_text.size() && is_name_char(m_text[m_index]))
                    token.text += take();
            } else if (c == '(') {
                advance();
                token.kind = Tok::LParen;
            } else if (c == ')') {
                advance();
                token.kind = Tok::RParen;
            } else if (c == ',') {
                advance();
                token.kind = Tok::Comma;
            } else {
                token.kind = Tok::Op;
                token.text = read_operator();
            }
            tokens.push_back(std::move(token));
        }
    }

private:
    static bool is_digit(char c) { return c >= '0' && c <= '9'; }
    static bool is_name_start(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (static_cast<unsigned char>(c) >= 0x80);
    }
    static bool is_name_char(char c) { return is_name_start(c) || is_digit(c) || c == '$' || c == '#' || c == '%'; }

    char peek(std::size_t ahead) const { return m_index + ahead < m_text.size() ? m_text[m_index + ahead] : '\0'; }
    void advance()
    {
        if ((static_cast<unsigned char>(m_text[m_index]) & 0xC0) != 0x80)
            ++m_column;
        ++m_index;
    }
    char take()
    {
        char c = m_text[m_index];
        advance();
        return c;
    }
    void skip_blanks()
    {
        while (m_index < m_text.size()
               && (m_text[m_index] == ' ' || m_text[m_index] == '\t' || m_text[m_index] == '\r'
                   || m_text[m_index] == '\n'))
            advance();
    }

    std::string read_string(char quote)
    {
        int opened = m_column;
        advance();
        std::size_t start = m_index;
        for (;;) {
            if (m_index >= m_text.size())
                throw CompileError {opened, "unterminated string"};
            char c = m_text[m_index];
            if (c == '~' && m_index + 1 < m_text.size()) {
                advance();
                advance();
                continue;
            }
            if (c == quote) {
                std::string raw(m_text.substr(start, m_index - start));
                advance();
                return unescape_tilde(raw);
            }
            advance();
        }
    }

    std::string read_number()
    {
        std::string text;
        while (is_digit(peek(0)))
            text += take();
        if (peek(0) == '.' && is_digit(peek(1))) {
            text += take();
            while (is_digit(peek(0)))
                text += take();
        } else if (peek(0) == '.' && !is_name_start(peek(1))) {
            text += take(); // "2." is a decimal two
        }
        if ((peek(0) == 'e' || peek(0) == 'E')
            && (is_digit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && is_digit(peek(2))))) {
            text += take();
            if (peek(0) == '+' || peek(0) == '-')
                text += take();
            while (is_digit(peek(0)))
                text += take();
        } else if ((peek(0) == 'd' || peek(0) == 'D') && !is_name_char(peek(1))) {
            text += take(); // forced decimal: 2.0d
        }
        if (is_name_char(peek(0)))
            throw CompileError {m_column, "a number runs into a name"};
        return text;
    }

    std::string read_operator()
    {
        static constexpr std::string_view two[] = {"<>", "<=", ">=", "!="};
        for (std::string_view op : two) {
            if (m_text.substr(m_index, 2) == op) {
                advance();
                advance();
                return std::string(op);
            }
        }
        char c = m_text[m_index];
        if (std::string_view("+-*/^=<>").find(c) != std::string_view::npos) {
            advance();
            return std::string(1, c);
        }
        throw CompileError {m_column, fmt::format("unexpected character '{}'", excerpt(m_text.substr(m_index, 1)))};
    }

    std::string_view m_text;
    std::size_t m_index = 0;
    int m_column = 1;
};

// Computed fields are compiled in place where they are named. The fields being compiled
// reveal a cycle; the tokens they add up to bound how far fields that name each other
// several times can multiply.
struct Inlining {
    std::vector<std::string> open;
    std::size_t tokens = 0;
};
constexpr std::size_t max_inlined_tokens = 1 << 20;

class ExprParser {
public:
    ExprParser(std::vector<Token> tokens, const ObjectDefinition& object, Inlining& inlining, std::string_view band)
        : m_tokens(std::move(tokens)), m_object(object), m_inlining(inlining), m_band(band)
    {
    }

    NodePtr parse_all()
    {
        NodePtr node = parse_or();
        if (cur().kind != Tok::End)
            throw CompileError {cur().column, fmt::format("unexpected '{}'", describe(cur()))};
        return node;
    }

private:
    const Token& cur() const { return m_tokens[m_pos]; }
    const Token& next() const { return m_tokens[std::min(m_pos + 1, m_tokens.size() - 1)]; }
    void advance()
    {
        if (m_pos + 1 < m_tokens.size())
            ++m_pos;
    }
    bool is_word(const Token& t, std::string_view word) const { return t.kind == Tok::Name && iequals(t.text, word); }
    bool is_op(const Token& t, std::string_view op) const { return t.kind == Tok::Op && t.text == op; }

    static std::string describe(const Token& t)
    {
        switch (t.kind) {
        case Tok::End: return "end of expression";
        case Tok::LParen: return "(";
        case Tok::RParen: return ")";
        case Tok::Comma: return ",";
        case Tok::Hash: return "#" + excerpt(t.text);
        case Tok::String: return "'" + excerpt(t.text) + "'";
        default: return excerpt(t.text);
        }
    }

    void expect(Tok kind, std::string_view what)
    {
        if (cur().kind != kind)
            throw CompileError {cur().column, fmt::format("expected {} before '{}'", what, describe(cur()))};
        advance();
    }

    struct DepthGuard {
        explicit DepthGuard(ExprParser& p, int column) : parser(p)
        {
            if (++parser.m_depth > max_depth)
                throw CompileError {column, "expression nested too deeply"};
        }
        ~DepthGuard() { --parser.m_depth; }
        ExprParser& parser;
    };

    NodePtr parse_or()
    {
        DepthGuard guard(*this, cur().column);
        OperatorRun run;
        run.operands.push_back(parse_and());
        while (is_word(cur(), "or")) {
            run.columns.push_back(cur().column);
            advance();
            run.operands.push_back(parse_and());
        }
        return make_logic(LogicOp::Or, std::move(run));
    }

    NodePtr parse_and()
    {
        OperatorRun run;
        run.operands.push_back(parse_not());
        while (is_word(cur(), "and")) {
            run.columns.push_back(cur().column);
            advance();
            run.operands.push_back(parse_not());
        }
        return make_logic(LogicOp::And, std::move(run));
    }

    NodePtr parse_not()
    {
        if (is_word(cur(), "not") && !is_op(next(), "=")) {
            DepthGuard guard(*this, cur().column);
            int column = cur().column;
            advance();
            return make_not(parse_not(), column);
        }
        return parse_compare();
    }

    NodePtr parse_compare()
    {
        NodePtr left = parse_sum();
        int column = cur().column;
        if (cur().kind == Tok::Op) {
            static constexpr std::pair<std::string_view, CompareOp> ops[] = {
                {"=", CompareOp::Eq},  {"<>", CompareOp::Ne}, {"!=", CompareOp::Ne}, {"<", CompareOp::Lt},
                {"<=", CompareOp::Le}, {">", CompareOp::Gt},  {">=", CompareOp::Ge},
            };
            for (auto [spelling, op] : ops) {
                if (cur().text == spelling) {
                    advance();
                    return make_compare(op, std::move(left), parse_sum(), column);
                }
            }
            return left;
        }
        bool negated = false;
        if (is_word(cur(), "not")) {
            if (is_op(next(), "=")) { // NOT = is the runtime's spelling of <>
                advance();
                advance();
                return make_compare(CompareOp::Ne, std::move(left), parse_sum(), column);
            }
            if (!is_word(next(), "like") && !is_word(next(), "in") && !is_word(next(), "between"))
                return left;
            negated = true;
            advance();
        }
        if (is_word(cur(), "like")) {
            advance();
            return make_like(std::move(left), parse_sum(), negated, column);
        }
        if (is_word(cur(), "in")) {
            advance();
            expect(Tok::LParen, "'(' after IN");
            std::vector<NodePtr> list;
            list.push_back(parse_sum());
            while (cur().kind == Tok::Comma) {
                advance();
                list.push_back(parse_sum());
            }
            expect(Tok::RParen, "')' closing the IN list");
            return make_in(std::move(left), std::move(list), negated, column);
        }
        if (is_word(cur(), "between")) {
            advance();
            NodePtr low = parse_sum();
            if (!is_word(cur(), "and"))
                throw CompileError {cur().column, "expected AND in BETWEEN"};
            advance();
            NodePtr high = parse_sum();
            return make_between(std::move(left), std::move(low), std::move(high), negated, column);
        }
        return left;
    }

    // One precedence level of arithmetic: operands from `operand` joined by the operators
    // `ops` spells.
    template <class Operand>
    NodePtr parse_arith(Operand operand, std::initializer_list<std::pair<std::string_view, ArithmeticOp>> ops)
    {
        OperatorRun run;
        run.operands.push_back((this->*operand)());
        for (;;) {
            auto found = std::find_if(ops.begin(), ops.end(), [&](const auto& op) { return is_op(cur(), op.first); });
            if (found == ops.end())
                return make_arith(std::move(run));
            run.ops.push_back(found->second);
            run.columns.push_back(cur().column);
            advance();
            run.operands.push_back((this->*operand)());
        }
    }

    NodePtr parse_sum()
    {
        return parse_arith(&ExprParser::parse_product, {{"+", ArithmeticOp::Add}, {"-", ArithmeticOp::Subtract}});
    }

    NodePtr parse_product()
    {
        return parse_arith(&ExprParser::parse_power, {{"*", ArithmeticOp::Multiply}, {"/", ArithmeticOp::Divide}});
    }

    NodePtr parse_power() { return parse_arith(&ExprParser::parse_unary, {{"^", ArithmeticOp::Power}}); }

    NodePtr parse_unary()
    {
        if (is_op(cur(), "-") || is_op(cur(), "+")) {
            DepthGuard guard(*this, cur().column);
            bool minus = cur().text == "-";
            int column = cur().column;
            advance();
            NodePtr operand = parse_unary();
            return minus ? make_negate(std::move(operand), column) : std::move(operand);
        }
        return parse_primary();
    }

    NodePtr parse_primary()
    {
        const Token& t = cur();
        int column = t.column;
        switch (t.kind) {
        case Tok::Number: {
            Scalar value = number_literal(t.text, column);
            advance();
            return make_literal(value);
        }
        case Tok::String: {
            std::string text = t.text;
            advance();
            Scalar value;
            value.set_text({});
            return make_literal(value, std::move(text));
        }
        case Tok::Hash: {
            int number = 0;
            auto [end, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), number);
            (void)end;
            if (ec != std::errc() || number < 1 || number > static_cast<int>(m_object.columns.size()))
                throw CompileError {column, fmt::format("#{} is not a column of the table", t.text)};
            advance();
            return make_column(number - 1, m_object.columns[number - 1].type);
        }
        case Tok::LParen: {
            advance();
            NodePtr inner = parse_or();
            expect(Tok::RParen, "')'");
            return inner;
        }
        case Tok::Name: return parse_name();
        default: throw CompileError {column, fmt::format("unexpected '{}'", describe(t))};
        }
    }

    NodePtr parse_name()
    {
        std::string name = cur().text;
        int column = cur().column;
        advance();
        if (cur().kind == Tok::LParen) {
            DepthGuard guard(*this, column);
            advance();
            if (iequals(name, "case"))
                return parse_case(column);
            const bool aggregate = is_aggregate(name);
            if (aggregate && m_in_aggregate > 0)
                throw CompileError {column, fmt::format("{} cannot be an argument of another aggregate", name)};
            AggregateClause clause = band_range();
            struct AggregateGuard {
                int& depth;
                bool on;
                AggregateGuard(int& d, bool o) : depth(d), on(o) { depth += on; }
                ~AggregateGuard() { depth -= on; }
            } inside(m_in_aggregate, aggregate);
            std::vector<NodePtr> args;
            if (cur().kind != Tok::RParen) {
                args.push_back(parse_or());
                while (cur().kind == Tok::Comma) {
                    advance();
                    args.push_back(parse_or());
                }
                if (aggregate && is_word(cur(), "for"))
                    parse_range(clause);
            }
            expect(Tok::RParen, "')' closing the argument list");
            if (aggregate)
                return make_aggregate(name, std::move(args), std::move(clause), m_object, column);
            return make_call(name, std::move(args), column);
        }
        if (int index = m_object.column_index(name); index >= 0)
            return make_column(index, m_object.columns[index].type);
        if (const Control* compute = m_object.find_compute(name))
            return compile_compute(*compute, column);
        if (iequals(name, "true") || iequals(name, "false")) {
            Scalar value;
            value.set_bool(iequals(name, "true"));
            return make_literal(value);
        }
        throw CompileError {column, fmt::format("'{}' is not a column or computed field", excerpt(name))};
    }

    // An aggregate's range when no FOR clause is written: that of the band it is shown in.
    AggregateClause band_range() const
    {
        AggregateClause clause;
        for (std::string_view grouped : {"header.", "trailer."}) {
            if (!istarts_with(m_band, grouped))
                continue;
            std::string_view digits = m_band.substr(grouped.size());
            int level = 0;
            if (std::from_chars(digits.data(), digits.data() + digits.size(), level).ec == std::errc() && level > 0) {
                clause.range = AggregateRange::Group;
                clause.group = level;
            }
            return clause;
        }
        if (iequals(m_band, "header") || iequals(m_band, "footer"))
            clause.range = AggregateRange::Page;
        return clause;
    }

    // FOR ALL | GROUP n | PAGE [ DISTINCT [ expression { , expression } ] ]
    void parse_range(AggregateClause& clause)
    {
        advance(); // FOR
        const Token& range = cur();
        if (is_word(range, "all")) {
            clause.range = AggregateRange::All;
        } else if (is_word(range, "page")) {
            clause.range = AggregateRange::Page;
        } else if (is_word(range, "group")) {
            advance();
            int level = 0;
            const Token& number = cur();
            if (number.kind != Tok::Number
                || std::from_chars(number.text.data(), number.text.data() + number.text.size(), level).ec != std::errc()
                || level < 1)
                throw CompileError {number.column, "expected a group number after FOR GROUP"};
            clause.range = AggregateRange::Group;
            clause.group = level;
        } else if (is_word(range, "crosstab") || is_word(range, "graph") || is_word(range, "object")) {
            throw CompileError {
                range.column,
                fmt::format("FOR {} is only for crosstabs, graphs and OLE objects", ascii::to_upper(range.text))};
        } else {
            throw CompileError {range.column, "expected ALL, GROUP n or PAGE after FOR"};
        }
        advance();
        if (!is_word(cur(), "distinct"))
            return;
        advance();
        clause.distinct = true;
        if (cur().kind == Tok::RParen)
            return;
        clause.keys.push_back(parse_or());
        while (cur().kind == Tok::Comma) {
            advance();
            clause.keys.push_back(parse_or());
        }
    }

    // A computed field's expression, compiled in place.
    NodePtr compile_compute(const Control& compute, int column)
    {
        for (const std::string& open : m_inlining.open)
            if (iequals(open, compute.name))
                throw CompileError {column, fmt::format("computed field '{}' refers to itself", compute.name)};
        if (m_inlining.open.size() >= 16)
            throw CompileError {column, "computed fields nested too deeply"};
        const Attribute* expression = find_attribute(compute.attributes, "expression");
        if (!expression)
            throw CompileError {column, fmt::format("computed field '{}' has no expression", compute.name)};
        auto inner_error = [&](const CompileError& error) {
            return CompileError {column, fmt::format("in computed field '{}': {}", compute.name, error.message)};
        };
        std::vector<Token> tokens;
        try {
            tokens = Lexer(expression->value.text).run();
        } catch (const CompileError& error) {
            throw inner_error(error);
        }
        m_inlining.tokens += tokens.size();
        if (m_inlining.tokens > max_inlined_tokens)
            throw CompileError {column, "computed fields expand to too long an expression"};
        m_inlining.open.push_back(compute.name);
        const Attribute* band = find_attribute(compute.attributes, "band");
        ExprParser inner(std::move(tokens), m_object, m_inlining, band ? band->value.text : std::string_view());
        inner.m_depth = m_depth;
        inner.m_in_aggregate = m_in_aggregate;
        NodePtr node;
        try {
            node = inner.parse_all();
        } catch (const CompileError& error) {
            m_inlining.open.pop_back();
            throw inner_error(error);
        }
        m_inlining.open.pop_back();
        return node;
    }

    NodePtr parse_case(int column)
    {
        NodePtr subject = parse_or();
        std::vector<CaseWhen> whens;
        NodePtr otherwise;
        while (is_word(cur(), "when")) {
            advance();
            CaseWhen when;
            do {
                if (!when.tests.empty())
                    advance(); // the comma
                CaseWhen::Test test;
                if (is_word(cur(), "is")) {
                    advance();
                    static constexpr std::pair<std::string_view, CompareOp> ops[] = {
                        {"=", CompareOp::Eq},  {"<>", CompareOp::Ne}, {"<", CompareOp::Lt},
                        {"<=", CompareOp::Le}, {">", CompareOp::Gt},  {">=", CompareOp::Ge},
                    };
                    bool found = false;
                    for (auto [spelling, op] : ops) {
                        if (is_op(cur(), spelling)) {
                            test.op = op;
                            found = true;
                        }
                    }
                    if (!found)
                        throw CompileError {cur().column, "expected a comparison after IS"};
                    advance();
                    test.is_compare = true;
                }
                test.value = parse_sum();
                if (!test.is_compare && is_word(cur(), "to")) {
                    advance();
                    test.upper = parse_sum();
                }
                when.tests.push_back(std::move(test));
            } while (cur().kind == Tok::Comma);
            if (!is_word(cur(), "then"))
                throw CompileError {cur().column, "expected THEN in CASE"};
            advance();
            when.result = parse_or();
            whens.push_back(std::move(when));
        }
        if (whens.empty())
            throw CompileError {cur().column, "expected WHEN in CASE"};
        if (is_word(cur(), "else")) {
            advance();
            otherwise = parse_or();
        }
        expect(Tok::RParen, "')' closing CASE");
        return make_case(std::move(subject), std::move(whens), std::move(otherwise), column);
    }

    static Scalar number_literal(std::string_view text, int column)
    {
        Scalar value;
        bool forced_decimal = !text.empty() && (text.back() == 'd' || text.back() == 'D');
        if (forced_decimal)
            text.remove_suffix(1);
        bool exponent = text.find_first_of("eE") != std::string_view::npos;
        bool point = text.find('.') != std::string_view::npos;
        if (exponent && !forced_decimal) {
            double number = 0;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
            if (ec != std::errc() || end != text.data() + text.size())
                throw CompileError {column, fmt::format("'{}' is not a number", text)};
            value.set_double(number);
            return value;
        }
        if (!point && !forced_decimal && !exponent) {
            std::int64_t number = 0;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
            if (ec == std::errc() && end == text.data() + text.size() && number <= 4294967295LL) {
                value.set_long(number);
                return value;
            }
        }
        // Exact decimal: digits with an optional point.
        Int128 coefficient = 0;
        int scale = 0;
        int digits = 0;
        bool after_point = false;
        for (char c : text) {
            if (c == '.') {
                after_point = true;
                continue;
            }
            if (c < '0' || c > '9')
                throw CompileError {column, fmt::format("'{}' is not a number", text)};
            if (digits == 0 && c == '0' && !after_point)
                continue;
            if (++digits > 28 || (after_point && scale >= Decimal::max_scale))
                throw CompileError {column, fmt::format("'{}' has too many digits", text)};
            coefficient = coefficient * 10 + (c - '0');
            if (after_point)
                ++scale;
        }
        value.set_decimal(Decimal::from_parts(coefficient, scale));
        return value;
    }

    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    const ObjectDefinition& m_object;
    Inlining& m_inlining;
    std::string_view m_band; // where the expression is shown, for an aggregate's default range
    int m_depth = 0;
    int m_in_aggregate = 0; // aggregates do not nest
};

} // namespace

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

namespace {

std::string error_text(const CompileError& error)
{
    if (error.column > 0)
        return fmt::format("Expression is not valid: {} at column {}", error.message, error.column);
    return fmt::format("Expression is not valid: {}", error.message);
}

} // namespace

Result<Expression> Expression::compile(std::string_view text, const ObjectDefinition& object, std::string_view band,
                                       std::string_view compute)
{
    try {
        if (trim_blanks(text).empty())
            throw CompileError {1, "the expression is empty"};
        Inlining inlining;
        if (!compute.empty())
            inlining.open.emplace_back(compute);
        ExprParser parser(Lexer(text).run(), object, inlining, band);
        Expression expression;
        expression.m_root = parser.parse_all();
        return expression;
    } catch (const CompileError& error) {
        return Result<Expression>::failure(error_text(error));
    }
}

Result<void> check_compute_cycles(const ObjectDefinition& object)
{
    // The computed fields each one names (a name that is no column and not a call), read from
    // its tokens once: compiling every field, which inlines the fields it names, could take
    // far longer on a source whose fields name each other many times.
    struct Field {
        const Control* control;
        std::vector<std::pair<std::size_t, int>> names; // field index, column of the name
    };
    std::vector<Field> fields;
    for (const Control& control : object.controls)
        if (control.kind == ControlKind::Compute && find_attribute(control.attributes, "expression"))
            fields.push_back({&control, {}});
    std::unordered_map<std::string, std::size_t> by_name; // lower-case name -> field
    for (std::size_t i = fields.size(); i-- > 0;)
        by_name[to_lower(fields[i].control->name)] = i; // the first of a name, as find_compute
    auto field_index = [&](std::string_view name) -> std::optional<std::size_t> {
        auto found = by_name.find(to_lower(name));
        return found == by_name.end() ? std::nullopt : std::optional<std::size_t>(found->second);
    };
    for (Field& field : fields) {
        std::vector<Token> tokens;
        try {
            tokens = Lexer(find_attribute(field.control->attributes, "expression")->value.text).run();
        } catch (const CompileError&) {
            continue; // fails where it is used
        }
        for (std::size_t t = 0; t + 1 < tokens.size(); ++t)
            if (tokens[t].kind == Tok::Name && tokens[t + 1].kind != Tok::LParen
                && object.column_index(tokens[t].text) < 0)
                if (auto named = field_index(tokens[t].text))
                    field.names.emplace_back(*named, tokens[t].column);
    }
    // Depth-first without recursion: a field met again while it is still open closes a cycle.
    enum class State : std::uint8_t { New, Open, Done };
    std::vector<State> state(fields.size(), State::New);
    for (std::size_t root = 0; root < fields.size(); ++root) {
        if (state[root] != State::New)
            continue;
        std::vector<std::pair<std::size_t, std::size_t>> stack {{root, 0}}; // field, next name
        state[root] = State::Open;
        while (!stack.empty()) {
            auto& [at, next] = stack.back();
            if (next == fields[at].names.size()) {
                state[at] = State::Done;
                stack.pop_back();
                continue;
            }
            auto [named, column] = fields[at].names[next++];
            if (state[named] == State::Open)
                return Result<void>::failure(fmt::format(
                    "compute '{}': Expression is not valid: computed field '{}' refers to itself at column {}",
                    fields[at].control->name, fields[named].control->name, column));
            if (state[named] == State::New) {
                state[named] = State::Open;
                stack.emplace_back(named, 0);
            }
        }
    }
    return {};
}

ExprKind Expression::kind() const { return m_root->kind; }

Value Expression::evaluate(const RowContext& context) const
{
    Scalar out;
    m_root->eval(context, out);
    return scalar_to_value(out);
}

bool Expression::test(const RowContext& context) const { return m_root->test(context); }

} // namespace hearth::dw
