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

  ComPtr<IWICBitmapDecoder> decoder;
  check(factory_->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                          decoder.put()),
        "creating a decoder");
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

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, like WIC's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapPtr bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    throw std::runtime_error("picture: cannot create a DIB section");
  }
  GdiFlush();
  const UINT stride = width * 4;
  check(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)),
        "copying the pixels");
  return Picture{std::move(bitmap), static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace notice::win32
