// One automatable parameter: its kind, range, step, normalized mapping and
// display texts.
//
// Values inside the plug-in are plain values in the parameter's own units
// (integers held as doubles). Normalized values (0..1) exist only at the host
// and editor boundary:
//   normalized = ((v - min) / (max - min))^(1 / shape)
//   v          = normalized^shape * (max - min) + min
//
// No lock of its own: every write happens under the plug-in's main lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace qor {

// Writes the display text of a plain value into text, which holds
// IParameter::kDisplayCapacity bytes.
using DisplayFunction = void (*)(double value, char* text);

class IParameter {
public:
    enum EKind : int32_t {
        kKindNone = 0,  // not yet initialised
        kKindInteger = 2,
        kKindEnumerated = 3,
        kKindContinuous = 4,
    };

    static constexpr std::size_t kNameCapacity = 32;   // 31 characters and terminator
    static constexpr std::size_t kTextCapacity = 32;   // one display-text entry
    static constexpr std::size_t kDisplayCapacity = 128;  // buffers handed to FormatDisplay
    static constexpr int kMaxPrecision = 6;

    struct DisplayText {
        int32_t value = 0;
        std::array<char, kTextCapacity> text{};
    };

    void InitContinuous(std::string_view name, double defaultValue, double min, double max, double step,
                        double shape = 1.0);
    void InitInteger(std::string_view name, double defaultValue, double min, double max);
    void InitEnumerated(std::string_view name, double defaultValue, std::span<const char* const> texts);
    void InitEnumerated(std::string_view name, double defaultValue, std::initializer_list<const char*> texts)
    {
        InitEnumerated(name, defaultValue, std::span<const char* const>(texts.begin(), texts.size()));
    }
    // Entries are kept in the order added; the first match wins on lookup.
    void AddDisplayText(int value, std::string_view text);

    void SetDisplayFunction(DisplayFunction function) { mDisplayFunction = function; }
    void SetLabel(std::string_view label);
    void SetNegateDisplay(bool negate) { mNegateDisplay = negate; }

    // Clamped to [min, max]; no snapping to the step.
    void Set(double value) { mValue = Clamp(value); }
    // What Set would store (a NaN becomes the minimum); reads only the range,
    // which never changes after construction, so any thread may ask.
    double Clamp(double value) const;
    // Snaps to the step grid unless continuous.
    void SetNormalized(double normalized) { mValue = ValueFromNormalized(normalized); }
    // What SetNormalized would store; reads only the range, so any thread may ask.
    double ValueFromNormalized(double normalized) const;
    double GetNormalized() const { return GetNormalized(mValue); }
    double GetNormalized(double value) const;
    // The plain value that a normalized one maps to, without snapping.
    double FromNormalized(double normalized) const;

    // text must hold kDisplayCapacity bytes. The host-facing form is
    // FormatDisplay(Value(), false, text, true).
    void FormatDisplay(double value, bool isNormalized, char* text, bool useDisplayTexts) const;
    // Empty when the current value has a non-empty display text.
    const char* GetHostLabel() const;
    // Exact, case-sensitive match against the entries.
    bool MapDisplayText(std::string_view text, double& value) const;
    // A text typed at the host: a display-text match when the parameter has
    // texts, otherwise a decimal number. Nothing when it does not parse.
    std::optional<double> ParseHostText(std::string_view text) const;

    EKind Kind() const { return mKind; }
    double Value() const { return mValue; }
    int Int() const;
    double Min() const { return mMin; }
    double Max() const { return mMax; }
    double Step() const { return mStep; }
    double Shape() const { return mShape; }
    double Default() const { return mDefault; }
    int Precision() const { return mPrecision; }
    const char* Name() const { return mName.data(); }
    const char* Label() const { return mLabel.data(); }
    bool NegateDisplay() const { return mNegateDisplay; }
    DisplayFunction GetDisplayFunction() const { return mDisplayFunction; }
    int NDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
    // The text of entry i, or null when i is out of range.
    const char* DisplayTextAt(int i, int* value = nullptr) const;

private:
    const DisplayText* FindDisplayText(double value) const;

    DisplayFunction mDisplayFunction = nullptr;
    EKind mKind = kKindNone;
    double mValue = 0.0;
    double mMin = 0.0;
    double mMax = 1.0;
    double mStep = 1.0;
    double mShape = 1.0;
    double mDefault = 0.0;
    int mPrecision = 0;
    std::array<char, kNameCapacity> mName{};
    std::array<char, kNameCapacity> mLabel{};
    bool mNegateDisplay = false;
    std::vector<DisplayText> mDisplayTexts;
};

}  // namespace qor
