#pragma once
// Sample records for a new database, the same for the same seed: households with their persons
// (Chinese names, identity numbers with valid check digits), buildings, houses, ownership and
// rentals, honours, special-care and organisation records, and small photos. Alongside them
// the settings, users and rights that every new database has.

#include "app/identity_number.h"
#include "app/schema.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace hearth::sample {

// One value of a row: null, a whole number, a decimal, a text or bytes.
struct Field {
    enum class Kind : std::uint8_t { Null, Integer, Real, Text, Bytes };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view text; // the text or the bytes

    Field() = default;
    Field(std::nullptr_t) {}
    Field(int value) : kind(Kind::Integer), integer(value) {}
    Field(std::int64_t value) : kind(Kind::Integer), integer(value) {}
    Field(double value) : kind(Kind::Real), real(value) {}
    Field(std::string_view value) : kind(Kind::Text), text(value) {}
    Field(const std::string& value) : kind(Kind::Text), text(value) {}
    Field(const char* value) : kind(Kind::Text), text(value) {}
    static Field bytes(std::string_view data)
    {
        Field field(data);
        field.kind = Kind::Bytes;
        return field;
    }
};

// Where the rows go. table() announces a table and its columns once and gives the number that
// insert() then uses; a sink keeps its first failure and reports it when the load ends.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual int table(schema::Database database, std::string_view name, std::initializer_list<std::string_view> columns)
        = 0;
    virtual void insert(int table, std::initializer_list<Field> row) = 0;
    // False once the sink has failed, so that the generator stops early.
    virtual bool ok() = 0;
};

// The generator's identity numbers carry the check digit of app/identity_number.h.
using hearth::id_check_digit;

// The settings (archiving of every table switched on), the administrator and one ordinary
// user with the given password hashes, and their column rights.
void write_settings_and_users(RowSink& sink, const std::string& admin_hash, const std::string& user_hash);

// `households` sample households and what belongs to them, generated from `seed`.
void write_sample(RowSink& sink, long households, std::uint64_t seed);

} // namespace hearth::sample
