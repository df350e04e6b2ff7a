#pragma once
// Shared helpers of the engine tests: the shipped test objects and rows.

#include "host/datawindow/datawindow.h"
#include "host/datawindow/library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace hearth::dw::test {

inline std::filesystem::path data_dir()
{
    return std::filesystem::path(HEARTH_SOURCE_DIR) / "tests/host/datawindow/data";
}

// A fresh engine with object `name` from the test data, without rows.
inline std::unique_ptr<Engine> engine_for(const std::string& name)
{
    auto engine = std::make_unique<Engine>();
    auto object = ObjectLibrary({data_dir()}).load(name);
    EXPECT_TRUE(object.ok()) << (object.ok() ? "" : object.error());
    auto assigned = engine->set_object(std::move(*object));
    EXPECT_TRUE(assigned.ok());
    return engine;
}

// d_person with its five rows loaded as retrieved rows (NotModified!).
inline std::unique_ptr<Engine> retrieved_persons()
{
    auto engine = engine_for("d_person");
    RowLoader loader = engine->load_rows(ItemStatus::NotModified);
    const char* rows[][7] = {
        {"R1001", "张三", "3", "1960-05-01", "1200.50", "02", "0"},
        {"R1002", "Li Si", "1", "1975-11-23", "-30.00", "10", "1"},
        {"R0999", "wang wu", "2", "", "0", "02", "0"},
    };
    for (const auto& row : rows) {
        loader.begin_row();
        for (std::size_t c = 0; c < 7; ++c)
            EXPECT_TRUE(loader.set_text(c, row[c]));
    }
    EXPECT_EQ(loader.commit(), 3);
    return engine;
}

} // namespace hearth::dw::test
