#include "engine/deep_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "engine/ext_float.h"
#include "engine/mp_real.h"

namespace zolt {

namespace {

// Differences with both parts below 2^kSmallExp are held with a separate exponent. At that
// size dz^2 is still a normal double, so the plain double step loses nothing; and the pixel's
// dc, which may be far below the double range, is below 2^-500 of dz wherever plain doubles
// drop it to a subnormal or zero.
constexpr int kSmallExp = -450;
// |dz|^2 below this: the difference is held with its own exponent (both parts then lie below
// 2^kSmallExp).
constexpr double kSmallNorm = 0x1p-900;

// Plain steps (or skips) between two looks at the stop flag: well under a millisecond.
constexpr int kStopCheckSteps = 8192;

// The shortest skip stored is 2^kLowestLevel steps: shorter ones cost about what they save.
constexpr int kLowestLevel = 3;

// The reference ends once |Z|^2 exceeds both the escape value and this: a pixel that has not
// escaped where the reference has is then far from it, and loses nothing by a rebase.
constexpr double kReferenceBound = 1e4;

// A reference value this close to the escape bound (relative) may let a pixel escape inside
// a skip, so no skip crosses it.
constexpr double kEscapeMargin = 0x1p-10;

// One merged run of steps in the form the double loop uses: dz -> A dz + B dc, usable while
// |dz|^2 < r2 (0: never; the double loop holds no |dz|^2 below 2^-900 anyway).
struct SkipDouble {
    double ar, ai, br, bi, r2;
};

// A run of steps as it is merged: dz -> a dz + b dc, usable while |dz| < r.
struct Run {
    ext::Complex a, b;
    ext::Real r;
};

// The same run with extended exponents, usable while |dz|^2 < r2.
struct SkipExt {
    ext::Complex a, b;
    ext::Real r2;
};

// The skip table: level j holds count[j] runs of 2^(kLowestLevel + j) steps, the run k
// starting at reference index 1 + k * 2^(kLowestLevel + j), from entry start[j] on.
struct SkipTable {
    std::vector<SkipDouble> dbl;
    std::vector<SkipExt> ext;
    std::vector<std::size_t> start;
    std::vector<std::size_t> count;
    int Levels() const { return static_cast<int>(start.size()); }
    // Runs from reference index 1 to index n, for n = 2, 3, ...: prefix[n - 2], with its
    // squared radius also in prefixR2 for the search. A pixel comes to index 1 after every
    // rebase, and the orbit's next close approach to 0 lies anywhere, so one run to just
    // before it beats any chain of aligned runs.
    std::vector<SkipDouble> prefix;
    std::vector<double> prefixR2;
};

// The prefix runs stop here (40 bytes each), or where their radius drops below the double
// loop's smallest difference.
constexpr std::size_t kMaxPrefix = std::size_t{1} << 21;

// The part of the state that pixels read.
struct Prepared {
    int maxIter = 0;
    double escape = 0.0;
    int width = 0;
    int height = 0;
    int cx = 0;  // the reference pixel
    int cy = 0;
    double dxMantissa = 0.0;  // dx = dxMantissa * 2^dxExp, 1 <= |dxMantissa| < 2
    std::int64_t dxExp = 0;
    // Reference values Z_0 = 0, Z_1 = C, Z_{k+1} = Z_k^2 + C as (re, im) pairs of doubles.
    std::vector<double> orbit;
    // The values whose parts are both below 2^-900 (or zero), exactly: (index, value).
    std::vector<std::pair<int, ext::Complex>> tiny;
    bool useBla = false;
    SkipTable skips;
    int Length() const { return static_cast<int>(orbit.size() / 2); }

