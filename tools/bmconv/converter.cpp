#include "tools/bmconv/converter.hpp"

#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>

#include "base/utf8_path.hpp"
#include "base/version.hpp"
#include "mbm/mbm_reader.hpp"
#include "mbm/mbm_writer.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"

namespace felmo::bmconv {
namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  bmconv [-n] [-q] EPOCFILE [OPT]BMP...   pack BMP files into a multi-bitmap file\n"
    "  bmconv [-q] -u EPOCFILE BMP...           unpack its bitmaps into BMP files, in order\n"
    "  bmconv [-q] -v EPOCFILE                  list its bitmaps\n"
    "  bmconv COMMANDFILE                       read the arguments from a file\n"
    "\n"
    "OPT, glued to the file name: -c4 -c8 -c12 -c16 -c24 -c32 (colour depth) or\n"
    "-1 -2 -4 -8 (grey depth); without OPT a bitmap is stored as 2-bit grey.\n"
    "  -n   store the bitmaps uncompressed\n"
    "  -q   no \"Success.\" message\n"
    "A command file holds the same arguments separated by white space; // starts a comment.\n"
#ifdef _WIN32
    "An option may also begin with /, as in /u or /c16C:\\pictures\\0.bmp.\n"
#endif
    ;

// Opens an input file, which is then read a piece at a time: a missing one is "File does not
// exist", an unreadable one `failure`.
InputFile openInput(const std::filesystem::path& path, Failure failure) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored))
        throw ConverterError(Failure::FileDoesNotExist, utf8FromPath(path));
    try {
        return InputFile(path);
    } catch (const Error& error) {
        throw ConverterError(failure, "", error.what());
    }
}

std::vector<MbmBitmapInfo> readDirectory(const std::filesystem::path& path, InputFile& file) {
    try {
        return readMbmDirectory(file);
    } catch (const Error& error) {
        throw ConverterError(Failure::BadSourceFile, utf8FromPath(path), error.what());
    }
}

// The staged output file as the writer sees it: a failure to write there is the destination's,
// not the compression's.
class DestinationOutput final : public PositionedOutput {
  public:
    explicit DestinationOutput(PositionedOutput& file) : file_(file) {}
    void write(std::span<const std::uint8_t> bytes) override {
        try {
            file_.write(bytes);
        } catch (const Error& error) {
            throw ConverterError(Failure::BadDestinationFile, "", error.what());
        }
    }
    void seek(std::uint64_t position) override {
        try {
            file_.seek(position);
        } catch (const Error& error) {
            throw ConverterError(Failure::BadDestinationFile, "", error.what());
        }
    }
    std::uint64_t position() const override { return file_.position(); }

  private:
    PositionedOutput& file_;
};

}  // namespace

void pack(const Command& command) {
    // One picture at a time, each read, reduced and compressed a few rows at a time straight
    // into the staged output file, so that beside the file's bytes only one picture is held.
    auto writeFile = [&command](PositionedOutput& file) {
        DestinationOutput output(file);
        MbmWriter writer(output, command.storage);
        for (const PackSource& source : command.sources) {
            Raster picture;
            {
                InputFile input = openInput(source.path, Failure::BadSourceFile);
                try {
                    picture = decodeBmp(input);
                } catch (const Error& error) {
                    throw ConverterError(Failure::BadSourceFile, utf8FromPath(source.path),
                                         error.what());
                }
            }
            try {
                writer.add(picture, source.mode);
            } catch (const ConverterError&) {
                throw;
            } catch (const Error& error) {
                throw ConverterError(Failure::CompressionError, utf8FromPath(source.path),
                                     error.what());
            }
        }
        writer.finish();
    };
    std::optional<StagedFile> staged;
    try {
        staged.emplace(command.mbmPath, writeFile);
        staged->commit();
    } catch (const ConverterError&) {
        throw;
    } catch (const Error& error) {
        throw ConverterError(Failure::BadDestinationFile, "", error.what());
    }
}

