// JPEG decoding and encoding through libjpeg-turbo. libjpeg reports fatal errors through a callback
// that must not return: it jumps back to the caller, which raises FormatError after cleaning up.
#include "graphics/image_formats/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "core/errors.h"
#include "graphics/image_formats/drel_image.h"

namespace kuzo {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  info->err->format_message(info, err->message);
  std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // warnings (such as a truncated stream) are not printed

}  // namespace

RgbImage DecodeJpegRgb(std::span<const uint8_t> data, std::string_view source, int64_t maxBytes) {
  jpeg_decompress_struct info{};
  ErrorManager err{};
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.emit_message = OnMessage;
  // Everything touched after setjmp that must survive the jump lives in the result object.
  RgbImage image;
  std::string failure;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&info);
    throw FormatError(Format("%.*s: JPEG data: %s", static_cast<int>(source.size()), source.data(), err.message));
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  // libjpeg does not turn CMYK into RGB itself: CMYK (and YCCK, which it turns into CMYK) is read as
  // four channels and converted below.
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  // Files with an Adobe marker store CMYK inverted (255 = no ink).
  const bool inverted = info.saw_Adobe_marker;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  const int64_t bytes = int64_t{info.image_width} * info.image_height * 3;
  if (bytes > maxBytes || info.image_width > kMaxImageSide || info.image_height > kMaxImageSide) {
    failure = Format("%.*s: JPEG picture %u x %u exceeds the limit of %lld bytes", static_cast<int>(source.size()),
                     source.data(), info.image_width, info.image_height, static_cast<long long>(maxBytes));
    jpeg_destroy_decompress(&info);
    throw FormatError(failure);
  }
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.rgb.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3);
  std::vector<uint8_t> inks(cmyk ? static_cast<size_t>(image.width) * 4 : 0);
  while (info.output_scanline < info.output_height) {
    uint8_t* rgb = image.rgb.data() + static_cast<size_t>(info.output_scanline) * static_cast<size_t>(image.width) * 3;
    JSAMPROW row = cmyk ? inks.data() : rgb;
    jpeg_read_scanlines(&info, &row, 1);
    if (!cmyk) continue;
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = inks.data() + static_cast<size_t>(x) * 4;
      const uint32_t k = inverted ? p[3] : 255u - p[3];
      for (int c = 0; c < 3; ++c) {
        // channel = (255 - ink) * (255 - black) / 255, on the stored (possibly inverted) values
        const uint32_t v = inverted ? p[c] : 255u - p[c];
        rgb[static_cast<size_t>(x) * 3 + static_cast<size_t>(c)] = static_cast<uint8_t>((v * k + 127) / 255);
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

std::string EncodeJpegRgb(const RgbImage& image, int quality) {
  jpeg_compress_struct info{};
  ErrorManager err{};
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw KuzoError(Format("JPEG encoding failed: %s", err.message));
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(image.rgb.data()) +
                   static_cast<size_t>(info.next_scanline) * static_cast<size_t>(image.width) * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

}  // namespace kuzo
