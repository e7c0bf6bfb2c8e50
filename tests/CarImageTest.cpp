// The car image check: files the library's BMP loader would crash on, hang on, or load
// wrongly are refused before it sees them, each with a cause.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/CarImage.h"
#include "tests/TestSupport.h"

namespace
{

struct BmpHeader
{
    uint32_t headerSize = 40;
    int32_t width = 4, height = 4;
    uint16_t bits = 24;
    uint32_t compression = 0;
    int64_t offBits = -1; ///< -1: right after the headers (and the palette)
    int64_t pixelBytes = -1; ///< -1: exactly what the header declares
};

std::vector<unsigned char> MakeBmp(const BmpHeader& h)
{
    std::vector<unsigned char> out;
    auto u16 = [&](uint32_t v) { out.push_back(v & 0xff); out.push_back((v >> 8) & 0xff); };
    auto u32 = [&](uint32_t v) { u16(v & 0xffff); u16(v >> 16); };
    const uint32_t palette = h.bits <= 8 ? (4u << h.bits) : 0;
    const uint32_t off = h.offBits >= 0 ? static_cast<uint32_t>(h.offBits) : 14 + h.headerSize + palette;
    const uint64_t row = (static_cast<uint64_t>(h.width < 0 ? -h.width : h.width) * h.bits + 31) / 32 * 4;
    const uint64_t data = h.pixelBytes >= 0 ? static_cast<uint64_t>(h.pixelBytes)
                                            : row * static_cast<uint64_t>(h.height < 0 ? -h.height : h.height);
    out.push_back('B');
    out.push_back('M');
    u32(static_cast<uint32_t>(off + data));
    u32(0);
    u32(off);
    u32(h.headerSize);
    if (h.headerSize == 12)
    {
        u16(static_cast<uint16_t>(h.width));
        u16(static_cast<uint16_t>(h.height));
        u16(1);
        u16(h.bits);
    }
    else
    {
        u32(static_cast<uint32_t>(h.width));
        u32(static_cast<uint32_t>(h.height));
        u16(1);
        u16(h.bits);
        u32(h.compression);
        for (uint32_t i = 20; i < h.headerSize; i += 4)
            u32(0);
    }
    // A crafted offset far past the end is written as a bare header.
    while (out.size() < off && off < (1u << 20))
        out.push_back(0x80);
    for (uint64_t i = 0; i < data; ++i)
        out.push_back(static_cast<unsigned char>(i * 7));
    return out;
}

class CarImage : public ::testing::Test
{
protected:
    std::string Write(const std::vector<unsigned char>& bytes)
    {
        FILE* f = std::fopen(m_path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return m_path;
    }
    void TearDown() override { std::remove(m_path.c_str()); }

    /// Checks the file and, where it passes, loads it; returns the cause or "".
    std::string Verdict(const std::vector<unsigned char>& bytes)
    {
        Write(bytes);
        std::string why;
        if (!CheckBmpFile(m_path.c_str(), why))
            return why.empty() ? "(empty cause)" : why;
        std::string error;
        BITMAP* b = LoadCarImage(m_path.c_str(), error);
        EXPECT_NE(b, nullptr) << error;
        if (b != nullptr)
            destroy_bitmap(b);
        return "";
    }

    std::string m_path = ::testing::TempDir() + "car_image_test_" + std::to_string(getpid()) + ".bmp";
};

} // namespace

TEST_F(CarImage, AcceptsTheBmpFilesTheLoaderReads)
{
    for (uint16_t bits : {1, 4, 8, 16, 24, 32})
    {
        BmpHeader h;
        h.bits = bits;
        h.width = 5;
        h.height = 3;
        EXPECT_EQ(Verdict(MakeBmp(h)), "") << bits << " bits";
    }
    BmpHeader os2;
    os2.headerSize = 12;
    EXPECT_EQ(Verdict(MakeBmp(os2)), "");
    BmpHeader side;
    side.width = kMaxImageSide;
    side.height = 1;
    EXPECT_EQ(Verdict(MakeBmp(side)), "");
}

TEST_F(CarImage, TheRealCarImageLoadsAsA100x100Sprite)
{
    std::string error;
    BITMAP* car = LoadCarImage(kCarImagePath, error);
    ASSERT_NE(car, nullptr) << error;
    EXPECT_EQ(car->w, 100);
    EXPECT_EQ(car->h, 100);
    EXPECT_EQ(getpixel(car, 0, 0), bitmap_mask_color(car)) << "the corners are transparent";
    EXPECT_NE(getpixel(car, 50, 50), bitmap_mask_color(car)) << "the centre is car";
    destroy_bitmap(car);
}

TEST_F(CarImage, RefusesBadFilesWithTheirCause)
{
    struct Case
    {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* cause; ///< a word the message must contain
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}, "empty"});
    cases.push_back({"random bytes", {0x13, 0x37, 0xde, 0xad, 0xbe, 0xef, 0x00, 0x42, 0x99, 0x01}, "BMP"});
    cases.push_back({"PNG", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'}, "BMP"});
    cases.push_back({"signature only", {'B', 'M'}, "truncated"});
    std::vector<unsigned char> half = MakeBmp(BmpHeader{40, 100, 100, 24, 0, -1, -1});
    half.resize(half.size() / 2);
    cases.push_back({"cut in half", half, "truncated"});
    cases.push_back({"65536 square", MakeBmp(BmpHeader{40, 65536, 65536, 24, 0, -1, 64}), "size"});
    cases.push_back({"20000 square", MakeBmp(BmpHeader{40, 20000, 20000, 24, 0, -1, 1024}), "size"});
    cases.push_back({"negative height", MakeBmp(BmpHeader{40, 4, -4, 24, 0, -1, -1}), "size"});
    cases.push_back({"zero width", MakeBmp(BmpHeader{40, 0, 4, 24, 0, -1, -1}), "size"});
    cases.push_back({"RLE8", MakeBmp(BmpHeader{40, 4, 4, 8, 1, -1, -1}), "compressed"});
    cases.push_back({"bitfields", MakeBmp(BmpHeader{40, 4, 4, 32, 3, -1, -1}), "compressed"});
    cases.push_back({"2 bits", MakeBmp(BmpHeader{40, 4, 4, 2, 0, -1, -1}), "depth"});
    cases.push_back({"0 bits", MakeBmp(BmpHeader{40, 4, 4, 0, 0, -1, -1}), "depth"});
    cases.push_back({"V5 header", MakeBmp(BmpHeader{124, 4, 4, 24, 0, -1, -1}), "header"});
    cases.push_back({"offset inside header", MakeBmp(BmpHeader{40, 4, 4, 24, 0, 20, -1}), "offset"});
    cases.push_back({"huge palette", MakeBmp(BmpHeader{40, 4, 4, 8, 0, 14 + 40 + 4096, -1}), "offset"});
    cases.push_back({"offset past the end", MakeBmp(BmpHeader{40, 4, 4, 24, 0, 0xfffffff0, 0}), "offset"});
    for (const Case& c : cases)
    {
        const std::string why = Verdict(c.bytes);
        EXPECT_NE(why.find(c.cause), std::string::npos) << c.name << ": \"" << why << "\"";
    }
}

TEST_F(CarImage, MissingFilesAndFoldersAreRefused)
{
    std::string why;
    EXPECT_FALSE(CheckBmpFile("no/such/Car.bmp", why));
    EXPECT_EQ(why, "No such file or directory");
    EXPECT_FALSE(CheckBmpFile(".", why));
    EXPECT_EQ(why, "not a regular file");
    std::string error;
    EXPECT_EQ(LoadCarImage("no/such/Car.bmp", error), nullptr);
    EXPECT_EQ(error, "cannot load no/such/Car.bmp: No such file or directory");
}

namespace
{

constexpr int kSide = 16;

/// The colour of palette entry i: levels 0, 85, 170 and 255 survive the library's 6-bit
/// palette exactly; entry 0 is not black, so that it differs from a missing entry.
uint32_t EntryColour(uint32_t i)
{
    const uint32_t n = (i + 1) % 64;
    return (85 * (n % 4)) << 16 | (85 * (n / 4 % 4)) << 8 | 85 * (n / 16);
}

uint32_t IndexAt(int x, int y, uint16_t bits) { return static_cast<uint32_t>(x + kSide * y) % (1u << bits); }

/// A 16 x 16 paletted BMP with `entries` palette entries (EntryColour) whose pixel (x, y)
/// holds IndexAt(x, y).
std::vector<unsigned char> MakePalettedBmp(uint32_t headerSize, uint16_t bits, uint32_t entries)
{
    std::vector<unsigned char> out;
    auto u16 = [&](uint32_t v) { out.push_back(v & 0xff); out.push_back((v >> 8) & 0xff); };
    auto u32 = [&](uint32_t v) { u16(v & 0xffff); u16(v >> 16); };
    const uint32_t entryBytes = headerSize == 12 ? 3 : 4;
    const uint32_t off = 14 + headerSize + entries * entryBytes;
    const uint32_t row = (kSide * bits + 31) / 32 * 4;
    out.push_back('B');
    out.push_back('M');
    u32(off + row * kSide);
    u32(0);
    u32(off);
    u32(headerSize);
    if (headerSize == 12)
    {
        u16(kSide);
        u16(kSide);
        u16(1);
        u16(bits);
    }
    else
    {
        u32(kSide);
        u32(kSide);
        u16(1);
        u16(bits);
        for (uint32_t v : {0u, row * kSide, 2835u, 2835u, 0u, 0u}) // no compression, no colour count
            u32(v);
    }
    for (uint32_t i = 0; i < entries; ++i)
    {
        const uint32_t c = EntryColour(i);
        out.push_back(c & 0xff);
        out.push_back((c >> 8) & 0xff);
        out.push_back(c >> 16);
        if (entryBytes == 4)
            out.push_back(0);
    }
    for (int y = kSide - 1; y >= 0; --y) // rows bottom-up, pixels packed from the high bit
    {
        std::vector<unsigned char> bytes(row, 0);
        for (int x = 0; x < kSide; ++x)
        {
            const uint32_t bit = static_cast<uint32_t>(x) * bits;
            bytes[bit / 8] |= static_cast<unsigned char>(IndexAt(x, y, bits) << (8 - bits - bit % 8));
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

} // namespace

TEST_F(CarImage, PalettedImagesLoadToTheColoursTheyDeclare)
{
    // Indices past a short or missing palette come out black.
    for (uint32_t headerSize : {40u, 12u})
        for (uint16_t bits : {1, 4, 8})
            for (uint32_t entries : {1u << bits, (1u << bits) / 2, 0u})
            {
                SCOPED_TRACE(std::to_string(bits) + " bits, header " + std::to_string(headerSize) +
                             ", " + std::to_string(entries) + " palette entries");
                Write(MakePalettedBmp(headerSize, bits, entries));
                std::string error;
                BITMAP* b = LoadCarImage(m_path.c_str(), error);
                ASSERT_NE(b, nullptr) << error;
                ASSERT_EQ(bitmap_color_depth(b), 32);
                int wrong = 0;
                for (int y = 0; y < kSide; ++y)
                    for (int x = 0; x < kSide; ++x)
                    {
                        const uint32_t i = IndexAt(x, y, bits);
                        const uint32_t want = i < entries ? EntryColour(i) : 0;
                        const int p = getpixel(b, x, y);
                        const uint32_t got = static_cast<uint32_t>(getr(p) << 16 | getg(p) << 8 | getb(p));
                        if (got != want && ++wrong <= 3)
                            ADD_FAILURE() << "pixel (" << x << ", " << y << ") index " << i << ": got "
                                          << std::hex << got << ", want " << want;
                    }
                destroy_bitmap(b);
            }
}

TEST_F(CarImage, RefusesAnOs2PaletteLongerThan256Entries)
{
    // 300 three-byte entries fit in the byte count a Windows palette may have, but the
    // loader would store all 300 in its 256-entry table.
    std::vector<unsigned char> bmp = MakePalettedBmp(12, 8, 300);
    EXPECT_NE(Verdict(bmp).find("offset"), std::string::npos);
    EXPECT_EQ(Verdict(MakePalettedBmp(12, 8, 256)), "");
}
