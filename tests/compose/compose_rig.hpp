// Test helpers of the composition level: a text rasteriser that records what it is asked to draw
// (picture files go into a support/temporary_folder.hpp folder).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "raster/text.hpp"
#include "support/temporary_folder.hpp"

namespace felmo::testing {

// Renders every text as a solid 3 x 2 block and remembers the calls; installed for its lifetime.
class RecordingRasterizer : public TextRasterizer {
  public:
    struct Call {
        std::string text;
        Font font;
    };

    RecordingRasterizer() { installTextRasterizer(this); }
    ~RecordingRasterizer() override { installTextRasterizer(nullptr); }

    GlyphMask render(std::string_view utf8Text, const Font& font) override {
        calls.push_back(Call{std::string(utf8Text), font});
        return GlyphMask{3, 2, std::vector<std::uint8_t>(6, 255)};
    }

    std::vector<Call> calls;
};

}  // namespace felmo::testing
