#include "frames/JpegEntropyCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int kMaxComponents = 4;  // in a frame this check follows
constexpr int kMaxBlocksInMcu = 10;
// Larger pictures are left to libjpeg (a progressive one needs 8 bytes a
// block here); no thumbnail comes near.
constexpr long long kMaxPixels = 1ll << 26;
// The largest magnitude an 8-bit sample's DCT coefficient can have (the DC
// term of a block of 0 or 255 is 8 x 128); rounding adds at most half a step.
constexpr int kMaxCoefficient = 1024;
// How far past 0..255 a valid picture's samples may ring, at least.
constexpr int kMinOvershoot = 96;

// A Huffman table ready for decoding: codes of up to kLookBits bits in one
// look-up, longer ones by their length as in the standard's F.2.2.3.
constexpr int kLookBits = 10;

struct HuffTable {
    bool defined = false;
    // symbol << 8 | the bits it takes: its code and the magnitude bits that
    // follow (the symbol's low four bits); 0 for a longer code.
    uint16_t look[1 << kLookBits];
    int32_t maxCode[18];  // the largest code of each length, -1 for none
    int32_t valueOffset[18];
    uint8_t values[256];
};

// False for a table libjpeg refuses too: more codes than their lengths allow
// (the code of all ones is never one).
bool BuildTable(const uint8_t* counts, const uint8_t* symbols, int total, HuffTable* t) {
    for (int32_t& m : t->maxCode) m = -1;
    for (uint16_t& e : t->look) e = 0;
    int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        const int n = counts[length - 1];
        if (n && code + n >= (1 << length)) return false;
        t->valueOffset[length] = index - code;
        for (int i = 0; i < n; ++i, ++code, ++index)
            if (length <= kLookBits) {
                const int shift = kLookBits - length;
                for (int fill = 0; fill < (1 << shift); ++fill)
                    t->look[(code << shift) | fill] =
                        static_cast<uint16_t>(symbols[index] << 8 | (length + (symbols[index] & 15)));
            }
        if (n) t->maxCode[length] = code - 1;
        code <<= 1;
    }
    for (int i = 0; i < total; ++i) t->values[i] = symbols[i];
    t->maxCode[17] = INT32_MAX;
    t->defined = true;
    return true;
}

// The entropy-coded bits of one segment, stuffed zero bytes removed. Past the
// marker that ends the segment it gives zero bits and counts them: a decoder
// that takes them has run out of data.
struct Bits {
    uint64_t buffer = 0;  // the low `count` bits are the next ones
    int count = 0;
    int fake = 0;
    const uint8_t* begin;  // the segment's first byte
    const uint8_t* at;
    const uint8_t* end;
};

// Byte by byte, at a 0xFF or near the end. By value, so that the callers'
// readers can stay in registers.
Bits RefillSlowly(Bits b) {
    while (b.count <= 56) {
        if (b.at < b.end && *b.at != 0xFF) {
            b.buffer = b.buffer << 8 | *b.at++;
        } else if (b.end - b.at >= 2 && b.at[1] == 0) {
            b.buffer = b.buffer << 8 | 0xFF;
            b.at += 2;
        } else {
            b.buffer <<= 8;
            b.fake += 8;
        }
        b.count += 8;
    }
    return b;
}

// Fills the buffer to at least 57 bits, whole bytes at once when the next
// eight hold no 0xFF.
inline void Refill(Bits& b) {
    if (b.end - b.at >= 8) {
        const uint8_t* p = b.at;
        const uint64_t word = static_cast<uint64_t>(p[0]) << 56 | static_cast<uint64_t>(p[1]) << 48 |
                              static_cast<uint64_t>(p[2]) << 40 | static_cast<uint64_t>(p[3]) << 32 |
                              static_cast<uint64_t>(p[4]) << 24 | static_cast<uint64_t>(p[5]) << 16 |
                              static_cast<uint64_t>(p[6]) << 8 | p[7];
        const uint64_t inverse = ~word;  // a zero byte where the data has 0xFF
        if (((inverse - 0x0101010101010101ull) & ~inverse & 0x8080808080808080ull) == 0) {
            const int bytes = (64 - b.count) >> 3;
            b.buffer = bytes == 8 ? word : b.buffer << (8 * bytes) | word >> (64 - 8 * bytes);
            b.at += bytes;
            b.count += 8 * bytes;
            return;
        }
    }
    b = RefillSlowly(b);
}

inline uint32_t Peek(const Bits& b, int n) {
    return static_cast<uint32_t>(b.buffer >> (b.count - n)) & ((1u << n) - 1);
}

// What DecodeSymbol gives for a code the table lacks: a magnitude category
// no coefficient can have.
constexpr int kBadCode = 0x0F00;

// The next code's symbol << 8 | the bits it takes with its magnitude bits,
// which are left in the buffer. Needs 31 bits.
inline int DecodeSymbol(Bits& b, const HuffTable& t) {
    const uint16_t e = t.look[Peek(b, kLookBits)];
    if (e) return e;
    for (int length = kLookBits + 1; length <= 16; ++length) {
        const int32_t code = static_cast<int32_t>(Peek(b, length));
        if (code <= t.maxCode[length]) {
            const int symbol = t.values[(t.valueOffset[length] + code) & 0xFF];
            return symbol << 8 | (length + (symbol & 15));
        }
    }
    return kBadCode;
}

