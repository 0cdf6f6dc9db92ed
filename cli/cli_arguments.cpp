#include "cli/cli_arguments.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <sstream>

#include "base/ascii.hpp"
#include "base/display_text.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "base/version.hpp"
#include "effects/animation_export.hpp"
#include "workspace/command_file.hpp"

namespace felmo::cli {
namespace {

constexpr std::string_view kProgram = "felmo-cli";

struct DepthSlotName {
    std::string_view name;
    DepthBox box;
};
constexpr std::array kDepthSlots = {
    DepthSlotName{"startup", DepthBox::StartUpPictureBit},
    DepthSlotName{"status", DepthBox::BackgroundPictureBit},
    DepthSlotName{"splash", DepthBox::SplashscreenPictureBit},
    DepthSlotName{"welcome", DepthBox::WelcomeimagePictureBit},
};

bool isOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-';
}

std::optional<Language> languageNamed(std::string_view name) {
    if (name == "ru")
        return Language::Russian;
    if (name == "en")
        return Language::English;
    return std::nullopt;
}

// `argument` is `option` or `option=VALUE`.
bool isTheOption(std::string_view argument, std::string_view option) {
    return argument == option ||
           (argument.size() > option.size() && argument.substr(0, option.size()) == option &&
            argument[option.size()] == '=');
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Color parseColour(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '#')
        digits.remove_prefix(1);
    std::array<int, 6> values{};
    bool valid = digits.size() == 6;
    for (std::size_t i = 0; valid && i < 6; ++i) {
        values[i] = hexDigit(digits[i]);
        valid = values[i] >= 0;
    }
    if (!valid)
        throw UsageError(formatMessage(
            _("strip-colour: «%1» — не цвет; укажите шесть шестнадцатеричных цифр RRGGBB, "
              "например 1E90FF"),
            displayText(text)));
    auto byte = [&](int i) { return static_cast<std::uint8_t>(values[i] * 16 + values[i + 1]); };
    return rgb(byte(0), byte(2), byte(4));
}

int parseStripPosition(std::string_view text) {
    int value = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0 || value > 15)
        throw UsageError(
            formatMessage(_("strip: «%1» — не положение ползунка; укажите целое число от 0 до 15"),
                          displayText(text)));
    return value;
}

DepthSetting parseDepth(std::string_view token) {
    const std::size_t equals = token.find('=');
    const std::string_view slot = token.substr(0, equals);
    const std::string_view depth = token.substr(equals + 1);
    for (const DepthSlotName& known : kDepthSlots) {
        if (known.name != slot)
            continue;
        if (!isConverterColourDepth(depth))
            throw UsageError(formatMessage(
                _("depth: в «%1» нет глубины цвета, которую принимает конвертер (%2); напишите, "
                  "например, %3=16"),
                displayText(token), converterColourDepthList(_("или")), displayText(slot)));
        return DepthSetting{known.box, std::string(depth)};
    }
    throw UsageError(
        formatMessage(_("depth: неизвестный слот «%1»; слоты: startup, status, splash и welcome"),
                      displayText(slot)));
}

// A whole decimal number (optional minus sign); nullopt for anything else.
std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string fourNumbersHint() {
    return _("укажите четыре целых числа X1,X2,Y1,Y2, например region=40,150,30,60");
}

[[noreturn]] void overlayMistake(std::string_view token, const std::string& what) {
    throw UsageError(formatMessage(_("overlay-set: «%1»: %2"), displayText(token), what));
}

int sliderValue(std::string_view token, std::string_view text, int max) {
    const std::optional<int> value = wholeNumber(text);
    if (!value || *value < 0 || *value > max)
        overlayMistake(token, formatMessage(_("укажите целое число от 0 до %1"), max));
    return *value;
}

