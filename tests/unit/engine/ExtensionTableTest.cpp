#include "engine/ExtensionTable.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace Table = System::ExtensionTable;

namespace {

std::vector<std::string> split(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::vector<std::string> namesOf(const Table::Group* groups, std::size_t count)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i)
        names.emplace_back(groups[i].name);
    return names;
}

const Table::Group* groupNamed(const std::string& name)
{
    for (std::size_t i = 0; i < Table::glExtensionCount; ++i)
        if (name == Table::glExtensions[i].name)
            return &Table::glExtensions[i];
    for (const Table::Group& group : Table::versions)
        if (name == group.name)
            return &group;
    for (std::size_t i = 0; i < Table::windowSystemExtensionCount; ++i)
        if (name == Table::windowSystemExtensions[i].name)
            return &Table::windowSystemExtensions[i];
    return nullptr;
}

std::set<std::string> entryPointsOf(const std::string& groupName)
{
    std::set<std::string> names;
    if (const Table::Group* group = groupNamed(groupName))
        for (std::size_t i = 0; i < group->count; ++i)
            names.insert(Table::entryPointNames[group->entryPoints[i]]);
    return names;
}

} // namespace

TEST(ExtensionTable, KnownNamesInQueryOrder)
{
    const std::vector<std::string> gl = split(
        "GL_ARB_depth_texture GL_ARB_fragment_program GL_ARB_imaging GL_ARB_matrix_palette "
        "GL_ARB_multisample GL_ARB_multitexture GL_ARB_point_parameters GL_ARB_shadow "
        "GL_ARB_shadow_ambient GL_ARB_texture_border_clamp GL_ARB_texture_compression "
        "GL_ARB_texture_cube_map GL_ARB_texture_env_add GL_ARB_texture_env_combine "
        "GL_ARB_texture_env_crossbar GL_ARB_texture_env_dot3 GL_ARB_texture_mirrored_repeat "
        "GL_ARB_transpose_matrix GL_ARB_vertex_blend GL_ARB_vertex_buffer_object "
        "GL_ARB_vertex_program GL_ARB_window_pos GL_EXT_abgr GL_EXT_bgra GL_EXT_blend_color "
        "GL_EXT_blend_func_separate GL_EXT_blend_minmax GL_EXT_blend_subtract "
        "GL_EXT_compiled_vertex_array GL_EXT_cull_vertex GL_EXT_draw_range_elements "
        "GL_EXT_fog_coord GL_EXT_multi_draw_arrays GL_EXT_point_parameters GL_EXT_secondary_color "
        "GL_EXT_separate_specular_color GL_EXT_shadow_funcs GL_EXT_stencil_two_side "
        "GL_EXT_stencil_wrap GL_EXT_texture_compression_s3tc GL_EXT_texture_env_combine "
        "GL_EXT_texture_filter_anisotropic GL_EXT_texture_lod_bias GL_EXT_vertex_shader "
        "GL_EXT_vertex_weighting GL_ATI_draw_buffers GL_ATI_element_array GL_ATI_envmap_bumpmap "
        "GL_ATI_fragment_shader GL_ATI_map_object_buffer GL_ATI_pn_triangles "
        "GL_ATI_point_cull_mode GL_ATI_separate_stencil GL_ATI_text_fragment_shader "
        "GL_ATI_texture_env_combine3 GL_ATI_texture_float GL_ATI_texture_mirror_once "
        "GL_ATI_vertex_array_object GL_ATI_vertex_attrib_array_object GL_ATI_vertex_streams "
        "GL_ATIX_point_sprites GL_ATIX_texture_env_route GL_HP_occlusion_test GL_NV_blend_square "
        "GL_NV_copy_depth_to_color GL_NV_depth_clamp GL_NV_element_array GL_NV_evaluators "
        "GL_NV_fence GL_NV_float_buffer GL_NV_fog_distance GL_NV_fragment_program "
        "GL_NV_half_float GL_NV_light_max_exponent GL_NV_occlusion_query "
        "GL_NV_packed_depth_stencil GL_NV_pixel_data_range GL_NV_point_sprite "
        "GL_NV_primitive_restart GL_NV_register_combiners GL_NV_register_combiners2 "
        "GL_NV_texgen_reflection GL_NV_texture_env_combine4 GL_NV_texture_expand_normal "
        "GL_NV_texture_rectangle GL_NV_texture_shader GL_NV_texture_shader2 "
        "GL_NV_texture_shader3 GL_NV_vertex_array_range GL_NV_vertex_array_range2 "
        "GL_NV_vertex_program GL_NV_vertex_program1_1 GL_NV_vertex_program2 "
        "GL_SGIS_generate_mipmap GL_SGIS_texture_lod GL_SGIX_depth_texture GL_SGIX_shadow");
    EXPECT_EQ(gl.size(), 97u);
    EXPECT_EQ(namesOf(Table::glExtensions, Table::glExtensionCount), gl);

    EXPECT_EQ(namesOf(Table::windowSystemExtensions, Table::windowSystemExtensionCount),
              split("WGL_ARB_buffer_region WGL_ARB_make_current_read WGL_ARB_multisample "
                    "WGL_ARB_pbuffer WGL_ARB_pixel_format WGL_ARB_render_texture "
                    "WGL_ATI_pixel_format_float WGL_EXT_swap_control WGL_NV_render_depth_texture "
                    "WGL_NV_render_texture_rectangle"));
    EXPECT_EQ(namesOf(Table::versions, 3), split("GL_VERSION_1_2 GL_VERSION_1_3 GL_VERSION_1_4"));
}

