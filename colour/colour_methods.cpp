#include "colour/colour_methods.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "colour/gradient.h"

namespace zolt {

namespace {

// The palette of a classic gradient: the display's colours, or the monochrome bands (a white
// count, then black ones) when the definition is monochrome.
std::vector<Pixel> PaletteEntries(const ShadingContext& context) {
    if (!context.monochrome)
        return context.palette;
    const std::size_t period = static_cast<std::size_t>(
        std::clamp<long long>(context.modulation, 1, static_cast<long long>(kMaxGradientStops)));
    std::vector<Pixel> bands(period, kBlack);
    bands[0] = kWhite;
    return bands;
}

// What every method shares: the gradient, the interior, and where a count lies in the gradient.
struct Parts {
    Parts(const Colouring& c, const ShadingContext& context)
        : colouring(c),
          iterations(context.iterations),
          scale(context.pixelScale > 0.0 ? context.pixelScale : 1.0),
          perIteration(1.0 / c.repeat),
          offset(c.offset - std::floor(c.offset)),
          interior(MakePixel(c.interior.red, c.interior.green, c.interior.blue)),
          interiorLinear(LinearOf(interior)),
          entries(PaletteEntries(context)),
          table(c.gradient, entries),
          classicBands(c.gradient.kind == GradientKind::Palette && context.monochrome) {
        if (c.gradient.kind != GradientKind::Palette)
            entries.assign(table.Entries().begin(), table.Entries().end());
        period = classicBands ? static_cast<std::uint64_t>(std::max(context.modulation, 1))
                              : std::max<std::uint64_t>(entries.size(), 1);
        // The offset moves bands by whole entries.
        shift =
            static_cast<std::uint64_t>(std::llround(offset * static_cast<double>(period))) % period;
    }

    bool Interior(int n) const { return n >= iterations || n < 0; }
    double Position(int n, float fraction) const {
        return (static_cast<double>(n) + fraction) * perIteration + offset;
    }

    Colouring colouring;
    int iterations;
    double scale;
    double perIteration;
    double offset;  // its fraction: only that counts, and positions then stay positive
    Pixel interior;
    LinearRgb interiorLinear;
    std::vector<Pixel> entries;  // entry for entry, for bands; empty for blended gradients
    GradientTable table;
    bool classicBands;         // the monochrome bands of a classic gradient
    std::uint64_t period = 1;  // of the bands: the entries, or the monochrome modulation
    std::uint64_t shift = 0;   // the offset, in bands
};

// A method: the interior colour inside the set, the method's own colour of each escaped point
// (Derived::Exterior) elsewhere.
template <class Derived, SampleLevel kNeeds>
class Method : public SampleShader {
  public:
    Method(const Colouring& c, const ShadingContext& context) : parts_(c, context) {}
    SampleLevel Needs() const override { return kNeeds; }
    void Shade(const SampleRun& run, Pixel* pixels) const override {
        const auto& method = static_cast<const Derived&>(*this);
        for (std::size_t k = 0; k < run.size; ++k) {
            const int n = run.counts[k];
            pixels[k] = parts_.Interior(n) ? parts_.interior : method.Exterior(n, run, k);
        }
    }

  protected:
    Parts parts_;
};

class Bands final : public Method<Bands, SampleLevel::Counts> {
  public:
    using Method::Method;
    Pixel Exterior(int n, const SampleRun&, std::size_t) const {
        const Parts& p = parts_;
        if (p.classicBands)
            return (n + p.shift) % p.period == 0 ? kWhite : kBlack;
        // A palette or map colours every count exactly: count modulo its entries.
        if (p.colouring.gradient.kind == GradientKind::Palette ||
            p.colouring.gradient.kind == GradientKind::Entries)
            return p.entries.empty() ? kBlack : p.entries[(n + p.shift) % p.period];
        return p.table.At(p.Position(n, 0.0f));
    }
};

class Smooth final : public Method<Smooth, SampleLevel::Fraction> {
  public:
    using Method::Method;
    Pixel Exterior(int n, const SampleRun& run, std::size_t k) const {
        return parts_.table.At(parts_.Position(n, run.fraction[k]));
    }
};

// The smooth colours, mixed towards the interior colour where the estimated distance to the set
// is below the thickness: thin filaments that no pixel centre hits still show as ink.
class Distance final : public Method<Distance, SampleLevel::Distance> {
  public:
    Distance(const Colouring& c, const ShadingContext& context)
        : Method(c, context), perReach_(static_cast<float>(1.0 / (c.thickness * parts_.scale))) {}
    Pixel Exterior(int n, const SampleRun& run, std::size_t k) const {
        const Parts& p = parts_;
        const double position = p.Position(n, run.fraction[k]);
        const float distance = std::sqrt(run.dex[k] * run.dex[k] + run.dey[k] * run.dey[k]);
        const float t = distance * perReach_;
        // Beyond the ink's reach, as most points are: the smooth colour as it is.
        if (t >= 1.0f)
            return p.table.At(position);
        const LinearRgb base = p.table.Linear(position);
        const LinearRgb& ink = p.interiorLinear;
        return PixelOf({ink.red + (base.red - ink.red) * t,
                        ink.green + (base.green - ink.green) * t,
                        ink.blue + (base.blue - ink.blue) * t});
    }

