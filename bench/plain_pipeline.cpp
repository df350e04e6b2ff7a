// The plain pipeline that dwtool's is measured against: the persons read through the C API
// into typed columns with one text arena, filtered on age >= 30, sorted by name (without
// case) and person number, and written tab-separated. PostgreSQL rows come in single-row
// mode, so only these columns hold them.
//
//   bench_plain_pipeline SQLITE_FILE OUT
//   bench_plain_pipeline 'host=... dbname=...' OUT

#include <libpq-fe.h>
#include <sqlite3.h>

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* const select_text
    = "SELECT PersonNo, Name, RprNo, Age, Income, Area, Birthday, SaveTime, Kind, Flag FROM bench_person";

struct Text {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

struct Persons {
    std::string arena; // the bytes of every text cell
    std::vector<std::int64_t> person_no, age, flag;
    std::vector<Text> name, rprno, kind;
    std::vector<double> income, area;
    std::vector<std::uint32_t> birthday;  // yyyymmdd
    std::vector<std::uint64_t> save_time; // yyyymmddhhmmss
    std::vector<std::uint8_t> kind_null;

    Text add_text(std::string_view text)
    {
        const Text t {std::uint32_t(arena.size()), std::uint32_t(text.size())};
        arena.append(text);
        return t;
    }
    std::string_view text(Text t) const { return std::string_view(arena).substr(t.offset, t.size); }
    std::size_t rows() const { return person_no.size(); }
};

std::int64_t whole(std::string_view text)
{
    std::int64_t n = 0;
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

double number(std::string_view text)
{
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return d;
}

// The digits of an ISO date or timestamp as one number: 2024-01-05 12:00:00 -> 20240105120000.
std::uint64_t packed(std::string_view text)
{
    std::uint64_t n = 0;
    for (char c : text)
        if (c >= '0' && c <= '9')
            n = n * 10 + std::uint64_t(c - '0');
    return n;
}

// One row from any source that reads a cell as a whole number, a double or text.
template <class Source> void add_row(Persons& p, const Source& row)
{
    p.person_no.push_back(row.whole(0));
    p.name.push_back(p.add_text(row.text(1)));
    p.rprno.push_back(p.add_text(row.text(2)));
    p.age.push_back(row.whole(3));
    p.income.push_back(row.number(4));
    p.area.push_back(row.number(5));
    p.birthday.push_back(std::uint32_t(packed(row.text(6))));
    p.save_time.push_back(packed(row.text(7)));
    p.kind_null.push_back(row.is_null(8) ? 1 : 0);
    p.kind.push_back(p.add_text(row.text(8)));
    p.flag.push_back(row.whole(9));
}

struct SqliteRow {
    sqlite3_stmt* stmt;
    std::int64_t whole(int c) const { return sqlite3_column_int64(stmt, c); }
    double number(int c) const { return sqlite3_column_double(stmt, c); }
    std::string_view text(int c) const
    {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        return t ? std::string_view(t, std::size_t(sqlite3_column_bytes(stmt, c))) : std::string_view();
    }
    bool is_null(int c) const { return sqlite3_column_type(stmt, c) == SQLITE_NULL; }
};

struct PostgresRow {
    const PGresult* result;
    std::int64_t whole(int c) const { return ::whole(text(c)); }
    double number(int c) const { return ::number(text(c)); }
    std::string_view text(int c) const
    {
        return std::string_view(PQgetvalue(result, 0, c), std::size_t(PQgetlength(result, 0, c)));
    }
    bool is_null(int c) const { return PQgetisnull(result, 0, c) != 0; }
};

bool read_sqlite(const char* path, Persons& p)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return false;
    sqlite3_stmt* stmt = nullptr;
    bool ok = sqlite3_prepare_v2(db, select_text, -1, &stmt, nullptr) == SQLITE_OK;
    int step = SQLITE_DONE;
    while (ok && (step = sqlite3_step(stmt)) == SQLITE_ROW)
        add_row(p, SqliteRow {stmt});
    ok = ok && step == SQLITE_DONE;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok;
}

bool read_postgres(const char* conninfo, Persons& p)
{
    PGconn* conn = PQconnectdb(conninfo);
    bool ok = PQstatus(conn) == CONNECTION_OK && PQsendQuery(conn, select_text) && PQsetSingleRowMode(conn);
    while (PGresult* result = ok ? PQgetResult(conn) : nullptr) {
        if (PQresultStatus(result) == PGRES_SINGLE_TUPLE)
            add_row(p, PostgresRow {result});
        else if (PQresultStatus(result) != PGRES_TUPLES_OK) {
            std::fprintf(stderr, "%s", PQresultErrorMessage(result));
            ok = false;
        }
        PQclear(result);
    }
    PQfinish(conn);
    return ok;
}

int compare_folded(std::string_view a, std::string_view b)
{
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : int(c); };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (int x = fold(static_cast<unsigned char>(a[i])), y = fold(static_cast<unsigned char>(b[i])); x != y)
            return x < y ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_plain_pipeline SQLITE_FILE|PG_CONNINFO OUT\n");
        return 2;
    }
    const std::string_view source = argv[1];
    Persons p;
    const bool postgres = source.find('=') != std::string_view::npos;
    if (!(postgres ? read_postgres(argv[1], p) : read_sqlite(argv[1], p))) {
        std::fprintf(stderr, "bench_plain_pipeline: cannot read %s\n", argv[1]);
        return 1;
    }

    std::vector<std::uint32_t> order;
    for (std::uint32_t r = 0; r < p.rows(); ++r)
        if (p.age[r] >= 30)
            order.push_back(r);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = compare_folded(p.text(p.name[a]), p.text(p.name[b]));
        return c != 0 ? c < 0 : p.person_no[a] < p.person_no[b];
    });

    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out)
        return 1;
    fmt::memory_buffer block;
    for (std::uint32_t r : order) {
        const std::uint32_t day = p.birthday[r];
        const std::uint64_t stamp = p.save_time[r];
        fmt::format_to(std::back_inserter(block),
                       "{}\t{}\t{}\t{}\t{:.2f}\t{}\t{:04}-{:02}-{:02}\t{:04}-{:02}-{:02} {:02}:{:02}:{:02}\t{}\t{}\r\n",
                       p.person_no[r], p.text(p.name[r]), p.text(p.rprno[r]), p.age[r], p.income[r], p.area[r],
                       day / 10000, day / 100 % 100, day % 100, stamp / 10000000000, stamp / 100000000 % 100,
                       stamp / 1000000 % 100, stamp / 10000 % 100, stamp / 100 % 100, stamp % 100,
                       p.kind_null[r] ? std::string_view() : p.text(p.kind[r]), p.flag[r]);
        if (block.size() > (64 << 10)) {
            std::fwrite(block.data(), 1, block.size(), out);
            block.clear();
        }
    }
    std::fwrite(block.data(), 1, block.size(), out);
    return std::fclose(out) == 0 ? 0 : 1;
}
