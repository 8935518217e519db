#include "text/GbkText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(GbkText, ChineseTextRoundTripsWithTwoBytesPerCharacter)
{
    const std::string texts[] = {"透过率(%T)", "波数", "cm-1", "未命名", "μm", "", "浓度测量 ABC 123"};
    for (const std::string& t : texts) {
        const std::string gbk = Utf8ToGbk(t);
        EXPECT_EQ(GbkToUtf8(gbk), t);
        EXPECT_EQ(GbkLength(t), gbk.size()) << t;
    }
    EXPECT_EQ(Utf8ToGbk("波数"), "\xB2\xA8\xCA\xFD");
    EXPECT_EQ(GbkLength("透过率(%T)"), 10u);
    EXPECT_EQ(GbkLength("μm"), 3u);
}

TEST(GbkText, WhatGbkCannotHoldBecomesAQuestionMark)
{
    EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
              "a?b");  // an emoji
    EXPECT_EQ(Utf8ToGbk("a\xFF"
                        "b"),
              "a?b");                         // not UTF-8
    EXPECT_EQ(Utf8ToGbk("a\xE6\xB3"), "a?");  // cut sequence at the end
    EXPECT_EQ(Utf8ToGbk("\xE6\xB3"
                        "b"),
              "?b");  // cut sequence inside
}

TEST(GbkText, BadGbkIsReplacedAndACutCharacterAtTheEndDropped)
{
    EXPECT_EQ(GbkToUtf8("\xB2\xA8\xCA"), "波");  // lead byte without its trail
    EXPECT_EQ(GbkToUtf8("a\xFF"
                        "b"),
              "a\xEF\xBF\xBD"
              "b");
}

TEST(GbkText, FieldNeverCutsADoubleByteCharacter)
{
    struct Case {
        size_t size;
        const char* text;
        const char* stored;
    } cases[] = {
        {6, "a透过率", "a透过"},                 // 1 + 2 + 2 bytes fit into 5
        {5, "a透过率", "a透"},                   // the second character would need bytes 3 and 4
        {4, "透过率", "透"},     {2, "透", ""},  // one byte of room is not enough
        {1, "abc", ""},          {20, "未命名", "未命名"},
        {4, "abcdef", "abc"},
    };
    for (const Case& c : cases) {
        char field[32];
        std::memset(field, 'X', sizeof field);
        const size_t n = SetGbkField(field, c.size, c.text);
        EXPECT_EQ(GbkFieldToUtf8(field, c.size), c.stored) << c.text << " in " << c.size;
        EXPECT_EQ(n, Utf8ToGbk(c.stored).size());
        // NUL-terminated and zero-filled up to the field's end, untouched beyond.
        for (size_t i = n; i < c.size; ++i)
            EXPECT_EQ(field[i], '\0') << i;
        EXPECT_EQ(field[c.size], 'X');
    }
}

TEST(GbkText, FieldWithoutNulIsReadUpToItsSize)
{
    char name[6];
    std::memcpy(name,
                "ab\xB2\xA8"
                "cd",
                6);  // a damaged record: no NUL
    EXPECT_EQ(GbkFieldToUtf8(name), "ab波cd");
    char cut[3];
    std::memcpy(cut, "a\xB2\xA8", 3);
    EXPECT_EQ(GbkFieldToUtf8(cut, 2), "a");  // the half character beyond is dropped
    char arr[8] = "x";
    SetGbkField(arr, "透过率");
    EXPECT_EQ(GbkFieldToUtf8(arr), "透过率");
}

TEST(GbkText, FitLengthCountsWholeCharacters)
{
    const std::string gbk = Utf8ToGbk("a透b过");
    EXPECT_EQ(GbkFitLength(gbk, 0), 0u);
    EXPECT_EQ(GbkFitLength(gbk, 2), 1u);
    EXPECT_EQ(GbkFitLength(gbk, 3), 3u);
    EXPECT_EQ(GbkFitLength(gbk, 5), 4u);
    EXPECT_EQ(GbkFitLength(gbk, 100), 6u);
}

}  // namespace