    ext::Complex ExtAt(int m) const {
        const double re = orbit[2 * static_cast<std::size_t>(m)];
        const double im = orbit[2 * static_cast<std::size_t>(m) + 1];
        if (std::max(std::fabs(re), std::fabs(im)) >= 0x1p-900)
            return ext::FromDouble(re, im);
        const auto it = std::lower_bound(
            tiny.begin(), tiny.end(), m,
            [](const std::pair<int, ext::Complex>& t, int index) { return t.first < index; });
        return (it != tiny.end() && it->first == m) ? it->second : ext::FromDouble(re, im);
    }
};

// The key of the work kept between calls: everything but the iteration limit.
struct Key {
    std::string pstart, pfinish, qstart;
    int width = 0, height = 0;
    double escape = 0.0;
    DeepOptions options;
    bool operator==(const Key&) const = default;
};

Key KeyOf(const DeepView& view, const DeepOptions& options) {
    return {view.pstart, view.pfinish, view.qstart, view.width, view.height, view.escape, options};
}

ext::Complex ExtOf(const MpReal& re, const MpReal& im) {
    long er = 0, ei = 0;
    const double mr = mpfr_get_d_2exp(&er, re.get(), MPFR_RNDN);
    const double mi = mpfr_get_d_2exp(&ei, im.get(), MPFR_RNDN);
    if (mr == 0.0 && mi == 0.0)
        return {};
    const ext::Complex a = ext::Normalize(mr, 0.0, er);
    const ext::Complex b = ext::Normalize(0.0, mi, ei);
    return ext::Add(a, b);
}

}  // namespace

struct DeepReference::State {
    Key key;
    DeepView view;
    std::string error;
    long bits = 0;
    Prepared p;
    ext::Real dcMax;  // the largest |dc| of a pixel of the view
    // The reference computation, kept so that a stopped Prepare can resume.
    MpReal zr, zi, cr, ci, t1, t2, t3;
    bool escaped = false;
    int skipsFor = -1;  // orbit length the skip table was built for (-1: none)
    bool ready = false;

