#include "plugin/UpdateReply.h"

#include <cctype>
#include <climits>

namespace qor {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

UpdateVerdict EvaluateUpdateReply(std::string_view reply, int ownVersion)
{
    UpdateVerdict verdict;
    if (reply.empty()) return verdict;
    if (reply.find('<') != std::string_view::npos) {
        verdict.kind = UpdateVerdict::InvalidCall;
        return verdict;
    }

    // The leading decimal number, read as atoi reads it (blanks, then a
    // sign, then digits; no digits read as 0), but saturating, not overflowing.
    size_t at = 0;
    while (at < reply.size() && IsSpace(reply[at])) ++at;
    bool negative = false;
    if (at < reply.size() && (reply[at] == '+' || reply[at] == '-')) negative = reply[at++] == '-';
    const size_t digitsBegin = at;
    long long number = 0;
    while (at < reply.size() && IsDigit(reply[at])) {
        if (number < INT_MAX) number = number * 10 + (reply[at] - '0');
        ++at;
    }
    const std::string_view digits = reply.substr(digitsBegin, at - digitsBegin);
    if (negative || number <= ownVersion) {
        verdict.kind = UpdateVerdict::UpToDate;
        return verdict;
    }

    // Major, minor, then the release with its leading zero dropped: 1102 is
    // 1.1.2, 1112 is 1.1.12, 2003 is 2.0.3. Only the number's own digits
    // count, so a line break after it does not end up in the text.
    verdict.kind = UpdateVerdict::NewVersion;
    verdict.newVersion.push_back(digits[0]);
    verdict.newVersion.push_back('.');
    if (digits.size() > 1) verdict.newVersion.push_back(digits[1]);
    verdict.newVersion.push_back('.');
    std::string_view release = digits.size() > 2 ? digits.substr(2) : std::string_view{};
    if (release.size() > 1 && release[0] == '0') release.remove_prefix(1);
    verdict.newVersion.append(release);
    return verdict;
}

}  // namespace qor
