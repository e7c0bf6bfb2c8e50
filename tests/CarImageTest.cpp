// The car image check: files the library's BMP loader would crash on, hang on, or load
// wrongly are refused before it sees them, each with a cause.

#include <cstdio>
#include <string>
#include <vector>

#include "app/CarImage.h"
#include "art/Bmp.h"
#include "tests/TestSupport.h"
#include "tests/instruments/BadImages.h"

namespace
{

/// Checks the file's bytes and, where they pass, loads them; returns the cause or "".
std::string Verdict(const std::vector<unsigned char>& file)
{
    const std::string_view bytes(reinterpret_cast<const char*>(file.data()), file.size());
    std::string why;
    if (!CheckBmp(bytes, why))
        return why.empty() ? "(empty cause)" : why;
    BITMAP* b = LoadBmp(bytes, why);
    EXPECT_NE(b, nullptr) << why;
    if (b != nullptr)
        destroy_bitmap(b);
    return "";
}

} // namespace

TEST(CarImage, AcceptsTheBmpFilesTheLoaderReads)
{
    for (uint16_t bits : {1, 4, 8, 16, 24, 32})
    {
        TestBmp h;
        h.bits = bits;
        h.width = 5;
        h.height = 3;
        EXPECT_EQ(Verdict(MakeTestBmp(h)), "") << bits << " bits";
    }
    TestBmp os2;
    os2.headerSize = 12;
    EXPECT_EQ(Verdict(MakeTestBmp(os2)), "");
    TestBmp side;
    side.width = kMaxImageSide;
    side.height = 1;
    EXPECT_EQ(Verdict(MakeTestBmp(side)), "");
}

TEST(CarImage, TheRealCarImageLoadsAsA100x100Sprite)
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

TEST(CarImage, RefusesBadFilesWithTheirCause)
{
    for (const BadImage& c : BadImages())
    {
        const std::string why = Verdict(c.bytes);
        EXPECT_NE(why.find(c.cause), std::string::npos) << c.name << ": \"" << why << "\"";
    }
}

TEST(CarImage, MissingFilesAndFoldersAreRefused)
{
    std::string error;
    EXPECT_EQ(LoadCarImage("no/such/Car.bmp", error), nullptr);
    EXPECT_EQ(error, "cannot load no/such/Car.bmp: No such file or directory");
    EXPECT_EQ(LoadCarImage(".", error), nullptr);
    EXPECT_EQ(error, "cannot load .: not a regular file");
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
    const uint32_t row = (kSide * bits + 31) / 32 * 4;
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < entries; ++i)
        palette.push_back(EntryColour(i));
    std::vector<unsigned char> pixels;
    for (int y = kSide - 1; y >= 0; --y) // rows bottom-up, pixels packed from the high bit
    {
        std::vector<unsigned char> bytes(row, 0);
        for (int x = 0; x < kSide; ++x)
        {
            const uint32_t bit = static_cast<uint32_t>(x) * bits;
            bytes[bit / 8] |= static_cast<unsigned char>(IndexAt(x, y, bits) << (8 - bits - bit % 8));
        }
        pixels.insert(pixels.end(), bytes.begin(), bytes.end());
    }
    BmpHeader header;
    header.headerSize = headerSize;
    header.width = kSide;
    header.height = kSide;
    header.bits = bits;
    header.imageSize = row * kSide;
    header.pixelsPerMetre = 2835;
    return BmpFile(header, palette, pixels);
}

} // namespace

TEST(CarImage, PalettedImagesLoadToTheColoursTheyDeclare)
{
    // Indices past a short or missing palette come out black.
    for (uint32_t headerSize : {40u, 12u})
        for (uint16_t bits : {1, 4, 8})
            for (uint32_t entries : {1u << bits, (1u << bits) / 2, 0u})
            {
                SCOPED_TRACE(std::to_string(bits) + " bits, header " + std::to_string(headerSize) +
                             ", " + std::to_string(entries) + " palette entries");
                const std::vector<unsigned char> file = MakePalettedBmp(headerSize, bits, entries);
                std::string error;
                BITMAP* b = LoadBmp(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()), error);
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

TEST(CarImage, RefusesAnOs2PaletteLongerThan256Entries)
{
    // 300 three-byte entries fit in the byte count a Windows palette may have, but the
    // loader would store all 300 in its 256-entry table.
    std::vector<unsigned char> bmp = MakePalettedBmp(12, 8, 300);
    EXPECT_NE(Verdict(bmp).find("offset"), std::string::npos);
    EXPECT_EQ(Verdict(MakePalettedBmp(12, 8, 256)), "");
}
