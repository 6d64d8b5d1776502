#include "frames/Thumbnail.h"

#include <cstring>

#include "frames/FrameFile.h"
#include "frames/JpegToDib.h"
#include "frames/ThumbnailRender.h"
#include "resource.h"

namespace {

constexpr int kImageListGrowth = 2000;
constexpr int kPictureInset = 2;  // transparent margin inside the fitted rectangle
constexpr size_t kKeptJpegBytes = 1024 * 1024;

int g_cellSize = kThumbnailSize;

}  // namespace

int ThumbnailCellSize() {
    return g_cellSize;
}

void SetThumbnailCellSize(int size) {
    g_cellSize = size > 0 ? size : kThumbnailSize;
}

RECT FitRect(LONG width, LONG height, int size) {
    RECT rect = {0, 0, 0, 0};
    if (width <= 0 || height <= 0 || size <= 0) return rect;
    // 64-bit products: a header may claim a width of two thousand million.
    const LONGLONG h = static_cast<LONGLONG>(height) * size / width;
    if (h <= size) {
        rect.left = 0;
        rect.right = size;
        rect.top = static_cast<LONG>((size - h) / 2);
        rect.bottom = rect.top + static_cast<LONG>(h);
    } else {
        const LONGLONG w = static_cast<LONGLONG>(width) * size / height;
        rect.top = 0;
        rect.bottom = size;
        rect.left = static_cast<LONG>((size - w) / 2);
        rect.right = rect.left + static_cast<LONG>(w);
    }
    return rect;
}

namespace {

// The pair's layout: 24-bit rows and 1-bit rows, bottom-up, each padded
// to four bytes.
size_t ImageBytes(int cell) {
    return static_cast<size_t>((cell * 3 + 3) & ~3) * cell;
}

size_t MaskBytes(int cell) {
    return static_cast<size_t>((cell + 31) / 32 * 4) * cell;
}

// A bottom-up cell of 24 bits, or of 1 bit in black and white.
struct CellFormat {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];

    CellFormat(int cell, WORD bits) : header{}, colors{{0, 0, 0, 0}, {255, 255, 255, 0}} {
        header.biSize = sizeof header;
        header.biWidth = cell;
        header.biHeight = cell;
        header.biPlanes = 1;
        header.biBitCount = bits;
    }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

}  // namespace

