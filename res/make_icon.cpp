// Draws the KORVANE application icon: a dark microchip with a yellow-to-orange lightning bolt.
// Rebuild from the repository root:
//   g++ -std=c++17 -O2 res/make_icon.cpp -o /tmp/make_icon && /tmp/make_icon res/korvane.ico
// With a folder after the icon's path it also writes korvane-16.png ... korvane-256.png there, the
// same pictures for the Linux desktop and three larger ones; the build does that, and checks the
// icon against this one.
//
// Every size is drawn from its own pixel-snapped layout rather than scaled down from a large
// picture, so the pins stay crisp at 16 px. All entries are BMP-style (DIB) images, not PNG, so
// that every Windows version and resource tool can read them; the 8- and 24-bit copies serve
// displays and programs that ignore alpha.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

struct Point {
    double x, y;
};

// Bolt outline in the unit square of the chip's inner area.
const Point kBolt[] = {{0.52, 0.00}, {0.10, 0.58}, {0.42, 0.58}, {0.30, 1.00},
                       {0.90, 0.38}, {0.58, 0.38}, {0.80, 0.00}};

bool InsidePolygon(double x, double y, const Point* p, int n) {
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        if ((p[i].y > y) != (p[j].y > y) &&
            x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) {
            inside = !inside;
        }
    }
    return inside;
}

bool InsideRoundedSquare(double x, double y, double lo, double hi, double radius) {
    if (x < lo || x >= hi || y < lo || y >= hi) {
        return false;
    }
    const double cx = std::clamp(x, lo + radius, hi - radius);
    const double cy = std::clamp(y, lo + radius, hi - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// App grids show the large sizes beside icons that keep a clear border, where a chip drawn to the
// edges would look a size too big; the small sizes need every pixel for crisp pins.
int Margin(int canvas) {
    return canvas >= 128 ? canvas / 16 : 0;
}

// Colour of the topmost shape at one sample point of a canvas x canvas icon. The chip is laid out
// on whole pixels of the canvas less its margin.
Rgba Sample(int canvas, double x, double y) {
    const int margin = Margin(canvas), size = canvas - 2 * margin;
    x -= margin, y -= margin;
    if (x < 0 || x >= size || y < 0 || y >= size) {
        return {};
    }
    const int pin = std::max(2, size / 8);
    const int lo = pin, hi = size - pin;
    const int edge = std::max(1, size / 24);
    const int pinWidth = 2 * std::max(1, size / 24);
    const int pitch = 2 * pinWidth;
    const int pins = (hi - lo - 2 * pinWidth) / pitch + 1;
    const int first = (size - pinWidth * (2 * pins - 1)) / 2;

    const double inLo = lo + edge + size / 24, inHi = hi - edge - size / 24;
    const double u = (x - inLo) / (inHi - inLo), v = (y - inLo) / (inHi - inLo);
    if (InsidePolygon(u, v, kBolt, static_cast<int>(std::size(kBolt)))) {
        const double t = std::clamp(v, 0.0, 1.0);
        return {255, 236 - 86 * t, 80 - 64 * t, 255};
    }
    if (InsideRoundedSquare(x, y, lo, hi, size / 16.0)) {
        if (InsideRoundedSquare(x, y, lo + edge, hi - edge, size / 16.0 - edge)) {
            return {40, 44, 52, 255};
        }
        return {92, 100, 114, 255};
    }
    // The layout is square and centred, so one row of pin offsets serves all four sides.
    for (int k = 0; k < pins; ++k) {
        const double a = first + k * pitch, b = a + pinWidth;
        const bool alongX = x >= a && x < b && (y < lo || y >= hi);
        const bool alongY = y >= a && y < b && (x < lo || x >= hi);
        if (alongX || alongY) {
            return {150, 158, 170, 255};
        }
    }
    return {};
}

// Straight (not premultiplied) RGBA, top row first, averaged over 8 x 8 samples per pixel.
std::vector<Rgba> Render(int size) {
    const int n = 8;
    std::vector<Rgba> pixels(size * size);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            Rgba sum;
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    const Rgba c = Sample(size, px + (sx + 0.5) / n, py + (sy + 0.5) / n);
                    sum.r += c.r * c.a, sum.g += c.g * c.a, sum.b += c.b * c.a, sum.a += c.a;
                }
            }
            Rgba& p = pixels[py * size + px];
            if (sum.a > 0) {
                p = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (n * n)};
            }
        }
    }
    return pixels;
}

