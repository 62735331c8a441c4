// Writes the envelope decay curves and the CHORUS 3 modulation curve as C++
// sources for the engine.
//
//   gen-curves <output-folder>          writes EnvelopeCurveData.cpp and ChorusCurveData.cpp
//   gen-curves --check <folder>         exits 1 when the files there are not what it would write
//
// How the curves are made. The hardware's tables are known only at a few
// rows, so everything between them is designed:
//
// - Envelope curves: the hardware keeps each value for two rows (1-2, 3-4, ...,
//   row 0 alone), so a curve of 2K+1 rows has K+1 distinct steps. The known
//   rows fix the logarithm of some steps; the logarithm is interpolated over the
//   step number with a monotone cubic (Fritsch-Carlson), which keeps the decay
//   near-exponential, strictly falling and free of overshoot, and passes through
//   every known row exactly.
// - CHORUS 3: the curve is one cycle of the chorus clock's sweep, so it is
//   interpolated as a periodic monotone cubic through the known rows (row 488
//   wraps to row 0), then rounded to whole 1/255 steps like the hardware's
//   8-bit converter, which gives its uneven staircase.

#include "engine/ChorusCurve.h"
#include "engine/EnvelopeCurves.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

struct Knot {
    double x;
    double y;
};

// Monotone cubic Hermite interpolation (Fritsch-Carlson slopes, three-point
// end slopes limited so they keep the shape).
class MonotoneCubic {
public:
    explicit MonotoneCubic(std::vector<Knot> knots) : knots_(std::move(knots)), slopes_(knots_.size())
    {
        const size_t n = knots_.size();
        std::vector<double> h(n - 1), delta(n - 1);
        for (size_t k = 0; k + 1 < n; ++k) {
            h[k] = knots_[k + 1].x - knots_[k].x;
            delta[k] = (knots_[k + 1].y - knots_[k].y) / h[k];
        }
        for (size_t k = 1; k + 1 < n; ++k) {
            if (delta[k - 1] * delta[k] <= 0) {
                slopes_[k] = 0;
            } else {
                const double w1 = 2 * h[k] + h[k - 1];
                const double w2 = h[k] + 2 * h[k - 1];
                slopes_[k] = (w1 + w2) / (w1 / delta[k - 1] + w2 / delta[k]);
            }
        }
        slopes_[0] = endSlope(h[0], h[1], delta[0], delta[1]);
        slopes_[n - 1] = endSlope(h[n - 2], h[n - 3], delta[n - 2], delta[n - 3]);
    }

    double operator()(double x) const
    {
        size_t k = 0;
        while (k + 2 < knots_.size() && x > knots_[k + 1].x) ++k;
        const double h = knots_[k + 1].x - knots_[k].x;
        const double t = (x - knots_[k].x) / h;
        const double t2 = t * t;
        const double t3 = t2 * t;
        return (2 * t3 - 3 * t2 + 1) * knots_[k].y + (t3 - 2 * t2 + t) * h * slopes_[k]
               + (-2 * t3 + 3 * t2) * knots_[k + 1].y + (t3 - t2) * h * slopes_[k + 1];
    }

private:
    static double endSlope(double h0, double h1, double d0, double d1)
    {
        const double d = ((2 * h0 + h1) * d0 - h0 * d1) / (h0 + h1);
        if (d * d0 <= 0) return 0;
        if (d0 * d1 <= 0 && std::abs(d) > std::abs(3 * d0)) return 3 * d0;
        return d;
    }

    std::vector<Knot> knots_;
    std::vector<double> slopes_;
};

// A known row of an envelope curve and its value as the hardware stores it.
struct Row {
    int index;
    float value;
};

// Row r belongs to step (r + 1) / 2: row 0 is step 0, rows 1 and 2 step 1, ...
int stepOfRow(int row) { return (row + 1) / 2; }

std::vector<float> envelopeCurve(int rows, std::span<const Row> known)
{
    std::vector<Knot> knots;
    for (const Row& r : known) knots.push_back({double(stepOfRow(r.index)), std::log(double(r.value))});
    const MonotoneCubic logCurve(knots);

    std::vector<float> curve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const int step = stepOfRow(row);
        curve[static_cast<size_t>(row)] = static_cast<float>(std::exp(logCurve(step)));
        // The known rows are the hardware's own values: keep them to the bit.
        for (const Row& r : known)
            if (stepOfRow(r.index) == step) curve[static_cast<size_t>(row)] = r.value;
    }
    return curve;
}

