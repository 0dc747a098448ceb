#include "platform/win32/picture.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/scaling.h"
#include "platform/win32/delayed.h"

namespace glimra::win32 {
namespace {

// A COM interface pointer, released once.
template <typename T>
class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_) p_->Release();
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() { return &p_; }

  private:
    T* p_ = nullptr;
};

// COM for the length of one call. A thread already initialised in the other apartment
// model answers RPC_E_CHANGED_MODE and can use COM as it is; only a successful call is
// balanced.
class ComScope {
  public:
    ComScope() : result_(delayed::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(result_)) delayed::CoUninitialize();
    }
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT result_;
};

struct Pixels {
    UINT width = 0;
    UINT height = 0;
    std::vector<BYTE> bgra;  // top-down rows, 4 bytes a pixel, alpha premultiplied
};

// A picture made for 96 DPI, at `dpi`. Each pixel first becomes a block of whole pixels,
// as many as reach the size wanted; only the last step down to that size mixes pixels
// (area-weighted, on premultiplied colours), and only where two blocks meet. Edges stay
// hard at every scale, where a smooth filter straight from the small picture would
// smear them. (A system whose scaler knows no area filter takes the nearest pixel, which
// is still crisp.)
bool Scale(IWICImagingFactory& factory, IWICBitmapSource*& source, int dpi,
           Com<IWICBitmapScaler>& blocks, Com<IWICBitmapScaler>& last) {
    UINT width = 0;
    UINT height = 0;
    if (FAILED(source->GetSize(&width, &height))) return false;
    const int from_x = static_cast<int>(width), from_y = static_cast<int>(height);
    const int to_x = platform::ScaledPixels(from_x, dpi),
              to_y = platform::ScaledPixels(from_y, dpi);
    const int zoom_x = platform::WholeZoom(from_x, to_x),
              zoom_y = platform::WholeZoom(from_y, to_y);
    if (zoom_x > 1 || zoom_y > 1) {
        if (FAILED(factory.CreateBitmapScaler(blocks.put())) ||
            FAILED(blocks->Initialize(source, static_cast<UINT>(from_x * zoom_x),
                                      static_cast<UINT>(from_y * zoom_y),
                                      WICBitmapInterpolationModeNearestNeighbor))) {
            return false;
        }
        source = blocks.get();
    }
    if (from_x * zoom_x == to_x && from_y * zoom_y == to_y) return true;
    if (FAILED(factory.CreateBitmapScaler(last.put())) ||
        FAILED(last->Initialize(source, static_cast<UINT>(to_x), static_cast<UINT>(to_y),
                                WICBitmapInterpolationModeFant))) {
        return false;
    }
    source = last.get();
    return true;
}

bool DecodeFirstFrame(std::span<const unsigned char> file, int dpi, Pixels& out) {
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    Com<IWICBitmapScaler> blocks;
    Com<IWICBitmapScaler> last;
    if (FAILED(delayed::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(factory.put()))) ||
        FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                            static_cast<DWORD>(file.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&out.width, &out.height)) || out.width == 0 || out.height == 0 ||
        out.width > 4096 || out.height > 4096) {
        return false;
    }
    IWICBitmapSource* source = converter.get();
    if (!Scale(*factory.get(), source, dpi, blocks, last) ||
        FAILED(source->GetSize(&out.width, &out.height))) {
        return false;
    }
    out.bgra.resize(std::size_t{out.width} * out.height * 4);
    return SUCCEEDED(source->CopyPixels(nullptr, out.width * 4, static_cast<UINT>(out.bgra.size()),
                                        out.bgra.data()));
}

// `over` is premultiplied by its alpha already.
BYTE Blend(BYTE over, BYTE under, BYTE alpha) {
    return static_cast<BYTE>(over + (under * (255 - alpha) + 127) / 255);
}

GdiObject<HBITMAP> Composite(const Pixels& pixels, COLORREF background) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(pixels.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(pixels.height);  // top-down, as WIC gives
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    auto* out = static_cast<BYTE*>(bits);
    for (std::size_t i = 0; i < pixels.bgra.size(); i += 4) {
        const BYTE alpha = pixels.bgra[i + 3];
        out[i + 0] = Blend(pixels.bgra[i + 0], GetBValue(background), alpha);
        out[i + 1] = Blend(pixels.bgra[i + 1], GetGValue(background), alpha);
        out[i + 2] = Blend(pixels.bgra[i + 2], GetRValue(background), alpha);
        out[i + 3] = 255;  // opaque: the background is already in
    }
    GdiFlush();
    return bitmap;
}

std::uint16_t Word(std::span<const unsigned char> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Dword(std::span<const unsigned char> bytes, std::size_t at) {
    return Word(bytes, at) | static_cast<std::uint32_t>(Word(bytes, at + 2)) << 16;
}

}  // namespace

GdiObject<HBITMAP> DecodeGif(std::span<const unsigned char> file, COLORREF background, int dpi) {
    try {
        ComScope com;
        Pixels pixels;
        if (!com.usable() || !DecodeFirstFrame(file, dpi, pixels)) return {};
        return Composite(pixels, background);
    } catch (...) {  // out of memory: no picture
        return {};
    }
}

Cursor MakeCursor(std::span<const unsigned char> file, int pixels) {
    // A .cur file: a 6-byte directory, one 16-byte entry whose plane and bit-count words
    // hold the hot spot, then the image. A cursor resource is the hot spot followed by
    // the image, which is what CreateIconFromResourceEx reads.
    constexpr std::size_t kDirectory = 6, kEntry = 16;
    if (file.size() < kDirectory + kEntry || Word(file, 2) != 2) return {};
    const std::uint32_t size = Dword(file, kDirectory + 8);
    const std::uint32_t offset = Dword(file, kDirectory + 12);
    if (offset > file.size() || size > file.size() - offset) return {};
    try {
        std::vector<BYTE> resource(4 + size);
        std::memcpy(resource.data(), file.data() + kDirectory + 4, 4);  // hot spot x, y
        std::memcpy(resource.data() + 4, file.data() + offset, size);
        return Cursor(CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()),
                                               FALSE, 0x00030000, pixels, pixels, LR_DEFAULTCOLOR));
    } catch (...) {
        return {};
    }
}

}  // namespace glimra::win32