using Bytes = std::vector<uint8_t>;

void Put(Bytes& out, size_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

uint32_t Pack(const Rgba& c) {
    auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
    return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

// One DIB icon image: header, palette, colour rows and AND mask, both bottom row first.
Bytes EncodeImage(int size, int bits, const std::vector<Rgba>& pixels) {
    // Without alpha a pixel is either shown or masked out; half-covered edge pixels decide by
    // their coverage. The 32-bit image only masks fully clear pixels, for viewers that use the
    // mask and ignore alpha.
    auto masked = [&](const Rgba& p) { return bits == 32 ? p.a < 0.5 : p.a < 127.5; };

    // Index 0 stays black so masked pixels leave the background untouched. The artwork blends
    // only a few flat colours, so an exact palette fits; a drawing change that overflows it must
    // fail here rather than ship a degraded image.
    std::vector<uint32_t> palette(1, 0);
    std::map<uint32_t, int> index{{0, 0}};
    for (const Rgba& p : pixels) {
        if (bits == 8 && !masked(p) && index.emplace(Pack(p), int(palette.size())).second) {
            palette.push_back(Pack(p));
        }
    }
    if (palette.size() > 256) {
        std::fprintf(stderr, "make_icon: %d px artwork needs %zu colours\n", size, palette.size());
        std::exit(1);
    }
    palette.resize(256, 0);

    const int colourStride = (size * bits + 31) / 32 * 4, maskStride = (size + 31) / 32 * 4;
    Bytes out;
    Put(out, 40, 4), Put(out, size, 4), Put(out, 2 * size, 4), Put(out, 1, 2), Put(out, bits, 2);
    Put(out, 0, 4), Put(out, (colourStride + maskStride) * size, 4);
    Put(out, 0, 4), Put(out, 0, 4), Put(out, bits == 8 ? 256 : 0, 4), Put(out, 0, 4);
    if (bits == 8) {
        for (uint32_t c : palette) {
            Put(out, c, 4);
        }
    }
    Bytes mask;
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(colourStride), maskRow(maskStride);
        for (int x = 0; x < size; ++x) {
            const Rgba& p = pixels[y * size + x];
            const uint32_t c = masked(p) ? 0 : Pack(p);
            if (bits == 8) {
                row[x] = static_cast<uint8_t>(index[c]);
            } else {
                for (int i = 0; i < 3; ++i) {
                    row[x * bits / 8 + i] = static_cast<uint8_t>(c >> (8 * i));
                }
                if (bits == 32) {
                    row[x * 4 + 3] = static_cast<uint8_t>(masked(p) ? 0 : p.a + 0.5);
                }
            }
            if (masked(p)) {
                maskRow[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
        mask.insert(mask.end(), maskRow.begin(), maskRow.end());
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

uint32_t Crc32(const uint8_t* bytes, size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBigEndian(Bytes& out, uint32_t value) {
    for (int i = 3; i >= 0; --i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(&out[start], out.size() - start));
}

// Deflate bits: block headers and extra bits go least significant bit first, Huffman codes most
// significant bit first.
class BitWriter {
  public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    void Put(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            Bit(value >> i & 1u);
        }
    }
    void PutCode(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            Bit(code >> i & 1u);
        }
    }
    void Flush() {
        if (used_ > 0) {
            out_.push_back(byte_);
            byte_ = 0, used_ = 0;
        }
    }

  private:
    void Bit(uint32_t bit) {
        byte_ = static_cast<uint8_t>(byte_ | bit << used_);
        if (++used_ == 8) {
            Flush();
        }
    }
    Bytes& out_;
    uint8_t byte_ = 0;
    int used_ = 0;
};

// The fixed Huffman code of a literal byte, a length symbol (257...285) or the block's end (256).
void PutSymbol(BitWriter& bits, int symbol) {
    if (symbol < 144) {
        bits.PutCode(0x30 + symbol, 8);
    } else if (symbol < 256) {
        bits.PutCode(0x190 + symbol - 144, 9);
    } else if (symbol < 280) {
        bits.PutCode(symbol - 256, 7);
    } else {
        bits.PutCode(0xC0 + symbol - 280, 8);
    }
}

// The code whose range of values holds value; each range starts at its base.
int CodeFor(const int* base, int count, int value) {
    int code = 0;
    while (code + 1 < count && base[code + 1] <= value) {
        ++code;
    }
    return code;
}

void PutCopy(BitWriter& bits, int length, int distance) {
    static const int kLengthBase[] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const int kDistanceBase[] = {
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const int kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    const int l = CodeFor(kLengthBase, static_cast<int>(std::size(kLengthBase)), length);
    PutSymbol(bits, 257 + l);
    bits.Put(static_cast<uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
    const int d = CodeFor(kDistanceBase, static_cast<int>(std::size(kDistanceBase)), distance);
    bits.PutCode(static_cast<uint32_t>(d), 5);
    bits.Put(static_cast<uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

// One deflate block with the fixed codes. The artwork is flat colour, so copies of the pixel to the
// left and of the one above carry nearly all of it; a search for any earlier match, or codes made
// for the picture, would save little. A stored copy of the 256 px picture would take 256 KiB.
Bytes Deflate(const Bytes& raw, size_t rowLength) {
    Bytes out;
    BitWriter bits(out);
    bits.Put(1, 1), bits.Put(1, 2);  // the last block, fixed codes
    const size_t kLongest = 258;
    for (size_t at = 0; at < raw.size();) {
        size_t best = 0, bestDistance = 0;
        for (size_t distance : {size_t{4}, rowLength}) {
            size_t n = 0;
            while (distance <= at && at + n < raw.size() && n < kLongest &&
                   raw[at + n] == raw[at + n - distance]) {
                ++n;
            }
            if (n > best) {
                best = n, bestDistance = distance;
            }
        }
        if (best >= 3) {
            PutCopy(bits, static_cast<int>(best), static_cast<int>(bestDistance));
            at += best;
        } else {
            PutSymbol(bits, raw[at++]);
        }
    }
    PutSymbol(bits, 256);
    bits.Flush();
    return out;
}

// 8-bit straight RGBA, unfiltered; nothing in the file depends on when or where it was made.
Bytes EncodePng(int size, const std::vector<Rgba>& pixels) {
    auto byte = [](double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
    Bytes raw;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < size; ++x) {
            const Rgba& p = pixels[y * size + x];
            const bool clear = p.a < 0.5;
            for (double v : {p.r, p.g, p.b, p.a}) {
                raw.push_back(clear ? 0 : byte(v));
            }
        }
    }
    Bytes zlib = {0x78, 0x01};
    const Bytes deflated = Deflate(raw, 4 * static_cast<size_t>(size) + 1);
    zlib.insert(zlib.end(), deflated.begin(), deflated.end());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521, b = (b + a) % 65521;
    }
    PutBigEndian(zlib, b << 16 | a);

    Bytes header;
    PutBigEndian(header, static_cast<uint32_t>(size)),
        PutBigEndian(header, static_cast<uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "res/korvane.ico";
    const char* pngFolder = argc > 2 ? argv[2] : nullptr;
    // The Windows icon stops at 48 px, as it always has; the desktop's theme also has software
    // centres (which look for 64 px), app grids and HiDPI screens to fill.
    const int sizes[] = {16, 24, 32, 48}, depths[] = {32, 8, 24};
    const int pngSizes[] = {16, 24, 32, 48, 64, 128, 256};
    const size_t count = std::size(sizes) * std::size(depths);
    Bytes file, images;
    Put(file, 0, 2), Put(file, 1, 2), Put(file, count, 2);
    for (int size : sizes) {
        const std::vector<Rgba> pixels = Render(size);
        for (int bits : depths) {
            const Bytes image = EncodeImage(size, bits, pixels);
            Put(file, size, 1), Put(file, size, 1), Put(file, 0, 2), Put(file, 1, 2);
            Put(file, bits, 2), Put(file, image.size(), 4);
            Put(file, 6 + 16 * count + images.size(), 4);
            images.insert(images.end(), image.begin(), image.end());
        }
    }
    file.insert(file.end(), images.begin(), images.end());
    for (int size : pngSizes) {
        if (pngFolder != nullptr &&
            !WriteFile(std::string(pngFolder) + "/korvane-" + std::to_string(size) + ".png",
                       EncodePng(size, Render(size)))) {
            return 1;
        }
    }
    return WriteFile(path, file) ? 0 : 1;
}
