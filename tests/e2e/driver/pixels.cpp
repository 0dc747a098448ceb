// Pixels of a window and the rendering of text, for the checks that the eye would make.
#include "commands.h"

namespace e2e {
namespace {

// A 32-bit top-down DIB selected into a memory DC for one scope.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (dc_ == nullptr || bitmap_ == nullptr) FailWin32("CreateDIBSection");
        previous_ = SelectObject(dc_, bitmap_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    // Pixel (x, y) as 0x00RRGGBB; call GdiFlush once after drawing and before reading.
    std::uint32_t At(int x, int y) const {
        return static_cast<const std::uint32_t*>(bits_)[y * width_ + x] & 0xFFFFFF;
    }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};

void WritePpm(const Canvas& canvas, const std::wstring& path) {
    std::string data =
        "P6\n" + std::to_string(canvas.width()) + " " + std::to_string(canvas.height()) + "\n255\n";
    GdiFlush();
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const std::uint32_t pixel = canvas.At(x, y);
            data += static_cast<char>((pixel >> 16) & 0xFF);
            data += static_cast<char>((pixel >> 8) & 0xFF);
            data += static_cast<char>(pixel & 0xFF);
        }
    }
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) FailWin32("CreateFileW " + Utf8(path));
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
        written != data.size())
        FailWin32("WriteFile " + Utf8(path));
}

// Copies from a DC of the window (its client area for "dc", the whole window for "window"),
// from the screen under it ("screen"), or lets the window print itself ("print").
void Grab(HWND window, const std::wstring& mode, const Canvas& canvas) {
    if (mode == L"print") {
        if (!PrintWindow(window, canvas.dc(), 0)) FailWin32("PrintWindow");
        return;
    }
    HWND source = window;
    HDC dc = nullptr;
    int x = 0;
    int y = 0;
    if (mode == L"dc") {
        dc = GetDC(window);
    } else if (mode == L"window") {
        dc = GetWindowDC(window);
    } else if (mode == L"screen") {
        RECT rect{};
        GetWindowRect(window, &rect);
        source = nullptr;
        dc = GetDC(nullptr);
        x = rect.left;
        y = rect.top;
    } else {
        throw Failure("capture mode is dc, window, screen or print");
    }
    if (dc == nullptr) FailWin32("GetDC");
    const BOOL copied =
        BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), dc, x, y, SRCCOPY);
    ReleaseDC(source, dc);
    // Wine 8 gives a child window of another process a DC with nothing behind it.
    if (!copied && GetAncestor(window, GA_PARENT) != GetDesktopWindow())
        throw Failure(
            "BitBlt from the DC of a child window failed; under Wine a child of "
            "another process's window has no pixels of its own: detach it first");
    if (!copied) FailWin32("BitBlt");
}

std::uint64_t Fnv1a(const Canvas& canvas) {
    std::uint64_t hash = 14695981039346656037ULL;
    GdiFlush();
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) hash = (hash ^ canvas.At(x, y)) * 1099511628211ULL;
    return hash;
}

std::string CharInk(HFONT font, wchar_t character) {
    constexpr int kSize = 64;
    Canvas canvas(kSize, kSize);
    RECT all{0, 0, kSize, kSize};
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const HGDIOBJ previous = SelectObject(canvas.dc(), font);
    SetTextColor(canvas.dc(), RGB(0, 0, 0));
    SetBkMode(canvas.dc(), TRANSPARENT);
    TextOutW(canvas.dc(), 8, 8, &character, 1);
    WORD glyph = 0;
    GetGlyphIndicesW(canvas.dc(), &character, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(canvas.dc(), previous);
    int ink = 0;
    GdiFlush();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) ink += canvas.At(x, y) != 0xFFFFFF ? 1 : 0;
    return Json()
        .Text("char", std::wstring(1, character))
        .Number("ink", ink)
        .Text("hash", std::to_wstring(Fnv1a(canvas)))
        .Bool("glyph", glyph != 0xFFFF)
        .str();
}

// The font asked for: "caption", "message" and "menu" name the system's own fonts for window
// captions, message boxes and menus, "gui" the stock DEFAULT_GUI_FONT, anything else a face.
HFONT CreateNamedFont(const std::wstring& name) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font{};
    if (name == L"caption") {
        font = metrics.lfCaptionFont;
    } else if (name == L"message") {
        font = metrics.lfMessageFont;
    } else if (name == L"menu") {
        font = metrics.lfMenuFont;
    } else if (name == L"gui") {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    } else {
        font.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(font.lfFaceName, name.c_str(), LF_FACESIZE);
    }
    font.lfHeight = -32;
    font.lfWidth = 0;
    font.lfQuality = NONANTIALIASED_QUALITY;
    return CreateFontIndirectW(&font);
}

}  // namespace

int Capture(const Args& args) {
    const HWND window = ParseWindow(args[0]);
    if (!IsWindow(window)) throw Failure("no such window: " + Utf8(args[0]));
    const std::wstring mode = args.size() > 2 ? args[2] : L"dc";
    RECT rect{};
    if (mode == L"dc")
        GetClientRect(window, &rect);
    else
        GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) throw Failure("the window has no area");
    Canvas canvas(width, height);
    Grab(window, mode, canvas);
    WritePpm(canvas, args[1]);
    PrintLine(Json().Number("width", width).Number("height", height).str());
    return 0;
}

// Renders each character alone in the font asked for. A font without the glyphs draws the
// same box, or nothing, for every character, which the ink counts and hashes show.
int TextInk(const Args& args) {
    HFONT font = CreateNamedFont(args[0]);
    if (font == nullptr) FailWin32("CreateFontIndirectW");
    std::vector<std::string> chars;
    for (const wchar_t character : args[1]) chars.push_back(CharInk(font, character));
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
    PrintLine(Json().Text("face", face).Raw("chars", JsonArray(chars)).str());
    return 0;
}

}  // namespace e2e
