#include "resources/default_graphics.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

#include "workspace/slot_table.hpp"

namespace felmo::defaults {
namespace {

constexpr int kScreenWidth = 176;
constexpr int kScreenHeight = 208;
constexpr float kPi = 3.14159265f;

// Colours are worked on as floating-point channels 0..255 and rounded once at the end.
struct Rgb {
    float r = 0, g = 0, b = 0;
};
Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb operator*(Rgb a, float s) {
    return {a.r * s, a.g * s, a.b * s};
}

float clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}
float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}
Rgb mix(Rgb a, Rgb b, float t) {
    return a * (1 - t) + b * t;
}
// Lightens towards white by `amount` (0..1) like light falling on the picture.
Rgb screen(Rgb base, Rgb light, float amount) {
    auto channel = [amount](float b, float l) { return 255 - (255 - b) * (1 - l / 255 * amount); };
    return {channel(base.r, light.r), channel(base.g, light.g), channel(base.b, light.b)};
}

Color toColor(Rgb c) {
    auto channel = [](float v) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    };
    return rgb(channel(c.r), channel(c.g), channel(c.b));
}

// A repeatable pseudo-random value in [0, 1) for a pixel.
float hash(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / 16777216.0f;
}

// Runs the shader at every pixel centre.
template <typename Shader>
Raster shade(int width, int height, Shader shader) {
    Raster raster(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raster.row(y);
        for (int x = 0; x < width; ++x) {
            const Color c =
                toColor(shader(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f));
            row[3 * x] = blueOf(c);
            row[3 * x + 1] = greenOf(c);
            row[3 * x + 2] = redOf(c);
        }
    }
    return raster;
}

// Coverage of a disc edge at distance d from the centre, anti-aliased over one pixel.
float discCoverage(float d, float radius) {
    return clamp01(radius - d + 0.5f);
}

// ---- start-up: a sunrise behind two ranges of hills, over 12 frames ------------------------

float farHillTop(float x) {
    return 138 + 7 * std::sin(x * 0.045f + 1.0f) + 4 * std::sin(x * 0.11f);
}
float nearHillTop(float x) {
    return 162 + 9 * std::sin(x * 0.031f + 2.4f) + 3.5f * std::sin(x * 0.087f + 1.0f);
}

Raster startupFrame(int k) {
    const float t = static_cast<float>(k) / 11.0f;
    const float dawn = smoothstep(0.0f, 1.0f, t);
    const float rise = 1 - (1 - t) * (1 - t);  // fast at first, settling at the top
    const float sunX = 88;
    const float sunY = 176 - 86 * rise;
    const float sunRadius = 17 + 5 * dawn;
    const float sweep = clamp01((t - 0.6f) / 0.4f);  // a glint crossing the last frames

    const Rgb nightTop{6, 10, 34}, nightHorizon{58, 36, 92};
    const Rgb dawnTop{36, 92, 178}, dawnHorizon{255, 178, 102};
    const Rgb glowColor{255, 196, 120};

    return shade(kScreenWidth, kScreenHeight, [&](float x, float y) {
        const float v = clamp01(y / 150.0f);
        const Rgb top = mix(nightTop, dawnTop, dawn);
        const Rgb horizon = mix(nightHorizon, dawnHorizon, dawn);
        Rgb color = mix(top, horizon, std::pow(v, 1.7f));

        // Stars fade as the light comes.
        const float star = hash(static_cast<int>(x), static_cast<int>(y), 7);
        if (star > 0.9965f && y < 130) {
            const float twinkle =
                0.65f + 0.35f * std::sin(static_cast<float>(k) * 1.7f + star * 900);
            const float brightness = clamp01(1 - dawn * 1.4f) * twinkle;
            color = mix(color, Rgb{255, 250, 235}, brightness);
        }

        const float dx = x - sunX, dy = y - sunY;
        const float d = std::sqrt(dx * dx + dy * dy);
        // Glow around the sun, widening with the day; faint rays once it is up.
        const float glow =
            (0.35f + 0.65f * dawn) * std::exp(-std::max(0.0f, d - sunRadius) / (26 + 44 * dawn));
        color = screen(color, glowColor, glow * 0.9f);
        const float angle = std::atan2(dy, dx);
        const float rays = smoothstep(0.35f, 1.0f, dawn) *
                           (0.5f + 0.5f * std::cos(angle * 14 + t * 2)) *
                           std::exp(-std::max(0.0f, d - sunRadius) / 70) * 0.28f;
        color = screen(color, Rgb{255, 236, 200}, rays);
        const float disc = discCoverage(d, sunRadius);
        const Rgb sunColor = mix(Rgb{255, 150, 70}, Rgb{255, 242, 196}, dawn);
        color =
            mix(color, mix(sunColor, Rgb{255, 255, 240}, clamp01(1 - d / sunRadius) * 0.6f), disc);

        // Two ranges of hills in front, lit from the sun's side at their rims.
        const float far = farHillTop(x);
        const float near = nearHillTop(x);
        const Rgb farColor = mix(Rgb{34, 22, 62}, Rgb{96, 74, 128}, dawn);
        const Rgb nearColor = mix(Rgb{12, 10, 30}, Rgb{38, 52, 78}, dawn);
        const float rim = std::exp(-std::abs(x - sunX) / 50) * dawn;
        const Rgb farLit = screen(farColor, glowColor, rim * 0.55f * std::exp(-(y - far) / 6));
        color = mix(color, farLit, clamp01(y - far + 0.5f));
        const Rgb nearShaded = mix(nearColor, nearColor * 0.55f, clamp01((y - near) / 46));
        const Rgb nearLit = screen(nearShaded, glowColor, rim * 0.35f * std::exp(-(y - near) / 4));
        color = mix(color, nearLit, clamp01(y - near + 0.5f));

        // The glint: a soft diagonal band of light sweeping left to right.
        if (sweep > 0) {
            const float position = -80 + 340 * sweep;
            const float band = std::exp(-std::pow((x + 0.45f * y - position) / 16, 2.0f));
            color = screen(color, Rgb{255, 255, 255}, band * 0.35f * std::sin(sweep * kPi));
        }
        return color;
    });
}