    State() : zr(64), zi(64), cr(64), ci(64), t1(64), t2(64), t3(64) {}
};

namespace {

using State = DeepReference::State;

// A view's coordinates read, and the precision its reference needs.
struct Checked {
    DecimalParts ps, pf, qs;
    long textBits = 0;
    long bits = 0;
};

// What can be checked of a view without its reference; the reason it is refused, or empty with
// `checked` filled. `tooDeep` tells a refusal for the depth alone.
std::string Check(const DeepView& view, Checked& checked, bool& tooDeep) {
    tooDeep = false;
    if (view.width < 1 || view.height < 1)
        return "the image has no pixels";
    if (std::isnan(view.escape) || std::isinf(view.escape))
        return "the escape value is not a finite number";
    if (view.maxIter > kMaxDeepIterations)
        return "deep views take at most " + std::to_string(kMaxDeepIterations) + " iterations";
    for (const std::string* text : {&view.pstart, &view.pfinish, &view.qstart}) {
        if (text->size() > kMaxDecimalText)
            return kLongCoordinates;
    }
    DecimalParts& ps = checked.ps;
    DecimalParts& pf = checked.pf;
    DecimalParts& qs = checked.qs;
    if (!ParseDecimal(view.pstart, ps) || !ParseDecimal(view.pfinish, pf) ||
        !ParseDecimal(view.qstart, qs))
        return "a coordinate is not a decimal number";
    // At the precision of the texts, to learn the depth.
    checked.textBits =
        BitsForDigits(std::max({ps.digits.size(), pf.digits.size(), qs.digits.size()}) + 2);
    const long textBits = checked.textBits;
    MpReal p0(textBits), p1(textBits), q0(textBits), dx(textBits + 32);
    p0.SetParts(ps);
    p1.SetParts(pf);
    q0.SetParts(qs);
    mpfr_sub(dx.get(), p1.get(), p0.get(), MPFR_RNDN);
    mpfr_div_si(dx.get(), dx.get(), view.width, MPFR_RNDN);
    if (mpfr_zero_p(dx.get()))
        return "the view has no width";
    // Depth: binary places from the largest coordinate (at least 1) down to the pixel step.
    long top = 1;
    for (const MpReal* v : {&p0, &p1, &q0}) {
        if (!mpfr_zero_p(v->get()))
            top = std::max(top, static_cast<long>(mpfr_get_exp(v->get())));
    }
    const long depth = top - static_cast<long>(mpfr_get_exp(dx.get())) + 1;
    checked.bits = std::max(64L, depth) + 64;
    if (checked.bits > kMaxDeepPrecision) {
        tooDeep = true;
        return "the view is deeper than the engine's precision allows";
    }
    return {};
}

// The most memory a reference of `maxIter` iterations takes at once: while its skip table is
// built, the orbit, the table and the runs being merged; before that, the orbit as it grows.
std::uint64_t ReferenceBytes(int maxIter, long bits) {
    const auto length = static_cast<std::uint64_t>(std::max(maxIter, 1)) + 2;
    const std::uint64_t orbit = 2 * sizeof(double) * length;
    const std::uint64_t steps = length - 2;
    const std::uint64_t table =
        (sizeof(SkipDouble) + sizeof(SkipExt)) * (steps >> (kLowestLevel - 1));
    const std::uint64_t runs = (sizeof(Run) * (steps >> kLowestLevel)) * 3 / 2;
    const std::uint64_t prefix =
        (sizeof(SkipDouble) + sizeof(double)) * std::min<std::uint64_t>(steps, kMaxPrefix);
    // The values of the computation in MPFR, and room for what is too small to count.
    const std::uint64_t fixed = 8 * static_cast<std::uint64_t>(bits) + (1u << 20);
    return std::max(orbit * 3 / 2, orbit + table + runs + prefix) + fixed;
}

// Validates the view and sets up the reference point; false with state.error on refusal.
bool SetUp(const DeepView& view, State& s) {
    Checked checked;
    bool tooDeep = false;
    s.error = Check(view, checked, tooDeep);
    if (!s.error.empty())
        return false;
    const DecimalParts& ps = checked.ps;
    const DecimalParts& pf = checked.pf;
    const DecimalParts& qs = checked.qs;
    const long textBits = checked.textBits;
    const long bits = checked.bits;
    s.bits = bits;
    // At the full precision: a short text (say "0.1") must not be cut to the few bits its own
    // digits need when the step is far smaller.
    const long full = std::max(bits, textBits) + 32;
    MpReal p0(full), p1(full), q0(full), dx(full);
    p0.SetParts(ps);
    p1.SetParts(pf);
    q0.SetParts(qs);
    mpfr_sub(dx.get(), p1.get(), p0.get(), MPFR_RNDN);
    mpfr_div_si(dx.get(), dx.get(), view.width, MPFR_RNDN);

    Prepared& p = s.p;
    p = Prepared{};
    p.escape = view.escape;
    p.width = view.width;
    p.height = view.height;
    p.cx = view.width / 2;
    p.cy = view.height / 2;
    MpReal step(bits);
    mpfr_set(step.get(), dx.get(), MPFR_RNDN);
    long dxExp = 0;
    const double dxHalf = mpfr_get_d_2exp(&dxExp, step.get(), MPFR_RNDN);  // in [0.5, 1)
    p.dxMantissa = dxHalf * 2.0;
    p.dxExp = dxExp - 1;

    // The reference point C = (pstart + cx * dx, qstart + cy * dx).
    for (MpReal* v : {&s.zr, &s.zi, &s.cr, &s.ci, &s.t1, &s.t2, &s.t3})
        *v = MpReal(bits);
    mpfr_mul_si(s.cr.get(), step.get(), p.cx, MPFR_RNDN);
    mpfr_add(s.cr.get(), s.cr.get(), p0.get(), MPFR_RNDN);
    mpfr_mul_si(s.ci.get(), step.get(), p.cy, MPFR_RNDN);
    mpfr_add(s.ci.get(), s.ci.get(), q0.get(), MPFR_RNDN);
    mpfr_set(s.zr.get(), s.cr.get(), MPFR_RNDN);
    mpfr_set(s.zi.get(), s.ci.get(), MPFR_RNDN);
    p.orbit = {0.0, 0.0};
    p.tiny = {{0, ext::Complex{}}};
    s.escaped = false;
    s.skipsFor = -1;

    // The farthest pixel from the reference, with a little room for rounding.
    const double far = std::hypot(static_cast<double>(std::max(p.cx, view.width - 1 - p.cx)),
                                  static_cast<double>(std::max(p.cy, view.height - 1 - p.cy)));
    s.dcMax = ext::Mul(ext::Normalize(std::fabs(p.dxMantissa) * (far + 1e-9), p.dxExp),
                       ext::FromDouble(1.0 + 0x1p-40));
    return true;
}

// Appends Z_k (the value in zr, zi) to the orbit; true when the reference has escaped.
bool Keep(State& s) {
    Prepared& p = s.p;
    const double re = s.zr.ToDouble();
    const double im = s.zi.ToDouble();
    const int index = p.Length();
    p.orbit.push_back(re);
    p.orbit.push_back(im);
    if (std::max(std::fabs(re), std::fabs(im)) < 0x1p-900)
        p.tiny.emplace_back(index, ExtOf(s.zr, s.zi));
    const double norm = re * re + im * im;
    return norm > p.escape && norm > kReferenceBound;
}

// Extends the reference to `length` values (or until it escapes); false when stopped.
bool ExtendReference(State& s, int length, const std::atomic<bool>* stop,
                     const DeepProgress& progress) {
    Prepared& p = s.p;
    // The orbit doubles its room as it grows, never past the length asked for: a long one then
    // takes what ReferenceBytes counts, and a short one (it escaped) little more than it holds.
    const std::size_t most = 2 * static_cast<std::size_t>(length);
    const auto room = [&p, most] {
        if (p.orbit.size() + 2 > p.orbit.capacity())
            p.orbit.reserve(std::min(most, std::max<std::size_t>(2 * p.orbit.capacity(), 1 << 16)));
    };
    if (p.Length() == 1) {
        room();
        s.escaped = Keep(s);  // Z_1 = C
    }
    int reported = -1;
    while (!s.escaped && p.Length() < length) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            return false;
        room();
        // Z <- Z^2 + C.
        mpfr_sqr(s.t1.get(), s.zr.get(), MPFR_RNDN);
        mpfr_sqr(s.t2.get(), s.zi.get(), MPFR_RNDN);
        mpfr_mul(s.t3.get(), s.zr.get(), s.zi.get(), MPFR_RNDN);
        mpfr_sub(s.zr.get(), s.t1.get(), s.t2.get(), MPFR_RNDN);
        mpfr_add(s.zr.get(), s.zr.get(), s.cr.get(), MPFR_RNDN);
        mpfr_mul_2ui(s.t3.get(), s.t3.get(), 1, MPFR_RNDN);
        mpfr_add(s.zi.get(), s.t3.get(), s.ci.get(), MPFR_RNDN);
        s.escaped = Keep(s);
        if (progress) {
            // At most 256 reports, whatever the length.
            const int now = static_cast<int>(256.0 * p.Length() / length);
            if (now != reported) {
                reported = now;
                progress(static_cast<double>(p.Length()) / length);
            }
        }
    }
    return true;
}

// Merges run x with the run y that follows it. `junctionSafe` says whether a pixel can not
// escape at the value between them.
Run Merge(const Run& x, const Run& y, bool junctionSafe, const ext::Real& dcMax) {
    Run z;
    z.a = ext::Mul(y.a, x.a);
    z.b = ext::Add(ext::Mul(y.a, x.b), y.b);
    // After x, |dz| <= |A_x| |dz0| + |B_x| |dc| must stay below R_y.
    ext::Real room = ext::Add(y.r, ext::Neg(ext::Mul(ext::Abs(x.b), dcMax)));
    if (!junctionSafe || room.m <= 0.0 || x.a.e == ext::kZeroExp)
        room = {};
    else
        room = ext::Div(room, ext::Abs(x.a));
    z.r = ext::Less(room, x.r) ? room : x.r;
    return z;
}

// Converts a run for the double loop.
SkipDouble ToDouble(const Run& run) {
    SkipDouble d{};
    // Coefficients beyond 2^1000 would overflow in the double loop; such runs need dz far
    // smaller than the double loop ever holds anyway.
    if (run.r.m <= 0.0 || run.a.e > 1000 || run.b.e > 1000)
        return d;
    d.ar = ext::Re(run.a);
    d.ai = ext::Im(run.a);
    d.br = ext::Re(run.b);
    d.bi = ext::Im(run.b);
    d.r2 = ext::ToDouble(ext::Mul(run.r, run.r));
    return d;
}

SkipExt ToExt(const Run& run) {
    return {run.a, run.b, ext::Mul(run.r, run.r)};
}

// Builds the skip table for the current orbit; false when stopped.
bool BuildSkips(State& s, const std::atomic<bool>* stop) {
    Prepared& p = s.p;
    p.skips = SkipTable{};
    p.useBla = s.key.options.useBla;
    const int length = p.Length();
    if (!p.useBla || length < 2 + (1 << kLowestLevel))
        return true;
    const double eps = s.key.options.blaThreshold;
    const auto safe = [&p](int m) {
        const double re = p.orbit[2 * static_cast<std::size_t>(m)];
        const double im = p.orbit[2 * static_cast<std::size_t>(m) + 1];
        return (re * re + im * im) * (1.0 + kEscapeMargin) < p.escape;
    };
    const auto single = [&](int m) {
        Run r;
        r.a = ext::Twice(p.ExtAt(m));
        r.b = ext::FromDouble(1.0, 0.0);
        r.r = ext::Mul(ext::Abs(r.a), ext::FromDouble(eps));
        return r;
    };
    const int steps = length - 2;  // single steps m -> m + 1 for m = 1 .. length - 2
    {
        const std::size_t most = std::min(static_cast<std::size_t>(steps), kMaxPrefix);
        p.skips.prefix.reserve(most);
        p.skips.prefixR2.reserve(most);
        Run run = single(1);
        for (int n = 2; n <= length - 1 && p.skips.prefix.size() < kMaxPrefix; ++n) {
            if ((n & 4095) == 0 && stop != nullptr && stop->load(std::memory_order_relaxed))
                return false;
            if (n > 2)
                run = Merge(run, single(n - 1), safe(n - 1), s.dcMax);
            const SkipDouble d = ToDouble(run);
            if (!(d.r2 >= kSmallNorm))
                break;
            p.skips.prefix.push_back(d);
            p.skips.prefixR2.push_back(d.r2);
        }
    }
    p.skips.dbl.reserve(static_cast<std::size_t>(steps >> (kLowestLevel - 1)));
    p.skips.ext.reserve(static_cast<std::size_t>(steps >> (kLowestLevel - 1)));
    std::vector<Run> runs;
    // The lowest level, each run composed of its single steps.
    const int lowLen = 1 << kLowestLevel;
    const std::size_t lowCount = static_cast<std::size_t>(steps >> kLowestLevel);
    runs.reserve(lowCount);
    for (std::size_t k = 0; k < lowCount; ++k) {
        if ((k & 4095) == 0 && stop != nullptr && stop->load(std::memory_order_relaxed))
            return false;
        const int m0 = 1 + static_cast<int>(k) * lowLen;
        Run run = single(m0);
        for (int m = m0 + 1; m < m0 + lowLen; ++m)
            run = Merge(run, single(m), safe(m), s.dcMax);
        runs.push_back(run);
    }
    for (int level = kLowestLevel; !runs.empty(); ++level) {
        SkipTable& table = p.skips;
        table.start.push_back(table.dbl.size());
        table.count.push_back(runs.size());
        for (const Run& r : runs) {
            table.dbl.push_back(ToDouble(r));
            table.ext.push_back(ToExt(r));
        }
        std::vector<Run> next;
        next.reserve(runs.size() / 2);
        const int len = 1 << level;
        for (std::size_t k = 0; k + 1 < runs.size(); k += 2) {
            if ((k & 4095) == 0 && stop != nullptr && stop->load(std::memory_order_relaxed))
                return false;
            const int junction = 1 + static_cast<int>(k + 1) * len;
            next.push_back(Merge(runs[k], runs[k + 1], safe(junction), s.dcMax));
        }
        runs = std::move(next);
    }
    return true;
}

}  // namespace