bool ThumbnailRenderer::MakePair() {
    const int cell = ThumbnailCellSize();
    if (image_ && mask_ && pairSize_ == cell) return true;
    pairSize_ = cell;
    win::WindowDc screen(nullptr);
    imageDc_.Reset(::CreateCompatibleDC(screen.Get()));
    maskDc_.Reset(::CreateCompatibleDC(screen.Get()));
    // 24 bits as the image list keeps its images: StretchDIBits and the list's
    // copy then need no conversion, which costs more than both under Wine.
    void* bits = nullptr;
    image_.Reset(
        ::CreateDIBSection(screen.Get(), CellFormat(cell, 24).Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
    // A monochrome mask (black shows the image), as a DIB section too: its
    // rows are kept and put back with the image's without a GDI call.
    mask_.Reset(
        ::CreateDIBSection(screen.Get(), CellFormat(cell, 1).Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (imageDc_ && maskDc_ && image_ && mask_) {
        ::SetStretchBltMode(imageDc_.Get(), COLORONCOLOR);
        return true;
    }
    image_.Reset();
    mask_.Reset();
    return false;
}

// The whole file in one read into the reused buffer.
bool ThumbnailPicture::ReadJpeg(const std::string& path) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    opened_ = file && ::GetFileSizeEx(file.Get(), &size) &&
              ::GetFileTime(file.Get(), nullptr, nullptr, &fileWritten_);
    if (!opened_) return false;
    fileSize_ = static_cast<ULONGLONG>(size.QuadPart);
    if (size.QuadPart <= 0 || size.QuadPart > kMaxThumbnailFileBytes) return false;
    jpeg_.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return ::ReadFile(file.Get(), jpeg_.data(), static_cast<DWORD>(jpeg_.size()), &got, nullptr) &&
           got == jpeg_.size();
}

bool ThumbnailPicture::Load(const std::string& jpegPath, int cell) {
    opened_ = false;
    loaded_ = !jpegPath.empty() && ReadJpeg(jpegPath) &&
              JpegToDib(jpeg_.data(), jpeg_.size(), cell, dib_, &fullSize_) && dib_.IsDrawable();
    // A thumbnail is a few tens of KB: the block of an odd large one is not kept.
    if (jpeg_.capacity() > kKeptJpegBytes) std::vector<unsigned char>().swap(jpeg_);
    return loaded_;
}

bool ThumbnailPicture::LoadedFileStamp(ULONGLONG& size, FILETIME& written) const {
    size = fileSize_;
    written = fileWritten_;
    return opened_;
}

int ThumbnailRenderer::Render(const std::string& jpegPath) {
    if (!MakePair()) return 0;
    picture_.Load(jpegPath, pairSize_);
    return Render(picture_);
}

int ThumbnailRenderer::Render(const ThumbnailPicture& picture) {
    if (!MakePair()) return 0;
    const int size = pairSize_;
    // The bitmaps are selected only while drawing: the image list must be
    // able to select them itself when it copies them.
    win::SelectObjectScope imageSelected(imageDc_.Get(), image_.Get());
    win::SelectObjectScope maskSelected(maskDc_.Get(), mask_.Get());
    ::PatBlt(imageDc_.Get(), 0, 0, size, size, WHITENESS);
    ::PatBlt(maskDc_.Get(), 0, 0, size, size, WHITENESS);
    if (!picture.loaded_) return 0;

    // Fitted by the picture's own proportions, which the scaled-down image
    // only approximates (333 x 97 at 2/8 is 84 x 25).
    RECT cell = FitRect(picture.fullSize_.cx, picture.fullSize_.cy, size);
    const int inset = kPictureInset * size / kThumbnailSize;
    ::InflateRect(&cell, -inset, -inset);
    if (!picture.dib_.Draw(imageDc_.Get(), cell, SRCCOPY)) return 0;
    ::PatBlt(maskDc_.Get(), cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, BLACKNESS);
    return 1;
}

namespace {

// The rows of a DIB section; null when the bitmap is none.
BYTE* RowsOf(HBITMAP bitmap) {
    DIBSECTION dib = {};
    if (::GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib) return nullptr;
    return static_cast<BYTE*>(dib.dsBm.bmBits);
}

}  // namespace

std::vector<BYTE> ThumbnailRenderer::Pixels() {
    if (!MakePair()) return {};
    const BYTE* image = RowsOf(image_.Get());
    const BYTE* mask = RowsOf(mask_.Get());
    if (!image || !mask) return {};
    ::GdiFlush();  // whatever GDI still draws into them
    const size_t imageBytes = ImageBytes(pairSize_);
    std::vector<BYTE> pixels(imageBytes + MaskBytes(pairSize_));
    std::memcpy(pixels.data(), image, imageBytes);
    std::memcpy(pixels.data() + imageBytes, mask, MaskBytes(pairSize_));
    return pixels;
}

bool ThumbnailRenderer::Restore(const std::vector<BYTE>& pixels) {
    if (!MakePair()) return false;
    BYTE* image = RowsOf(image_.Get());
    BYTE* mask = RowsOf(mask_.Get());
    const size_t imageBytes = ImageBytes(pairSize_);
    if (!image || !mask || pixels.size() != imageBytes + MaskBytes(pairSize_)) return false;
    ::GdiFlush();
    std::memcpy(image, pixels.data(), imageBytes);
    std::memcpy(mask, pixels.data() + imageBytes, MaskBytes(pairSize_));
    return true;
}

int ThumbnailRenderer::AppendTo(HIMAGELIST list) {
    // ImageList_Add copies both bitmaps; a null pair is refused as before.
    return ImageList_Add(list, image_.Get(), mask_.Get());
}

HIMAGELIST CreateThumbnailImageList() {
    HIMAGELIST list = ImageList_Create(ThumbnailCellSize(), ThumbnailCellSize(), ILC_COLOR24 | ILC_MASK, 0,
                                       kImageListGrowth);
    if (!list) return nullptr;
    // Image 0 is never shown; it only makes thumbnail indices start at 1.
    // Shared icon from LoadIconA: not destroyed.
    HICON placeholder = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_THUMB_PLACEHOLDER));
    if (!placeholder || ImageList_ReplaceIcon(list, -1, placeholder) != 0) {
        ImageList_RemoveAll(list);
        LoadThumbnailPicture(list, std::string());
    }
    return list;
}

// Thumbnails are made on the user-interface thread; one renderer serves
// every fill, so its DCs and bitmaps are made once.
ThumbnailRenderer& SharedThumbnailRenderer() {
    static ThumbnailRenderer renderer;
    return renderer;
}

int LoadThumbnailPicture(HIMAGELIST list, const std::string& jpegPath) {
    ThumbnailRenderer& renderer = SharedThumbnailRenderer();
    renderer.Render(jpegPath);
    return renderer.AppendTo(list);
}

int LoadThumbnail(HIMAGELIST list, const std::string& framePath) {
    return LoadThumbnailPicture(list, ResolveThumbnailPath(framePath));
}
