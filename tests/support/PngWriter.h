#pragma once
// Writes small PNG files in memory (uncompressed deflate blocks), so tests can make pictures of any
// colour type and exact pixels without files or libraries.
#include <cstdint>
#include <string>
#include <vector>

namespace TestSupport {

struct PngPicture {
    int width = 0;
    int height = 0;
    int colourType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int bitDepth = 8;
    std::vector<unsigned char> rows;          // top row first, unfiltered sample bytes
    std::vector<unsigned char> palette;       // RGB triples (colour type 3)
    std::vector<unsigned char> transparency;  // tRNS chunk contents, when not empty
};

inline std::uint32_t crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void putBigEndian(std::vector<unsigned char>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

inline void putChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian(out, crc32(out.data() + start, out.size() - start));
}

inline std::vector<unsigned char> encodePng(const PngPicture& picture)
{
    static const int samples[] = {1, 0, 3, 1, 2, 0, 4};
    const std::size_t rowBytes = std::size_t(picture.width) * samples[picture.colourType] * picture.bitDepth / 8;

    std::vector<unsigned char> raw;
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);
        auto row = picture.rows.begin() + std::ptrdiff_t(y * rowBytes);
        raw.insert(raw.end(), row, row + std::ptrdiff_t(rowBytes));
    }
    std::vector<unsigned char> zlib = {0x78, 0x01};
    std::size_t at = 0;
    do {
        std::size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
        zlib.push_back(at + length == raw.size() ? 1 : 0);
        zlib.push_back(static_cast<unsigned char>(length));
        zlib.push_back(static_cast<unsigned char>(length >> 8));
        zlib.push_back(static_cast<unsigned char>(~length));
        zlib.push_back(static_cast<unsigned char>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + length));
        at += length;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(zlib, (b << 16) | a);

    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<unsigned char> header;
    putBigEndian(header, static_cast<std::uint32_t>(picture.width));
    putBigEndian(header, static_cast<std::uint32_t>(picture.height));
    header.push_back(static_cast<unsigned char>(picture.bitDepth));
    header.push_back(static_cast<unsigned char>(picture.colourType));
    header.insert(header.end(), {0, 0, 0});
    putChunk(out, "IHDR", header);
    if (!picture.palette.empty())
        putChunk(out, "PLTE", picture.palette);
    if (!picture.transparency.empty())
        putChunk(out, "tRNS", picture.transparency);
    putChunk(out, "IDAT", zlib);
    putChunk(out, "IEND", {});
    return out;
}

// A picture whose every byte is its index (mod 251), so rows can be told apart.
inline PngPicture countingPicture(int width, int height, int colourType, int channels)
{
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colourType = colourType;
    picture.rows.resize(std::size_t(width) * height * channels);
    for (std::size_t i = 0; i < picture.rows.size(); ++i)
        picture.rows[i] = static_cast<unsigned char>(i % 251);
    return picture;
}

// The rows of a top-first picture in bottom-first order, as a decoded texture stores them.
inline std::vector<unsigned char> bottomRowFirst(const std::vector<unsigned char>& rows, std::size_t rowBytes)
{
    std::vector<unsigned char> flipped;
    for (std::size_t end = rows.size(); end >= rowBytes; end -= rowBytes)
        flipped.insert(flipped.end(), rows.begin() + std::ptrdiff_t(end - rowBytes), rows.begin() + std::ptrdiff_t(end));
    return flipped;
}

} // namespace TestSupport