// The byte that holds the last bit a segment's blocks took: back from
// `b.at` past the whole bytes left unread, a stuffed 0xFF taking two.
uint8_t LastByteTaken(const Bits& b) {
    const int real = b.count - b.fake;
    const uint8_t* p = b.at;
    for (int i = 0; i < real / 8; ++i) p -= p - b.begin >= 2 && p[-1] == 0 && p[-2] == 0xFF ? 2 : 1;
    if (p == b.begin) return 0xFF;  // nothing taken
    return p - b.begin >= 2 && p[-1] == 0 && p[-2] == 0xFF ? 0xFF : p[-1];
}

// After a segment's last block: whether what is left before the marker that
// ends it (whole bytes left in the buffer, stray bytes) is padding. `*marker`
// gets the marker's first 0xFF, or the end of the data.
bool OnlyPaddingLeft(Bits b, const uint8_t** marker) {
    const int real = b.count - b.fake;
    size_t left = real > 7 ? static_cast<size_t>(real / 8) : 0;
    const uint64_t wholeBytes = left == 8 ? b.buffer : (b.buffer >> b.fake) & ((1ull << (8 * left)) - 1);
    // An encoder fills the last byte of a segment with ones, a few with
    // zeros; a decoder out of step stops anywhere in a byte, before bits of
    // every kind. A decoder that read zeros as data (a run of the picture
    // lost to zeros) stops inside them, in a byte of zeros: taken for zero
    // fill, unless the byte holds a one.
    const int fill = real > 0 ? real % 8 : 0;
    const uint32_t fillBits = fill ? Peek(b, fill) : 0;
    const bool onesFill = fillBits == (1u << fill) - 1;
    if (!onesFill && (fillBits != 0 || LastByteTaken(b) == 0)) return false;
    // Zero padding follows data whose last byte an encoder filled with ones
    // (or that ended on a byte's end: flat blocks code as zeros in many
    // tables, so the data's last bytes may be zeros too).
    bool zeros = wholeBytes == 0 && onesFill;
    while (b.at < b.end && !(b.at[0] == 0xFF && b.end - b.at >= 2 && b.at[1] != 0)) {
        zeros = zeros && b.at[0] == 0;
        ++left;
        b.at += b.at[0] == 0xFF ? 2 : 1;
    }
    // Zero-filling encoders add nothing after their data.
    if (!onesFill && left > 0) return false;
    *marker = b.at;
    while (b.end - b.at >= 2 && b.at[1] == 0xFF) ++b.at;  // fill bytes
    return IsJpegPadding(left, zeros, b.end - b.at >= 2 ? b.at[1] : 0xD9);
}

struct Component {
    int id, h, v, quantTable;
    int widthInBlocks, heightInBlocks;
    // Progressive: for each block, which coefficients (by zigzag position)
    // earlier scans made nonzero; a refinement scan reads a bit for each.
    std::vector<uint64_t> nonzero;
};

// The DC level of every MCU of a frame coded in one sequential scan, per
// component: the mean of the component's blocks in the MCU, in samples.
// Damage after which the decoder falls back into step within a block or two
// leaves every later block of the restart interval whole but for its DC: a
// damaged difference moved the prediction, and each block after it carries
// the same offset. The picture then shows a run of blocks, from a point in a
// row of MCUs to the end of the interval, lighter, darker or off in colour.
// Larger pictures are not searched for a shifted run: their levels and sums
// would take tens of megabytes.
constexpr long long kMaxDcLevels = 1 << 18;

struct DcLevels {
    bool kept = false;  // one sequential scan of every component, followed whole
    int mcusPerRow = 0;
    long long mcus = 0;
    long long interval = 0;  // MCUs of a restart interval, or of the picture
    int components = 0;
    // The levels, and the sums and counts of the steps between them that the
    // search for a shifted run makes: kept by each thread from one picture to
    // the next, as new memory for each costs more than the search.
    struct Buffers {
        std::vector<float> level[kMaxComponents];
        std::vector<double> sums[kMaxComponents];
        std::vector<int> rising[kMaxComponents], falling[kMaxComponents];
    };
    Buffers& buffers = ThreadBuffers();

    static Buffers& ThreadBuffers() {
        thread_local Buffers buffers;
        return buffers;
    }
    // What a large picture took goes back at once.
    ~DcLevels() {
        if (buffers.level[0].capacity() <= (1u << 16)) return;
        for (int c = 0; c < kMaxComponents; ++c) {
            buffers.level[c] = {};
            buffers.sums[c] = {};
            buffers.rising[c] = {};
            buffers.falling[c] = {};
        }
    }
};

struct Frame {
    HuffTable dc[4], ac[4];
    int quant[4][64] = {};  // steps in zigzag order, 0 until defined
    int width = 0, height = 0, components = 0, maxH = 1, maxV = 1;
    Component comp[kMaxComponents];
    unsigned restartInterval = 0;
    bool defined = false;
    bool progressive = false;
    DcLevels dcLevels;
};

