#include "ui/JpegPicture.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void LeaveOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr) { }

// Decodes into an image that the caller owns. Nothing of this function's own is changed
// between the jump's setting and a jump back, so no local needs to be volatile.
bool DecodeInto(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& data, QImage& image)
{
    if (setjmp(errors.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}

QImage DecodeJpeg(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    // Destroying is harmless also when creating failed: the structure starts out empty.
    jpeg_decompress_struct info {};
    ErrorManager errors {};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = LeaveOnError;
    errors.base.output_message = IgnoreMessage;
    QImage image;
    const bool decoded = DecodeInto(info, errors, data, image);
    jpeg_destroy_decompress(&info);
    return decoded ? image : QImage();
}
