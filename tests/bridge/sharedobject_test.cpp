// The bridge as built for this host exports its native methods and nothing else.
#include "elfsymbols.h"
#include "exportnames.h"

#include <gtest/gtest.h>

#include <set>

TEST(SharedObjectExports, AreExactlyTheTenNativeMethods)
{
    const std::vector<std::string> exported = readElfExports(QUORBEL_SO);

    EXPECT_EQ(std::set<std::string>(exported.begin(), exported.end()), nativeMethodNames());
    EXPECT_EQ(exported.size(), nativeMethodNames().size()) << "a name is exported twice";
}