OverlayRegion regionValue(std::string_view token, std::string_view text) {
    std::array<int, 4> bounds{};
    std::size_t count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::optional<int> value = wholeNumber(text.substr(0, comma));
        if (!value || count == bounds.size())
            overlayMistake(token, fourNumbersHint());
        bounds[count++] = *value;
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (count != bounds.size())
        overlayMistake(token, fourNumbersHint());
    const OverlayRegion region{bounds[0], bounds[1], bounds[2], bounds[3]};
    if (region.X1 < 0 || region.X1 > region.X2 || region.X2 > kOverlayStripWidth)
        overlayMistake(token, formatMessage(_("столбцы должны соблюдать 0 <= X1 <= X2 <= %1"),
                                            kOverlayStripWidth));
    if (region.Y1 < 0 || region.Y1 > region.Y2 || region.Y2 > kOverlayStripHeight)
        overlayMistake(token, formatMessage(_("строки должны соблюдать 0 <= Y1 <= Y2 <= %1"),
                                            kOverlayStripHeight));
    return region;
}

// One KEY=VALUE of overlay-set into `values`; a key given twice is a mistake.
void readOverlayValue(std::string_view token, OverlayValues& values) {
    const std::size_t equals = token.find('=');
    const std::string_view key = token.substr(0, equals);
    const std::string_view text = token.substr(equals + 1);
    auto once = [&](auto& slot, auto value) {
        if (slot)
            overlayMistake(token, formatMessage(_("«%1» задан дважды"), key));
        slot = value;
    };
    if (key == "alpha") {
        once(values.alpha, sliderValue(token, text, kTrackBarAlphaMax));
    } else if (key == "up") {
        once(values.up, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "down") {
        once(values.down, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "left") {
        once(values.left, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "right") {
        once(values.right, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "region") {
        once(values.region, regionValue(token, text));
    } else if (key == "keep-background") {
        if (text != "0" && text != "1")
            overlayMistake(token, _("укажите 0 или 1"));
        once(values.keepBackground, text == "1");
    } else {
        throw UsageError(
            formatMessage(_("overlay-set: неизвестный ключ «%1»; ключи: alpha, up, down, left, "
                            "right, region и keep-background"),
                          displayText(key)));
    }
}

// Reads the commands from `position` on.
class CommandReader {
  public:
    CommandReader(std::span<const std::string> arguments, std::size_t position)
        : arguments_(arguments), position_(position) {}

    std::vector<Command> readAll() {
        std::vector<Command> commands;
        while (position_ < arguments_.size())
            commands.push_back(readOne());
        return commands;
    }

  private:
    bool atEnd() const { return position_ >= arguments_.size(); }
    std::string_view peek() const { return arguments_[position_]; }

    // `what` names the argument, marked for translation.
    std::string_view take(const Command& command, const char* what) {
        if (atEnd())
            throw UsageError(
                formatMessage(_("%1: не хватает аргумента: %2"), command.word, translate(what)));
        std::string_view argument = arguments_[position_++];
        if (argument.empty())
            throw UsageError(
                formatMessage(_("%1: пустой аргумент: %2"), command.word, translate(what)));
        return argument;
    }

    Command readOne() {
        const std::string_view word = arguments_[position_++];
        if (isOption(word))
            throw UsageError(formatMessage(
                _("параметр «%1» после команды; параметры пишутся перед первой командой"),
                displayText(word)));
        Command command;
        command.word = std::string(word);
        if (word == "background" || word == "splash" || word == "welcome" || word == "overlay") {
            command.kind = word == "background" ? CommandKind::Background
                           : word == "splash"   ? CommandKind::Splash
                           : word == "welcome"  ? CommandKind::Welcome
                                                : CommandKind::Overlay;
            command.path = pathFromUtf8(take(command, N_("файл картинки")));
        } else if (word == "effect") {
            command.kind = CommandKind::Effect;
            const std::string_view name = take(command, N_("имя эффекта (см. --list)"));
            command.effect = findEffectByCliName(name);
            if (command.effect == nullptr || !command.effect->handler)
                throw UsageError(formatMessage(
                    _("effect: неизвестный эффект «%1»; список эффектов: felmo-cli --list"),
                    displayText(name)));
            command.word += " " + std::string(name);
            if (effectAsksForPicture(*command.effect->handler))
                command.path = pathFromUtf8(take(command, N_("файл картинки")));
        } else if (word == "strip") {
            command.kind = CommandKind::Strip;
            command.stripPosition =
                parseStripPosition(take(command, N_("положение ползунка 0..15")));
        } else if (word == "strip-colour" || word == "strip-color") {
            command.kind = CommandKind::StripColour;
            command.colour = parseColour(take(command, N_("цвет RRGGBB")));
        } else if (word == "depth") {
            command.kind = CommandKind::Depth;
            while (!atEnd() && peek().find('=') != std::string_view::npos)
                command.depths.push_back(parseDepth(arguments_[position_++]));
            if (command.depths.empty())
                throw UsageError(
                    _("depth: укажите хотя бы одно СЛОТ=ГЛУБИНА, например startup=24"));
        } else if (word == "overlay-set") {
            command.kind = CommandKind::OverlaySet;
            bool any = false;
            while (!atEnd() && peek().find('=') != std::string_view::npos) {
                readOverlayValue(arguments_[position_++], command.overlay);
                any = true;
            }
            if (!any)
                throw UsageError(
                    _("overlay-set: укажите хотя бы одно КЛЮЧ=ЗНАЧЕНИЕ, например alpha=128"));
        } else if (word == "build") {
            command.kind = CommandKind::Build;
        } else if (word == "export") {
            command.kind = CommandKind::Export;
            command.path = pathFromUtf8(take(command, N_("папка")));
        } else if (word == "export-animation") {
            command.kind = CommandKind::ExportAnimation;
            command.path = pathFromUtf8(take(command, N_("файл анимации (.gif или .webp)")));
            if (!animationFormatOf(command.path))
                throw UsageError(
                    formatMessage(_("export-animation: «%1» оканчивается не на .gif и не на .webp"),
                                  displayText(utf8FromPath(command.path))));
        } else if (word == "export-poster") {
            command.kind = CommandKind::ExportPoster;
            command.path = pathFromUtf8(take(command, N_("файл картинки (.png)")));
            const std::string name = utf8FromPath(command.path.filename());
            if (name.size() <= 4 || !endsWithIgnoringAsciiCase(name, ".png"))
                throw UsageError(formatMessage(_("export-poster: «%1» не оканчивается на .png"),
                                               displayText(utf8FromPath(command.path))));
        } else {
            throw UsageError(formatMessage(_("неизвестная команда «%1»"), displayText(word)));
        }
        return command;
    }

    std::span<const std::string> arguments_;
    std::size_t position_;
};

// "Анимация → Движение → Слева направо" for every entry with a handler, in menu order.
std::vector<std::string> menuPaths() {
    std::vector<std::string> paths;
    std::vector<std::string_view> trail;
    for (const MenuEntry& entry : animationMenu()) {
        trail.resize(static_cast<std::size_t>(entry.level - 1));
        trail.push_back(menuCaption(entry));
        std::string path;
        for (std::string_view caption : trail) {
            if (!path.empty())
                path += " → ";
            path += caption;
        }
        paths.push_back(path);
    }
    return paths;
}

}  // namespace

Invocation parseArguments(std::span<const std::string> arguments) {
    Invocation invocation;
    std::size_t position = 0;
    auto optionValue = [&](std::string_view option) -> std::string {
        const std::string_view argument = arguments[position];
        if (argument.size() > option.size() && argument[option.size()] == '=')
            return std::string(argument.substr(option.size() + 1));
        if (position + 1 >= arguments.size())
            throw UsageError(formatMessage(_("параметру %1 нужно значение"), displayText(option)));
        return arguments[++position];
    };
    auto isTheOptionHere = [&](std::string_view option) {
        return isTheOption(arguments[position], option);
    };

    // --help, --list and --version stand alone, but for the language they speak in.
    std::optional<Mode> only;
    std::string onlyWord;
    bool otherOptions = false;
    for (; position < arguments.size(); ++position) {
        const std::string_view argument = arguments[position];
        if (argument == "--") {
            ++position;
            break;
        }
        if (!isOption(argument))
            break;
        std::optional<Mode> mode;
        if (argument == "--help" || argument == "-h") {
            mode = Mode::Help;
        } else if (argument == "--list") {
            mode = Mode::List;
        } else if (argument == "--version") {
            mode = Mode::Version;
        } else if (isTheOptionHere("--language")) {
            if (invocation.language)
                throw UsageError(formatMessage(_("%1 задан дважды"), "--language"));
            const std::string value = optionValue("--language");
            invocation.language = languageNamed(value);
            if (!invocation.language)
                throw UsageError(formatMessage(_("--language принимает ru или en, а не «%1»"),
                                               displayText(value)));
        } else if (isTheOptionHere("--output")) {
            if (invocation.outputFolder)
                throw UsageError(formatMessage(_("%1 задан дважды"), "--output"));
            const std::string value = optionValue("--output");
            if (value.empty())
                throw UsageError(_("--output: укажите папку"));
            invocation.outputFolder = pathFromUtf8(value);
            otherOptions = true;
        } else if (isTheOptionHere("--settings")) {
            if (invocation.settingsFile)
                throw UsageError(formatMessage(_("%1 задан дважды"), "--settings"));
            const std::string value = optionValue("--settings");
            if (value.empty())
                throw UsageError(_("--settings: укажите файл"));
            invocation.settingsFile = pathFromUtf8(value);
            otherOptions = true;
        } else {
            throw UsageError(formatMessage(_("неизвестный параметр «%1»"), displayText(argument)));
        }
        if (mode) {
            if (only)
                throw UsageError(formatMessage(_("%1 не принимает других аргументов"), onlyWord));
            only = mode;
            onlyWord = displayText(argument);
        }
    }
    if (only) {
        if (otherOptions || position < arguments.size())
            throw UsageError(formatMessage(_("%1 не принимает других аргументов"), onlyWord));
        invocation.mode = *only;
        return invocation;
    }
    invocation.commands = CommandReader(arguments, position).readAll();
    return invocation;
}

LanguageOptions scanLanguageOptions(std::span<const std::string> arguments) {
    LanguageOptions found;
    for (std::size_t position = 0; position < arguments.size(); ++position) {
        const std::string_view argument = arguments[position];
        if (argument == "--" || !isOption(argument))
            break;
        const bool language = isTheOption(argument, "--language");
        const bool settings = isTheOption(argument, "--settings");
        if (!language && !settings && !isTheOption(argument, "--output"))
            continue;
        std::string value;
        const std::size_t equals = argument.find('=');
        if (equals != std::string_view::npos)
            value = std::string(argument.substr(equals + 1));
        else if (position + 1 < arguments.size())
            value = arguments[++position];
        if (language && !found.language)
            found.language = languageNamed(value);
        if (settings && !found.settingsFile && !value.empty())
            found.settingsFile = pathFromUtf8(value);
    }
    return found;
}

std::string helpText() {
    std::string text =
        _("Использование: felmo-cli [--language ru|en] [--output ПАПКА] [--settings ФАЙЛ]\n"
          "                         КОМАНДА [АРГУМЕНТ...] [КОМАНДА [АРГУМЕНТ...]]...\n"
          "               felmo-cli [--language ru|en] --list | --help | --version\n"
          "\n"
          "Создаёт графику включения телефона с экраном 176 x 208 без окна. Сначала программа\n"
          "распаковывает текущую графику (встроенную или файлы .mbm пользователя из папки\n"
          "вывода), затем выполняет команды в заданном порядке, каждую точно так же, как\n"
          "соответствующая команда меню в окне, где КАРТИНКА выбрана в диалоге открытия. Без\n"
          "команд программа распаковывает текущую графику и создаёт пять файлов .mbm.\n"
          "\n"
          "Параметры:\n"
          "  --language ru|en  язык программы: ru — русский, en — английский (вместо настройки\n"
          "                    Language, значение auto которой следует языку рабочего стола)\n"
          "  --output ПАПКА    папка вывода для этого запуска (вместо RoadDirFiles)\n"
          "  --settings ФАЙЛ   файл настроек; файл команд PackUnpack.txt и рабочая папка\n"
          "                    конвертера переходят в папку этого файла\n"
          "  --list            список эффектов анимации с путями в меню и тегами\n"
          "  --help            эта справка\n"
          "  --version         версия программы\n"
          "\n");
    text += formatMessage(
        _("Команды:\n"
          "  background КАРТИНКА  загрузить фоновую картинку (полоса EidPic и фон)\n"
          "  splash КАРТИНКА      загрузить заставку\n"
          "  welcome КАРТИНКА     загрузить приветствие\n"
          "  effect ИМЯ [КАРТИНКА]\n"
          "                       создать 12 кадров стартовой анимации эффектом; КАРТИНКА —\n"
          "                       для эффектов, которым нужна новая картинка (см. --list)\n"
          "  strip N              положение ползунка цвета полоски, от 0 до 15\n"
          "  strip-colour RRGGBB  цвет полоски, как если бы он был выбран в диалоге цвета\n"
          "  depth СЛОТ=Г...      глубина цвета слота: startup, status (EidPic и фон), splash,\n"
          "                       welcome; Г — одно из чисел %1\n"
          "  build                создать пять файлов .mbm в папке вывода\n"
          "  export ПАПКА         записать текущие кадры в ПАПКУ, по папкам слотов\n"
          "                       (startup/0.bmp ... startup/11.bmp и все картинки)\n"
          "  export-animation ФАЙЛ\n"
          "                       записать 12 кадров стартовой анимации как анимацию для\n"
          "                       показа, по кругу за 1,5 с: ФАЙЛ.gif или ФАЙЛ.webp (без потерь)\n"
          "  export-poster ФАЙЛ.png\n"
          "                       записать одну картинку темы для показа: экран ожидания,\n"
          "                       заставку, последний кадр стартовой анимации и приветствие\n"
          "                       рядом, как их упаковывает создание графики\n"
          "  overlay КАРТИНКА     загрузить картинку, накладываемую на полосу EidPic, и\n"
          "                       наложить её с текущими настройками наложения\n"
          "  overlay-set КЛЮЧ=ЗНАЧЕНИЕ...\n"
          "                       настроить наложение на EidPic, наложить и сохранить значения\n"
          "                       в файле настроек; ключи: alpha=0..255 (непрозрачность), up,\n"
          "                       down, left, right=0..37 (резкость краёв), region=X1,X2,Y1,Y2\n"
          "                       (0 <= X1 <= X2 <= 176, 0 <= Y1 <= Y2 <= 68),\n"
          "                       keep-background=0/1 (выводить фон накладываемого рисунка)\n"
          "\n"),
        converterColourDepthList(_("или")));
    text +=
        _("КАРТИНКА — файл JPEG, BMP, PNG, GIF или WebP; формат определяется по содержимому.\n"
          "\n"
          "Код возврата: 0, если все команды выполнены; 1, если команда не удалась (её сообщение\n"
          "выводится в стандартный поток ошибок, следующие команды не выполняются); 2 при ошибке\n"
          "в аргументах.\n"
          "\n"
          "Пример:\n"
          "  felmo-cli --output ~/phone splash sunset.jpg effect zoom-in depth startup=24 build\n");
    return text;
}

// Characters on a terminal: UTF-8 continuation bytes take no column.
std::size_t columnsOf(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string effectListText() {
    const std::vector<std::string> paths = menuPaths();
    std::ostringstream text;
    const auto menu = animationMenu();
    auto usage = [](const MenuEntry& entry) {
        std::string name(entry.cliName);
        if (effectAsksForPicture(*entry.handler))
            name += std::string(" ") + _("КАРТИНКА");
        return name;
    };
    // The menu paths line up two spaces after the longest usage.
    std::size_t column = 0;
    for (const MenuEntry& entry : menu)
        if (entry.handler)
            column = std::max(column, columnsOf(usage(entry)) + 2);
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const MenuEntry& entry = menu[i];
        if (!entry.handler)
            continue;
        const std::string name = usage(entry);
        text << name << std::string(column - columnsOf(name), ' ');
        text << paths[i];
        if (entry.tag != 0)
            text << "  " << formatMessage(_("(тег %1)"), entry.tag);
        text << '\n';
    }
    return text.str();
}

std::string versionText() {
    return std::string(kProgram) + " " + felmo::versionText() + "\n";
}

}  // namespace felmo::cli
