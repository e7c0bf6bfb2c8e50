// Links from anyone: every malformed fragment refused with its reason, every cut of a link
// refused as cut, and one longest drive and script for every reader.

#include <gtest/gtest.h>

#include <string>

#include "app/DrivingKeys.h"
#include "tools/CarFields.h"
#include "tools/DriveLink.h"
#include "tools/KeyScript.h"

TEST(DriveLink, RefusesEveryMalformedFragmentSayingWhy)
{
    const std::string hash = "\x21" "ABCDEFGH";
    const struct
    {
        const char* what;
        std::string fragment;
        const char* said; ///< what the one line holds
    } kCases[] = {
        {"no prefix", "drive2.AAAA", "the link holds no drive"},
        {"a dot in the first six characters", "dr.ve=2.AAAA", "the link holds no drive"},
        {"no version", "drive=.AAAA", "the link holds no drive"},
        {"a later version", "drive=3.AAAA", "of version 3 of its format; this build reads versions 1 and 2"},
        {"a version of 20 digits", "drive=99999999999999999999.A", "of version 999999999999 of its format"},
        {"a character of base64, not base64url", "drive=2.AA+A", "not base64url: '+'"},
        {"a control character", "drive=2.AA\nA", "not base64url: byte 0x0a"},
        {"no data", "drive=2.", "the link is cut short: it ends before its drive begins"},
        {"a huge step count", LinkOfRecords(10'000'000, ""),
         "has 10,000,000 steps, more than the longest drive, 216,000 steps (an hour)"},
        {"version 1, 10,000,000 steps in 15 characters", "drive=1.AP-s4gQ", "is longer than the longest drive"},
        {"version 1, one step more than the longest", "drive=1.AMCXDQ", "is longer than the longest drive"},
        {"a field index out of range", LinkOfRecords(0, std::string("\x20\x01\x63\0\0\0\0", 7)),
         "sets a field that cannot be set"},
        {"a field that cannot be set (m0)", LinkOfRecords(0, std::string("\x20\x01\x08\0\0\0\0", 7)),
         "sets a field that cannot be set"},
        {"a speed that is no number", LinkOfRecords(0, std::string("\x20\x01\x00\0\0\xc0\x7f", 7)),
         "gives speed a value that is no number"},
        {"a hash with no step", LinkOfRecords(0, hash), "holds a state hash of no step"},
        {"two hashes for one step", LinkOfRecords(1, std::string("\x01\0", 2) + hash + hash), "holds a state hash of no step"},
        {"a record of no kind", LinkOfRecords(0, "\x22"), "holds a record this build does not know: '\"'"},
        {"a run cut in its length", LinkOfRecords(1, "\x01\x80"), "is cut short in a run of steps"},
        {"an overlong number", LinkOfRecords(1, std::string("\x01\x80\0", 3)), "is not written as its format writes it"},
        {"two runs that are one", LinkOfRecords(2, std::string("\x01\0\x01\0", 4)), "is not written as its format writes it"},
        {"a hash at a step a link does not keep", LinkOfRecords(2, std::string("\x01\0", 2) + hash + std::string("\x02\0", 2)),
         "is not written as its format writes it"},
        {"a set line of no fields", LinkOfRecords(1, std::string("\x01\0\x20\0", 4)), "is not written as its format writes it"},
        {"fewer steps than it says", LinkOfRecords(5, std::string("\x01\0", 2)), "is not written as its format writes it"},
        {"a character more than the longest link", "drive=2." + std::string(kLongestLink - 7, 'A'),
         "the link is 1,048,573 characters, longer than the longest link a browser opens, 1,048,572 characters"},
        {"bits left over in its last character", "drive=2.AQIBAFZdZ4N", "the link is altered"}, // AQIBAFZdZ4M reads
        {"a character more", LinkOfRecords(1, std::string("\x01\0", 2)) + "AAAA", "the link is altered: its check does not match"},
    };
    for (const auto& c : kCases)
    {
        Drive drive;
        std::string said;
        EXPECT_FALSE(ReadDriveLink(c.fragment, drive, said)) << c.what;
        EXPECT_NE(said.find(c.said), std::string::npos) << c.what << ": " << said;
        EXPECT_EQ(drive.Steps(), 0) << c.what;
    }
}

