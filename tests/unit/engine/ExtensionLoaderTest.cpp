#include "engine/ExtensionLoader.h"
#include "engine/ExtensionTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

using System::ExtensionLoader;

namespace {

// Every name resolves to a distinct non-null fake address, except those listed as missing.
struct FakeDriver {
    std::set<std::string> missing;
    std::vector<std::string> asked;

    ExtensionLoader::ProcLookup lookup()
    {
        return [this](const char* name) -> void* {
            asked.emplace_back(name);
            return missing.count(name) ? nullptr : address(name);
        };
    }
    static void* address(const std::string& name)
    {
        return reinterpret_cast<void*>(std::hash<std::string>{}(name) | 1);
    }
};

int load(const char* version, const char* extensions, const char* windowSystem = nullptr)
{
    FakeDriver driver;
    return ExtensionLoader::load(version, extensions, windowSystem, driver.lookup());
}

std::vector<bool> versionFlags()
{
    return {ExtensionLoader::version12(), ExtensionLoader::version13(), ExtensionLoader::version14()};
}

} // namespace

TEST(ExtensionLoaderVersion, OneDotRuleAndModernMajorVersions)
{
    struct Case {
        const char* text;
        std::vector<bool> flags;
    };
    const Case cases[] = {
        {"1.1", {false, false, false}},
        {"1.2", {true, false, false}},
        {"1.3.1 Vendor", {true, true, false}},
        {"1.4", {true, true, true}},
        {"1.5", {true, true, true}},
        {"1.", {false, false, false}},
        // By the "1." rule alone these find nothing ("4.5 ..." has no "1.", "2.1 M" has "1. ").
        {"4.5 (Compatibility Profile) Mesa 22.3.6", {true, true, true}},
        {"2.1 Mesa 10.1", {true, true, true}},
        {"10.0", {true, true, true}},
        {"", {false, false, false}},
        {"garbage", {false, false, false}},
        {"4", {false, false, false}},
        {"OpenGL ES 1.0", {false, false, false}},
    };
    for (const Case& c : cases) {
        ExtensionLoader::forceVersion(!c.flags[0], !c.flags[1], !c.flags[2]);
        load(c.text, "");
        EXPECT_EQ(versionFlags(), c.flags) << '"' << c.text << '"';
    }
}

