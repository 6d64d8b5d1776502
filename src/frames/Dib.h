// CDIB: one uncompressed Windows BMP held in memory in the form StretchDIBits
// takes (info header with colour table, and the pixel bits), drawn scaled.
// Reads files with a BITMAPINFOHEADER (or a later header that begins with
// one) and OS/2 files with a 12-byte core header; the thumbnail decoder
// fills one in memory (Create).
#pragma once

#include <windows.h>

#include <string>

// Result codes of the reading operations.
enum DibResult : int {
    kDibOk = 0,
    kDibReadError = 1,  // cannot open, or fewer bytes than needed
    kDibNotBmp = 3,     // wrong signature, no room for pixel data, or bits inside the headers
    kDibNoMemory = 4,
};

// A block of movable global memory, kept locked while it is held.
class LockedGlobalBlock {
public:
    LockedGlobalBlock() = default;
    ~LockedGlobalBlock() { Release(); }
    LockedGlobalBlock(const LockedGlobalBlock&) = delete;
    LockedGlobalBlock& operator=(const LockedGlobalBlock&) = delete;

    // Zero-filled block of `size` bytes; false when out of memory.
    bool Allocate(SIZE_T size);
    // At least `size` bytes, keeping the block held (and its contents) when
    // it is large enough already.
    bool Reserve(SIZE_T size) { return (data_ && size_ >= size) || Allocate(size); }
    void Release();
    void* Get() const { return data_; }
    SIZE_T Size() const { return size_; }

private:
    void* data_ = nullptr;
    SIZE_T size_ = 0;
};

class CDIB {
public:
    static constexpr DWORD kInfoBlockSize = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

    CDIB() = default;
    virtual ~CDIB();
    CDIB(const CDIB&) = delete;
    CDIB& operator=(const CDIB&) = delete;

    // Reads the whole BMP at the current position of an open file.
    virtual int Read(HANDLE file);
    virtual int ReadFileHeader(HANDLE file, BITMAPFILEHEADER& header);
    virtual int ReadInfoHeader(HANDLE file, const BITMAPFILEHEADER& header, LONGLONG start);
    // `table` has room for 256 entries.
    virtual int ReadColorTable(HANDLE file, RGBQUAD* table, const BITMAPINFOHEADER& info, bool isCore);
    virtual int ReadBits(HANDLE file, const BITMAPFILEHEADER& header, LONGLONG start);

    int Load(const std::string& path);
    // Lets go of the held image.
    void Clear() { ReleaseData(); }
    // Makes a bottom-up BI_RGB image of width x height (24 bits, or 8 bits
    // with a grey colour table) and returns its writable rows, each padded to
    // 4 bytes; null for a size that cannot be held. The blocks of the image
    // held before are reused when large enough, so the rows are not cleared.
    BYTE* Create(LONG width, LONG height, WORD bitCount);
    // Bytes from one row of the held image to the next.
    static DWORD Stride(LONG width, WORD bitCount);
    // Draws the whole image stretched into `rect`; false when nothing was drawn.
    bool Draw(HDC dc, const RECT& rect, DWORD rop) const;
    // Whether the held image can be drawn without reading past its bits.
    bool IsDrawable() const;

    // Colour-table entries of an info header, at most 256.
    static WORD ColorCount(const BITMAPINFOHEADER& info);

    // Null until an info header was read.
    const BITMAPINFOHEADER* InfoHeader() const;
    const BITMAPFILEHEADER* FileHeader() const;
    const RGBQUAD* ColorTable() const;
    const BYTE* Bits() const { return static_cast<const BYTE*>(bits_.Get()); }
    SIZE_T BitsSize() const { return bits_.Size(); }
    LONG Width() const;
    LONG Height() const;

private:
    void ReleaseData();

    LockedGlobalBlock fileHeader_;
    LockedGlobalBlock info_;
    LockedGlobalBlock bits_;
};