// ---- status area ----------------------------------------------------------------------------

// The 176 x 12 strip: a glassy bar, lighter at the top edge.
Raster statusStrip() {
    return shade(kScreenWidth, 12, [](float x, float y) {
        const Rgb left{18, 44, 92}, right{28, 96, 150};
        Rgb color = mix(left, right, x / kScreenWidth);
        if (y < 6)
            color = screen(color, Rgb{255, 255, 255}, 0.10f + 0.06f * (6 - y) / 6);
        if (y < 1)
            color = screen(color, Rgb{200, 230, 255}, 0.35f);
        if (y > 11)
            color = color * 0.7f;
        return color;
    });
}

// A 176 x 68 field: a calm gradient whose middle (where the overlay goes) stays quiet, with a
// soft light at each end. `hue` picks one of four tints.
Raster statusField(int hue) {
    static const Rgb kDeep[4] = {{14, 36, 84}, {10, 62, 72}, {44, 28, 86}, {78, 40, 34}};
    static const Rgb kLight[4] = {{52, 118, 186}, {44, 150, 150}, {116, 92, 180}, {196, 122, 78}};
    const Rgb deep = kDeep[hue], light = kLight[hue];
    return shade(kScreenWidth, 68, [&](float x, float y) {
        Rgb color = mix(light, deep, smoothstep(0, 68, y));
        // A faint horizontal sheen through the middle.
        color = screen(color, Rgb{255, 255, 255}, 0.06f * std::exp(-std::pow((y - 44) / 12, 2.0f)));
        // Soft lights at the ends, away from the overlay region.
        for (const auto& [cx, cy, r] :
             {std::tuple{12.0f, 18.0f, 22.0f}, std::tuple{166.0f, 52.0f, 26.0f}}) {
            const float d = std::hypot(x - cx, y - cy);
            color = screen(color, light, 0.35f * std::exp(-(d * d) / (r * r)));
        }
        return color;
    });
}

// ---- standby background ---------------------------------------------------------------------

Raster background() {
    return shade(kScreenWidth, 132, [](float x, float y) {
        const float diagonal = clamp01((x * 0.4f + y) / (176 * 0.4f + 132));
        Rgb color = mix(Rgb{18, 58, 88}, Rgb{30, 22, 70}, diagonal);
        // Two slow ribbons of light, like a quiet aurora.
        for (const auto& [phase, height, tint] : {std::tuple{0.0f, 52.0f, Rgb{90, 220, 190}},
                                                  std::tuple{1.9f, 80.0f, Rgb{140, 150, 255}}}) {
            const float centre =
                height + 14 * std::sin(x * 0.035f + phase) + 5 * std::sin(x * 0.09f + phase * 2);
            const float band = std::exp(-std::pow((y - centre) / 9, 2.0f));
            color = screen(color, tint, band * 0.28f);
        }
        // Darker corners keep the eye in the middle.
        const float vignette = std::hypot((x - 88) / 88, (y - 66) / 66);
        return color * (1 - 0.25f * smoothstep(0.7f, 1.5f, vignette));
    });
}

// ---- splash screen: a sun emblem in a ring on a deep night blue ------------------------------

