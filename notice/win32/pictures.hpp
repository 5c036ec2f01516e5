#pragma once

#include <wincodec.h>
#include <windows.h>

#include "handles.hpp"

namespace notice::win32 {

// A decoded picture: a top-down 32-bit DIB of its natural size.
struct Picture {
  BitmapPtr bitmap;
  int width = 0;
  int height = 0;
};

// Decodes the program's JPEG resources with WIC. Needs COM initialised on this thread.
class PictureDecoder {
 public:
  PictureDecoder();
  // Throws std::runtime_error when the resource is missing or cannot be decoded.
  Picture decode_resource(int resource_id);

 private:
  ComPtr<IWICImagingFactory> factory_;
};

}  // namespace notice::win32