DeepReference::DeepReference() = default;
DeepReference::~DeepReference() = default;
DeepReference::DeepReference(DeepReference&&) noexcept = default;
DeepReference& DeepReference::operator=(DeepReference&&) noexcept = default;

DeepStatus DeepReference::Prepare(const DeepView& view, const std::atomic<bool>* stop,
                                  const DeepProgress& progress, const DeepOptions& options) {
    const Key key = KeyOf(view, options);
    try {
        // The iteration limit is not part of the key (a higher one extends the reference), so a
        // limit past the engine's must be refused here too.
        if (!state_ || state_->key != key || !state_->error.empty() ||
            view.maxIter > kMaxDeepIterations) {
            auto fresh = std::make_unique<State>();
            fresh->key = key;
            fresh->view = view;
            if (!SetUp(view, *fresh)) {
                fresh->p = Prepared{};
                state_ = std::move(fresh);
                return DeepStatus::Refused;
            }
            state_ = std::move(fresh);
        }
        State& s = *state_;
        s.view = view;
        s.ready = false;
        s.p.maxIter = view.maxIter;
        // Pixel counts reach at most maxIter, that is reference index maxIter + 1.
        const int length = std::max(view.maxIter, 1) + 2;
        if (progress)
            progress(std::min(1.0, static_cast<double>(s.p.Length()) / length));
        if (!s.escaped && s.p.Length() < length && s.skipsFor >= 0) {
            // The table of a shorter reference is built again anyway: its memory goes first.
            s.p.skips = SkipTable{};
            s.skipsFor = -1;
        }
        if (!ExtendReference(s, length, stop, progress))
            return DeepStatus::Stopped;
        if (s.skipsFor != s.p.Length()) {
            s.skipsFor = -1;
            if (!BuildSkips(s, stop))
                return DeepStatus::Stopped;
            s.skipsFor = s.p.Length();
        }
        s.ready = true;
        if (progress)
            progress(1.0);
        return DeepStatus::Ready;
    } catch (const std::bad_alloc&) {
        auto failed = std::make_unique<State>();
        failed->key = key;
        failed->view = view;
        failed->error = "not enough memory for the reference orbit";
        state_ = std::move(failed);
        return DeepStatus::Refused;
    }
}

