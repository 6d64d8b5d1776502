#include "frames/Dib.h"

#include <algorithm>
#include <cstring>

#include "win/Handles.h"

namespace {

constexpr WORD kBmpSignature = 0x4D42;  // "BM"
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kCoreHeaderSize = 12;

bool ReadExact(HANDLE file, void* buffer, DWORD size) {
    DWORD got = 0;
    return ::ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

bool SeekTo(HANDLE file, LONGLONG position) {
    LARGE_INTEGER to;
    to.QuadPart = position;
    return ::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

// Bytes the pixel rows of a bottom-up BI_RGB image take, each row padded to 4 bytes.
ULONGLONG RowsSize(LONG width, LONG height, WORD bitCount) {
    const ULONGLONG stride = (static_cast<ULONGLONG>(width) * bitCount + 31) / 32 * 4;
    return stride * static_cast<ULONGLONG>(height);
}

bool IsStretchableBitCount(WORD bitCount) {
    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool LockedGlobalBlock::Allocate(SIZE_T size) {
    Release();
    HGLOBAL handle = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!handle) return false;
    data_ = ::GlobalLock(handle);
    if (!data_) {
        ::GlobalFree(handle);
        return false;
    }
    size_ = size;
    return true;
}

void LockedGlobalBlock::Release() {
    if (!data_) return;
    HGLOBAL handle = ::GlobalHandle(data_);
    ::GlobalUnlock(handle);
    ::GlobalFree(handle);
    data_ = nullptr;
    size_ = 0;
}

CDIB::~CDIB() {
    ReleaseData();
}

void CDIB::ReleaseData() {
    fileHeader_.Release();
    info_.Release();
    bits_.Release();
}

int CDIB::Read(HANDLE file) {
    ReleaseData();
    LARGE_INTEGER zero = {}, position;
    if (!::SetFilePointerEx(file, zero, &position, FILE_CURRENT)) return kDibReadError;
    const LONGLONG start = position.QuadPart;

    BITMAPFILEHEADER header;
    if (int result = ReadFileHeader(file, header)) return result;
    if (int result = ReadInfoHeader(file, header, start)) return result;
    return ReadBits(file, header, start);
}

int CDIB::ReadFileHeader(HANDLE file, BITMAPFILEHEADER& header) {
    if (!ReadExact(file, &header, kFileHeaderSize)) return kDibReadError;
    if (header.bfType != kBmpSignature) return kDibNotBmp;
    if (!fileHeader_.Allocate(kFileHeaderSize)) return kDibNoMemory;
    std::memcpy(fileHeader_.Get(), &header, kFileHeaderSize);
    return kDibOk;
}

int CDIB::ReadInfoHeader(HANDLE file, const BITMAPFILEHEADER& header, LONGLONG start) {
    // The size field tells the header apart; reading it alone keeps tiny OS/2
    // files (shorter than a 40-byte header) readable.
    DWORD headerSize = 0;
    if (!ReadExact(file, &headerSize, sizeof headerSize)) return kDibReadError;

    BITMAPINFOHEADER info = {};
    const bool isCore = headerSize == kCoreHeaderSize;
    if (isCore) {
        BITMAPCOREHEADER core;
        if (!SeekTo(file, start + kFileHeaderSize) || !ReadExact(file, &core, kCoreHeaderSize))
            return kDibReadError;
        info.biWidth = core.bcWidth;
        info.biHeight = core.bcHeight;
        info.biPlanes = core.bcPlanes;
        info.biBitCount = core.bcBitCount;
        info.biCompression = BI_RGB;
    } else if (headerSize >= kInfoHeaderSize) {
        // Later header versions begin with the 40-byte one; the colour table
        // follows the whole header.
        if (!SeekTo(file, start + kFileHeaderSize) || !ReadExact(file, &info, kInfoHeaderSize))
            return kDibReadError;
        if (headerSize > kInfoHeaderSize && !SeekTo(file, start + kFileHeaderSize + headerSize))
            return kDibReadError;
    } else {
        return kDibNotBmp;
    }
    info.biSize = kInfoHeaderSize;

    RGBQUAD table[256] = {};
    if (int result = ReadColorTable(file, table, info, isCore)) return result;
    if (header.bfSize <= header.bfOffBits) return kDibNotBmp;
    // Bits that begin inside the headers or the colour table are no picture.
    const ULONGLONG tableBytes = ColorCount(info) * (isCore ? 3ull : 4ull);
    if (header.bfOffBits < ULONGLONG{kFileHeaderSize} + headerSize + tableBytes) return kDibNotBmp;

    // The block holds at most 256 entries: GDI must not look for more.
    info.biClrUsed = std::min<DWORD>(info.biClrUsed, 256);
    if (!info_.Allocate(kInfoBlockSize)) return kDibNoMemory;
    std::memcpy(info_.Get(), &info, kInfoHeaderSize);
    std::memcpy(static_cast<BYTE*>(info_.Get()) + kInfoHeaderSize, table, sizeof table);
    return kDibOk;
}

int CDIB::ReadColorTable(HANDLE file, RGBQUAD* table, const BITMAPINFOHEADER& info, bool isCore) {
    const WORD count = ColorCount(info);
    if (!isCore) return ReadExact(file, table, count * sizeof(RGBQUAD)) ? kDibOk : kDibReadError;
    for (WORD i = 0; i < count; ++i) {
        BYTE bgr[3];
        if (!ReadExact(file, bgr, sizeof bgr)) return kDibReadError;
        table[i].rgbBlue = bgr[0];
        table[i].rgbGreen = bgr[1];
        table[i].rgbRed = bgr[2];
        table[i].rgbReserved = 0;
    }
    return kDibOk;
}

int CDIB::ReadBits(HANDLE file, const BITMAPFILEHEADER& header, LONGLONG start) {
    const DWORD size = header.bfSize - header.bfOffBits;
    // Never allocate for bytes the file does not have: a damaged bfSize
    // would otherwise ask for up to 4 GB.
    LARGE_INTEGER fileSize;
    if (!::GetFileSizeEx(file, &fileSize) || start + header.bfSize > fileSize.QuadPart) return kDibReadError;
    if (!bits_.Allocate(size)) return kDibNoMemory;
    if (!SeekTo(file, start + header.bfOffBits) || !ReadExact(file, bits_.Get(), size)) return kDibReadError;
    return kDibOk;
}

int CDIB::Load(const std::string& path) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return kDibReadError;
    return Read(file.Get());
}

DWORD CDIB::Stride(LONG width, WORD bitCount) {
    return static_cast<DWORD>((static_cast<ULONGLONG>(width) * bitCount + 31) / 32 * 4);
}

BYTE* CDIB::Create(LONG width, LONG height, WORD bitCount) {
    fileHeader_.Release();
    const ULONGLONG size = width > 0 && height > 0 ? RowsSize(width, height, bitCount) : 0;
    if (size == 0 || size > 0x7FFFFFFF || (bitCount != 8 && bitCount != 24) ||
        !info_.Reserve(kInfoBlockSize) || !bits_.Reserve(static_cast<SIZE_T>(size))) {
        ReleaseData();
        return nullptr;
    }
    auto* info = static_cast<BITMAPINFOHEADER*>(info_.Get());
    *info = BITMAPINFOHEADER{};
    info->biSize = kInfoHeaderSize;
    info->biWidth = width;
    info->biHeight = height;  // positive: rows bottom-up
    info->biPlanes = 1;
    info->biBitCount = bitCount;
    info->biCompression = BI_RGB;
    info->biSizeImage = static_cast<DWORD>(size);
    if (bitCount == 8) {
        info->biClrUsed = 256;
        RGBQUAD* table = reinterpret_cast<RGBQUAD*>(info + 1);
        for (int i = 0; i < 256; ++i)
            table[i].rgbBlue = table[i].rgbGreen = table[i].rgbRed = static_cast<BYTE>(i);
    }
    return static_cast<BYTE*>(bits_.Get());
}

WORD CDIB::ColorCount(const BITMAPINFOHEADER& info) {
    if (info.biClrUsed != 0) return static_cast<WORD>(std::min<DWORD>(info.biClrUsed, 256));
    switch (info.biBitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

const BITMAPINFOHEADER* CDIB::InfoHeader() const {
    return static_cast<const BITMAPINFOHEADER*>(info_.Get());
}

const BITMAPFILEHEADER* CDIB::FileHeader() const {
    return static_cast<const BITMAPFILEHEADER*>(fileHeader_.Get());
}

const RGBQUAD* CDIB::ColorTable() const {
    return info_.Get()
               ? reinterpret_cast<const RGBQUAD*>(static_cast<const BYTE*>(info_.Get()) + kInfoHeaderSize)
               : nullptr;
}

LONG CDIB::Width() const {
    return InfoHeader() ? InfoHeader()->biWidth : 0;
}

LONG CDIB::Height() const {
    return InfoHeader() ? InfoHeader()->biHeight : 0;
}

bool CDIB::IsDrawable() const {
    const BITMAPINFOHEADER* info = InfoHeader();
    if (!info || !bits_.Get()) return false;
    // Only bottom-up, uncompressed rows whose every byte is present: GDI
    // trusts the header and would read past the block otherwise.
    if (info->biWidth <= 0 || info->biHeight <= 0) return false;
    if (info->biCompression != BI_RGB || !IsStretchableBitCount(info->biBitCount)) return false;
    return RowsSize(info->biWidth, info->biHeight, info->biBitCount) <= bits_.Size();
}

bool CDIB::Draw(HDC dc, const RECT& rect, DWORD rop) const {
    if (!IsDrawable()) return false;
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    ::DPtoLP(dc, corners, 2);
    ::SetStretchBltMode(dc, COLORONCOLOR);
    const BITMAPINFOHEADER* info = InfoHeader();
    const int lines =
        ::StretchDIBits(dc, corners[0].x, corners[0].y, corners[1].x - corners[0].x,
                        corners[1].y - corners[0].y, 0, 0, info->biWidth, info->biHeight, bits_.Get(),
                        reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, rop);
    return lines > 0;
}
