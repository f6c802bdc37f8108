// framegen: the picture source of the test fixtures.
//
//   framegen WIDTH HEIGHT FIRST COUNT   writes COUNT raw yuv420p frames (limited range) to stdout;
//                                       frame n carries index FIRST + n in its code blocks
//                                       (frameindexlayout.h)
//   framegen --still WIDTH HEIGHT FIRST COUNT
//                                       the same on a flat, still background: only the code blocks
//                                       change, so P- and B-pictures encode to a few hundred bytes
//   framegen --fields WIDTH HEIGHT FIRST COUNT
//                                       2 COUNT pictures at the field rate of an interlaced video:
//                                       pictures 2n and 2n+1 show two moments of the scene, both
//                                       with index FIRST + n, to be woven into frame FIRST + n
//   framegen --random BYTES SEED        writes BYTES deterministic pseudo-random bytes to stdout
//
// Around the code blocks each frame shows a textured scene that pans, a moving disc and a little
// noise, so an encoder really predicts (P and B frames with motion) and spends bits; the blocks
// themselves are perfectly flat grey, painted last. Output depends only on the arguments.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/frameindexlayout.h"

namespace {

// splitmix64: small, fast, and the same on every machine.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : State(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (State += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t State;
};

bool ParseInt(const char* text, long long min, long long max, long long& value) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < min || v > max) return false;
    value = v;
    return true;
}

bool WriteAll(const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, stdout) == size;
}

