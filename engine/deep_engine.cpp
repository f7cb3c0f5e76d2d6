#include "engine/deep_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "engine/deep_prepared.h"
#include "engine/ext_float.h"
#include "engine/mp_real.h"
#include "engine/settled_orbit.h"

namespace zolt {

namespace {

// The reference ends once |Z|^2 exceeds both the escape value and this: a pixel that has not
// escaped where the reference has is then far from it, and loses nothing by a rebase.
constexpr double kReferenceBound = 1e4;

// A reference value this close to the escape bound (relative) may let a pixel escape inside
// a skip, so no skip crosses it.
constexpr double kEscapeMargin = 0x1p-10;

// A run of steps as it is merged: dz -> a dz + b dc, usable while |dz| < r.
struct Run {
    ext::Complex a, b;
    ext::Real r;
};

// The prefix runs stop here (40 bytes each), or where their radius drops below the double
// loop's smallest difference.
constexpr std::size_t kMaxPrefix = std::size_t{1} << 21;

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
    DeepPrepared p;
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

    DeepPrepared& p = s.p;
    p = DeepPrepared{};
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
    DeepPrepared& p = s.p;
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
    DeepPrepared& p = s.p;
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
    DeepPrepared& p = s.p;
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
                fresh->p = DeepPrepared{};
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

std::optional<bool> DeepReference::ReferenceSettles(const std::atomic<bool>* stop) const {
    if (!state_ || !state_->ready || state_->escaped)
        return std::nullopt;
    // From Z_1 = C on; of a long orbit, the last values, where a cycle has had longest to draw
    // it in (and periods up to half a million are still seen).
    constexpr int kMostValues = 1 << 20;
    const DeepPrepared& p = state_->p;
    const int first = std::max(1, p.Length() - kMostValues);
    // Values below the doubles' range are kept apart, exactly; an orbit that passes there is
    // left unjudged.
    if (std::any_of(p.tiny.begin(), p.tiny.end(),
                    [first](const auto& tiny) { return tiny.first >= first; }))
        return std::nullopt;
    const std::span<const double> values =
        std::span<const double>(p.orbit).subspan(2 * static_cast<std::size_t>(first));
    const bool settles = KeptOrbitSettles(values, stop);
    if (stop != nullptr && stop->load(std::memory_order_relaxed))
        return std::nullopt;
    return settles;
}

long DeepReference::PrecisionBits() const {
    return state_ ? state_->bits : 0;
}

double DeepReference::PixelStep() const {
    return state_ ? ext::detail::Scale(state_->p.dxMantissa, state_->p.dxExp) : 0.0;
}

std::uint64_t DeepReference::Bytes() const {
    if (!state_)
        return 0;
    const DeepPrepared& p = state_->p;
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

const DeepPrepared* DeepReference::Pixels() const {
    return state_ && state_->ready ? &state_->p : nullptr;
}

}  // namespace zolt
