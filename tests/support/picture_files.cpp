#include "support/picture_files.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace felmo::testing {
namespace {

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* bytes = static_cast<Bytes*>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}

int appendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<Bytes*>(gif->UserData);
    bytes->insert(bytes->end(), data, data + length);
    return length;
}

ColorMapObject* makeColourMap(const std::vector<Rgb>& colours) {
    int size = 2;
    while (size < static_cast<int>(colours.size()))
        size *= 2;
    std::vector<GifColorType> entries(size);
    for (std::size_t i = 0; i < colours.size(); ++i)
        entries[i] = GifColorType{colours[i].red, colours[i].green, colours[i].blue};
    return GifMakeMapObject(size, entries.data());
}

void require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(what);
}

}  // namespace

namespace {

Bytes writePng(const PngDescription& description, int compression) {
    Bytes bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("PNG encoding failed");
    }
    png_set_write_fn(png, &bytes, appendToBytes, nullptr);
    png_set_compression_level(png, compression);
    png_set_IHDR(png, info, description.width, description.height, description.bitDepth,
                 description.colourType,
                 description.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const Rgb& colour : description.palette)
        palette.push_back(png_color{colour.red, colour.green, colour.blue});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_color_16 transparent{};
    if (description.transparentGrey)
        transparent.gray = *description.transparentGrey;
    if (description.transparentRgb) {
        transparent.red = description.transparentRgb->red;
        transparent.green = description.transparentRgb->green;
        transparent.blue = description.transparentRgb->blue;
    }
    if (!description.paletteAlpha.empty() || description.transparentGrey ||
        description.transparentRgb)
        png_set_tRNS(png, info,
                     description.paletteAlpha.empty() ? nullptr : description.paletteAlpha.data(),
                     static_cast<int>(description.paletteAlpha.size()), &transparent);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const Bytes& row : description.rows)
        rows.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

}  // namespace

Bytes encodePng(const PngDescription& description, int compression) {
    return writePng(description, compression);
}

Bytes encodeJpeg(int width, int height, int components, int space,
                 const std::function<void(int x, int y, std::uint8_t* pixel)>& paint,
                 bool progressive) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = static_cast<J_COLOR_SPACE>(space);
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * components);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            paint(x, y, &row[static_cast<std::size_t>(x) * components]);
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&info, &rowPointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

Bytes encodeRgbPng(int width, int height, const Bytes& rgb, int compression) {
    PngDescription description{width, height, 2, 8, false, {}, {}, {}, {}, {}};
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        description.rows.emplace_back(rgb.begin() + y * stride, rgb.begin() + (y + 1) * stride);
    return writePng(description, compression);
}

Bytes encodeGif(const GifDescription& description) {
    Bytes bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, appendGifBytes, &error);
    require(gif != nullptr, "EGifOpen");
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = makeColourMap(description.colours);
    require(EGifPutScreenDesc(gif, description.width, description.height, 8, 0, global) == GIF_OK,
            "screen");
    GifFreeMapObject(global);
    for (const GifFrameDescription& frame : description.frames) {
        GraphicsControlBlock control{frame.disposal, false, frame.delayCs, frame.transparentIndex};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        require(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK, "gce");
        ColorMapObject* local =
            frame.localColours.empty() ? nullptr : makeColourMap(frame.localColours);
        require(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                                 frame.interlaced, local) == GIF_OK,
                "image");
        if (local != nullptr)
            GifFreeMapObject(local);
        // The encoder takes rows in the order they are stored: the pass order when interlaced.
        std::vector<int> order;
        if (frame.interlaced) {
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int row = start[pass]; row < frame.height; row += step[pass])
                    order.push_back(row);
        } else {
            for (int row = 0; row < frame.height; ++row)
                order.push_back(row);
        }
        for (int row : order) {
            Bytes line(frame.indices.begin() + row * frame.width,
                       frame.indices.begin() + (row + 1) * frame.width);
            require(EGifPutLine(gif, line.data(), frame.width) == GIF_OK, "line");
        }
        // The encoder forgets its copy of a local table when the next frame has none.
        if (gif->Image.ColorMap != nullptr) {
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
    }
    require(EGifCloseFile(gif, &error) == GIF_OK, "close");
    return bytes;
}

Bytes encodeWebp(int width, int height, const Bytes& rgba, bool lossless) {
    std::uint8_t* output = nullptr;
    const std::size_t size =
        lossless ? WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &output)
                 : WebPEncodeRGBA(rgba.data(), width, height, width * 4, 90, &output);
    require(size != 0, "WebP encoding");
    Bytes bytes(output, output + size);
    WebPFree(output);
    return bytes;
}

Bytes encodeAnimatedWebp(int width, int height, const std::vector<Bytes>& rgbaFrames,
                         const std::vector<int>& delaysMs) {
    WebPAnimEncoderOptions options;
    require(WebPAnimEncoderOptionsInit(&options), "options");
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    require(encoder != nullptr, "encoder");
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = 1;
    int timestamp = 0;
    for (std::size_t i = 0; i < rgbaFrames.size(); ++i) {
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = width;
        picture.height = height;
        require(WebPPictureImportRGBA(&picture, rgbaFrames[i].data(), width * 4), "import");
        require(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config), "add");
        WebPPictureFree(&picture);
        timestamp += delaysMs[i];
    }
    require(WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr), "end");
    WebPData data;
    WebPDataInit(&data);
    require(WebPAnimEncoderAssemble(encoder, &data), "assemble");
    Bytes bytes(data.bytes, data.bytes + data.size);
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
    return bytes;
}

Bytes assembleAnimatedWebp(int width, int height, const std::vector<PlacedWebpFrame>& frames) {
    WebPMux* mux = WebPMuxNew();
    require(mux != nullptr, "mux");
    WebPMuxAnimParams animation{0, 0};
    require(WebPMuxSetAnimationParams(mux, &animation) == WEBP_MUX_OK, "animation");
    require(WebPMuxSetCanvasSize(mux, width, height) == WEBP_MUX_OK, "canvas");
    for (const PlacedWebpFrame& frame : frames) {
        WebPMuxFrameInfo info{};
        info.bitstream = WebPData{frame.still.data(), frame.still.size()};
        info.x_offset = frame.x;
        info.y_offset = frame.y;
        info.duration = frame.delayMs;
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method =
            frame.disposeToTransparent ? WEBP_MUX_DISPOSE_BACKGROUND : WEBP_MUX_DISPOSE_NONE;
        info.blend_method = frame.blend ? WEBP_MUX_BLEND : WEBP_MUX_NO_BLEND;
        require(WebPMuxPushFrame(mux, &info, 1) == WEBP_MUX_OK, "frame");
    }
    WebPData data;
    WebPDataInit(&data);
    require(WebPMuxAssemble(mux, &data) == WEBP_MUX_OK, "assemble");
    Bytes bytes(data.bytes, data.bytes + data.size);
    WebPDataClear(&data);
    WebPMuxDelete(mux);
    return bytes;
}

}  // namespace felmo::testing
