#pragma once
// Internal to the transaction and its cursors: a statement as translated and prepared.

#include "host/sql/dialect.h"
#include "host/sql/driver.h"

#include <memory>
#include <string>

namespace hearth {

namespace sql {

// A translated statement and its prepared form on the connected backend.
struct PreparedStatement {
    std::string key; // the original text
    Translated translated;
    std::unique_ptr<Statement> statement;
};

} // namespace sql

} // namespace hearth