void unpack(const Command& command) {
    InputFile file = openInput(command.mbmPath, Failure::BadSourceFile);
    const std::vector<MbmBitmapInfo> infos = readDirectory(command.mbmPath, file);
    if (command.targets.size() > infos.size()) {
        throw ConverterError(Failure::SourceTargetMismatch, utf8FromPath(command.mbmPath),
                             "It holds " + std::to_string(infos.size()) + " bitmap(s), " +
                                 std::to_string(command.targets.size()) +
                                 " file names were given.");
    }
    // Every bitmap's data is checked before anything is written, so that a damaged one stops
    // the run with no output; then each is decoded and written, one at a time.
    for (std::size_t i = 0; i < command.targets.size(); ++i) {
        try {
            checkMbmBitmap(file, infos[i]);
        } catch (const Error& error) {
            throw ConverterError(Failure::DecompressionError, utf8FromPath(command.mbmPath),
                                 error.what());
        }
    }
    // Every file is written complete under a temporary name first; only then are they renamed
    // into place, in order, so the last target still appears last and a failure before that
    // leaves every file that was there as it was.
    std::vector<StagedFile> staged;
    staged.reserve(command.targets.size());
    for (std::size_t i = 0; i < command.targets.size(); ++i) {
        Raster picture;
        try {
            picture = decodeMbmBitmap(file, infos[i]);
        } catch (const Error& error) {
            // Checked above: only a file changed since then fails here.
            throw ConverterError(Failure::BadSourceFile, utf8FromPath(command.mbmPath),
                                 error.what());
        }
        try {
            staged.push_back(stageBmpFile(picture, command.targets[i]));
        } catch (const Error& error) {
            throw ConverterError(Failure::BadDestinationFile, "", error.what());
        }
    }
    for (std::size_t i = 0; i < staged.size(); ++i) {
        try {
            staged[i].commit();
        } catch (const Error& error) {
            // Only the files this run made go again; a file that was there before stays.
            for (std::size_t k = 0; k < i; ++k)
                if (!staged[k].replacesExistingFile()) {
                    std::error_code ignored;
                    std::filesystem::remove(command.targets[k], ignored);
                }
            throw ConverterError(Failure::BadDestinationFile, "", error.what());
        }
    }
}

void list(const Command& command, std::ostream& out) {
    InputFile file = openInput(command.mbmPath, Failure::BadSourceFile);
    const std::vector<MbmBitmapInfo> infos = readDirectory(command.mbmPath, file);
    out << utf8FromPath(command.mbmPath) << ": " << infos.size() << " bitmap(s)\n";
    for (std::size_t i = 0; i < infos.size(); ++i) {
        const MbmBitmapInfo& info = infos[i];
        const std::size_t raw = info.rawBytes();
        const std::size_t percent = raw == 0 ? 100 : (info.storedBytes() * 100 + raw / 2) / raw;
        out << "  " << (i + 1) << ": " << info.width << " x " << info.height << " pixels, "
            << info.widthTwips << " x " << info.heightTwips << " twips, " << describeMode(info.mode)
            << ", " << describeCompression(info.compression) << ", " << info.storedBytes() << " of "
            << raw << " bytes (" << percent << "%)\n";
    }
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        const Command command = parseArguments(arguments);
        switch (command.action) {
            case Action::Help:
                out << kUsage;
                return 0;
            case Action::Version:
                out << "bmconv (FELMO) " << felmo::versionText() << "\n";
                return 0;
            case Action::Pack:
                pack(command);
                break;
            case Action::Unpack:
                unpack(command);
                break;
            case Action::List:
                list(command, out);
                break;
        }
        if (!command.quiet)
            out << "Success.\n";
        return 0;
    } catch (const ConverterError& error) {
        if (error.failure() == Failure::Usage) {
            err << "bmconv: " << error.what() << "\nTry 'bmconv --help'.\n";
            return 2;
        }
        err << "bmconv: " << error.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        err << "bmconv: " << failureText(Failure::OutOfMemory) << "\n";
        return 1;
    } catch (const std::exception& error) {
        err << "bmconv: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace felmo::bmconv
