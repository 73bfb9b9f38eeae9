// Image decoding when the image library fails. This binary stands in front of a few IL calls
// (generate, bind, convert, delete) so each failure can be made to happen, and counts the images
// made and released; every other call goes to the real library.
#include "PngWriter.h"
#include "base/Exception.h"
#include "engine/Texture.h"
#include "scene/ResourceHelpers.h"

#include <IL/il.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace System;

extern "C" void ilSetError(ILenum error);

namespace {
bool failGenerate = false;
bool failNextBind = false;
bool failConvert = false;
int generated = 0;
int released = 0;

template <class Function>
Function real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" void ilGenImages(ILsizei count, ILuint* names)
{
    static auto next = real<void (*)(ILsizei, ILuint*)>("ilGenImages");
    if (failGenerate) {
        ilSetError(IL_OUT_OF_MEMORY);
        return;
    }
    next(count, names);
    generated += count;
}

extern "C" void ilBindImage(ILuint name)
{
    static auto next = real<void (*)(ILuint)>("ilBindImage");
    if (failNextBind) {
        failNextBind = false;
        ilSetError(IL_INVALID_VALUE);
        return;
    }
    next(name);
}

extern "C" ILboolean ilConvertImage(ILenum format, ILenum type)
{
    static auto next = real<ILboolean (*)(ILenum, ILenum)>("ilConvertImage");
    if (failConvert) {
        ilSetError(IL_OUT_OF_MEMORY);
        return IL_FALSE;
    }
    return next(format, type);
}

extern "C" void ilDeleteImages(ILsizei count, const ILuint* names)
{
    static auto next = real<void (*)(ILsizei, const ILuint*)>("ilDeleteImages");
    next(count, names);
    released += count;
}

namespace {

class ImageFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        failGenerate = failNextBind = failConvert = false;
        generated = released = 0;
        png = TestSupport::encodePng(TestSupport::countingPicture(4, 4, 6, 4));
    }
    void TearDown() override { failGenerate = failNextBind = failConvert = false; }

    ResourceBlock block(const std::vector<unsigned char>& bytes) const
    {
        ResourceBlock result;
        result.data = bytes.data();
        result.size = static_cast<std::uint32_t>(bytes.size());
        return result;
    }

    std::string decodeError(const std::vector<unsigned char>& bytes) const
    {
        try {
            decodeImage(block(bytes));
        } catch (const Exception& e) {
            return e.message();
        }
        return "decoded";
    }

    std::vector<unsigned char> png;
};

} // namespace

TEST_F(ImageFaults, GenerateFailureIsReported)
{
    failGenerate = true;
    EXPECT_EQ(decodeError(png), "IL error, could not generate image");
    EXPECT_EQ(generated, 0);
}

TEST_F(ImageFaults, BindFailureIsReportedAndReleasesTheImage)
{
    failNextBind = true;
    EXPECT_EQ(decodeError(png), "IL error, could not bind image");
    EXPECT_EQ(generated, 1);
    EXPECT_EQ(released, 1);
}

// A palette picture needs converting; when that fails the picture is unreadable.
TEST_F(ImageFaults, ConversionFailureIsAReadFailure)
{
    TestSupport::PngPicture picture;
    picture.width = picture.height = 4;
    picture.colourType = 3;
    picture.palette = {1, 2, 3};
    picture.rows.assign(16, 0);
    failConvert = true;
    EXPECT_EQ(decodeError(TestSupport::encodePng(picture)), "IL error, could not read image");
    EXPECT_EQ(released, generated);
}

// Errors left in the library's queue by earlier work do not fail the next picture.
TEST_F(ImageFaults, StaleErrorsDoNotFailADecode)
{
    ilSetError(IL_FILE_READ_ERROR);
    ilSetError(IL_INVALID_PARAM);
    EXPECT_EQ(decodeError(png), "decoded");
}

// Every picture's image is released once its pixels are copied, and after every failure.
TEST_F(ImageFaults, EveryDecodeReleasesItsImage)
{
    for (int i = 0; i < 5; ++i) {
        Texture texture(block(png));
        Texture jpeg(loadResourceBlock(125, "IMAGE"));
    }
    std::vector<unsigned char> text = {'t', 'e', 'x', 't'};
    EXPECT_EQ(decodeError(text), "IL error, could not read image");
    EXPECT_EQ(generated, 11);
    EXPECT_EQ(released, 11);
}
