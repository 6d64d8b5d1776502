// A deterministic corpus of JPEGs damaged in the middle of their entropy-coded
// data, with the undamaged picture each came from, and of valid JPEGs with
// extra bytes before a marker as some cameras and scanners write them. The
// damaged-JPEG benchmark measures the thumbnail decoder against it; the tool
// make_damaged_jpegs writes it to a folder. Case n is always the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "JpegWriter.h"

namespace damaged {

// A small generator of our own, so that the corpus is the same on every
// compiler and library.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<uint32_t>(state_ >> 11);
    }
    // 0 .. n-1 (n > 0).
    uint32_t Below(uint32_t n) { return Next() % n; }
    // lo .. hi inclusive.
    int Between(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<uint32_t>(hi - lo + 1))); }

private:
    uint64_t state_;
};

// How a picture is compressed: its size and kind, and what a camera, a
// scanner or an editor may choose that changes the entropy-coded data.
struct Encoding : demo::JpegOptions {
    int width = 160, height = 120;
    bool grey = false;
};

// Something like a photo at thumbnail size: gradients, shapes with hard
// edges, fine texture and noise, different for every seed. Rows top first, 1
// or 3 bytes a pixel.
inline std::vector<unsigned char> DrawPhoto(int width, int height, bool grey, uint32_t seed) {
    Random random(seed);
    const int c0[3] = {random.Between(20, 235), random.Between(20, 235), random.Between(20, 235)};
    const int c1[3] = {random.Between(20, 235), random.Between(20, 235), random.Between(20, 235)};
    struct Disc {
        int x, y, r, colour[3];
    };
    std::vector<Disc> discs(static_cast<size_t>(random.Between(2, 6)));
    for (Disc& d : discs) {
        d.x = random.Between(0, width - 1);
        d.y = random.Between(0, height - 1);
        d.r = random.Between(2, (width < height ? width : height) / 3 + 2);
        for (int& c : d.colour) c = random.Between(0, 255);
    }
    const int stripe = random.Between(2, 9), noise = random.Between(0, 24);
    std::vector<unsigned char> px;
    px.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int t = (x * 3 + y * 2) * 256 / (width * 3 + height * 2 + 1);
            int c[3];
            for (int k = 0; k < 3; ++k) c[k] = (c0[k] * (256 - t) + c1[k] * t) / 256;
            for (const Disc& d : discs)
                if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) <= d.r * d.r)
                    for (int k = 0; k < 3; ++k) c[k] = d.colour[k];
            // Grass-like texture in the lower third, fine stripes in a band.
            if (y > height * 2 / 3) c[1] += ((x * 7 + y * 13) % 17) * 3 - 24;
            if (x > width / 4 && x < width / 2 && (x / stripe) % 2) c[0] = 255 - c[0];
            const int n = noise ? static_cast<int>(random.Below(2 * noise + 1)) - noise : 0;
            for (int k = 0; k < 3; ++k) {
                const int v = c[k] + n;
                c[k] = v < 0 ? 0 : v > 255 ? 255 : v;
            }
            if (grey)
                px.push_back(static_cast<unsigned char>((c[0] * 299 + c[1] * 587 + c[2] * 114) / 1000));
            else
                for (int k = 0; k < 3; ++k) px.push_back(static_cast<unsigned char>(c[k]));
        }
    return px;
}

