#include "library/frame/library_classes.h"

#include "host/object/class_listing.h"
#include "host/object/class_registry.h"

#include <gtest/gtest.h>

using namespace hearth;

namespace {

// Every class the library registers lists its ancestor before it, and registering twice is
// refused rather than doubling the list.
TEST(LibraryClasses, RegisterInDependencyOrderOnce)
{
    ClassRegistry registry;
    ASSERT_EQ(register_library_classes(registry), "");
    for (const ClassInfo* cls : registry.library_classes()) {
        ASSERT_NE(cls->ancestor(), nullptr) << cls->name();
        EXPECT_FALSE(cls->ancestor()->origin() == ClassOrigin::Nested) << cls->name();
    }
    const std::string listed = list_classes(registry);
    if (registry.library_classes().empty()) {
        EXPECT_EQ(listed, "");
    } else {
        EXPECT_NE(register_library_classes(registry), "");
        EXPECT_EQ(list_classes(registry), listed);
    }
}

} // namespace
