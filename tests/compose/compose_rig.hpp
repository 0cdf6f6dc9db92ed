// Test helpers of the composition level: a private temporary folder for picture files and a
// text rasteriser that records what it is asked to draw.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "raster/text.hpp"

namespace felmo::testing {

class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "felmo-compose-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

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
