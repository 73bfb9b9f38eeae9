#include "engine/ExtensionLoader.h"
#include "engine/GLDriver.h"
#include "engine/GLWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace System;

// The loader on the real driver of these machines (Mesa under Xvfb), through the GL driver's start.
TEST(ExtensionLoaderOnMesa, FindsWhatTheEngineReads)
{
    setenv("FERNHOLLOW_MESSAGE_BOX", "stderr", 1);
    GLWindow window("ExtensionLoader", 256, 256, 32, false);
    ASSERT_TRUE(window.create());
    GLDriver driver(256, 256, 32);
    driver.start(window.deviceContext());

    EXPECT_TRUE(ExtensionLoader::version12());
    EXPECT_TRUE(ExtensionLoader::version13());
    EXPECT_TRUE(ExtensionLoader::version14());
    for (const char* name : {"GL_ARB_multitexture", "GL_SGIS_generate_mipmap", "GL_ARB_texture_border_clamp"}) {
        EXPECT_TRUE(ExtensionLoader::found(name)) << name;
        EXPECT_TRUE(ExtensionLoader::isSupported(name)) << name;
    }
    EXPECT_TRUE(driver.getMultitexture());
    // GLX hands out a dispatch stub for any "gl" name, so this shows the slots are filled, not
    // that Mesa implements each function.
    for (const char* name : {"glActiveTextureARB", "glMultiTexCoord2fARB", "glActiveTexture", "glWindowPos2d"})
        EXPECT_NE(ExtensionLoader::entryPoint(name), nullptr) << name;
    // The window-system names are WGL ones; the GLX string never lists them.
    EXPECT_FALSE(ExtensionLoader::found("WGL_EXT_swap_control"));

    driver.releaseContext();
    window.shutdown();
}