TEST(ExtensionTable, EntryPointsComeFromTheirOwnBlock)
{
    const std::set<std::string> multitexture = entryPointsOf("GL_ARB_multitexture");
    EXPECT_EQ(multitexture.size(), 34u);  // active + client-active texture, 32 glMultiTexCoord*ARB
    EXPECT_TRUE(multitexture.count("glActiveTextureARB"));
    EXPECT_TRUE(multitexture.count("glMultiTexCoord4svARB"));
    EXPECT_FALSE(multitexture.count("glActiveTexture"));

    EXPECT_TRUE(entryPointsOf("GL_ARB_vertex_buffer_object").count("glBindBufferARB"));
    EXPECT_EQ(entryPointsOf("GL_EXT_compiled_vertex_array"),
              (std::set<std::string>{"glLockArraysEXT", "glUnlockArraysEXT"}));
    EXPECT_TRUE(entryPointsOf("GL_VERSION_1_2").count("glTexImage3D"));
    EXPECT_TRUE(entryPointsOf("GL_VERSION_1_3").count("glActiveTexture"));
    EXPECT_TRUE(entryPointsOf("GL_VERSION_1_4").count("glWindowPos2d"));
    EXPECT_FALSE(entryPointsOf("GL_VERSION_1_4").count("glActiveTexture"));

    // Extensions that add only tokens, and those the header lacks, have no entry points.
    for (const char* name : {"GL_SGIS_generate_mipmap", "GL_ARB_texture_border_clamp",
                             "GL_EXT_bgra", "GL_ATIX_point_sprites", "GL_NV_element_array",
                             "WGL_ARB_multisample"})
        EXPECT_TRUE(entryPointsOf(name).empty()) << name;
    // glGenerateMipmap belongs to later blocks (OpenGL 3.0, framebuffer objects), none of them known.
    for (std::size_t i = 0; i < Table::entryPointCount; ++i)
        EXPECT_STRNE(Table::entryPointNames[i], "glGenerateMipmap");

    EXPECT_EQ(entryPointsOf("WGL_EXT_swap_control"),
              (std::set<std::string>{"wglSwapIntervalEXT", "wglGetSwapIntervalEXT"}));
    EXPECT_TRUE(entryPointsOf("WGL_ARB_pbuffer").count("wglCreatePbufferARB"));
}
