// Images that keep their samples: passes with a shader, and recolouring from the samples kept,
// also while a pass runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>
#include <thread>

#include "engine/render_pass.h"

namespace zolt {
namespace {

// A colour made of every sample it reads, so that any sample lost or misplaced shows.
class MixingShader final : public SampleShader {
  public:
    MixingShader(SampleLevel level, std::uint32_t salt) : level_(level), salt_(salt) {}
    SampleLevel Needs() const override { return level_; }
    void Shade(const SampleRun& run, Pixel* pixels) const override {
        for (std::size_t k = 0; k < run.size; ++k) {
            std::uint32_t mix = static_cast<std::uint32_t>(run.counts[k]) * 2654435761u ^ salt_;
            if (level_ >= SampleLevel::Fraction)
                mix ^= std::bit_cast<std::uint32_t>(run.fraction[k]);
            if (level_ >= SampleLevel::Distance)
                mix ^= std::bit_cast<std::uint32_t>(run.dex[k]) * 3 ^
                       std::bit_cast<std::uint32_t>(run.dey[k]) * 5;
            pixels[k] = 0xff000000u | (mix & 0xffffffu);
        }
    }

  private:
    SampleLevel level_;
    std::uint32_t salt_;
};

class Unobserved final : public PassObserver {
  public:
    void RowBegun(int) override {
        if (onBegun)
            onBegun();
    }
    void RowFinished(int) override {}
    std::function<void()> onBegun;
};

class RecolourTest : public ::testing::TestWithParam<int> {
  protected:
    // An image of the view that keeps samples at `level`, coloured by `shader`, after passes 8,
    // 4 and (when `stopAfter` is not 0) part of pass 1.
    void Render(OffscreenImage& image, SampleLevel level,
                std::shared_ptr<const SampleShader> shader, std::atomic<bool>* stop = nullptr) {
        Palette palette;
        BuildPalette(256, palette);
        ASSERT_TRUE(CreateImage(image, kWidth, kHeight, 256, false, palette,
                                {true, level, std::move(shader)}));
        std::vector<PassReach> earlier;
        for (const int block : {8, 4, 1}) {
            const PassJob job{.counter = &counter,
                              .colour = {false, 2, view.Iterations, image.colours},
                              .block = block,
                              .earlier = earlier,
                              .stop = stop,
                              .samples = level};
            earlier.push_back({block, pool.Run(job, image, observer)});
        }
    }

    static constexpr int kWidth = 61;
    static constexpr int kHeight = 47;
    GenerationSnapshot view{-0.7453, -0.7433, 0.1127, 0.0, 3000, 200.0};
    PlainCounter counter{view, kWidth};
    RenderPool pool{GetParam()};
    Unobserved observer;
};

INSTANTIATE_TEST_SUITE_P(Threads, RecolourTest, ::testing::Values(0, 3));

// Recoloured from its samples (block-filled ones of the coarse passes included), an image is
// the image its passes give with the new shader; and back with the count rule.
TEST_P(RecolourTest, GivesThePixelsAPassGives) {
    const auto first = std::make_shared<const MixingShader>(SampleLevel::Distance, 1);
    const auto second = std::make_shared<const MixingShader>(SampleLevel::Fraction, 2);
    OffscreenImage image, fresh, counted;
    Render(image, SampleLevel::Distance, first);
    Render(fresh, SampleLevel::Distance, second);
    Render(counted, SampleLevel::Distance, nullptr);
    ASSERT_NE(image.buffer, fresh.buffer);
    ASSERT_TRUE(RecolourImage(image, {false, 2, view.Iterations}, second));
    EXPECT_EQ(image.buffer, fresh.buffer);
    ASSERT_TRUE(RecolourImage(image, {false, 2, view.Iterations}, nullptr));
    EXPECT_EQ(image.buffer, counted.buffer);
    // Samples the image did not keep cannot be recoloured: nothing changes.
    OffscreenImage counts;
    Render(counts, SampleLevel::Counts, nullptr);
    EXPECT_FALSE(RecolourImage(counts, {false, 2, view.Iterations}, first));
    EXPECT_EQ(counts.buffer, counted.buffer);
}

// Points not computed yet keep the background.
TEST_P(RecolourTest, LeavesPointsNotComputedAlone) {
    OffscreenImage image;
    std::atomic<bool> stop{true};
    Render(image, SampleLevel::Fraction, nullptr, &stop);
    ASSERT_TRUE(RecolourImage(image, {false, 2, view.Iterations},
                              std::make_shared<const MixingShader>(SampleLevel::Fraction, 3)));
    EXPECT_TRUE(std::all_of(image.buffer.pixels.begin(), image.buffer.pixels.end(),
                            [](Pixel p) { return p == kDarkGrey; }));
}

// Recoloured again and again while the passes run, and last with one shader: the image ends as
// if that shader had coloured it from the start, with no pixel of an earlier one.
TEST_P(RecolourTest, WorksWhilePassesRun) {
    const auto last = std::make_shared<const MixingShader>(SampleLevel::Distance, 9);
    OffscreenImage image, fresh;
    Render(fresh, SampleLevel::Distance, last);
    std::atomic<bool> created{false};
    std::thread recolourer([&] {
        while (!created)
            std::this_thread::yield();
        for (std::uint32_t salt = 0; salt < 20; ++salt)
            RecolourImage(image, {false, 2, view.Iterations},
                          std::make_shared<const MixingShader>(SampleLevel::Counts, salt));
        RecolourImage(image, {false, 2, view.Iterations}, last);
    });
    observer.onBegun = [&] { created = true; };
    Render(image, SampleLevel::Distance, nullptr);
    recolourer.join();
    EXPECT_EQ(image.buffer, fresh.buffer);
}

}  // namespace
}  // namespace zolt
