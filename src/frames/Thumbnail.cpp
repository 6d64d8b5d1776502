#include "frames/Thumbnail.h"

#include "frames/FrameFile.h"
#include "frames/JpegToBmp.h"
#include "frames/ThumbnailRender.h"
#include "resource.h"

namespace {

constexpr char kTempFileName[] = "zelt.jpeg.temp";
constexpr int kImageListGrowth = 2000;
constexpr int kPictureInset = 2;  // transparent margin inside the fitted rectangle

// Decodes the JPEG through the temporary file; the file never outlives the call.
bool LoadPicture(const std::string& jpegPath, CDIB& dib) {
    const std::string tempPath = ThumbnailTempPath();
    if (tempPath.empty()) return false;
    // A stale file from an earlier run must not be taken for this picture,
    // so the load happens only after a successful decode.
    const bool loaded = JpegToBmp(jpegPath, tempPath) && dib.Load(tempPath) == kDibOk;
    ::DeleteFileA(tempPath.c_str());
    return loaded;
}

// A blank, fully transparent cell.
void AppendBlankImage(HIMAGELIST list) {
    win::Bitmap image, mask;
    RenderThumbnail(std::string(), image, mask);
    ImageList_Add(list, image.Get(), mask.Get());
}

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

RECT FitRect(const CDIB& dib, int size) {
    return FitRect(dib.Width(), dib.Height(), size);
}

std::string ThumbnailTempPath() {
    char folder[MAX_PATH] = {};
    const DWORD n = ::GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH || n + sizeof kTempFileName > MAX_PATH) return std::string();
    return std::string(folder, n) + kTempFileName;
}

int RenderThumbnail(const std::string& jpegPath, win::Bitmap& image, win::Bitmap& mask) {
    const int cell = ThumbnailCellSize();
    win::WindowDc screen(nullptr);
    win::MemoryDc imageDc(::CreateCompatibleDC(screen.Get()));
    win::MemoryDc maskDc(::CreateCompatibleDC(screen.Get()));
    image.Reset(::CreateCompatibleBitmap(screen.Get(), cell, cell));
    // A fresh memory DC holds a monochrome bitmap, so this mask is monochrome.
    mask.Reset(::CreateCompatibleBitmap(maskDc.Get(), cell, cell));
    if (!imageDc || !maskDc || !image || !mask) return 0;

    win::SelectObjectScope imageSelected(imageDc.Get(), image.Get());
    win::SelectObjectScope maskSelected(maskDc.Get(), mask.Get());
    ::PatBlt(imageDc.Get(), 0, 0, cell, cell, WHITENESS);
    ::PatBlt(maskDc.Get(), 0, 0, cell, cell, WHITENESS);
    ::SetStretchBltMode(imageDc.Get(), COLORONCOLOR);

    if (jpegPath.empty() || ::GetFileAttributesA(jpegPath.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
    CDIB dib;
    if (!LoadPicture(jpegPath, dib) || !dib.IsDrawable()) return 0;

    RECT picture = FitRect(dib, cell);
    const int inset = kPictureInset * cell / kThumbnailSize;
    ::InflateRect(&picture, -inset, -inset);
    if (!dib.Draw(imageDc.Get(), picture, SRCCOPY)) return 0;
    ::PatBlt(maskDc.Get(), picture.left, picture.top, picture.right - picture.left,
             picture.bottom - picture.top, BLACKNESS);
    return 1;
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
        AppendBlankImage(list);
    }
    return list;
}

int LoadThumbnail(HIMAGELIST list, const std::string& framePath) {
    win::Bitmap image, mask;
    RenderThumbnail(ResolveThumbnailPath(framePath), image, mask);
    // The image list copies both bitmaps; ours go with this scope.
    return ImageList_Add(list, image.Get(), mask.Get());
}