  private:
    float perReach_;
};

// The smooth colours lit as a surface whose height is the continuous count times the strength.
// Its slope comes from the distance estimate E (in sample pixels): the gradient of the
// continuous count is -E / (|E|^2 ln 2), exactly, so no neighbour is needed and bands of a
// picture join without a seam.
class Relief final : public Method<Relief, SampleLevel::Distance> {
  public:
    Relief(const Colouring& c, const ShadingContext& context) : Method(c, context) {
        // The light comes from the angle's direction on the picture (rows run downwards), 45
        // degrees above it.
        constexpr double kElevation = std::numbers::pi / 4;
        const double azimuth = c.angle * std::numbers::pi / 180.0;
        lightX_ = static_cast<float>(std::cos(azimuth) * std::cos(kElevation));
        lightY_ = static_cast<float>(-std::sin(azimuth) * std::cos(kElevation));
        lightUp_ = static_cast<float>(std::sin(kElevation));
        perLightUp_ = 1.0f / lightUp_;
        // Slope per picture pixel for each unit of E / |E|^2 in sample pixels.
        slope_ = static_cast<float>(c.strength * parts_.scale / std::numbers::ln2);
    }
    Pixel Exterior(int n, const SampleRun& run, std::size_t k) const {
        const LinearRgb base = parts_.table.Linear(parts_.Position(n, run.fraction[k]));
        const float shade = Shading(run.dex[k], run.dey[k]);
        return PixelOf({base.red * shade, base.green * shade, base.blue * shade});
    }

  private:
    // Lambert's law on the surface, relative to a flat one (1).
    float Shading(float ex, float ey) const {
        const float e2 = ex * ex + ey * ey;
        if (!(e2 > 0.0f))
            return 0.5f;  // on the boundary itself: no direction to light
        // The surface's height rises towards the set: its slope is -slope_ E / |E|^2, and its
        // normal (-slope, 1) normalised.
        const float along = slope_ / e2;
        const float hx = -along * ex;
        const float hy = -along * ey;
        const float lit =
            (lightUp_ - hx * lightX_ - hy * lightY_) / std::sqrt(1.0f + hx * hx + hy * hy);
        return std::max(lit, 0.0f) * perLightUp_;
    }

    float lightX_ = 0.0f;
    float lightY_ = 0.0f;
    float lightUp_ = 1.0f;
    float perLightUp_ = 1.0f;
    float slope_ = 0.0f;
};

template <class Kind>
std::shared_ptr<const SampleShader> Make(const Colouring& c, const ShadingContext& context) {
    return std::make_shared<const Kind>(c, context);
}

struct MethodRow {
    ColourMethod method;
    std::string_view name;
    SampleLevel needs;
    std::shared_ptr<const SampleShader> (*make)(const Colouring&, const ShadingContext&);
};

constexpr MethodRow kMethods[] = {
    {ColourMethod::Bands, "bands", SampleLevel::Counts, &Make<Bands>},
    {ColourMethod::Smooth, "smooth", SampleLevel::Fraction, &Make<Smooth>},
    {ColourMethod::Distance, "distance", SampleLevel::Distance, &Make<Distance>},
    {ColourMethod::Relief, "relief", SampleLevel::Distance, &Make<Relief>},
};

const MethodRow& RowOf(ColourMethod method) {
    for (const MethodRow& row : kMethods) {
        if (row.method == method)
            return row;
    }
    return kMethods[0];
}

}  // namespace

SampleLevel SamplesFor(const Colouring& colouring) {
    return RowOf(colouring.method).needs;
}

std::shared_ptr<const SampleShader> MakeShader(const Colouring& colouring,
                                               const ShadingContext& context) {
    return RowOf(colouring.method).make(colouring, context);
}

std::shared_ptr<const SampleShader> ShaderFor(const Colouring& colouring,
                                              const ShadingContext& context) {
    return IsClassicColouring(colouring) ? nullptr : MakeShader(colouring, context);
}

std::string_view MethodName(ColourMethod method) {
    return RowOf(method).name;
}

std::optional<ColourMethod> MethodNamed(std::string_view name) {
    for (const MethodRow& row : kMethods) {
        if (row.name == name)
            return row.method;
    }
    return std::nullopt;
}

}  // namespace zolt
