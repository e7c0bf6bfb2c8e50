// Links from anyone: every malformed fragment refused with its reason, every cut of a link
// refused as cut, and one longest drive for every reader.

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
        {"a character more than the longest link", "drive=2." + std::string(LongestLink() - 7, 'A'),
         "is longer than any link can be: 12,715,292 characters hold the longest drive, 216,000 steps (an hour)"},
        {"bits left over in its last character", "drive=2.AQIBAFZdZ4N", "the link is altered"}, // AQIBAFZdZ4M reads
        {"a character more", LinkOfRecords(1, std::string("\x01\0", 2)) + "AAAA", "the link is altered: its check does not match"},
    };
    for (const auto& c : kCases)
    {
        Drive drive;
        std::string said;
        EXPECT_FALSE(ReadDriveLink(c.fragment, drive, said)) << c.what;
        EXPECT_NE(said.find(c.said), std::string::npos) << c.what << ": " << said;
        EXPECT_EQ(drive.steps, 0) << c.what;
    }
}

TEST(DriveLink, TellsACutLinkFromAnAlteredOne)
{
    Drive drive; // recorded: turning now and then, a state hash after every step
    for (uint64_t step = 1; step <= 900; ++step)
    {
        AddSteps(drive, step % 7 < 3 ? kKeyUp | kKeyRight : kKeyUp);
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

TEST(DriveLink, OneLongestDriveForEveryReader)
{
    std::string hour;
    for (long i = 0; i <= kMostSteps; ++i)
        hour += "U\n";
    Drive drive, longer;
    CKeyScriptReader script(drive), longerScript(longer);
    ASSERT_TRUE(script.Feed(hour.data(), hour.size() - 2) && script.End()) << script.Error();
    EXPECT_EQ(drive.runs.size(), 1u); // held as its runs: an hour of Up is one
    EXPECT_FALSE(longerScript.Feed(hour.data(), hour.size()));
    EXPECT_EQ(longerScript.Error(), "line 216001: the drive is longer than the longest drive, 216,000 steps (an hour)");

    // A link of the longest drive reads, and is one run too; no step more is kept.
    std::string said;
    ASSERT_TRUE(ReadDriveLink(DriveLink(drive), drive, said)) << said;
    EXPECT_EQ(drive.runs.size(), 1u);
    EXPECT_EQ(drive.steps, kMostSteps);
    EXPECT_FALSE(AddSteps(drive, 0));
    EXPECT_EQ(drive.steps, kMostSteps);
    EXPECT_TRUE(said.empty());

    // The longest link there can be reads, and is the bound, to a hash and a group of base64.
    Drive longest; // a run and a hash every step, every settable field set before each and after the last
    for (long step = 0; step <= kMostSteps; ++step)
    {
        for (const CarField& field : kCarFields)
            if (field.settable)
                AddSetting(longest, FieldSetting{&field, 0});
        if (AddSteps(longest, step % 2 == 0 ? kKeyUp : kKeyLeft))
            AddCheck(longest, 0);
    }
    const std::string link = DriveLink(longest);
    EXPECT_TRUE(ReadDriveLink(link, drive, said)) << said;
    EXPECT_TRUE(link.size() <= LongestLink() && link.size() + 16 > LongestLink()) << link.size() << " " << LongestLink();
    ASSERT_TRUE(ReadDriveLink("drive=1.", drive, said));
    EXPECT_EQ(said, "a link of version 1 of its format cannot show that it is whole");
}
