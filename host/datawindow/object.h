#pragma once
// A DataWindow object: the table definition (result columns, SELECT, update settings),
// bands, and the controls drawn in them, built from a source document. Every engine holds
// its own copy, so Modify on one control never shows through another.

#include "host/datawindow/source.h"
#include "host/value/result.h"
#include "host/value/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::dw {

// Declared column types of the table definition.
enum class ColumnKind : std::uint8_t { Char, Int, Long, ULong, Number, Real, Decimal, Date, DateTime, Time, Timestamp };

// How a column's values are held in the row store.
enum class Storage : std::uint8_t { String, Integer, Double, Decimal, Date, DateTime, Time };

struct ColumnType {
    ColumnKind kind = ColumnKind::Char;
    int size = 0; // char length, decimal places; 0 otherwise

    Storage storage() const;
    // The runtime's value type of the column's items (GetItem results).
    Type value_type() const;
    // "char(10)", "long", "decimal(2)" ... as Describe ColType answers.
    std::string text() const;
    // Parses the source spelling; nullopt for an unknown type.
    static std::optional<ColumnType> parse(std::string_view text);
};

struct TableColumn {
    std::string name;
    ColumnType type;
    std::string dbname;
    bool key = false;
    bool update = false;
    bool updatewhereclause = true;
    bool identity = false;
    std::vector<Attribute> attributes; // everything as written, for Describe and Syntax
};

struct RetrieveArgument {
    std::string name;
    std::string type; // string, number, date, datetime, time, stringlist ...

    // A list type (stringlist, numberlist ...) takes several values of its element type.
    bool is_list() const { return type.size() > 4 && type.ends_with("list"); }
    std::string_view element_type() const
    {
        return is_list() ? std::string_view(type).substr(0, type.size() - 4) : std::string_view(type);
    }
};

enum class ControlKind : std::uint8_t {
    Text,
    Column,
    Compute,
    Bitmap,
    Line,
    Rectangle,
    Ellipse,
    RoundRectangle,
    GroupBox,
    Button,
    Report,
    Graph,
    Ole,
    TableBlob,
};

// The keyword of a control kind ("text", "column", ...), which is also its Type attribute
// except for those the runtime names otherwise (see control_type_name).
std::string_view control_keyword(ControlKind kind);
std::string_view control_type_name(ControlKind kind);
std::optional<ControlKind> control_kind_from_keyword(std::string_view keyword);

struct Control {
    ControlKind kind = ControlKind::Text;
    std::string name;
    int column_id = 0;                 // 1-based table column, for ControlKind::Column
    std::vector<Attribute> attributes; // band, x, y, text, expression ... as written or modified
};

struct Band {
    std::string name; // header, detail, summary, footer, header.1, trailer.1 ...
    std::vector<Attribute> attributes;
};

struct ObjectDefinition {
    std::string name;    // object name (file stem), may be empty
    std::string release; // release number as written ("10", "10.5"), may be empty
    std::vector<Attribute> datawindow_attributes;
    std::vector<Band> bands;
    std::vector<TableColumn> columns;
    std::string select;       // retrieve=
    std::string update_table; // update=
    int update_where = 0;
    bool update_key_in_place = false;
    std::vector<RetrieveArgument> arguments;
    std::string sort;                        // sort= as designed
    std::string filter;                      // filter= as designed
    SourcePos sort_pos, filter_pos;          // where they stand in the source, for messages
    std::vector<Attribute> table_attributes; // other table attributes, kept as written
    std::vector<SourceItem> groups;          // group(...) items, kept as written
    std::vector<Control> controls;           // in source order
    std::vector<SourceItem> trailers;        // htmltable(...), export.xml(...) ... kept opaque
    // Rows stored in the object itself (data(...)), each with one value per table column;
    // they fill Primary! when the object is assigned.
    std::vector<std::vector<Value>> data_rows;

    // Builds the object from source text; file names the source in error messages.
    static Result<ObjectDefinition> parse(std::string_view text, std::string_view file);
    // Builds the object from a parsed document.
    static Result<ObjectDefinition> from_document(SourceDocument document, std::string_view file);

    // 0-based index of the table column with that name (without case), or -1. Of two
    // columns with one name (kept from objects painted long ago) the first answers.
    int column_index(std::string_view name) const;
    // The control with that name (without case), or nullptr.
    const Control* find_control(std::string_view name) const;
    Control* find_control(std::string_view name);
    // The column control showing table column `index` (0-based), or nullptr.
    const Control* column_control(int index) const;
    Control* column_control(int index);
    // The compute control with that name, or nullptr.
    const Control* find_compute(std::string_view name) const;

    // The whole object written back as source text (DataWindow.Syntax).
    std::string syntax() const;
};

// Checks a control's attributes (band, name, id) and fills its fields; used by the source
// builder and by Modify's `create`. Fails with a located message.
Result<Control> make_control(SourceItem item, const ObjectDefinition& object, std::string_view file);

// Whether a band name is one the runtime knows (header, detail, header.2, foreground ...).
bool is_band_name(std::string_view band);

} // namespace hearth::dw
