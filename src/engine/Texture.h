#pragma once
#include "base/ResourceBlock.h"
#include "base/Types.h"
#include "engine/CellGrid.h"
#include "platform/Image.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace System {

using ByteStore = std::vector<unsigned char>;

enum PixelLayout : std::int32_t {
    TwoBytes = 0,
    RGB = 1,
    RGBA = 2,
    Luminance = 3,
};

// A named picture: pixels (rows bottom row first), how GL samples them, and its GL name once
// uploaded. Owned by the resource manager.
class Texture {
public:
    Texture();
    // A solid picture: RGBA, every pixel the colour's four bytes. Throws Exception for a negative side.
    Texture(int width, int height, Types::Colour32 colour);
    // Decoded at once from image bytes into the texture's own store.
    explicit Texture(ResourceBlock resource);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Fills layout, size and pixels from image bytes (JPEG, PNG, ...). Grows the store when it is
    // too small, never shrinks it, and leaves bytes past the picture untouched.
    void decodeFromMemory(ResourceBlock resource);

    void setName(const std::string& value);
    const std::string& getName() const { return *name; }
    std::shared_ptr<const std::string> getSharedName() const { return name; }

    std::uint8_t getFilter() const { return filter; }
    void setFilter(std::uint8_t value) { filter = value; }
    PixelLayout getLayout() const { return layout; }
    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    std::uint32_t getGlName() const { return glName; }
    void setGlName(std::uint32_t value) { glName = value; }
    std::int32_t getWrap() const { return wrap; }
    void setWrap(std::int32_t value) { wrap = value; }
    std::int32_t getUploadMode() const { return uploadMode; }
    void setUploadMode(std::int32_t value) { uploadMode = value; }
    bool getBgr() const { return bgr; }
    void setBgr(bool value) { bgr = value; }
    bool isLoaded() const { return loaded; }
    bool isUploaded() const { return uploaded; }
    void setUploaded(bool value) { uploaded = value; }

    // The pixel store: the texture's own, or a borrowed one during a batch upload.
    ByteStore* getPixels() const { return pixels; }
    void borrowPixels(ByteStore* store) { pixels = store; }
    void dropPixels() { pixels = nullptr; }
    int bytesPerPixel() const;

    // Which cells of a grid x grid division of the picture hold a texel that drawing can change (alpha
    // above 0), rows bottom first like the pixels; empty when every cell counts. Lets a quad skip the
    // screen area where the picture is fully transparent.
    const std::vector<std::uint8_t>& getCoverage() const { return coverage.cells(); }
    int getCoverageGrid() const { return coverage.size(); }
    const CellGrid& getCoverageCells() const { return coverage; }
    void setCoverage(int grid, std::vector<std::uint8_t> cells) { coverage = CellGrid(grid, std::move(cells)); }
    // Which cells a quad drawn in opaque white replaces whole: every texel that can be sampled there
    // has alpha 255. Empty when no cell is known to be opaque.
    const CellGrid& getOpaqueCells() const { return opaque; }
    void setOpaqueCells(int grid, std::vector<std::uint8_t> cells) { opaque = CellGrid(grid, std::move(cells)); }
    static int bytesPerPixel(PixelLayout layout);
    // The layout the image library's bits per pixel name; any other depth keeps the current one.
    static PixelLayout layoutFor(int bitsPerPixel, PixelLayout current);

private:
    std::uint8_t filter = 0;
    PixelLayout layout = TwoBytes;
    std::shared_ptr<const std::string> name;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t glName = 0;
    std::int32_t wrap = 1;
    std::int32_t uploadMode = 2;
    bool bgr = false;
    bool loaded = false;
    bool uploaded = false;
    ByteStore* pixels = nullptr;
    std::unique_ptr<ByteStore> own;
    CellGrid coverage;
    CellGrid opaque;
};

// The platform's decoder with the program's messages: throws Exception "IL error, could not generate
// image", "IL error, could not bind image" or "IL error, could not read image" (also for bytes that are
// not a complete PNG or JPEG file).
std::unique_ptr<Platform::Image> decodeImage(ResourceBlock bytes);

} // namespace System
