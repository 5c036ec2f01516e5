#include "pictures.hpp"

#include <limits>
#include <stdexcept>
#include <string>

namespace notice::win32 {
namespace {

void check(HRESULT result, const char* step) {
  if (FAILED(result)) {
    throw std::runtime_error(std::string("picture: ") + step + " failed, HRESULT 0x" +
                             std::to_string(static_cast<unsigned long>(result)));
  }
}

struct ResourceBytes {
  BYTE* data;
  DWORD size;
};

ResourceBytes find_resource(int resource_id) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(resource_id), RT_RCDATA);
  if (info == nullptr) {
    throw std::runtime_error("picture: resource " + std::to_string(resource_id) + " is missing");
  }
  const HGLOBAL loaded = LoadResource(module, info);
  void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, info);
  if (data == nullptr || size == 0) {
    throw std::runtime_error("picture: resource " + std::to_string(resource_id) +
                             " cannot be loaded");
  }
  // WIC wants a writable pointer but only reads the stream it initialises from memory.
  return {static_cast<BYTE*>(data), size};
}

// A top-down 32-bit DIB section, like WIC's rows.
Picture create_picture(int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  BitmapPtr bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
  if (!bitmap || *bits == nullptr) {
    throw std::runtime_error("picture: cannot create a DIB section");
  }
  return Picture{std::move(bitmap), width, height};
}

// GDI's halftone stretch averages every source pixel a target pixel covers (WIC's scalers
// replicate pixels under some systems).
Picture resized(const Picture& source, int width, int height) {
  void* bits = nullptr;
  Picture target = create_picture(width, height, &bits);
  const DcPtr from(CreateCompatibleDC(nullptr));
  const DcPtr to(CreateCompatibleDC(nullptr));
  if (!from || !to) {
    throw std::runtime_error("picture: CreateCompatibleDC failed");
  }
  const SelectedObject source_selected(from.get(), source.bitmap.get());
  const SelectedObject target_selected(to.get(), target.bitmap.get());
  SetStretchBltMode(to.get(), HALFTONE);
  SetBrushOrgEx(to.get(), 0, 0, nullptr);
  if (!StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, source.width, source.height,
                  SRCCOPY)) {
    throw std::runtime_error("picture: StretchBlt failed");
  }
  GdiFlush();
  return target;
}

}  // namespace

PictureDecoder::PictureDecoder() {
  // Created through COM so that windowscodecs.dll is never a static import.
  check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(factory_.put())),
        "creating the imaging factory");
}

Picture PictureDecoder::decode_resource(int resource_id) {
  const ResourceBytes bytes = find_resource(resource_id);

  ComPtr<IWICStream> stream;
  check(factory_->CreateStream(stream.put()), "creating a stream");
  check(stream->InitializeFromMemory(bytes.data, bytes.size), "initialising the stream");

  // The pictures are JPEGs of our own: asked for by format with Windows' own decoder first, WIC
  // neither tries every installed codec on the bytes nor loads a third-party one into the notice.
  ComPtr<IWICBitmapDecoder> decoder;
  check(factory_->CreateDecoder(GUID_ContainerFormatJpeg, &GUID_VendorMicrosoftBuiltIn,
                                decoder.put()),
        "creating a JPEG decoder");
  check(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand),
        "initialising the decoder");
  ComPtr<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, frame.put()), "reading frame 0");

  ComPtr<IWICFormatConverter> converter;
  check(factory_->CreateFormatConverter(converter.put()), "creating a format converter");
  check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                              nullptr, 0.0, WICBitmapPaletteTypeCustom),
        "converting to 32-bit BGR");

  UINT width = 0;
  UINT height = 0;
  check(converter->GetSize(&width, &height), "reading the size");
  constexpr UINT kMaxSide = 1U << 14;
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    throw std::runtime_error("picture: resource " + std::to_string(resource_id) +
                             " has an unusable size");
  }

  void* bits = nullptr;
  Picture picture = create_picture(static_cast<int>(width), static_cast<int>(height), &bits);
  GdiFlush();
  const UINT stride = width * 4;
  check(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)),
        "copying the pixels");
  return picture;
}

Picture PictureDecoder::decode_for(int picture, const PixelScale& scale) {
  const int percent = picture_percent_for(scale.dpi(), kPicturePercents);
  Picture drawn = decode_resource(percent == 100 ? picture : PICTURE_SCALED(picture, percent));
  const int drawn_dpi = kLayoutDpi * percent / 100;
  const int width = scale.picture_length(drawn.width, drawn_dpi);
  const int height = scale.picture_length(drawn.height, drawn_dpi);
  if (width == drawn.width && height == drawn.height) {
    return drawn;
  }
  if (width <= 0 || height <= 0) {
    throw std::runtime_error("picture: nothing left at this scale");
  }
  return resized(drawn, width, height);
}

}  // namespace notice::win32