bool DeepReference::Serves(const DeepView& view) const {
    return state_ && state_->ready && state_->view == view;
}

bool DeepReference::Ready() const {
    return state_ && state_->ready;
}

const std::string& DeepReference::Error() const {
    static const std::string none;
    return state_ ? state_->error : none;
}

const DeepView& DeepReference::View() const {
    static const DeepView none;
    return state_ ? state_->view : none;
}

int DeepReference::ReferenceLength() const {
    return state_ ? state_->p.Length() : 0;
}

long DeepReference::PrecisionBits() const {
    return state_ ? state_->bits : 0;
}

std::uint64_t DeepReference::Bytes() const {
    if (!state_)
        return 0;
    const Prepared& p = state_->p;
    const SkipTable& t = p.skips;
    return sizeof(double) * p.orbit.capacity() + sizeof(p.tiny[0]) * p.tiny.capacity() +
           sizeof(SkipDouble) * (t.dbl.capacity() + t.prefix.capacity()) +
           sizeof(SkipExt) * t.ext.capacity() + sizeof(double) * t.prefixR2.capacity();
}

DeepNeeds AssessDeepView(const DeepView& view) {
    DeepNeeds needs;
    Checked checked;
    needs.refusal = Check(view, checked, needs.tooDeep);
    if (needs.refusal.empty()) {
        needs.bits = checked.bits;
        needs.referenceBytes = ReferenceBytes(view.maxIter, checked.bits);
    }
    return needs;
}