int WriteRandom(long long bytes, std::uint64_t seed) {
    TRandom random(seed);
    std::vector<std::uint8_t> buffer(1 << 16);
    while (bytes > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<long long>(bytes, buffer.size()));
        for (std::size_t i = 0; i < n; i += 8) {
            const std::uint64_t r = random.Next();
            std::memcpy(buffer.data() + i, &r, std::min<std::size_t>(8, n - i));
        }
        if (!WriteAll(buffer.data(), n)) return 1;
        bytes -= static_cast<long long>(n);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

std::uint8_t Clamp(int v, int lo, int hi) { return static_cast<std::uint8_t>(std::clamp(v, lo, hi)); }

// The scene: a textured plane twice the frame size in each direction, of which each frame shows a
// window that drifts along a smooth path, plus a disc moving on its own path and fresh noise.
class TSceneGenerator {
public:
    TSceneGenerator(int width, int height)
        : Width(width), Height(height), ChromaWidth((width + 1) / 2), ChromaHeight((height + 1) / 2),
          PlaneWidth(2 * width), PlaneHeight(2 * height), PlaneY(std::size_t(PlaneWidth) * PlaneHeight),
          PlaneU(std::size_t(PlaneWidth / 2) * (PlaneHeight / 2)), PlaneV(PlaneU.size()),
          Y(std::size_t(width) * height), U(std::size_t(ChromaWidth) * ChromaHeight), V(U.size()) {
        BuildPlane();
        TRandom random(12345);
        Noise.resize(1 << 20);
        for (auto& n : Noise) n = static_cast<std::int8_t>(static_cast<int>(random.Next() % 9) - 4);
    }

    // Fills Y, U, V with the picture of frame n carrying `index`; with `bars`, a band of bars
    // below the code runs sideways fast, so that pictures n and n + 1 differ clearly.
    void Render(long long n, int index, bool bars = false)
    {
        const double t = static_cast<double>(n);
        // Window offset: an even, smooth, wandering pan of a few pixels a frame.
        const int ox = 2 * static_cast<int>((Width / 2 - 2) * (0.5 + 0.5 * std::sin(t * 0.011)) );
        const int oy = 2 * static_cast<int>((Height / 2 - 2) * (0.5 + 0.5 * std::sin(t * 0.007 + 1.0)));
        for (int y = 0; y < Height; ++y) {
            std::memcpy(&Y[std::size_t(y) * Width], &PlaneY[std::size_t(y + oy) * PlaneWidth + ox], Width);
        }
        for (int y = 0; y < ChromaHeight; ++y) {
            const std::size_t src = std::size_t(y + oy / 2) * (PlaneWidth / 2) + ox / 2;
            std::memcpy(&U[std::size_t(y) * ChromaWidth], &PlaneU[src], ChromaWidth);
            std::memcpy(&V[std::size_t(y) * ChromaWidth], &PlaneV[src], ChromaWidth);
        }
        DrawDisc(t);
        if (bars)
            DrawBars(n);
        AddNoise(n);
        DrawCode(index);
    }

    // Fills Y, U, V with a flat background carrying `index`: nothing moves but the code.
    void RenderStill(int index) {
        std::fill(Y.begin(), Y.end(), std::uint8_t{150});
        std::fill(U.begin(), U.end(), std::uint8_t{110});
        std::fill(V.begin(), V.end(), std::uint8_t{140});
        DrawCode(index);
    }

    bool Write() const {
        return WriteAll(Y.data(), Y.size()) && WriteAll(U.data(), U.size()) && WriteAll(V.data(), V.size());
    }

private:
    void BuildPlane() {
        const double pi = 3.14159265358979323846;
        for (int y = 0; y < PlaneHeight; ++y) {
            for (int x = 0; x < PlaneWidth; ++x) {
                const double fx = double(x) / Width;
                const double fy = double(y) / Height;
                double v = 110 + 40 * std::sin(2 * pi * (1.3 * fx + 0.4 * fy)) +
                           25 * std::sin(2 * pi * (7.0 * fx - 5.0 * fy)) + 12 * std::sin(0.9 * x) * std::sin(0.7 * y);
                // A grid of hard-edged tiles: strong edges for motion estimation to lock on.
                if (((x / 48) + (y / 40)) % 5 == 0) v += 45;
                PlaneY[std::size_t(y) * PlaneWidth + x] = Clamp(static_cast<int>(v), 16, 235);
            }
        }
        const int cw = PlaneWidth / 2;
        const int ch = PlaneHeight / 2;
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                const double fx = 2.0 * x / Width;
                const double fy = 2.0 * y / Height;
                const double u = 128 + 50 * std::sin(2 * pi * (0.8 * fx + 0.3)) + 10 * std::sin(2 * pi * 6 * fy);
                const double v = 128 + 50 * std::cos(2 * pi * (0.6 * fy + 0.5 * fx));
                PlaneU[std::size_t(y) * cw + x] = Clamp(static_cast<int>(u), 16, 240);
                PlaneV[std::size_t(y) * cw + x] = Clamp(static_cast<int>(v), 16, 240);
            }
        }
    }

    void DrawDisc(double t) {
        const int r = std::max(4, Height / 10);
        const int cx = static_cast<int>(Width * (0.5 + 0.4 * std::sin(t * 0.05)));
        const int cy = static_cast<int>(Height * (0.6 + 0.3 * std::sin(t * 0.031 + 0.5)));
        for (int y = std::max(0, cy - r); y < std::min(Height, cy + r); ++y) {
            for (int x = std::max(0, cx - r); x < std::min(Width, cx + r); ++x) {
                const int dx = x - cx;
                const int dy = y - cy;
                if (dx * dx + dy * dy <= r * r) {
                    Y[std::size_t(y) * Width + x] = Clamp(200 - (dx * dx + dy * dy) * 60 / (r * r), 16, 235);
                    if ((x & 1) == 0 && (y & 1) == 0) {
                        U[std::size_t(y / 2) * ChromaWidth + x / 2] = 90;
                        V[std::size_t(y / 2) * ChromaWidth + x / 2] = 200;
                    }
                }
            }
        }
    }

    // Dark and light bars 16 pixels wide in the band [0.40 H, 0.60 H), 6 pixels further on each
    // picture: not a multiple of their period, so no two neighbouring pictures look alike.
    void DrawBars(long long n)
    {
        const int shift = static_cast<int>(n % 32) * 6;
        for (int y = Height * 2 / 5; y < Height * 3 / 5; ++y) {
            for (int x = 0; x < Width; ++x) {
                Y[std::size_t(y) * Width + x] = ((x + shift) / 16) % 2 ? 200 : 50;
            }
        }
    }

    // Noise of +-4 on luma, taken from a fixed table at a per-frame, per-row offset.
    void AddNoise(long long n) {
        TRandom random(static_cast<std::uint64_t>(n) * 7919 + 1);
        const std::size_t mask = Noise.size() - 1;
        for (int y = 0; y < Height; ++y) {
            std::uint8_t* row = &Y[std::size_t(y) * Width];
            const std::size_t start = random.Next() & mask;
            for (int x = 0; x < Width; ++x) {
                row[x] = Clamp(row[x] + Noise[(start + x) & mask], 16, 235);
            }
        }
    }

    void DrawCode(int index) {
        using namespace FrameIndexLayout;
        for (int block = 0; block < kBlockCount; ++block) {
            const TBlockRect r = BlockRect(block, Width, Height);
            const std::uint8_t luma = static_cast<std::uint8_t>(DigitLuma(DigitOf(index, block)));
            for (int y = std::max(0, r.Y0); y < std::min(Height, r.Y1); ++y) {
                std::memset(&Y[std::size_t(y) * Width + r.X0], luma, std::min(Width, r.X1) - r.X0);
            }
            // Chroma samples that touch the block at all become neutral.
            const int cx0 = r.X0 / 2;
            const int cx1 = std::min(ChromaWidth, (r.X1 + 1) / 2);
            for (int y = r.Y0 / 2; y < std::min(ChromaHeight, (r.Y1 + 1) / 2); ++y) {
                std::memset(&U[std::size_t(y) * ChromaWidth + cx0], 128, cx1 - cx0);
                std::memset(&V[std::size_t(y) * ChromaWidth + cx0], 128, cx1 - cx0);
            }
        }
    }

    int Width;
    int Height;
    int ChromaWidth;
    int ChromaHeight;
    int PlaneWidth;
    int PlaneHeight;
    std::vector<std::uint8_t> PlaneY;
    std::vector<std::uint8_t> PlaneU;
    std::vector<std::uint8_t> PlaneV;
    std::vector<std::uint8_t> Y;
    std::vector<std::uint8_t> U;
    std::vector<std::uint8_t> V;
    std::vector<std::int8_t> Noise;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: framegen [--still|--fields] WIDTH HEIGHT FIRST COUNT    (raw yuv420p frames to stdout)\n"
                 "       framegen --random BYTES SEED                            (pseudo-random bytes to stdout)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--random") {
        long long bytes = 0;
        long long seed = 0;
        if (!ParseInt(argv[2], 0, 1ll << 40, bytes) || !ParseInt(argv[3], 0, 1ll << 62, seed)) return Usage();
        return WriteRandom(bytes, static_cast<std::uint64_t>(seed));
    }
    const bool still = argc == 6 && std::string(argv[1]) == "--still";
    const bool fields = argc == 6 && std::string(argv[1]) == "--fields";
    if (still || fields) {
        --argc;
        ++argv;
    }
    if (argc != 5) return Usage();
    long long width = 0;
    long long height = 0;
    long long first = 0;
    long long count = 0;
    if (!ParseInt(argv[1], 16, 8192, width) || !ParseInt(argv[2], 16, 8192, height) ||
        !ParseInt(argv[3], 0, FrameIndexLayout::kIndexLimit - 1, first) ||
        !ParseInt(argv[4], 0, FrameIndexLayout::kIndexLimit - first, count)) {
        return Usage();
    }
    TSceneGenerator scene(static_cast<int>(width), static_cast<int>(height));
    for (long long n = 0; n < count; ++n) {
        if (still) {
            scene.RenderStill(static_cast<int>(first + n));
        } else if (fields) {
            // The scene moves twice as far per frame: each field shows a moment of its own.
            for (long long field = 2 * (first + n); field < 2 * (first + n) + 2; ++field) {
                scene.Render(field, static_cast<int>(first + n), true);
                if (!scene.Write())
                    return 1;
            }
            continue;
        } else {
            scene.Render(first + n, static_cast<int>(first + n));
        }
        if (!scene.Write()) return 1;  // the reader went away (a broken pipe)
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