uint16_t Word(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

int CeilDiv(long long a, long long b) {
    return static_cast<int>((a + b - 1) / b);
}

bool ReadDht(Frame& f, const uint8_t* p, size_t length) {
    while (length >= 17) {
        const int index = p[0];
        int total = 0;
        for (int i = 1; i <= 16; ++i) total += p[i];
        if (total > 256 || static_cast<size_t>(total) > length - 17 || (index & 0x0F) > 3 || (index & 0xE0))
            return false;
        HuffTable& t = (index & 0x10) ? f.ac[index & 3] : f.dc[index & 3];
        if (!BuildTable(p + 1, p + 17, total, &t)) return false;
        p += 17 + total;
        length -= 17 + static_cast<size_t>(total);
    }
    return length == 0;
}

bool ReadDqt(Frame& f, const uint8_t* p, size_t length) {
    while (length > 0) {
        const int precision = p[0] >> 4, index = p[0] & 0x0F;
        const size_t bytes = precision ? 129 : 65;
        if (index > 3 || precision > 1 || length < bytes) return false;
        for (int k = 0; k < 64; ++k) f.quant[index][k] = precision ? Word(p + 1 + 2 * k) : p[1 + k];
        p += bytes;
        length -= bytes;
    }
    return true;
}

// A baseline, extended sequential or progressive Huffman-coded frame of
// 8-bit samples; false for any other (the check then leaves the picture to
// libjpeg).
bool ReadSof(Frame& f, bool progressive, const uint8_t* p, size_t length) {
    if (f.defined || length < 6 || p[0] != 8) return false;
    f.progressive = progressive;
    f.height = Word(p + 1);
    f.width = Word(p + 3);
    f.components = p[5];
    if (f.height == 0 || f.width == 0 || static_cast<long long>(f.width) * f.height > kMaxPixels ||
        f.components < 1 || f.components > kMaxComponents ||
        length < 6 + 3 * static_cast<size_t>(f.components))
        return false;
    for (int i = 0; i < f.components; ++i) {
        Component& c = f.comp[i];
        c.id = p[6 + 3 * i];
        c.h = p[7 + 3 * i] >> 4;
        c.v = p[7 + 3 * i] & 0x0F;
        c.quantTable = p[8 + 3 * i];
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quantTable > 3) return false;
        if (c.h > f.maxH) f.maxH = c.h;
        if (c.v > f.maxV) f.maxV = c.v;
    }
    for (int i = 0; i < f.components; ++i) {
        Component& c = f.comp[i];
        c.widthInBlocks = CeilDiv(CeilDiv(static_cast<long long>(f.width) * c.h, f.maxH), 8);
        c.heightInBlocks = CeilDiv(CeilDiv(static_cast<long long>(f.height) * c.v, f.maxV), 8);
    }
    f.defined = true;
    return true;
}

// The kinds of scan: a sequential frame's, and the four of a progressive one.
enum class ScanKind { kSequential, kDcFirst, kDcRefine, kAcFirst, kAcRefine };

struct ScanComponent {
    const HuffTable* dc;
    const HuffTable* ac;
    Component* frame;
    int maxDc;  // the largest DC value the scan can code, in its units
    // A sequential scan's steps (zigzag order), and how far past 0..255 its
    // samples may reach: quantisation makes a valid picture ring at hard
    // edges, by less than three mean steps (and less than 96), and a block
    // decoded from another block's bits, or a run of blocks whose DC a
    // damaged difference shifted, reaches further.
    const int* steps;
    int sampleLimit;  // in samples, around the level shift of 128
    // Where a sequential scan of every component keeps each MCU's DC level,
    // and what a block's DC adds to it; null for other scans.
    float* dcLevel;
    float dcScale;
    // The largest magnitude category the scan can code for the coefficient
    // at each zigzag position; 0 past the end of its band, where a run that
    // overshoots lands.
    uint8_t maxSize[64 + 16];
};

struct Scan {
    ScanKind kind;
    int ss, se, al;
    int components;
    ScanComponent comp[kMaxComponents];
    int owner[kMaxBlocksInMcu];  // the scan component of each block of an MCU
    int blocksInMcu;
    long long mcus;
};