Raster splashScreen() {
    const float cx = 88, cy = 92;
    return shade(kScreenWidth, kScreenHeight, [&](float x, float y) {
        const float dx = x - cx, dy = y - cy;
        const float d = std::sqrt(dx * dx + dy * dy);
        Rgb color = mix(Rgb{30, 44, 96}, Rgb{6, 8, 26}, smoothstep(0, 150, d));
        const Rgb gold{255, 196, 92};
        color = screen(color, gold, 0.45f * std::exp(-d / 38));
        // The ring, lighter on its upper left.
        const float ringShade = 0.75f + 0.25f * (-(dx + dy) / (d + 1e-3f));
        const float ring = clamp01(3.0f - std::abs(d - 40) + 0.5f);
        color = mix(color, mix(Rgb{200, 120, 40}, Rgb{255, 226, 150}, ringShade), ring);
        // Short rays between the ring and the sun.
        const float angle = std::atan2(dy, dx);
        const float rayShape = std::pow(std::max(0.0f, std::cos(angle * 8)), 24.0f);
        const float rayReach = smoothstep(22, 25, d) * (1 - smoothstep(31, 35, d));
        color = mix(color, Rgb{255, 214, 120}, rayShape * rayReach);
        // The sun, warm at its edge and pale at its heart.
        const float disc = discCoverage(d, 18);
        color = mix(color, mix(Rgb{255, 160, 60}, Rgb{255, 246, 210}, clamp01(1 - d / 18)), disc);
        // A thin horizon line under the emblem, fading to both sides.
        const float line = clamp01(1 - std::abs(y - 160)) * std::exp(-std::pow(dx / 60, 2.0f));
        return screen(color, gold, line * 0.8f);
    });
}

// ---- welcome image: a bright morning over green hills ----------------------------------------

Raster welcomeImage() {
    return shade(kScreenWidth, kScreenHeight, [](float x, float y) {
        Rgb color = mix(Rgb{98, 164, 236}, Rgb{255, 226, 186}, std::pow(clamp01(y / 150), 1.4f));
        // Morning sun at the upper right.
        const float d = std::hypot(x - 138, y - 46);
        color = screen(color, Rgb{255, 236, 180}, 0.85f * std::exp(-d / 34));
        color = mix(color, Rgb{255, 252, 230}, discCoverage(d, 13));
        // Soft clouds: flattened blobs.
        for (const auto& [cx, cy, w] :
             {std::tuple{46.0f, 58.0f, 30.0f}, std::tuple{72.0f, 64.0f, 22.0f},
              std::tuple{120.0f, 96.0f, 26.0f}}) {
            const float e = std::pow((x - cx) / w, 2.0f) + std::pow((y - cy) / (w * 0.35f), 2.0f);
            color = mix(color, Rgb{255, 255, 255}, 0.85f * (1 - smoothstep(0.6f, 1.0f, e)));
        }
        // Rolling hills, the far ones bluish, the near ones fresh green, shaded downwards.
        const float far = 150 + 8 * std::sin(x * 0.04f + 0.6f) + 3 * std::sin(x * 0.12f);
        const float near = 172 + 10 * std::sin(x * 0.028f + 3.4f) + 3 * std::sin(x * 0.1f + 0.5f);
        const Rgb farColor = mix(Rgb{108, 170, 140}, Rgb{80, 140, 110}, clamp01((y - far) / 30));
        color = mix(color, farColor, clamp01(y - far + 0.5f));
        const Rgb nearColor = mix(Rgb{104, 186, 74}, Rgb{46, 118, 50}, clamp01((y - near) / 36));
        return mix(color, nearColor, clamp01(y - near + 0.5f));
    });
}

}  // namespace

std::vector<SlotGraphics> drawDefaultGraphics() {
    std::vector<SlotGraphics> slots;

    SlotGraphics startup{std::string(kSlotTable[kStartupSlot].name), {}};
    for (int k = 0; k < 12; ++k)
        startup.frames.push_back({startupFrame(k), "-c16"});
    slots.push_back(std::move(startup));

    SlotGraphics status{std::string(kSlotTable[kEidPicSlot].name), {}};
    status.frames.push_back({statusStrip(), "-c16"});
    for (int hue = 0; hue < 4; ++hue)
        status.frames.push_back({statusField(hue), "-c16"});
    slots.push_back(std::move(status));

    SlotGraphics standby{std::string(kSlotTable[kBackgroundimageSlot].name), {}};
    standby.frames.push_back({background(), "-c16"});
    standby.frames.push_back({Raster(1, 1, colors::white), "-1"});
    slots.push_back(std::move(standby));

    slots.push_back(SlotGraphics{std::string(kSlotTable[kSplashscreenSlot].name), {}});
    slots.back().frames.push_back({splashScreen(), "-c16"});
    slots.push_back(SlotGraphics{std::string(kSlotTable[kWelcomeimageSlot].name), {}});
    slots.back().frames.push_back({welcomeImage(), "-c16"});
    return slots;
}

}  // namespace felmo::defaults
