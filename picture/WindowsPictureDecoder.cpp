// PNG and JPEG through the Windows Imaging Component, part of Windows. The
// frame is read in bands of rows: 16-bit PNG files as they are, so that
// their samples are rounded to 8 bits as on every platform, everything
// else converted to 8-bit RGBA by WIC's own converter.

#include "PlatformPictureDecoder.h"

#include <algorithm>
#include <vector>

#include <windows.h>
#include <wincodec.h>

namespace bmp2cdata {

namespace {

// Rows read at a time: few calls, and a band that stays small.
constexpr UINT kBandRows = 64;
constexpr std::uint16_t kOpaque16 = 0xFFFF;

// Holds one COM interface and releases it.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer()
    {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;

    Interface** Put() { return &pointer_; }
    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// Samples a pixel of the 16-bit formats WIC's PNG decoder gives, or 0.
std::size_t WideChannels(const WICPixelFormatGUID& format)
{
    if (format == GUID_WICPixelFormat16bppGray)
        return 1;
    if (format == GUID_WICPixelFormat48bppRGB)
        return 3;
    if (format == GUID_WICPixelFormat64bppRGBA)
        return 4;
    return 0;
}

// Reads source band by band, channels samples of Sample a pixel, and hands
// each row over as RGBA made by expand(row, rgba).
template <typename Sample, typename Expand>
bool HandOverBands(IWICBitmapSource* source, PictureSize size, std::size_t channels, RgbaRows& rows, Expand expand)
{
    const std::size_t rowSamples = std::size_t{size.width} * channels;
    std::vector<Sample> band(rowSamples * std::min<UINT>(kBandRows, size.height));
    std::vector<Sample> rgba(std::size_t{size.width} * 4);
    for (UINT top = 0; top < size.height; top += kBandRows) {
        const UINT count = std::min<UINT>(kBandRows, size.height - top);
        const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(size.width), static_cast<INT>(count)};
        const auto stride = static_cast<UINT>(rowSamples * sizeof(Sample));
        if (FAILED(source->CopyPixels(&rect, stride, stride * count, reinterpret_cast<BYTE*>(band.data()))))
            return false;
        for (UINT row = 0; row < count; ++row) {
            expand(band.data() + row * rowSamples, rgba);
            rows.AddRow(std::span<const Sample>(rgba));
        }
    }
    return true;
}

// Grey, RGB or RGBA of 16 bits to RGBA.
bool HandOverWide(IWICBitmapSource* frame, std::size_t channels, PictureSize size, RgbaRows& rows)
{
    return HandOverBands<std::uint16_t>(
        frame, size, channels, rows, [channels](const std::uint16_t* in, std::vector<std::uint16_t>& rgba) {
            for (std::size_t at = 0; at < rgba.size(); at += 4, in += channels) {
                rgba[at] = in[0];
                rgba[at + 1] = channels >= 3 ? in[1] : in[0];
                rgba[at + 2] = channels >= 3 ? in[2] : in[0];
                rgba[at + 3] = channels == 4 ? in[3] : kOpaque16;
            }
        });
}

bool HandOverNarrow(IWICBitmapSource* converted, PictureSize size, RgbaRows& rows)
{
    return HandOverBands<std::uint8_t>(converted, size, 4, rows,
                                       [](const std::uint8_t* in, std::vector<std::uint8_t>& rgba) {
                                           std::copy_n(in, rgba.size(), rgba.begin());
                                       });
}

bool StartCom()
{
    // Already started in another mode on this thread is as good.
    static const bool started = [] {
        const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
    }();
    return started;
}

class WindowsPictureDecoder final : public PictureDecoder {
public:
    bool Decode(PictureFormat format, std::span<const std::uint8_t> file, PictureSize declared,
                RgbaRows& rows) override
    {
        ComPointer<IWICImagingFactory> factory;
        ComPointer<IWICStream> stream;
        ComPointer<IWICBitmapDecoder> decoder;
        ComPointer<IWICBitmapFrameDecode> frame;
        const GUID& container = format == PictureFormat::Png ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg;
        UINT width = 0;
        UINT height = 0;
        WICPixelFormatGUID native{};
        // The chunks are checked as on every platform, before WIC sees them.
        if (format == PictureFormat::Bmp || (format == PictureFormat::Png && !PngChunksAreSound(file)) || !StartCom() ||
            FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(factory.Put()))) ||
            FAILED(factory->CreateStream(stream.Put())) ||
            FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()), static_cast<DWORD>(file.size()))) ||
            FAILED(factory->CreateDecoder(container, nullptr, decoder.Put())) ||
            FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
            FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(frame->GetSize(&width, &height)) ||
            PictureSize{width, height} != declared || FAILED(frame->GetPixelFormat(&native)))
            return false;
        if (const std::size_t channels = WideChannels(native))
            return HandOverWide(frame.Get(), channels, declared, rows);
        ComPointer<IWICBitmapSource> converted;
        return SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppRGBA, frame.Get(), converted.Put())) &&
               HandOverNarrow(converted.Get(), declared, rows);
    }
};

}  // namespace

PictureDecoder& PlatformPictureDecoder()
{
    static WindowsPictureDecoder decoder;
    return decoder;
}

}  // namespace bmp2cdata
