#include "qnx/Sched.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

TEST(SchedTest, PrioritiesAreAcceptedAndLibrariesOpenWithThePlatformsModes)
{
    EXPECT_EQ(qnx::getprio(0), 0);
    EXPECT_EQ(qnx::setprio(0, 10), 0);
    EXPECT_EQ(qnx::getprio(0), 0);
    EXPECT_EQ(qnx::delay(1), 0u);

    void *library = qnx::dlopen("libm.so.6", qnx::QNX_RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(dlsym(library, "cos"), nullptr);
    dlclose(library);
    EXPECT_EQ(qnx::dlopen("/nonexistent/lib.so", qnx::QNX_RTLD_LOCAL), nullptr);
    EXPECT_NE(dlerror(), nullptr);
}