// Reads a scan header; kWhole when the check can follow the scan.
JpegEntropyCheck ReadScanHeader(Frame& f, const uint8_t* p, size_t length, Scan* scan) {
    const int n = length ? p[0] : 0;
    if (!f.defined || n < 1 || n > kMaxComponents || length != 4 + 2 * static_cast<size_t>(n))
        return JpegEntropyCheck::kNotChecked;
    const uint8_t* spectral = p + 1 + 2 * n;
    const int ss = spectral[0], se = spectral[1], ah = spectral[2] >> 4, al = spectral[2] & 15;
    scan->ss = ss;
    scan->se = se;
    scan->al = al;
    scan->components = n;
    if (!f.progressive) {
        if (ss != 0 || se != 63 || ah != 0 || al != 0) return JpegEntropyCheck::kNotChecked;
        scan->kind = ScanKind::kSequential;
    } else {
        // Parameters libjpeg refuses are left to it.
        if (ss == 0 ? se != 0 : (se < ss || se > 63 || n != 1)) return JpegEntropyCheck::kNotChecked;
        if ((ah != 0 && al != ah - 1) || al > 13) return JpegEntropyCheck::kNotChecked;
        scan->kind = ss == 0 ? (ah ? ScanKind::kDcRefine : ScanKind::kDcFirst)
                             : (ah ? ScanKind::kAcRefine : ScanKind::kAcFirst);
    }
    const bool usesDc = scan->kind == ScanKind::kSequential || scan->kind == ScanKind::kDcFirst;
    const bool usesAc = scan->kind != ScanKind::kDcFirst && scan->kind != ScanKind::kDcRefine;
    for (int i = 0; i < n; ++i) {
        ScanComponent& c = scan->comp[i];
        const int id = p[1 + 2 * i], tables = p[2 + 2 * i];
        c.frame = nullptr;
        for (int k = 0; k < f.components; ++k)
            if (f.comp[k].id == id) c.frame = &f.comp[k];
        if (!c.frame) return JpegEntropyCheck::kNotChecked;
        // A table the file never defined: libjpeg would take its standard
        // one and read the picture's codes as another table's.
        if ((usesDc && ((tables >> 4) > 3 || !f.dc[tables >> 4].defined)) ||
            (usesAc && ((tables & 15) > 3 || !f.ac[tables & 15].defined)))
            return JpegEntropyCheck::kDamaged;
        c.dc = &f.dc[(tables >> 4) & 3];
        c.ac = &f.ac[tables & 3];
        const int* steps = f.quant[c.frame->quantTable];
        for (int k = 0; k < 64; ++k) {
            if (steps[k] <= 0) return JpegEntropyCheck::kNotChecked;
            int size = 1;
            while (size < 15 && (1 << size) * steps[k] <= kMaxCoefficient + steps[k]) ++size;
            // A progressive scan codes the value shifted right by Al.
            c.maxSize[k] = static_cast<uint8_t>(k >= ss && k <= se && size > al ? size - al : 0);
        }
        for (int k = 64; k < 64 + 16; ++k) c.maxSize[k] = 0;
        c.maxDc = ((kMaxCoefficient + steps[0]) / steps[0]) >> al;
        c.steps = steps;
        int sum = 0;
        for (int k = 0; k < 64; ++k) sum += steps[k];
        c.sampleLimit = 128 + (3 * sum / 64 > kMinOvershoot ? 3 * sum / 64 : kMinOvershoot);
        if (usesAc && f.progressive && c.frame->nonzero.empty())
            c.frame->nonzero.assign(static_cast<size_t>(c.frame->widthInBlocks) * c.frame->heightInBlocks, 0);
    }

    scan->blocksInMcu = 0;
    if (n == 1) {
        scan->owner[scan->blocksInMcu++] = 0;
        scan->mcus =
            static_cast<long long>(scan->comp[0].frame->widthInBlocks) * scan->comp[0].frame->heightInBlocks;
    } else {
        for (int i = 0; i < n; ++i)
            for (int b = 0; b < scan->comp[i].frame->h * scan->comp[i].frame->v; ++b) {
                if (scan->blocksInMcu == kMaxBlocksInMcu) return JpegEntropyCheck::kNotChecked;
                scan->owner[scan->blocksInMcu++] = i;
            }
        scan->mcus = static_cast<long long>(CeilDiv(f.width, 8 * f.maxH)) * CeilDiv(f.height, 8 * f.maxV);
    }
    return JpegEntropyCheck::kWhole;
}

inline int Extend(int bits, int size) {
    return bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
}

// One block's DC difference; false for one no picture has.
inline bool ReadDc(Bits& bits, const ScanComponent& c, int& pred) {
    if (bits.count < 32) Refill(bits);
    const int dc = DecodeSymbol(bits, *c.dc);
    const int size = dc >> 8;
    if (size > 11) return false;
    if (size) {
        pred += Extend(static_cast<int>(Peek(bits, dc & 0xFF)) & ((1 << size) - 1), size);
        if (pred > c.maxDc || pred < -c.maxDc) return false;
    }
    bits.count -= dc & 0xFF;
    return true;
}

// The AC coefficients a sequential block codes, and the most they can move
// a sample: a sample is its DC / 8 plus at most a quarter of each AC term.
struct AcTerms {
    int count = 0;
    int amplitude = 0;     // the sum of |coefficient x step|
    uint8_t position[63];  // zigzag
    int value[63];
};

// A sequential block's AC coefficients, their amplitude and, with kKeep,
// each term: false for a run past the 64th coefficient or a value no picture
// has.
template <bool kKeep>
inline bool ReadAc(Bits& bits, const ScanComponent& c, AcTerms& terms) {
    for (int k = 1; k < 64; ++k) {
        if (bits.count < 32) Refill(bits);
        const int ac = DecodeSymbol(bits, *c.ac);
        if (ac & 0xF00) {
            k += ac >> 12;
            const int size = (ac >> 8) & 15;
            if (size > c.maxSize[k]) return false;
            const int value = Extend(static_cast<int>(Peek(bits, ac & 0xFF)) & ((1 << size) - 1), size);
            if (kKeep) {
                terms.position[terms.count] = static_cast<uint8_t>(k);
                terms.value[terms.count++] = value;
            }
            terms.amplitude += (value < 0 ? -value : value) * c.steps[k];
        } else if (ac >> 8 == 0xF0) {
            k += 15;
            if (k > 63) return false;
        } else {
            bits.count -= ac & 0xFF;
            break;
        }
        bits.count -= ac & 0xFF;
    }
    return true;
}