TEST(DriveLink, TellsACutLinkFromAnAlteredOne)
{
    Drive drive; // recorded: turning now and then, a state hash after every step
    for (uint64_t step = 1; step <= 900; ++step)
    {
        AddStep(drive, step % 7 < 3 ? kKeyUp | kKeyRight : kKeyUp);
        AddCheck(drive, step * 0x9e3779b97f4a7c15);
    }
    std::string said;
    const std::string link = DriveLink(drive);
    for (size_t size = 0; size < link.size(); ++size)
    {
        Drive cut;
        EXPECT_FALSE(ReadDriveLink(link.substr(0, size), cut, said)) << size;
        EXPECT_EQ(said.rfind(size < 8 ? "the link holds no drive" : "the link is cut short: ", 0), 0u) << size << ": " << said;
    }
    EXPECT_FALSE(ReadDriveLink(link.substr(0, link.size() / 2), drive, said));
    EXPECT_NE(said.find(" of 900 steps (a messenger may have cut it)"), std::string::npos) << said;
    for (size_t at = 12; at < link.size(); ++at)
    {
        std::string altered = link;
        altered[at] = altered[at] == 'A' ? 'B' : 'A';
        EXPECT_FALSE(ReadDriveLink(altered, drive, said)) << at;
        EXPECT_NE(said.find("the link is altered"), std::string::npos) << at << ": " << said;
    }
}

TEST(DriveLink, OneLongestDriveAndScriptForEveryReader)
{
    std::string hour, said;
    for (long i = 0; i <= kMostSteps; ++i)
        hour += "U\n";
    Drive drive;
    ASSERT_TRUE(ReadKeyScript(std::string_view(hour).substr(0, hour.size() - 2), drive, said)) << said;
    EXPECT_FALSE(ReadKeyScript(hour, drive, said));
    EXPECT_EQ(said, "line 216001: the drive is longer than the longest drive, 216,000 steps (an hour)");

    // A link of the longest drive reads; no step more is kept.
    hour.resize(hour.size() - 2);
    ASSERT_TRUE(ReadKeyScript(hour, drive, said));
    ASSERT_TRUE(ReadDriveLink(DriveLink(drive), drive, said)) << said;
    EXPECT_EQ(drive.Steps(), kMostSteps);
    EXPECT_FALSE(AddStep(drive, 0));
    EXPECT_EQ(drive.Steps(), kMostSteps);
    EXPECT_TRUE(said.empty());

    // The longest script the writer writes, every field at its longest before each step,
    // reads, and is the bound to its header; a byte more is refused unread.
    Drive longest;
    for (long step = 0; step <= kMostSteps; ++step)
    {
        for (const CarField& field : kCarFields)
            if (field.settable)
                AddSetting(longest, FieldSetting{&field, !field.counter ? 0xff7fffffu : 0x80000000u});
        if (AddStep(longest, 31))
            AddCheck(longest, 0);
    }
    std::string script = KeyScriptText(longest, "racer in a browser");
    EXPECT_TRUE(ReadDriveText(script, drive, said)) << said;
    EXPECT_TRUE(script.size() <= kLongestScript && script.size() + 512 > kLongestScript) << script.size();
    script.resize(kLongestScript + 1, '\n');
    EXPECT_FALSE(ReadDriveText(script, drive, said));
    EXPECT_EQ(said, "the script is longer than the longest key script, 42,984,688 bytes");
    ASSERT_TRUE(ReadDriveLink("drive=1.", drive, said));
    EXPECT_EQ(said, "a link of version 1 of its format cannot show that it is whole");
}
