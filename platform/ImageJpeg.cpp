// JPEG export of an Image through libjpeg.
#include "platform/Image.h"

#include "platform/ImageFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace platform {

namespace {

struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpOnJpegError(j_common_ptr info) {
    // libjpeg's default would exit the process; go back to the caller instead.
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(info->err)->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Plain C state only between setjmp and longjmp: nothing here has a destructor to skip.
// On success *out is a malloc'ed buffer the caller frees.
bool CompressRgb(const std::uint8_t* pixels, int width, int height, int quality,
                 unsigned char** out, unsigned long* outSize) {
    jpeg_compress_struct info;
    JpegErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JumpOnJpegError;
    trap.manager.output_message = IgnoreJpegMessage;
    *out = nullptr;
    *outSize = 0;
    if (setjmp(trap.jump) != 0) {
        jpeg_destroy_compress(&info);
        std::free(*out);
        *out = nullptr;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, outSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

bool Image::SaveJpegToMemory(std::vector<std::uint8_t>& out, int quality) const {
    out.clear();
    if (IsEmpty()) {
        return false;
    }
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (!CompressRgb(data_.data(), width_, height_, std::clamp(quality, 1, 100), &buffer, &size)) {
        return false;
    }
    out.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

bool Image::SaveJpeg(const std::string& path, int quality) const {
    std::vector<std::uint8_t> bytes;
    return SaveJpegToMemory(bytes, quality) && WriteWholeFile(path, bytes);
}

} // namespace platform
