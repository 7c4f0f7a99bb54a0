// The plug-in library as the host loads it: one exported entry that makes the plug-in
// object, and nothing else of the plug-in visible.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "automation/CallByName.h"
#include "homeseer/PluginEntry.h"
#include "vb/Conversions.h"

namespace {

TEST(PluginLibrary, ExportsOnlyTheEntryThatMakesThePlugin) {
    void* library = dlopen(REVA_ZEPHRA_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<homeseer::PluginEntry>(dlsym(library, homeseer::kPluginEntryName));
    ASSERT_NE(entry, nullptr);
    // The start-up, like every other function of the plug-in, stays inside.
    EXPECT_EQ(dlsym(library, "_ZN6zephra6InitHWB5cxx11ERNS_11PluginStateEi"), nullptr);

    homeseer::PluginInstance wrong;
    EXPECT_FALSE(entry(homeseer::kPluginContractVersion + 1, &wrong));
    EXPECT_FALSE(wrong.object);
    {
        homeseer::PluginInstance instance;
        ASSERT_TRUE(entry(homeseer::kPluginContractVersion, &instance));
        ASSERT_TRUE(instance.object);
        EXPECT_EQ(instance.object->typeName(), "reva");
        EXPECT_EQ(vb::CStr(automation::callByName(vb::Variant(instance.object), "Name")), "dkvZephra");
        EXPECT_EQ(vb::CLng(automation::callByName(vb::Variant(instance.object), "Capabilities")), 4);
        ASSERT_TRUE(instance.idle);
        EXPECT_TRUE(instance.idle());
    }
    // Left loaded: the host never unloads it either.
}

}  // namespace
