// PNG reading through libpng's full interface: every colour type and bit depth becomes
// 8-bit RGB, transparency is composited on white, and a damaged file fails cleanly.
#include "platform/Image.h"

#include "platform/ImageFile.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace platform {

namespace {

// Pictures beyond these come from a damaged or hostile file, not from this program.
constexpr png_uint_32 kMaxSide = 32768;                                // pixels
constexpr std::size_t kMaxBytes = static_cast<std::size_t>(512) << 20; // bytes decoded
// Deflate packs at most 1032 bytes into one; pixel data beyond that many times the file's
// size cannot be in it.
constexpr std::size_t kMaxCompression = 1032;

// Everything the reader keeps between libpng calls. Plain data only: libpng's errors
// longjmp out of the functions below, which therefore own nothing with a destructor.
struct PngReader {
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t offset;
    png_structp png;
    png_infop info;
    png_uint_32 width;
    png_uint_32 height;
    bool hasAlpha;
    std::size_t packedBytes; // pixel data as the file packs it, before compression
};

// Composites RGBA pixels on white in place, leaving RGB. libpng's own compositing would
// also apply gamma to pictures that carry no gamma information.
void FlattenOnWhite(std::vector<std::uint8_t>& pixels) {
    const std::size_t count = pixels.size() / 4;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned alpha = pixels[4 * i + 3];
        for (std::size_t c = 0; c < 3; ++c) {
            const unsigned value = pixels[4 * i + c];
            pixels[3 * i + c] =
                static_cast<std::uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
        }
    }
    pixels.resize(count * 3);
}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) {
        png_error(png, "file ends early");
    }
    std::memcpy(out, reader->bytes + reader->offset, length);
    reader->offset += length;
}

[[noreturn]] void FailQuietly(png_structp png, png_const_charp) {
    std::longjmp(png_jmpbuf(png), 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Reads the header and sets the conversions to 8-bit RGB, with alpha when the picture has
// any transparency.
bool ReadHeader(PngReader* reader) {
    if (setjmp(png_jmpbuf(reader->png)) != 0) {
        return false;
    }
    png_set_user_limits(reader->png, kMaxSide, kMaxSide);
    // Only the pixels and their transparency matter here. The other ancillary chunks are
    // skipped unread: libpng would allocate a text or profile chunk at the length it claims,
    // gigabytes in a damaged file, before finding that the file ends.
    png_set_keep_unknown_chunks(reader->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_read_fn(reader->png, reader, ReadFromMemory);
    png_read_info(reader->png, reader->info);
    int bitDepth = 0;
    int colourType = 0;
    png_get_IHDR(reader->png, reader->info, &reader->width, &reader->height, &bitDepth, &colourType,
                 nullptr, nullptr, nullptr);
    const std::size_t bitsPerPixel =
        static_cast<std::size_t>(png_get_channels(reader->png, reader->info)) * bitDepth;
    reader->packedBytes =
        (static_cast<std::size_t>(reader->width) * bitsPerPixel + 7) / 8 * reader->height;
    if (bitDepth == 16) {
        png_set_scale_16(reader->png);
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(reader->png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(reader->png);
    }
    reader->hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0;
    if (png_get_valid(reader->png, reader->info, PNG_INFO_tRNS) != 0) {
        png_set_tRNS_to_alpha(reader->png);
        reader->hasAlpha = true;
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(reader->png);
    }
    png_set_interlace_handling(reader->png);
    png_read_update_info(reader->png, reader->info);
    const png_byte channels = reader->hasAlpha ? 4 : 3;
    return png_get_channels(reader->png, reader->info) == channels &&
           png_get_bit_depth(reader->png, reader->info) == 8 &&
           png_get_rowbytes(reader->png, reader->info) ==
               static_cast<png_size_t>(reader->width) * channels;
}

// Reads the pixels into rows and the rest of the file up to its end chunk, so a file cut
// short after its image data fails too.
bool ReadPixels(PngReader* reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader->png)) != 0) {
        return false;
    }
    png_read_image(reader->png, rows);
    png_read_end(reader->png, nullptr);
    return true;
}

} // namespace

bool Image::LoadPng(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return false;
    }
    return LoadPngFromMemory(bytes.data(), bytes.size());
}

bool Image::LoadPngFromMemory(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
        return false;
    }
    PngReader reader{bytes, size, 0, nullptr, nullptr, 0, 0, false, 0};
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailQuietly, IgnoreWarning);
    if (reader.png == nullptr) {
        return false;
    }
    reader.info = png_create_info_struct(reader.png);
    // A damaged header may claim a picture far bigger than the file can hold; it is refused
    // before its pixels are allocated.
    bool ok = reader.info != nullptr && ReadHeader(&reader) && reader.width > 0 &&
              reader.height > 0 &&
              static_cast<std::size_t>(reader.width) * reader.height * 4 <= kMaxBytes &&
              reader.packedBytes / kMaxCompression <= size;
    std::vector<std::uint8_t> decoded;
    if (ok) {
        const std::size_t stride =
            static_cast<std::size_t>(reader.width) * (reader.hasAlpha ? 4 : 3);
        decoded.assign(stride * reader.height, 255);
        std::vector<png_bytep> rows(reader.height);
        for (png_uint_32 y = 0; y < reader.height; ++y) {
            rows[y] = decoded.data() + y * stride;
        }
        ok = ReadPixels(&reader, rows.data());
    }
    png_destroy_read_struct(&reader.png, reader.info != nullptr ? &reader.info : nullptr, nullptr);
    if (!ok) {
        return false;
    }
    if (reader.hasAlpha) {
        FlattenOnWhite(decoded);
    }
    width_ = static_cast<int>(reader.width);
    height_ = static_cast<int>(reader.height);
    data_.swap(decoded);
    return true;
}

} // namespace platform
