// What the one-line text entry box accepts and what a committed text means.
// The window's entry box (whatever draws it) asks these rules for every typed
// character and hands the committed text back through
// IGraphics::SetFromStringAfterPrompt, so every window form behaves alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qor {

class IParameter;

struct TextEntryRules {
    static constexpr int kNameLength = 30;   // a program name
    static constexpr int kValueLength = 7;   // a parameter value
    // The longest text a committed entry hands on.
    static constexpr int kCommitLength = 32;

    enum class Kind {
        Name,        // any printable character
        Whole,       // integer and enumerated parameters: digits, '+', '-'
        Fractional,  // continuous parameters: digits, '+', '-', '.'
    };

    Kind kind = Kind::Name;
    int maxLength = kNameLength;

    static TextEntryRules ForName() { return {Kind::Name, kNameLength}; }
    static TextEntryRules ForParameter(const IParameter& param);

    // Whether a typed character goes into the box (Latin-1 byte). Backspace
    // is always allowed and not asked about.
    bool Accepts(char c) const;
    // Whether the box, holding `length` characters, takes one more.
    bool HasRoom(int length) const { return length < maxLength; }
    // The text with what the box would have refused left out, cut to the
    // length: for text that arrives at once (a paste, a pre-filled value).
    std::string Filter(std::string_view text) const;

    // The plain value a committed text gives the parameter: enumerated
    // parameters map it through their display texts (no match gives 0),
    // others read a decimal number, negated when the parameter negates its
    // display. Nothing for a text that is no number (an empty box, a lone
    // '-'): the entry then changes nothing.
    std::optional<double> Commit(const IParameter& param, std::string_view text) const;
};

}  // namespace qor