constexpr uint8_t kNaturalOrder[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                       12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                       35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                       58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Whether a sequential block's samples stay within the component's limit,
// by the inverse DCT of its terms.
bool WithinSampleRange(const ScanComponent& c, int dc, const AcTerms& terms) {
    const int limit = c.sampleLimit;
    const int mean8 = dc * c.steps[0];  // x 8
    static const struct Basis {
        float cosine[8][8];  // [x][u]: C(u) cos((2x + 1) u pi / 16) / 2
        Basis() {
            for (int x = 0; x < 8; ++x)
                for (int u = 0; u < 8; ++u)
                    cosine[x][u] =
                        static_cast<float>((u ? 1.0 : 0.70710678118654752) *
                                           std::cos((2 * x + 1) * u * 3.14159265358979324 / 16) / 2);
        }
    } basis;
    // Rows first, from the coded terms only: rows[v][x].
    float rows[8][8] = {};
    for (int x = 0; x < 8; ++x) rows[0][x] = basis.cosine[x][0] * static_cast<float>(mean8);
    for (int i = 0; i < terms.count; ++i) {
        const int natural = kNaturalOrder[terms.position[i]];
        const float f = static_cast<float>(terms.value[i] * c.steps[terms.position[i]]);
        for (int x = 0; x < 8; ++x) rows[natural / 8][x] += basis.cosine[x][natural % 8] * f;
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            float sample = 0;
            for (int v = 0; v < 8; ++v) sample += basis.cosine[y][v] * rows[v][x];
            if (sample > static_cast<float>(limit - 1) || sample < static_cast<float>(-limit)) return false;
        }
    return true;
}

// A block of a sequential scan: its codes, and its samples within the
// component's limit. Most blocks are settled by the bound; the rest are read
// again, term by term, for the inverse DCT.
bool ReadSequentialBlock(Bits& bits, const ScanComponent& c, int& pred) {
    if (!ReadDc(bits, c, pred)) return false;
    const Bits start = bits;
    AcTerms terms;
    if (!ReadAc<false>(bits, c, terms)) return false;
    if (std::abs(pred * c.steps[0]) + 2 * terms.amplitude < 8 * c.sampleLimit) return true;
    Bits again = start;
    terms = AcTerms();
    return ReadAc<true>(again, c, terms) && WithinSampleRange(c, pred, terms);
}

// A block of a progressive AC first scan, as libjpeg reads it.
bool ReadAcFirst(Bits& bits, const Scan& scan, const ScanComponent& c, uint64_t& nonzero, unsigned& eobRun) {
    if (eobRun > 0) {
        --eobRun;
        return true;
    }
    for (int k = scan.ss; k <= scan.se; ++k) {
        if (bits.count < 32) Refill(bits);
        const int ac = DecodeSymbol(bits, *c.ac);
        bits.count -= ac & 0xFF;
        const int run = ac >> 12, size = (ac >> 8) & 15;
        if (size) {
            k += run;
            if (size > c.maxSize[k]) return false;
            nonzero |= 1ull << k;
        } else if (run == 15) {
            k += 15;
            if (k > scan.se) return false;
        } else {
            eobRun = 1u << run;
            if (run) {
                eobRun += Peek(bits, run);
                bits.count -= run;
            }
            --eobRun;
            break;
        }
    }
    return true;
}

// A block of a progressive AC refinement scan, as libjpeg reads it: a
// correction bit for every coefficient an earlier scan made nonzero, and
// new coefficients of magnitude 1.
bool ReadAcRefine(Bits& bits, const Scan& scan, const ScanComponent& c, uint64_t& nonzero, unsigned& eobRun) {
    int k = scan.ss;
    if (eobRun == 0) {
        for (; k <= scan.se; ++k) {
            if (bits.count < 32) Refill(bits);
            const int ac = DecodeSymbol(bits, *c.ac);
            bits.count -= ac & 0xFF;
            int run = ac >> 12;
            const int size = (ac >> 8) & 15;
            if (size > 1) return false;  // the magnitude bits were taken above; only the sign follows
            if (size == 0 && run != 15) {
                eobRun = 1u << run;
                if (run) {
                    if (bits.count < 32) Refill(bits);
                    eobRun += Peek(bits, run);
                    bits.count -= run;
                }
                break;
            }
            bool placed = false;
            while (k <= scan.se) {
                if (bits.count < 32) Refill(bits);
                if (nonzero >> k & 1) {
                    bits.count -= 1;  // correction bit
                } else if (--run < 0) {
                    placed = true;
                    break;
                }
                ++k;
            }
            if (!placed) return false;  // a run past the end of the band
            if (size) nonzero |= 1ull << k;
        }
    }
    if (eobRun > 0) {
        for (; k <= scan.se; ++k)
            if (nonzero >> k & 1) {
                if (bits.count < 32) Refill(bits);
                bits.count -= 1;
            }
        --eobRun;
    }
    return true;
}

// A run shifted by at least this many levels in some colour channel shows.
constexpr float kShiftLevels = 20;
// A component's shift counts from this many levels on.
constexpr float kComponentShift = 4;
// The fewest MCUs along a run's edge that can tell an offset from what a
// small picture has (a pattern of a few blocks).
constexpr long long kMinEdge = 8;
// The share of the run's edge a constant offset must explain.
constexpr float kExplained = 0.75f;

// The vertical steps along the edge of the run of MCUs from `s` to `e`:
// between each MCU of its first row of columns and the MCU above, and
// between each MCU below its last row of columns and the MCU above that,
// signed so that a run offset by c gives steps of c plus what the picture
// has there.
void EdgeSteps(const std::vector<float>& level, long long w, long long n, long long s, long long e,
               std::vector<float>* steps) {
    auto step = [&level, w](long long m) {
        return level[static_cast<size_t>(m)] - level[static_cast<size_t>(m - w)];
    };
    steps->clear();
    for (long long m = std::max(s, w); m < std::min(s + w, e); ++m) steps->push_back(step(m));
    for (long long m = std::max(e, s + w); m < std::min(e + w, n); ++m) steps->push_back(-step(m));
}

struct EdgeFit {
    float offset = 0;     // the median step
    float explained = 0;  // what the offset takes off the steps' sizes, in levels
    size_t steps = 0;
};

EdgeFit FitEdge(const std::vector<float>& level, long long w, long long n, long long s, long long e,
                std::vector<float>* steps, std::vector<float>* sorted) {
    EdgeFit fit;
    EdgeSteps(level, w, n, s, e, steps);
    fit.steps = steps->size();
    if (steps->empty()) return fit;
    sorted->assign(steps->begin(), steps->end());
    std::nth_element(sorted->begin(), sorted->begin() + static_cast<long>(sorted->size() / 2), sorted->end());
    fit.offset = (*sorted)[sorted->size() / 2];
    for (const float step : *steps) fit.explained += std::fabs(step) - std::fabs(step - fit.offset);
    return fit;
}

// The largest change a run's offsets make to a red, green or blue sample.
float ShiftInLevels(const float* offset, int components) {
    if (components < 3) return std::fabs(offset[0]);
    const float y = offset[0], cb = offset[1], cr = offset[2];
    return std::max(
        {std::fabs(y + 1.402f * cr), std::fabs(y - 0.344f * cb - 0.714f * cr), std::fabs(y + 1.772f * cb)});
}

// Whether a run of MCUs, from inside a row of MCUs to the end of its restart
// interval, is offset from the picture around it by a constant that shows.
// The offset must hold along a whole row's width of the run's edge (an
// object's edge is narrower), explain most of it, and explain it better than
// an edge between two whole rows of MCUs would (a horizon, a band).
bool HasShiftedRun(const DcLevels& d) {
    const long long w = d.mcusPerRow, n = d.mcus;
    if (!d.kept || w < 2 || n < 2 * w) return false;
    // Sums of the steps between each MCU and the one above: a quick look at
    // each run's mean step, before the median of the few that may show.
    // And counts of the steps that rise and that fall: most of an offset
    // run's edge steps one way.
    std::vector<double>* sums = d.buffers.sums;
    std::vector<int>*rising = d.buffers.rising, *falling = d.buffers.falling;
    for (int c = 0; c < d.components; ++c) {
        const std::vector<float>& level = d.buffers.level[c];
        sums[c].resize(static_cast<size_t>(n + 1));
        rising[c].resize(static_cast<size_t>(n + 1));
        falling[c].resize(static_cast<size_t>(n + 1));
        sums[c][0] = 0;
        rising[c][0] = falling[c][0] = 0;
        for (long long m = 0; m < n; ++m) {
            const size_t i = static_cast<size_t>(m);
            const float step = m >= w ? level[i] - level[static_cast<size_t>(m - w)] : 0;
            sums[c][i + 1] = sums[c][i] + step;
            rising[c][i + 1] = rising[c][i] + (step > kComponentShift / 2);
            falling[c][i + 1] = falling[c][i] + (step < -kComponentShift / 2);
        }
    }
    auto sum = [&](int c, long long from, long long to) {
        return to > from ? sums[c][static_cast<size_t>(to)] - sums[c][static_cast<size_t>(from)] : 0.0;
    };
    auto count = [](const std::vector<int>& counts, long long from, long long to) {
        return to > from ? counts[static_cast<size_t>(to)] - counts[static_cast<size_t>(from)] : 0;
    };
    auto end = [&](long long s) { return std::min(n, (s / d.interval + 1) * d.interval); };
    std::vector<float> scratch, sorted;
    for (long long s = w; s < n; ++s) {
        const long long column = s % w, e = end(s);
        // A run from an interval's first MCU is no offset: the prediction
        // starts again there. Without restarts, a run from a row's start has
        // the edge a band of the picture has.
        if (s % d.interval == 0 || (column == 0 && d.interval == n)) continue;
        const long long top = std::min(s + w, e) - s;
        const long long bottomFrom = std::max(e, s + w), bottomTo = std::min(e + w, n);
        const long long steps = top + std::max(0ll, bottomTo - bottomFrom);
        if (steps < std::max(kMinEdge, w)) continue;
        // The edge's mean step beyond that of the steps a row above it: a
        // gradient steps alike everywhere.
        float mean[kMaxComponents] = {};
        for (int c = 0; c < d.components; ++c)
            mean[c] =
                static_cast<float>((sum(c, s, s + top) - sum(c, s - w, s - w + top) -
                                    sum(c, bottomFrom, bottomTo) + sum(c, bottomFrom - w, bottomTo - w)) /
                                   steps);
        if (ShiftInLevels(mean, d.components) < kShiftLevels * 3 / 4) continue;
        int largest = 0;
        for (int c = 1; c < d.components; ++c)
            if (std::fabs(mean[c]) > std::fabs(mean[largest])) largest = c;
        const std::vector<int>& up = mean[largest] > 0 ? rising[largest] : falling[largest];
        const std::vector<int>& down = mean[largest] > 0 ? falling[largest] : rising[largest];
        if (2 * (count(up, s, s + top) + count(down, bottomFrom, bottomTo)) < steps) continue;

        float offset[kMaxComponents] = {}, explainedBy[kMaxComponents] = {};
        bool explained = true;
        for (int c = 0; c < d.components && explained; ++c) {
            const EdgeFit fit = FitEdge(d.buffers.level[c], w, n, s, e, &scratch, &sorted);
            offset[c] = fit.offset;
            explainedBy[c] = fit.explained;
            explained = std::fabs(fit.offset) < kComponentShift ||
                        fit.explained >= kExplained * static_cast<float>(fit.steps) * std::fabs(fit.offset);
        }
        if (!explained || ShiftInLevels(offset, d.components) < kShiftLevels) continue;
        // The edges between whole rows: at the start of the run's row, and at
        // the start of the next.
        const long long row = s - column;
        for (int c = 0; c < d.components; ++c) {
            if (std::fabs(offset[c]) < kComponentShift) continue;
            float rowEdge = FitEdge(d.buffers.level[c], w, n, row, end(row), &scratch, &sorted).explained;
            if (row + w < n)
                rowEdge = std::max(
                    rowEdge,
                    FitEdge(d.buffers.level[c], w, n, row + w, end(row + w), &scratch, &sorted).explained);
            // A run's edge is a whole row's edge but for the columns of the
            // run's first row, where the offset steps a row lower.
            const float margin =
                0.5f * std::fabs(offset[c]) * static_cast<float>(std::min(column, w - column));
            if (explainedBy[c] > rowEdge + margin) return true;
        }
    }
    return false;
}

// One scan's data from `data`, each block read by `readBlock(bits, scan
// component, block index, DC prediction, end-of-band run)`. kWhole leaves
// `*next` on the marker that ends it.
template <typename ReadBlock>
JpegEntropyCheck ReadScanData(const Frame& f, const Scan& scan, const uint8_t* data, const uint8_t* end,
                              const uint8_t** next, ReadBlock readBlock) {
    Bits bits;
    bits.begin = bits.at = data;
    bits.end = end;
    int pred[kMaxComponents] = {0, 0, 0, 0};
    unsigned eobRun = 0;
    unsigned toRestart = f.restartInterval;
    int restart = 0;
    for (long long mcu = 0; mcu < scan.mcus; ++mcu) {
        if (f.restartInterval && toRestart-- == 0) {
            // An end-of-band run that outlasts its segment claims blocks that are not there.
            const uint8_t* m;
            if (eobRun || !OnlyPaddingLeft(bits, &m)) return JpegEntropyCheck::kDamaged;
            while (end - m >= 2 && m[1] == 0xFF) ++m;  // fill bytes
            if (end - m < 2 || m[1] != 0xD0 + restart) return JpegEntropyCheck::kDamaged;
            restart = (restart + 1) & 7;
            bits = Bits();
            bits.begin = bits.at = m + 2;
            bits.end = end;
            for (int& v : pred) v = 0;
            toRestart = f.restartInterval - 1;
        }
        for (int b = 0; b < scan.blocksInMcu; ++b) {
            const int ci = scan.owner[b];
            if (!readBlock(bits, scan.comp[ci], mcu, pred[ci], eobRun) || bits.count < bits.fake)
                return JpegEntropyCheck::kDamaged;  // or out of data
        }
    }
    if (eobRun || !OnlyPaddingLeft(bits, next)) return JpegEntropyCheck::kDamaged;
    return JpegEntropyCheck::kWhole;
}

JpegEntropyCheck ReadScanData(const Frame& f, const Scan& scan, const uint8_t* data, const uint8_t* end,
                              const uint8_t** next) {
    switch (scan.kind) {
        case ScanKind::kSequential:
            return ReadScanData(f, scan, data, end, next,
                                [](Bits& bits, const ScanComponent& c, long long mcu, int& pred, unsigned&) {
                                    if (!ReadSequentialBlock(bits, c, pred)) return false;
                                    if (c.dcLevel) c.dcLevel[mcu] += static_cast<float>(pred) * c.dcScale;
                                    return true;
                                });
        case ScanKind::kDcFirst:
            return ReadScanData(f, scan, data, end, next,
                                [](Bits& bits, const ScanComponent& c, long long, int& pred, unsigned&) {
                                    return ReadDc(bits, c, pred);
                                });
        case ScanKind::kDcRefine:
            return ReadScanData(f, scan, data, end, next,
                                [](Bits& bits, const ScanComponent&, long long, int&, unsigned&) {
                                    if (bits.count < 32) Refill(bits);
                                    bits.count -= 1;
                                    return true;
                                });
        case ScanKind::kAcFirst:
            return ReadScanData(
                f, scan, data, end, next,
                [&scan](Bits& bits, const ScanComponent& c, long long block, int&, unsigned& eobRun) {
                    return ReadAcFirst(bits, scan, c, c.frame->nonzero[static_cast<size_t>(block)], eobRun);
                });
        case ScanKind::kAcRefine:
            return ReadScanData(
                f, scan, data, end, next,
                [&scan](Bits& bits, const ScanComponent& c, long long block, int&, unsigned& eobRun) {
                    return ReadAcRefine(bits, scan, c, c.frame->nonzero[static_cast<size_t>(block)], eobRun);
                });
    }
    return JpegEntropyCheck::kNotChecked;
}

// Sets up the DC levels of a frame's first scan when it is sequential and
// codes every component; any other scan leaves them out.
void KeepDcLevels(Frame& f, bool first, Scan* scan) {
    DcLevels& d = f.dcLevels;
    d.kept = first && scan->kind == ScanKind::kSequential && scan->components == f.components &&
             scan->mcus <= kMaxDcLevels;
    for (int i = 0; i < scan->components; ++i) scan->comp[i].dcLevel = nullptr;
    if (!d.kept) return;
    const int n = scan->components;
    d.components = n;
    d.mcus = scan->mcus;
    d.mcusPerRow = n == 1 ? scan->comp[0].frame->widthInBlocks : CeilDiv(f.width, 8 * f.maxH);
    d.interval = f.restartInterval ? f.restartInterval : d.mcus;
    for (int i = 0; i < n; ++i) {
        ScanComponent& c = scan->comp[i];
        d.buffers.level[i].assign(static_cast<size_t>(d.mcus), 0.0f);
        c.dcLevel = d.buffers.level[i].data();
        const int blocks = n == 1 ? 1 : c.frame->h * c.frame->v;
        c.dcScale = static_cast<float>(c.steps[0]) / static_cast<float>(8 * blocks);
    }
}

// The markers from after SOI to the end of the picture, every scan's data
// followed.
JpegEntropyCheck CheckSegments(const uint8_t* data, const uint8_t* const end) {
    const auto frame = std::make_unique<Frame>();
    const auto scan = std::make_unique<Scan>();
    Frame& f = *frame;
    const uint8_t* at = data + 2;
    bool scanned = false;
    for (;;) {
        // The next marker, past stray and fill bytes as libjpeg skips them.
        while (end - at >= 2 && !(at[0] == 0xFF && at[1] != 0 && at[1] != 0xFF)) ++at;
        if (end - at < 2) return scanned ? JpegEntropyCheck::kDamaged : JpegEntropyCheck::kNotChecked;
        const uint8_t marker = at[1];
        at += 2;
        if (marker == 0xD9) {
            if (!scanned) return JpegEntropyCheck::kNotChecked;
            return HasShiftedRun(f.dcLevels) ? JpegEntropyCheck::kDamaged : JpegEntropyCheck::kWhole;
        }
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no parameters
        if (marker == 0xD8 || end - at < 2) return JpegEntropyCheck::kNotChecked;
        const size_t length = Word(at);
        if (length < 2 || static_cast<size_t>(end - at) < length) return JpegEntropyCheck::kNotChecked;
        const uint8_t* p = at + 2;
        const size_t bytes = length - 2;
        at += length;
        bool understood = true;
        if (marker == 0xC4) {
            understood = ReadDht(f, p, bytes);
        } else if (marker == 0xDB) {
            understood = ReadDqt(f, p, bytes);
        } else if (marker == 0xDD) {
            understood = bytes >= 2;
            if (understood) f.restartInterval = Word(p);
        } else if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            understood = ReadSof(f, marker == 0xC2, p, bytes);
        } else if (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            understood = false;  // lossless or arithmetic-coded
        } else if (marker == 0xDA) {
            JpegEntropyCheck outcome = ReadScanHeader(f, p, bytes, scan.get());
            if (outcome == JpegEntropyCheck::kWhole) {
                KeepDcLevels(f, !scanned, scan.get());
                outcome = ReadScanData(f, *scan, at, end, &at);
            }
            if (outcome != JpegEntropyCheck::kWhole) return outcome;
            scanned = true;
        }
        if (!understood) return JpegEntropyCheck::kNotChecked;
    }
}

}  // namespace

bool IsJpegPadding(size_t count, bool zeros, int marker) {
    return count <= kMaxJpegStrayBytes || (zeros && marker == 0xD9);
}

JpegEntropyCheck CheckJpegEntropyData(const unsigned char* data, size_t size) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return JpegEntropyCheck::kNotChecked;
    try {
        return CheckSegments(data, data + size);
    } catch (const std::bad_alloc&) {
        return JpegEntropyCheck::kNotChecked;
    }
}
