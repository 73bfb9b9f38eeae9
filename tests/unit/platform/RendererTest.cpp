#include "platform/Renderer.h"

#include <gtest/gtest.h>

using System::Platform::isSoftwareRenderer;

// One list for the frame pacer and every backend: each software renderer's GL_RENDERER string as
// its driver reports it, and hardware ones that merely name Mesa or a rasterizer.
TEST(Renderer, TellsSoftwareRenderersByTheirRendererString)
{
    EXPECT_TRUE(isSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(isSoftwareRenderer("softpipe"));
    EXPECT_TRUE(isSoftwareRenderer("Mesa X11 swrast"));
    EXPECT_TRUE(isSoftwareRenderer("Software Rasterizer"));
    EXPECT_TRUE(isSoftwareRenderer("SWR (LLVM 11.0.1, 256 bits)"));
    EXPECT_FALSE(isSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(isSoftwareRenderer("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)"));
    EXPECT_FALSE(isSoftwareRenderer(""));
    EXPECT_FALSE(isSoftwareRenderer(nullptr));
}