namespace {

// The longest skip usable at reference index m (aligned: m - 1 a multiple of
// 2^kLowestLevel): its entry and length, or an entry of -1. `fits(e)` says whether entry e
// accepts the current difference. A longer skip from the same index is never usable where a
// shorter one is not (its radius is at most the shorter one's), so the longest is found by
// bisection after one look at the shortest.
struct Skip {
    std::ptrdiff_t entry = -1;
    int length = 0;
};

// The longest prefix run (from index 1) usable for a difference of squared modulus nd at
// iteration i: its entry and length, or an entry of -1. The search gallops from `hint`, the
// last run this pixel took: its orbit tends to come back to the same place.
Skip FindPrefix(const SkipTable& table, int i, int maxIter, double nd, std::ptrdiff_t& hint) {
    const double* r2 = table.prefixR2.data();
    // Entry q runs q + 1 steps, at most maxIter - i of them.
    const std::ptrdiff_t count = std::min(static_cast<std::ptrdiff_t>(table.prefixR2.size()),
                                          static_cast<std::ptrdiff_t>(maxIter) - i);
    if (count <= 0 || !(nd < r2[0]))
        return {};
    std::ptrdiff_t good = 0, bad = count;  // usable at good, not at bad (or beyond the end)
    const std::ptrdiff_t guess = std::clamp<std::ptrdiff_t>(hint, 0, count - 1);
    std::ptrdiff_t step = 1;
    if (nd < r2[guess]) {
        good = guess;
        while (good + step < count && nd < r2[good + step]) {
            good += step;
            step *= 2;
        }
        bad = std::min(good + step, count);
    } else {
        bad = guess;
        while (bad - step > good && !(nd < r2[bad - step])) {
            bad -= step;
            step *= 2;
        }
        if (bad - step > good)
            good = bad - step;
    }
    while (bad - good > 1) {
        const std::ptrdiff_t mid = good + (bad - good) / 2;
        (nd < r2[mid] ? good : bad) = mid;
    }
    hint = good;
    return {good, static_cast<int>(good + 1)};
}

template <class Fits>
Skip FindSkip(const SkipTable& table, int m, int i, int maxIter, Fits fits) {
    const auto t = static_cast<unsigned>(m - 1);
    int top = table.Levels() - 1;
    if (t != 0)
        top = std::min(top, std::countr_zero(t) - kLowestLevel);
    const auto entry = [&](int j) -> Skip {
        const int length = 1 << (kLowestLevel + j);
        const std::size_t k = t >> (kLowestLevel + j);
        const std::size_t level = static_cast<std::size_t>(j);
        if (k >= table.count[level] || i > maxIter - length)
            return {};
        const std::size_t e = table.start[level] + k;
        return fits(e) ? Skip{static_cast<std::ptrdiff_t>(e), length} : Skip{};
    };
    if (top < 0)
        return {};
    Skip found = entry(0);
    if (found.entry < 0)
        return found;
    int good = 0, bad = top + 1;
    while (bad - good > 1) {
        const int mid = (good + bad) / 2;
        const Skip e = entry(mid);
        if (e.entry >= 0) {
            good = mid;
            found = e;
        } else {
            bad = mid;
        }
    }
    return found;
}

constexpr unsigned kAlignMask = (1u << kLowestLevel) - 1;

int Iterate(const Prepared& p, int x, int y, const std::atomic<bool>* stop) {
    const int maxIter = p.maxIter;
    if (maxIter <= 1)
        return 1;
    const double* orbit = p.orbit.data();
    const int last = p.Length() - 1;
    const double escape = p.escape;
    const SkipTable& table = p.skips;
    const ext::Complex dc = ext::Normalize(static_cast<double>(x - p.cx) * p.dxMantissa,
                                           static_cast<double>(y - p.cy) * p.dxMantissa, p.dxExp);
    const double dcr = ext::Re(dc);
    const double dci = ext::Im(dc);
    // Below 2^-960 a double dc loses bits; B dc of a skip is then formed with the exponent.
    const bool exactDc = dc.e >= -960 || dc.e == ext::kZeroExp;
    const bool skips =
        p.useBla && table.Levels() > 0 && x >= 0 && x < p.width && y >= 0 && y < p.height;

    int i = 0;
    int m = 1;
    int budget = kStopCheckSteps;
    std::ptrdiff_t hint = 0;
    bool small = dc.e < kSmallExp;
    double dr = dcr, di = dci;
    ext::Complex dz = dc;
    for (;;) {
        if (!small) {
            double wr = orbit[2 * m] + dr;
            double wi = orbit[2 * m + 1] + di;
            double nw = wr * wr + wi * wi;
            double nd = dr * dr + di * di;
            for (;;) {
                // Rebase when the orbit comes closer to 0 than to the reference, or the
                // reference has no next value.
                if (m == last || nw < nd) {
                    dr = wr;
                    di = wi;
                    nd = nw;
                    m = 0;
                    if (nd < kSmallNorm)
                        break;
                }
                Skip skip;
                const SkipDouble* run = nullptr;
                if (skips && m == 1) {
                    skip = FindPrefix(table, i, maxIter, nd, hint);
                    if (skip.entry >= 0)
                        run = &table.prefix[static_cast<std::size_t>(skip.entry)];
                }
                if (skips && run == nullptr && ((static_cast<unsigned>(m) - 1) & kAlignMask) == 0 &&
                    m > 0) {
                    skip = FindSkip(table, m, i, maxIter,
                                    [&](std::size_t e) { return nd < table.dbl[e].r2; });
                    if (skip.entry >= 0)
                        run = &table.dbl[static_cast<std::size_t>(skip.entry)];
                }
                if (run != nullptr) {
                    const SkipDouble& s = *run;
                    double nr = s.ar * dr - s.ai * di;
                    double ni = s.ar * di + s.ai * dr;
                    if (exactDc) {
                        nr += s.br * dcr - s.bi * dci;
                        ni += s.br * dci + s.bi * dcr;
                    } else {
                        // A usable run has |B| below 2^1000; dc lies below 2^-960.
                        const ext::Complex bdc = ext::Mul(ext::FromDouble(s.br, s.bi), dc);
                        nr += ext::Re(bdc);
                        ni += ext::Im(bdc);
                    }
                    dr = nr;
                    di = ni;
                    m += skip.length;
                    i += skip.length;
                } else {
                    // dz' = (2 Z + dz) dz + dc
                    const double zr = 2 * orbit[2 * m] + dr;
                    const double zi = 2 * orbit[2 * m + 1] + di;
                    const double nr = zr * dr - zi * di + dcr;
                    const double ni = zr * di + zi * dr + dci;
                    dr = nr;
                    di = ni;
                    ++m;
                    ++i;
                }
                if (i >= maxIter)
                    return i;
                wr = orbit[2 * m] + dr;
                wi = orbit[2 * m + 1] + di;
                nw = wr * wr + wi * wi;
                if (nw > escape)
                    return i;
                if (--budget == 0) {
                    budget = kStopCheckSteps;
                    if (stop != nullptr && stop->load(std::memory_order_relaxed))
                        return 0;
                }
                nd = dr * dr + di * di;
                if (nd < kSmallNorm)
                    break;
            }
            small = true;
            dz = ext::FromDouble(dr, di);
        } else {
            for (;;) {
                ext::Complex z = p.ExtAt(m);
                const ext::Complex w = ext::Add(z, dz);
                if (m == last || ext::Less(ext::Norm(w), ext::Norm(dz))) {
                    dz = w;
                    m = 0;
                    z = ext::Complex{};
                    if (dz.e >= kSmallExp)
                        break;
                }
                Skip skip;
                if (skips && ((static_cast<unsigned>(m) - 1) & kAlignMask) == 0 && m > 0) {
                    const ext::Real norm = ext::Norm(dz);
                    skip = FindSkip(table, m, i, maxIter, [&](std::size_t e) {
                        return ext::Less(norm, table.ext[e].r2);
                    });
                }
                if (skip.entry >= 0) {
                    const SkipExt& s = table.ext[static_cast<std::size_t>(skip.entry)];
                    dz = ext::Add(ext::Mul(s.a, dz), ext::Mul(s.b, dc));
                    m += skip.length;
                    i += skip.length;
                } else {
                    dz = ext::Add(ext::Mul(ext::Add(ext::Twice(z), dz), dz), dc);
                    ++m;
                    ++i;
                }
                if (i >= maxIter)
                    return i;
                const double wr = orbit[2 * m] + ext::Re(dz);
                const double wi = orbit[2 * m + 1] + ext::Im(dz);
                if (wr * wr + wi * wi > escape)
                    return i;
                if (--budget == 0) {
                    budget = kStopCheckSteps;
                    if (stop != nullptr && stop->load(std::memory_order_relaxed))
                        return 0;
                }
                if (dz.e >= kSmallExp)
                    break;
            }
            small = false;
            dr = ext::Re(dz);
            di = ext::Im(dz);
        }
    }
}

}  // namespace

int DeepIteratePoint(const DeepReference& reference, int x, int y, const std::atomic<bool>* stop) {
    if (!reference.state_ || !reference.state_->ready ||
        (stop != nullptr && stop->load(std::memory_order_relaxed)))
        return 0;
    return Iterate(reference.state_->p, x, y, stop);
}

bool ComputeDeepCounts(const DeepReference& reference, std::span<const DeepPixel> pixels,
                       std::span<int> counts, const std::atomic<bool>* stop) {
    if (counts.size() < pixels.size())
        return false;
    std::size_t k = 0;
    bool finished = reference.Ready();
    for (; finished && k < pixels.size(); ++k) {
        const int n = DeepIteratePoint(reference, pixels[k].x, pixels[k].y, stop);
        if (n == 0) {
            finished = false;
            break;
        }
        counts[k] = n;
    }
    for (; k < pixels.size(); ++k)
        counts[k] = 0;
    return finished;
}

}  // namespace zolt