inline std::string Compress(const Encoding& e, const std::vector<unsigned char>& pixels) {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::string bytes;
    if (demo::CompressJpeg(nullptr, &out, &size, e.width, e.height, e.grey ? 1 : 3,
                           e.grey ? JCS_GRAYSCALE : JCS_RGB, pixels.data(), e))
        bytes.assign(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

// A segment of the file: a marker with its parameters, or the entropy-coded
// data of a scan (restart markers included) that follows an SOS.
struct Segment {
    size_t begin, end;
    unsigned char marker;  // 0 for entropy-coded data
};

// The file's segments in order, as far as they can be followed.
inline std::vector<Segment> Segments(const std::string& b) {
    std::vector<Segment> out;
    size_t at = 2;  // after SOI
    if (b.size() < 4) return out;
    out.push_back({0, 2, 0xD8});
    while (at + 4 <= b.size() && static_cast<unsigned char>(b[at]) == 0xFF) {
        const unsigned char marker = static_cast<unsigned char>(b[at + 1]);
        if (marker == 0xD9) {
            out.push_back({at, at + 2, marker});
            break;
        }
        const size_t length =
            (static_cast<unsigned char>(b[at + 2]) << 8) | static_cast<unsigned char>(b[at + 3]);
        out.push_back({at, at + 2 + length, marker});
        at += 2 + length;
        if (marker != 0xDA) continue;
        const size_t data = at;
        while (at + 1 < b.size()) {
            const unsigned char c = static_cast<unsigned char>(b[at]),
                                next = static_cast<unsigned char>(b[at + 1]);
            if (c == 0xFF && next != 0 && (next < 0xD0 || next > 0xD7)) break;
            ++at;
        }
        out.push_back({data, at, 0});
    }
    return out;
}

enum class Damage { Overwrite, FlipBits, Insert, Delete, Zeros, Repeat, NoHuffmanTables, kCount };

inline const char* DamageName(Damage d) {
    switch (d) {
        case Damage::Overwrite:
            return "overwrite";
        case Damage::FlipBits:
            return "flip";
        case Damage::Insert:
            return "insert";
        case Damage::Delete:
            return "delete";
        case Damage::Zeros:
            return "zeros";
        case Damage::Repeat:
            return "repeat";
        case Damage::NoHuffmanTables:
            return "no-dht";
        default:
            return "?";
    }
}

// `good` damaged in the middle of its entropy-coded data (10% to 90% of the
// way through all of it), or with its Huffman tables taken out.
inline std::string DamageJpeg(const std::string& good, Damage kind, Random& random, std::string* what) {
    const std::vector<Segment> segments = Segments(good);
    std::string b = good;
    if (kind == Damage::NoHuffmanTables) {
        std::string out;
        size_t from = 0;
        for (const Segment& s : segments)
            if (s.marker == 0xC4) {
                out += good.substr(from, s.begin - from);
                from = s.end;
            }
        *what = "DHT segments removed";
        return out + good.substr(from);
    }
    size_t entropy = 0;
    for (const Segment& s : segments)
        if (s.marker == 0) entropy += s.end - s.begin;
    if (entropy < 16) return std::string();
    // A position 10..90% through the entropy-coded bytes, mapped into the file.
    size_t skip = entropy / 10 + random.Below(static_cast<uint32_t>(entropy * 8 / 10));
    size_t at = 0;
    for (const Segment& s : segments) {
        if (s.marker != 0) continue;
        if (skip < s.end - s.begin) {
            at = s.begin + skip;
            break;
        }
        skip -= s.end - s.begin;
    }
    const size_t room = good.size() - 2 - at;  // never past the end marker
    auto length = [&](int most) {
        const int n = random.Between(1, most);
        return static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
    };
    char text[96];
    switch (kind) {
        case Damage::Overwrite: {
            const size_t n = length(48);
            for (size_t i = 0; i < n; ++i) b[at + i] = static_cast<char>(random.Below(256));
            std::snprintf(text, sizeof text, "%zu random bytes at %zu", n, at);
            break;
        }
        case Damage::FlipBits: {
            const int flips = random.Between(1, 4);
            for (int i = 0; i < flips; ++i) {
                const size_t where = at + random.Below(static_cast<uint32_t>(length(16)));
                b[where] = static_cast<char>(b[where] ^ (1 << random.Below(8)));
            }
            std::snprintf(text, sizeof text, "%d bits flipped near %zu", flips, at);
            break;
        }
        case Damage::Insert: {
            const size_t n = static_cast<size_t>(random.Between(1, 48));
            std::string run;
            for (size_t i = 0; i < n; ++i) run += static_cast<char>(random.Below(256));
            b.insert(at, run);
            std::snprintf(text, sizeof text, "%zu random bytes inserted at %zu", n, at);
            break;
        }
        case Damage::Delete: {
            const size_t n = length(48);
            b.erase(at, n);
            std::snprintf(text, sizeof text, "%zu bytes deleted at %zu", n, at);
            break;
        }
        case Damage::Zeros: {
            const size_t n = length(512);
            for (size_t i = 0; i < n; ++i) b[at + i] = 0;
            std::snprintf(text, sizeof text, "%zu bytes zeroed at %zu", n, at);
            break;
        }
        case Damage::Repeat: {
            // A run written twice, as a copy that went back a little.
            const size_t n = length(64);
            b.insert(at + n, b.substr(at, n));
            std::snprintf(text, sizeof text, "%zu bytes repeated at %zu", n, at);
            break;
        }
        default:
            return std::string();
    }
    *what = text;
    return b;
}

// Extra bytes that readers skip with a warning but that leave the picture
// whole: junk or padding before a marker, between header segments, before
// a restart marker or before the end marker; legal fill bytes (0xFF) before
// markers; data after the end marker.
enum class Extra { HeaderJunk, HeaderZeros, EndZeros, EndJunkByte, EndFill, RestartJunk, Trailer, kCount };

inline std::string AddExtraBytes(const std::string& good, Extra kind, Random& random, std::string* what) {
    const std::vector<Segment> segments = Segments(good);
    std::string b = good;
    char text[96];
    switch (kind) {
        case Extra::HeaderJunk:
        case Extra::HeaderZeros: {
            // Before any header segment after SOI and up to the first SOS.
            std::vector<size_t> places;
            for (const Segment& s : segments) {
                if (s.marker == 0 || s.marker == 0xD8) continue;
                places.push_back(s.begin);
                if (s.marker == 0xDA) break;
            }
            const size_t where = places[random.Below(static_cast<uint32_t>(places.size()))];
            const size_t n = static_cast<size_t>(random.Between(1, random.Below(4) ? 8 : 700));
            std::string run;
            for (size_t i = 0; i < n; ++i)
                run += kind == Extra::HeaderZeros ? '\0' : static_cast<char>(random.Below(255));  // no 0xFF
            b.insert(where, run);
            std::snprintf(text, sizeof text, "%zu %s byte%s before marker 0x%02X", n,
                          kind == Extra::HeaderZeros ? "zero" : "junk", n == 1 ? "" : "s",
                          static_cast<unsigned char>(b[where + n + 1]));
            break;
        }
        case Extra::EndZeros: {
            const size_t n = static_cast<size_t>(random.Between(1, random.Below(3) ? 16 : 4000));
            b.insert(b.size() - 2, std::string(n, '\0'));
            std::snprintf(text, sizeof text, "%zu zero byte%s before EOI", n, n == 1 ? "" : "s");
            break;
        }
        case Extra::EndJunkByte: {
            const char junk = static_cast<char>(random.Between(1, 254));
            b.insert(b.size() - 2, 1, junk);
            std::snprintf(text, sizeof text, "junk byte 0x%02X before EOI", static_cast<unsigned char>(junk));
            break;
        }
        case Extra::EndFill: {
            const size_t n = static_cast<size_t>(random.Between(1, 64));
            b.insert(b.size() - 2, std::string(n, '\xFF'));
            std::snprintf(text, sizeof text, "%zu fill byte%s 0xFF before EOI", n, n == 1 ? "" : "s");
            break;
        }
        case Extra::RestartJunk: {
            // A few bytes before every restart marker, as some webcams write.
            std::string out;
            size_t count = 0;
            for (size_t i = 0; i < b.size(); ++i) {
                const unsigned char c = static_cast<unsigned char>(b[i]);
                if (c == 0xFF && i + 1 < b.size() && static_cast<unsigned char>(b[i + 1]) >= 0xD0 &&
                    static_cast<unsigned char>(b[i + 1]) <= 0xD7) {
                    const int n = random.Between(1, 4);
                    for (int k = 0; k < n; ++k)
                        out += static_cast<char>(random.Below(2) ? 0 : random.Below(255));
                    ++count;
                }
                out += b[i];
            }
            if (count == 0) return std::string();
            b = out;
            std::snprintf(text, sizeof text, "1-4 bytes before each of %zu restart markers", count);
            break;
        }
        case Extra::Trailer: {
            const size_t n = static_cast<size_t>(random.Between(1, 3000));
            std::string run;
            for (size_t i = 0; i < n; ++i) run += static_cast<char>(random.Below(256));
            b += run;
            std::snprintf(text, sizeof text, "%zu bytes after EOI", n);
            break;
        }
        default:
            return std::string();
    }
    *what = text;
    return b;
}

// Case n's encoding: sizes from a tiny icon to a camera's large thumbnail,
// all subsamplings, progressive or not, standard or optimised tables,
// restart markers or not.
inline Encoding EncodingOf(uint32_t n) {
    static const int kShapes[][2] = {{160, 120}, {120, 160},   {160, 106}, {640, 480},  {320, 240},
                                     {90, 160},  {40, 30},     {333, 97},  {1024, 768}, {200, 150},
                                     {17, 13},   {1600, 1200}, {256, 256}, {480, 640}};
    static const int kSampling[][2] = {{2, 2}, {2, 1}, {1, 1}, {1, 2}, {4, 1}};
    Random random(n * 7919u + 17u);
    Encoding e;
    const int* shape = kShapes[random.Below(sizeof kShapes / sizeof kShapes[0])];
    e.width = shape[0];
    e.height = shape[1];
    e.grey = random.Below(6) == 0;
    const int* sampling = kSampling[random.Below(sizeof kSampling / sizeof kSampling[0])];
    e.hSample = sampling[0];
    e.vSample = sampling[1];
    e.progressive = random.Below(3) == 0;
    e.optimize = e.progressive || random.Below(3) == 0;
    switch (random.Below(4)) {
        case 0:
            e.restartRows = random.Between(1, 3);
            break;
        case 1:
            e.restartMcus = random.Between(1, 40);
            break;
        default:
            break;
    }
    e.quality = random.Between(50, 97);
    return e;
}

inline std::string Describe(const Encoding& e) {
    char text[128];
    std::snprintf(text, sizeof text, "%dx%d %s%s %s%s q%d%s", e.width, e.height,
                  e.grey ? "grey" : (std::to_string(e.hSample) + "x" + std::to_string(e.vSample)).c_str(), "",
                  e.progressive ? "progressive" : "baseline", e.optimize ? " optimised" : "", e.quality,
                  e.restartRows   ? (" restart " + std::to_string(e.restartRows) + " rows").c_str()
                  : e.restartMcus ? (" restart " + std::to_string(e.restartMcus) + " MCUs").c_str()
                                  : "");
    return text;
}

// The undamaged picture of case n.
inline std::string GoodJpeg(uint32_t n) {
    const Encoding e = EncodingOf(n);
    return Compress(e, DrawPhoto(e.width, e.height, e.grey, n * 31u + 5u));
}

// Damaged case n: the kind of damage cycles, one case in sixteen lacks its
// Huffman tables. Empty when the picture has too little data to damage.
inline std::string DamagedJpeg(uint32_t n, const std::string& good, std::string* what) {
    Random random(n * 104729u + 3u);
    const Damage kind = n % 16 == 7 ? Damage::NoHuffmanTables
                                    : static_cast<Damage>(n % (static_cast<int>(Damage::kCount) - 1));
    std::string text;
    std::string bytes = DamageJpeg(good, kind, random, &text);
    *what = std::string(DamageName(kind)) + ": " + text;
    return bytes;
}

// Valid case n: extra bytes of one kind, cycling.
inline std::string PaddedJpeg(uint32_t n, const std::string& good, std::string* what) {
    Random random(n * 15485863u + 11u);
    const Extra kind = static_cast<Extra>(n % static_cast<int>(Extra::kCount));
    return AddExtraBytes(good, kind, random, what);
}

}  // namespace damaged
