#include "framework/IParameter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace qor {
namespace {

std::string Display(const IParameter& p, double v, bool normalized = false, bool texts = true)
{
    char text[IParameter::kDisplayCapacity];
    p.FormatDisplay(v, normalized, text, texts);
    return text;
}

TEST(IParameter, IntegerSnapsToTheStepRoundingHalfUp)
{
    IParameter p;
    p.InitInteger("Detune", 0, -50, 50);
    EXPECT_EQ(p.Kind(), IParameter::kKindInteger);
    p.SetNormalized(0.5);
    EXPECT_EQ(p.Value(), 0.0);
    p.SetNormalized(0.504);  // 0.4 rounds down
    EXPECT_EQ(p.Value(), 0.0);
    p.SetNormalized(0.506);  // 0.6 rounds up
    EXPECT_EQ(p.Value(), 1.0);
    p.SetNormalized(0.0);
    EXPECT_EQ(p.Value(), -50.0);
    p.SetNormalized(1.0);
    EXPECT_EQ(p.Value(), 50.0);
}

TEST(IParameter, ContinuousKeepsTheValueUnsnappedAndShowsItsPrecision)
{
    IParameter p;
    p.InitContinuous("Cutoff", 0.5, 0.0, 1.0, 0.01);
    EXPECT_EQ(p.Kind(), IParameter::kKindContinuous);
    EXPECT_EQ(p.Precision(), 2);
    p.SetNormalized(0.123456);
    EXPECT_DOUBLE_EQ(p.Value(), 0.123456);
    EXPECT_EQ(Display(p, p.Value()), "0.12");
    p.Set(0.5);
    EXPECT_EQ(Display(p, p.Value()), "0.50");
    // A normalized value is mapped before it is shown, without snapping.
    EXPECT_EQ(Display(p, 0.25, true), "0.25");
}

TEST(IParameter, PrecisionFollowsTheStepUpToSixDecimals)
{
    struct Case {
        double step;
        int precision;
    };
    for (Case c : {Case{0.01, 2}, Case{0.1, 1}, Case{1.0, 0}, Case{5.0, 0}, Case{0.5, 1}, Case{0.001, 3},
                   Case{1.0 / 3.0, 6}}) {
        IParameter p;
        p.InitContinuous("x", 0, 0, 100, c.step);
        EXPECT_EQ(p.Precision(), c.precision) << "step " << c.step;
    }
    IParameter p;
    p.InitInteger("i", 0, 0, 10);
    EXPECT_EQ(p.Precision(), 0);
}

TEST(IParameter, InitRaisesMaxSoTheMappingNeverDividesByZero)
{
    IParameter p;
    p.InitContinuous("Flat", 3.0, 3.0, 3.0, 0.5);
    EXPECT_EQ(p.Max(), 3.5);
    EXPECT_TRUE(std::isfinite(p.GetNormalized()));
    EXPECT_EQ(p.GetNormalized(), 0.0);

    IParameter zeroStep;
    zeroStep.InitContinuous("NoStep", 1.0, 1.0, 1.0, 0.0);
    EXPECT_GT(zeroStep.Max(), zeroStep.Min());
    EXPECT_TRUE(std::isfinite(zeroStep.GetNormalized()));
}

TEST(IParameter, InitKeepsTheFirstKindAndTheShape)
{
    IParameter p;
    p.InitContinuous("Shaped", 0, 0, 10, 0.1, 2.0);
    EXPECT_EQ(p.Shape(), 2.0);
    p.SetNormalized(0.5);
    EXPECT_DOUBLE_EQ(p.Value(), 2.5);  // 0.5^2 * 10
    EXPECT_DOUBLE_EQ(p.GetNormalized(), 0.5);
    // A shape of 0 leaves the stored one.
    IParameter q;
    q.InitContinuous("Linear", 0, 0, 10, 0.1, 0.0);
    EXPECT_EQ(q.Shape(), 1.0);
    // Integer init over an existing kind keeps it.
    IParameter e;
    e.InitEnumerated("Mode", 1, {"A", "B", "C"});
    EXPECT_EQ(e.Kind(), IParameter::kKindEnumerated);
    EXPECT_EQ(e.Max(), 2.0);
    EXPECT_EQ(e.Value(), 1.0);
    EXPECT_EQ(e.Default(), 1.0);
    e.InitInteger("Mode", 0, 0, 2);
    EXPECT_EQ(e.Kind(), IParameter::kKindEnumerated);
}

TEST(IParameter, NamesAreCutToThirtyOneCharacters)
{
    IParameter p;
    p.InitInteger("A name much longer than thirty-one characters", 0, 0, 1);
    EXPECT_EQ(std::string(p.Name()), "A name much longer than thirty-");
    p.AddDisplayText(0, "a display text also longer than thirty-one");
    EXPECT_EQ(std::string(p.DisplayTextAt(0)).size(), 31u);
}

TEST(IParameter, NormalizedValuesOutsideTheRangeAreClamped)
{
    IParameter p;
    p.InitContinuous("Level", 5, 0, 10, 0.1);
    p.Set(20);
    EXPECT_EQ(p.Value(), 10.0);
    p.Set(-1);
    EXPECT_EQ(p.Value(), 0.0);
    EXPECT_EQ(p.GetNormalized(-5.0), 0.0);
    EXPECT_EQ(p.GetNormalized(15.0), 1.0);
    // The host's value is taken as 0..1: the value never leaves the range.
    p.SetNormalized(-0.5);
    EXPECT_EQ(p.Value(), 0.0);
    p.SetNormalized(1.5);
    EXPECT_EQ(p.Value(), 10.0);
    p.SetNormalized(std::nan(""));
    EXPECT_EQ(p.Value(), 0.0);
    p.Set(std::nan(""));
    EXPECT_EQ(p.Value(), 0.0);
}

TEST(IParameter, DisplayTextsAndTheirFallbacks)
{
    IParameter p;
    p.InitEnumerated("Chorus", 0, {"OFF", "", "ON"});
    EXPECT_EQ(Display(p, 0), "OFF");
    EXPECT_EQ(Display(p, 2), "ON");
    // An empty entry falls back to the number.
    EXPECT_EQ(Display(p, 1), "1");
    // Without texts the number is shown.
    EXPECT_EQ(Display(p, 2, false, false), "2");
    // Truncation toward zero: -0.7 looks up entry 0, and prints "0" without texts.
    EXPECT_EQ(Display(p, -0.7), "OFF");
    EXPECT_EQ(Display(p, -0.7, false, false), "0");
    EXPECT_EQ(Display(p, 2.9), "ON");
    // Huge values must not overflow the integer conversion.
    EXPECT_FALSE(Display(p, 1e300, false, false).empty());
}

TEST(IParameter, DisplayFunctionOverridesTexts)
{
    IParameter p;
    p.InitEnumerated("Wave", 0, {"SAW", "SQUARE"});
    p.SetDisplayFunction([](double v, char* text) { std::snprintf(text, IParameter::kDisplayCapacity, "W%.1f", v); });
    EXPECT_EQ(Display(p, 1), "W1.0");
    EXPECT_EQ(Display(p, 1.0, true), "W1.0");
}

TEST(IParameter, NegatedDisplayShowsAndReadsTheNegatedValue)
{
    IParameter p;
    p.InitContinuous("Offset", 0, -10, 10, 0.1);
    p.SetNegateDisplay(true);
    EXPECT_EQ(Display(p, 2.5), "-2.5");
    ASSERT_TRUE(p.ParseHostText("3.5").has_value());
    EXPECT_EQ(*p.ParseHostText("3.5"), -3.5);
}

TEST(IParameter, HostLabelIsEmptyWhereATextIsShown)
{
    IParameter e;
    e.InitEnumerated("Chorus", 1, {"OFF", "ON"});
    e.SetLabel("dB");
    EXPECT_STREQ(e.GetHostLabel(), "");
    IParameter n;
    n.InitContinuous("Gain", 0, -12, 12, 0.5);
    EXPECT_STREQ(n.GetHostLabel(), "");
    n.SetLabel("dB");
    EXPECT_STREQ(n.GetHostLabel(), "dB");
    // An entry with an empty text does not hide the label.
    n.AddDisplayText(0, "");
    EXPECT_STREQ(n.GetHostLabel(), "dB");
}

TEST(IParameter, MapDisplayTextIsExactAndCaseSensitive)
{
    IParameter p;
    p.InitEnumerated("Chorus", 0, {"OFF", "ON"});
    p.AddDisplayText(7, "ON");  // a later duplicate never wins
    double v = -1;
    EXPECT_TRUE(p.MapDisplayText("ON", v));
    EXPECT_EQ(v, 1.0);
    v = -1;
    EXPECT_FALSE(p.MapDisplayText("on", v));
    EXPECT_FALSE(p.MapDisplayText("ON ", v));
    EXPECT_FALSE(p.MapDisplayText("", v));
    EXPECT_EQ(v, -1.0);
}

TEST(IParameter, HostTextParsesNumbersAndRefusesGarbage)
{
    IParameter p;
    p.InitContinuous("Cutoff", 0, 0, 100, 0.1);
    EXPECT_EQ(p.ParseHostText("42.5"), 42.5);
    EXPECT_EQ(p.ParseHostText("  +7"), 7.0);
    EXPECT_EQ(p.ParseHostText("12 Hz"), 12.0);
    EXPECT_EQ(p.ParseHostText("-3"), -3.0);
    EXPECT_FALSE(p.ParseHostText("abc").has_value());
    EXPECT_FALSE(p.ParseHostText("").has_value());
    EXPECT_FALSE(p.ParseHostText("nan").has_value());
    EXPECT_FALSE(p.ParseHostText("inf").has_value());
    IParameter e;
    e.InitEnumerated("Chorus", 0, {"OFF", "ON"});
    EXPECT_EQ(e.ParseHostText("ON"), 1.0);
    EXPECT_FALSE(e.ParseHostText("1").has_value());
}

}  // namespace
}  // namespace qor
