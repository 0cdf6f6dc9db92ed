// The settings file: an INI file (section lines "[NAME]", then "key=value" lines) in UTF-8.
//
// Nothing is cached: every read opens the file and every write rewrites it, so a value written
// during the run is seen by the next read. Section and key names compare without regard to letter
// case; blanks around keys and values are ignored; CR LF and LF line ends are both accepted.
//
// Reading rules:
//   integer  decimal text with an optional sign; text of more than two characters beginning "0x"
//            or "0X" is hexadecimal (up to 8 digits, taken as a 32-bit value); anything else,
//            a missing key, a missing or unreadable file yields the default
//   boolean  read as an integer, true when non-zero; written as "1" or "0"
//   string   at most kMaxSettingsStringLength characters are returned; a value enclosed in a
//            matching pair of quotes is returned without them
//
// Writing rewrites the whole file atomically (temporary file renamed into place), keeping every
// other section, key, comment and blank line as it was; a missing file is created. A write that
// the system refuses throws felmo::Error "Unable to write to <settings file path>". A value or a
// name containing a line break is refused the same way (it would corrupt the file).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace felmo {

inline constexpr std::size_t kMaxSettingsStringLength = 2047;

class Settings {
  public:
    explicit Settings(std::string filePath);

    const std::string& filePath() const { return filePath_; }

    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void writeString(std::string_view section, std::string_view key, std::string_view value);

  private:
    std::string filePath_;
};

// Parses integer text by the reading rules above; false when it is not a number.
bool parseSettingsInteger(std::string_view text, int& value);

// The program's keys: all in section "FELMO", with their designed defaults (the values a first run
// starts from). Reads pass the setting's current value as default; these constants are the start.
inline constexpr std::string_view kSettingsSection = "FELMO";

struct IntegerSetting {
    std::string_view key;
    int designedDefault;
};
struct BoolSetting {
    std::string_view key;
    bool designedDefault;
};

namespace setting {

inline constexpr IntegerSetting X1{"X1", 215};  // main window left edge
inline constexpr IntegerSetting Y1{"Y1", 111};  // main window top edge
inline constexpr IntegerSetting AlphaPicX1{"AlphaPicX1", 40};
inline constexpr IntegerSetting AlphaPicX2{"AlphaPicX2", 150};
inline constexpr IntegerSetting AlphaPicY1{"AlphaPicY1", 30};
inline constexpr IntegerSetting AlphaPicY2{"AlphaPicY2", 60};
inline constexpr BoolSetting OpenFolderWithDrawing{"OpenFolderWithDrawing", false};
// The output folder; default program directory + "Files" (defaultOutputFolder in paths.hpp), and an
// empty value read means that default too.
inline constexpr std::string_view RoadDirFiles = "RoadDirFiles";
inline constexpr IntegerSetting TrackBarU{"TrackBarU", 20};
inline constexpr IntegerSetting TrackBarD{"TrackBarD", 20};
inline constexpr IntegerSetting TrackBarL{"TrackBarL", 30};
inline constexpr IntegerSetting TrackBarR{"TrackBarR", 30};
inline constexpr IntegerSetting TrackBarAlpha{"TrackBarAlpha", 200};
inline constexpr BoolSetting DeduceBackground{"DeduceBackground", false};
// The language of the windows and messages: "auto" (the desktop's), "ru" or "en"; see
// workspace/language_choice.hpp. Written only when the user changes it.
inline constexpr std::string_view Language = "Language";

}  // namespace setting

}  // namespace felmo
