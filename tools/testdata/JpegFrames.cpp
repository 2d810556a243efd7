#include "JpegFrames.h"

#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

namespace testdata {

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

void OnError(j_common_ptr info) {
  (*info->err->output_message)(info);
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

}  // namespace

bool WriteJpeg(const std::string& path, int width, int height, int components,
               const std::vector<uint8_t>& pixels, int quality) {
  if (pixels.size() != size_t(width) * height * components) return false;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;

  jpeg_compress_struct info;
  ErrorManager error;
  info.err = jpeg_std_error(&error.base);
  error.base.error_exit = OnError;
  if (setjmp(error.escape)) {
    jpeg_destroy_compress(&info);
    std::fclose(out);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  for (int c = 0; c < info.num_components; ++c) {
    info.comp_info[c].h_samp_factor = 1;
    info.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&info, TRUE);
  const size_t stride = size_t(width) * components;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(pixels.data() + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(out) == 0;
}

}  // namespace testdata
