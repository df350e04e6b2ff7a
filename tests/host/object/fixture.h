#pragma once
// A registry with the test classes and a runtime over it; the script trace starts empty.

#include "test_classes.h"

#include "host/object/runtime.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace hearth::test {

class ObjectModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(register_test_classes(registry), "");
        trace().clear();
    }

    // The error log as "<code> <class> <script>" lines.
    std::vector<std::string> errors() const
    {
        std::vector<std::string> lines;
        for (const ErrorRecord& record : runtime.error_log())
            lines.push_back(fmt::format("{} {} {}", int(record.code), record.class_name, record.script));
        return lines;
    }

    template <class T> T& object(const ObjectRef& ref)
    {
        auto* typed = dynamic_cast<T*>(ref.get());
        EXPECT_NE(typed, nullptr);
        return *typed;
    }

    ClassRegistry registry;
    Runtime runtime {registry};
};

using Lines = std::vector<std::string>;

} // namespace hearth::test