constexpr int kVcfRows = 249;
constexpr int kVcaRows = 505;
constexpr int kChorusRows = 488;
static_assert(std::tuple_size_v<std::remove_cvref_t<decltype(qor::vcfCurve)>> == kVcfRows);
static_assert(std::tuple_size_v<std::remove_cvref_t<decltype(qor::vcaCurve)>> == kVcaRows);
static_assert(std::tuple_size_v<std::remove_cvref_t<decltype(qor::chorus3Curve)>> == kChorusRows);

constexpr std::array<Row, 7> kVcfRowsKnown{{
    {0, 0.999856f}, {1, 0.936853f}, {3, 0.877391f}, {62, 0.222545f},
    {124, 0.064735f}, {186, 0.015545f}, {248, 0.000169f},
}};
constexpr std::array<Row, 7> kVcaRowsKnown{{
    {0, 0.999856f}, {1, 0.968695f}, {3, 0.937534f}, {126, 0.221654f},
    {252, 0.068652f}, {378, 0.018442f}, {504, 0.000543f},
}};

// Known rows of the CHORUS 3 curve in 1/255 steps, every 48 rows.
constexpr std::array<int, 11> kChorusEvery48{244, 198, 152, 108, 61, 15, 48, 94, 136, 180, 228};

std::vector<int> chorusCurve()
{
    // One period of knots with a neighbour on each side so the slopes at the
    // ends see the wrap.
    std::vector<Knot> knots;
    const int last = static_cast<int>(kChorusEvery48.size()) - 1;
    knots.push_back({double(48 * last - kChorusRows), double(kChorusEvery48[size_t(last)])});
    for (int k = 0; k <= last; ++k) knots.push_back({48.0 * k, double(kChorusEvery48[size_t(k)])});
    knots.push_back({double(kChorusRows), double(kChorusEvery48[0])});
    knots.push_back({double(kChorusRows + 48), double(kChorusEvery48[1])});
    const MonotoneCubic curve(knots);

    std::vector<int> steps(kChorusRows);
    for (int i = 0; i < kChorusRows; ++i) steps[size_t(i)] = static_cast<int>(std::lround(curve(i)));
    return steps;
}

std::string floatLiteral(float v)
{
    std::array<char, 32> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    std::string s(buf.data(), res.ptr);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s + "f";
}

constexpr std::string_view kHeader =
    "// Generated by gen-curves (tools/generators/CurveGenerator.cpp), which says\n"
    "// how the curves are made. Do not edit; change the generator and rerun it.\n";

std::string envelopeSource()
{
    std::ostringstream out;
    out << kHeader << "#include \"engine/EnvelopeCurves.h\"\n\nnamespace qor {\n";
    auto table = [&](std::string_view name, const std::vector<float>& values) {
        out << "\nconst std::array<float, " << values.size() << "> " << name << " = {";
        for (size_t i = 0; i < values.size(); ++i)
            out << (i % 8 == 0 ? "\n    " : " ") << floatLiteral(values[i]) << ",";
        out << "\n};\n";
    };
    table("vcfCurve", envelopeCurve(kVcfRows, kVcfRowsKnown));
    table("vcaCurve", envelopeCurve(kVcaRows, kVcaRowsKnown));
    out << "\n}  // namespace qor\n";
    return out.str();
}

std::string chorusSource()
{
    std::ostringstream out;
    out << kHeader << "#include \"engine/ChorusCurve.h\"\n\nnamespace qor {\n";
    const std::vector<int> steps = chorusCurve();
    out << "\nconst std::array<double, " << steps.size() << "> chorus3Curve = {";
    for (size_t i = 0; i < steps.size(); ++i)
        out << (i % 8 == 0 ? "\n    " : " ") << steps[i] << ".0 / 255,";
    out << "\n};\n\n}  // namespace qor\n";
    return out.str();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 3 && std::string_view(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: gen-curves [--check] <folder>\n");
        return 2;
    }
    const std::string folder = argv[argc - 1];
    const std::array<std::pair<std::string, std::string>, 2> files{{
        {folder + "/EnvelopeCurveData.cpp", envelopeSource()},
        {folder + "/ChorusCurveData.cpp", chorusSource()},
    }};

    int result = 0;
    for (const auto& [path, text] : files) {
        if (check) {
            if (readFile(path) != text) {
                std::fprintf(stderr, "%s is not what gen-curves makes; rerun gen-curves\n", path.c_str());
                result = 1;
            }
        } else if (!writeFile(path, text)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            result = 1;
        }
    }
    return result;
}
