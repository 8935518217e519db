#include <gtest/gtest.h>

#include <QLineEdit>

#include "ui/NumericText.h"

namespace {

class NumericText : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetNumericBeep([this] { ++Beeps; });
    }
    void TearDown() override { SetNumericBeep({}); }
    int Beeps = 0;
};

TEST_F(NumericText, FilterKeepsWhatMayStartANumberAndBeepsPerDroppedCharacter)
{
    struct Case {
        const char* in;
        const char* out;
        int beeps;
    };
    const Case cases[] = {
        {"", "", 0},         {"..", ".", 1},          {"12a3", "123", 1}, {"-1.2.3", "-1.23", 1},
        {"1-2", "12", 1},    {"+-5", "+5", 1},        {"+5", "+5", 0},    {"-.5", "-.5", 0},
        {"3.14", "3.14", 0}, {"1 000", "1000", 1},    {"1e5", "15", 1},   {"波数12", "12", 2},
        {"ab", "", 2},       {"4000.0", "4000.0", 0}, {"-", "-", 0},
    };
    for (const Case& c : cases) {
        Beeps = 0;
        EXPECT_EQ(FilterNumericText(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
        EXPECT_EQ(Beeps, c.beeps) << c.in;
    }
}

TEST_F(NumericText, NumberTest)
{
    struct Case {
        const char* text;
        bool number;
    };
    const Case cases[] = {
        {"", false},    {".", false},     {"+.", false},  {"-.", false},    {"+", false},
        {"-", false},   {"-.5", true},    {"5.", true},   {"+12", true},    {"0.0", true},
        {"1e3", true},  {"2.5E-3", true}, {" 12 ", true}, {"1.2.3", false}, {"12a", false},
        {"inf", false}, {"nan", false},   {"1e", false},  {"1e40", false},  // beyond a 32-bit float
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsNumberText(QString::fromUtf8(c.text)), c.number) << c.text;
    }
    float v = 0;
    ASSERT_TRUE(TextToFloat(QStringLiteral("-12.5"), v));
    EXPECT_FLOAT_EQ(v, -12.5f);
}

TEST_F(NumericText, AnEditWithTheFilterRefusesTypedLettersAndKeepsTheCaret)
{
    QLineEdit edit;
    InstallNumericFilter(&edit);
    edit.setText(QStringLiteral("12"));
    edit.setCursorPosition(1);
    edit.insert(QStringLiteral("a"));
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
    EXPECT_EQ(edit.cursorPosition(), 1);
    EXPECT_EQ(Beeps, 1);

    edit.insert(QStringLiteral("5"));
    EXPECT_EQ(edit.text(), QStringLiteral("152"));
    EXPECT_EQ(edit.cursorPosition(), 2);

    // A sign typed anywhere but at the front is dropped.
    edit.setCursorPosition(3);
    edit.insert(QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("152"));
    edit.setCursorPosition(0);
    edit.insert(QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("-152"));

    // Pasted text goes through the same rule.
    edit.setText(QStringLiteral("x1.2.3y"));
    EXPECT_EQ(edit.text(), QStringLiteral("1.23"));
}

}  // namespace
