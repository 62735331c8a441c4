#include "framework/IParameter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "framework/TextCopy.h"

namespace qor {

namespace {

// Truncation toward zero that stays defined for any double.
int TruncToInt(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// Decimals needed to show one step: 0.01 -> 2, 0.1 -> 1, whole steps -> 0.
int PrecisionOfStep(double step)
{
    int precision = 0;
    double s = step;
    while (s != std::floor(s) && precision < IParameter::kMaxPrecision) {
        ++precision;
        s *= 10.0;
    }
    return precision;
}

}  // namespace

void IParameter::InitContinuous(std::string_view name, double defaultValue, double min, double max, double step,
                                double shape)
{
    if (mKind == kKindNone) mKind = kKindContinuous;
    CopyText(mName.data(), mName.size(), name);
    mLabel[0] = '\0';
    mValue = defaultValue;
    mDefault = defaultValue;
    mMin = min;
    mMax = std::max(max, min + step);
    // A zero or negative step cannot separate the bounds; keep min < max anyway
    // so the normalized mapping never divides by zero.
    if (!(mMax > mMin)) mMax = mMin + 1.0;
    mStep = step;
    mPrecision = PrecisionOfStep(step);
    if (shape != 0.0) mShape = shape;
}

void IParameter::InitInteger(std::string_view name, double defaultValue, double min, double max)
{
    if (mKind == kKindNone) mKind = kKindInteger;
    InitContinuous(name, defaultValue, min, max, 1.0, 1.0);
}

void IParameter::InitEnumerated(std::string_view name, double defaultValue, std::span<const char* const> texts)
{
    if (mKind == kKindNone) mKind = kKindEnumerated;
    InitContinuous(name, defaultValue, 0.0, static_cast<double>(texts.size()) - 1.0, 1.0, 1.0);
    for (std::size_t i = 0; i < texts.size(); ++i)
        AddDisplayText(static_cast<int>(i), texts[i] ? std::string_view(texts[i]) : std::string_view());
}

void IParameter::AddDisplayText(int value, std::string_view text)
{
    DisplayText entry;
    entry.value = value;
    CopyText(entry.text.data(), entry.text.size(), text);
    mDisplayTexts.push_back(entry);
}

void IParameter::SetLabel(std::string_view label)
{
    CopyText(mLabel.data(), mLabel.size(), label);
}

double IParameter::Clamp(double value) const
{
    // A NaN would slip through std::clamp and reach the engine.
    if (std::isnan(value)) return mMin;
    return std::clamp(value, mMin, mMax);
}

double IParameter::FromNormalized(double normalized) const
{
    double x = normalized;
    if (!(x >= 0.0)) x = 0.0;  // also catches NaN
    if (x > 1.0) x = 1.0;
    double shaped = mShape == 1.0 ? x : std::pow(x, mShape);
    return shaped * (mMax - mMin) + mMin;
}

double IParameter::ValueFromNormalized(double normalized) const
{
    // The host's value is taken as 0..1; outside it the formula would leave
    // the range (there is no lower clamp below).
    double v = FromNormalized(normalized);
    if (mKind != kKindContinuous && mStep > 0.0) v = std::floor(0.5 + v / mStep) * mStep;
    return std::min(v, mMax);
}

double IParameter::GetNormalized(double value) const
{
    double vc = std::clamp(value, mMin, mMax);
    double x = (vc - mMin) / (mMax - mMin);
    return mShape == 1.0 ? x : std::pow(x, 1.0 / mShape);
}

int IParameter::Int() const
{
    return TruncToInt(mValue);
}

const IParameter::DisplayText* IParameter::FindDisplayText(double value) const
{
    int key = TruncToInt(value);
    for (const DisplayText& entry : mDisplayTexts)
        if (entry.value == key) return &entry;
    return nullptr;
}

void IParameter::FormatDisplay(double value, bool isNormalized, char* text, bool useDisplayTexts) const
{
    if (!text) return;
    double v = isNormalized ? FromNormalized(value) : value;
    if (mDisplayFunction) {
        text[0] = '\0';
        mDisplayFunction(v, text);
        return;
    }
    if (useDisplayTexts) {
        const DisplayText* entry = FindDisplayText(v);
        if (entry && entry->text[0]) {
            CopyText(text, kDisplayCapacity, entry->text.data());
            return;
        }
    }
    if (mNegateDisplay) v = -v;
    if (mPrecision == 0)
        std::snprintf(text, kDisplayCapacity, "%d", TruncToInt(v));
    else
        std::snprintf(text, kDisplayCapacity, "%.*f", mPrecision, v);
}

const char* IParameter::GetHostLabel() const
{
    const DisplayText* entry = FindDisplayText(mValue);
    if (entry && entry->text[0]) return "";
    return mLabel.data();
}

bool IParameter::MapDisplayText(std::string_view text, double& value) const
{
    for (const DisplayText& entry : mDisplayTexts) {
        if (text == std::string_view(entry.text.data())) {
            value = entry.value;
            return true;
        }
    }
    return false;
}

std::optional<double> IParameter::ParseHostText(std::string_view text) const
{
    if (!mDisplayTexts.empty()) {
        double value = 0.0;
        if (MapDisplayText(text, value)) return value;
        return std::nullopt;
    }
    // A leading number; trailing text such as a unit is ignored. Text that
    // holds no number is refused rather than read as 0.
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() || !std::isfinite(value)) return std::nullopt;
    return mNegateDisplay ? -value : value;
}

const char* IParameter::DisplayTextAt(int i, int* value) const
{
    if (i < 0 || i >= NDisplayTexts()) return nullptr;
    const DisplayText& entry = mDisplayTexts[static_cast<std::size_t>(i)];
    if (value) *value = entry.value;
    return entry.text.data();
}

}  // namespace qor