TEST(ExtensionLoaderVersion, MissingVersionKeepsEarlierFlags)
{
    load("1.4", "GL_EXT_bgra");
    load(nullptr, "");
    EXPECT_EQ(versionFlags(), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(ExtensionLoader::found("GL_EXT_bgra"));
    EXPECT_EQ(ExtensionLoader::foundList(), "");
}

TEST(ExtensionLoaderQuery, WholeWordOnly)
{
    const std::string name = "GL_ARB_multitexture";
    struct Case {
        const char* text;
        bool counts;
    };
    const Case cases[] = {
        {"GL_ARB_multitexture GL_EXT_bgra", true},
        {"GL_EXT_abgr GL_ARB_multitexture GL_EXT_bgra", true},
        {"GL_EXT_abgr GL_ARB_multitexture", true},
        {"GL_ARB_multitexture", true},
        {"GL_ARB_multitexture_extra GL_EXT_bgra", false},
        {"XGL_ARB_multitexture GL_EXT_bgra", false},
        {"GL_ARB_multitexture_extra GL_ARB_multitexture", true},
        {"XGL_ARB_multitexture GL_ARB_multitexture_extra GL_ARB_multitexture GL_EXT_bgra", true},
        {"", false},
    };
    for (const Case& c : cases) {
        load("1.1", "");
        EXPECT_EQ(ExtensionLoader::queryExtension(name, c.text), c.counts) << c.text;
        EXPECT_EQ(ExtensionLoader::foundList(), c.counts ? name + " " : "") << c.text;
    }

    load("1.1", "");
    const char* both = "GL_EXT_abgr GL_EXT_bgra";
    EXPECT_FALSE(ExtensionLoader::queryExtension("", both));
    EXPECT_FALSE(ExtensionLoader::queryExtension(both, both));
    EXPECT_FALSE(ExtensionLoader::queryExtension("GL_EXT_abgr", nullptr));
    EXPECT_EQ(ExtensionLoader::foundList(), "");
}

TEST(ExtensionLoaderQuery, FoundListFollowsQueryOrderAndIsClearedPerLoad)
{
    load("1.1", "GL_SGIS_generate_mipmap GL_VENDOR_unknown GL_EXT_bgra GL_ARB_multitexture");
    EXPECT_EQ(ExtensionLoader::foundList(), "GL_ARB_multitexture GL_EXT_bgra GL_SGIS_generate_mipmap ");
    EXPECT_TRUE(ExtensionLoader::found("GL_SGIS_generate_mipmap"));
    EXPECT_FALSE(ExtensionLoader::found("GL_VENDOR_unknown"));
    EXPECT_FALSE(ExtensionLoader::found("GL_ARB_texture_border_clamp"));

    load("1.1", "GL_ARB_texture_border_clamp");
    EXPECT_EQ(ExtensionLoader::foundList(), "GL_ARB_texture_border_clamp ");
    EXPECT_FALSE(ExtensionLoader::found("GL_SGIS_generate_mipmap"));
}

TEST(ExtensionLoaderQuery, EveryKnownExtensionFound)
{
    namespace Table = System::ExtensionTable;
    std::string listed, expected;
    for (std::size_t i = Table::glExtensionCount; i-- > 0;)
        listed += std::string(Table::glExtensions[i].name) + " ";
    for (std::size_t i = 0; i < Table::glExtensionCount; ++i)
        expected += std::string(Table::glExtensions[i].name) + " ";

    EXPECT_EQ(load("1.5", listed.c_str()), 0);
    EXPECT_EQ(ExtensionLoader::foundList(), expected);
    EXPECT_EQ(ExtensionLoader::foundList().size(), 2220u);
    for (std::size_t i = 0; i < Table::glExtensionCount; ++i)
        EXPECT_TRUE(ExtensionLoader::found(Table::glExtensions[i].name)) << Table::glExtensions[i].name;
}

TEST(ExtensionLoaderQuery, IsSupportedIsASubstringTestOnFoundList)
{
    load("1.5", "GL_EXT_bgra");
    EXPECT_FALSE(ExtensionLoader::isSupported("GL_ARB_vertex_buffer_object"));
    EXPECT_FALSE(ExtensionLoader::isSupported("ARB_multitexture"));

    load("1.5", "GL_ARB_multitexture GL_ARB_vertex_buffer_object");
    EXPECT_TRUE(ExtensionLoader::isSupported("GL_ARB_vertex_buffer_object"));
    EXPECT_TRUE(ExtensionLoader::isSupported("ARB_multitexture"));
    EXPECT_FALSE(ExtensionLoader::isSupported("GL_ARB_vertex_buffer"));
    EXPECT_FALSE(ExtensionLoader::isSupported("GL_EXT_bgra"));
}

TEST(ExtensionLoaderEntryPoints, FetchedForFoundExtensionsAndVersionsOnly)
{
    FakeDriver driver;
    driver.missing = {"glBindBufferARB"};  // belongs to an extension that is not listed
    EXPECT_EQ(ExtensionLoader::load("1.2", "GL_EXT_compiled_vertex_array", nullptr, driver.lookup()), 0);
    EXPECT_EQ(ExtensionLoader::entryPoint("glLockArraysEXT"), FakeDriver::address("glLockArraysEXT"));
    EXPECT_EQ(ExtensionLoader::entryPoint("glTexImage3D"), FakeDriver::address("glTexImage3D"));
    EXPECT_EQ(ExtensionLoader::entryPoint("glBindBufferARB"), nullptr);
    EXPECT_EQ(ExtensionLoader::entryPoint("glWindowPos2d"), nullptr);
    EXPECT_EQ(ExtensionLoader::entryPoint("glNoSuchFunction"), nullptr);
    for (const std::string& name : driver.asked)
        EXPECT_NE(name, "glBindBufferARB");

    // A later load with less found empties the slots of the earlier one.
    load("1.4", "");
    EXPECT_EQ(ExtensionLoader::entryPoint("glLockArraysEXT"), nullptr);
    EXPECT_NE(ExtensionLoader::entryPoint("glWindowPos2d"), nullptr);
}

TEST(ExtensionLoaderEntryPoints, MissingEntryPointSetsTheErrorFlag)
{
    FakeDriver driver;
    driver.missing = {"glActiveTextureARB"};
    EXPECT_EQ(ExtensionLoader::load("1.1", "GL_ARB_multitexture", nullptr, driver.lookup()), 1);
    EXPECT_EQ(ExtensionLoader::entryPoint("glActiveTextureARB"), nullptr);
    EXPECT_NE(ExtensionLoader::entryPoint("glClientActiveTextureARB"), nullptr);

    driver.missing = {"glWindowPos3sv"};
    EXPECT_EQ(ExtensionLoader::load("1.4", "", nullptr, driver.lookup()), 1);
    EXPECT_EQ(ExtensionLoader::load("1.3", "", nullptr, driver.lookup()), 0);
}

TEST(ExtensionLoaderEntryPoints, OpenGL13IsEnoughForMultitexture)
{
    // A 1.3 driver that does not list GL_ARB_multitexture and only knows the core names.
    FakeDriver driver;
    driver.missing = {"glActiveTextureARB", "glMultiTexCoord2fARB"};
    EXPECT_EQ(ExtensionLoader::load("1.3", "", nullptr, driver.lookup()), 0);
    EXPECT_EQ(ExtensionLoader::entryPoint("glActiveTextureARB"), FakeDriver::address("glActiveTexture"));
    EXPECT_EQ(ExtensionLoader::entryPoint("glMultiTexCoord2fARB"),
              FakeDriver::address("glMultiTexCoord2f"));
    EXPECT_EQ(ExtensionLoader::entryPoint("glClientActiveTextureARB"),
              FakeDriver::address("glClientActiveTextureARB"));
    EXPECT_FALSE(ExtensionLoader::found("GL_ARB_multitexture"));

    // Without 1.3 the ARB names are the only ones.
    EXPECT_EQ(ExtensionLoader::load("1.2", "GL_ARB_multitexture", nullptr, driver.lookup()), 1);
    EXPECT_EQ(ExtensionLoader::entryPoint("glActiveTextureARB"), nullptr);
}

TEST(ExtensionLoaderWindowSystem, QueriedAgainstTheGivenString)
{
    FakeDriver driver;
    EXPECT_EQ(ExtensionLoader::load("1.1", "", "GLX_ARB_multisample WGL_EXT_swap_control_tear WGL_ARB_pbuffer",
                                    driver.lookup()),
              0);
    EXPECT_TRUE(ExtensionLoader::found("WGL_ARB_pbuffer"));
    EXPECT_FALSE(ExtensionLoader::found("WGL_EXT_swap_control"));
    EXPECT_FALSE(ExtensionLoader::found("WGL_ARB_multisample"));
    EXPECT_EQ(ExtensionLoader::entryPoint("wglCreatePbufferARB"), FakeDriver::address("wglCreatePbufferARB"));
    EXPECT_EQ(ExtensionLoader::entryPoint("wglSwapIntervalEXT"), nullptr);
    EXPECT_TRUE(ExtensionLoader::queryWindowSystemExtension("GLX_ARB_multisample"));
    EXPECT_FALSE(ExtensionLoader::queryWindowSystemExtension("GLX_ARB"));
    EXPECT_EQ(ExtensionLoader::foundList(), "");

    driver.missing = {"wglQueryPbufferARB"};
    EXPECT_EQ(ExtensionLoader::load("1.1", "", "WGL_ARB_pbuffer", driver.lookup()), 1);

    load("1.1", "", nullptr);
    EXPECT_FALSE(ExtensionLoader::found("WGL_ARB_pbuffer"));
    EXPECT_FALSE(ExtensionLoader::queryWindowSystemExtension("GLX_ARB_multisample"));
    EXPECT_FALSE(ExtensionLoader::queryWindowSystemExtension(""));
}

TEST(ExtensionLoaderForce, FlagsOfKnownNamesOnly)
{
    load("1.1", "");
    ExtensionLoader::forceFound("GL_SGIS_generate_mipmap", true);
    ExtensionLoader::forceFound("WGL_EXT_swap_control", true);
    ExtensionLoader::forceFound("GL_VENDOR_unknown", true);
    EXPECT_TRUE(ExtensionLoader::found("GL_SGIS_generate_mipmap"));
    EXPECT_TRUE(ExtensionLoader::found("WGL_EXT_swap_control"));
    EXPECT_FALSE(ExtensionLoader::found("GL_VENDOR_unknown"));
    EXPECT_FALSE(ExtensionLoader::isSupported("GL_SGIS_generate_mipmap"));
    ExtensionLoader::forceFound("GL_SGIS_generate_mipmap", false);
    EXPECT_FALSE(ExtensionLoader::found("GL_SGIS_generate_mipmap"));
}
