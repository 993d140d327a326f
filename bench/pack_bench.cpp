// Implode and explode beside the coders as they were before they were made faster (the
// baseline copy), on 200 KB of English text and 256 KB of doubles, in both literal modes with
// the 4096-byte dictionary: MB/s of uncompressed data, medians of reps taken in turns.
//
//     build-bench/bench/pack_bench [reps]
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "pack/explode.h"
#include "pack/implode.h"
#include "pack_baseline.h"
#include "side_by_side.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using zrt::bench::printHeader;
using zrt::bench::printRow;
using zrt::bench::sideBySide;

uint32_t nextRandom(uint64_t& x) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    return static_cast<uint32_t>(x >> 24);
}

// English: the licence texts every Debian system carries, one after the other.
Bytes englishText(size_t size) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator("/usr/share/common-licenses"))
        if (e.is_regular_file() && !e.is_symlink()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    Bytes text;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        text.insert(text.end(), std::istreambuf_iterator<char>(in), {});
    }
    if (text.size() < size) {
        std::fprintf(stderr, "too little text under /usr/share/common-licenses\n");
        std::exit(1);
    }
    text.resize(size);
    return text;
}

// Model data: a cube of doubles, many zeros, values in cents that drift along the time axis.
Bytes modelDoubles(size_t size) {
    Bytes b(size);
    uint64_t x = 777;
    double level = 1000;
    for (size_t k = 0; k < size / 8; ++k) {
        if (k % 12 == 0) level = 100.0 * (nextRandom(x) % 5000);
        double v = nextRandom(x) % 4 == 0 ? 0.0 : std::round(level * (1.0 + (k % 12) * 0.01)) / 100;
        std::memcpy(&b[k * 8], &v, 8);
    }
    return b;
}

struct Pipe {
    const Bytes* in;
    size_t at;
    Bytes* out;
    static uint32_t read(uint8_t* buffer, uint32_t size, void* param) {
        auto& p = *static_cast<Pipe*>(param);
        uint32_t n = static_cast<uint32_t>(std::min<size_t>(size, p.in->size() - p.at));
        std::memcpy(buffer, p.in->data() + p.at, n);
        p.at += n;
        return n;
    }
    static void write(const uint8_t* data, uint32_t size, void* param) {
        auto& p = *static_cast<Pipe*>(param);
        p.out->insert(p.out->end(), data, data + size);
    }
};

using ImplodeFn = int (*)(zrt::ReadStep, zrt::WriteStep, void*, void*, uint32_t, uint32_t);
using ExplodeFn = int (*)(zrt::ReadStep, zrt::WriteStep, void*, void*);

std::unique_ptr<uint8_t[]> work(new uint8_t[zrt::kCoderWorkSize]());
constexpr int kDecodes = 16;

Bytes implodeWith(ImplodeFn implode, const Bytes& in, uint32_t mode) {
    Bytes out;
    out.reserve(in.size());
    Pipe p{&in, 0, &out};
    std::memset(work.get(), 0, zrt::kCoderWorkSize);
    implode(&Pipe::read, &Pipe::write, work.get(), &p, mode, 4096);
    return out;
}

Bytes explodeWith(ExplodeFn explode, const Bytes& stream, size_t size) {
    Bytes out;
    out.reserve(size);
    Pipe p{&stream, 0, &out};
    explode(&Pipe::read, &Pipe::write, work.get(), &p);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::atoi(argv[1]) : 15;
    struct Input {
        const char* name;
        Bytes bytes;
    } inputs[] = {{"200 KB English text", englishText(200 * 1024)},
                  {"256 KB of doubles", modelDoubles(256 * 1024)}};
    struct Mode {
        const char* name;
        uint32_t mode;
    } modes[] = {{"binary", zrt::kBinaryLiterals}, {"ASCII", zrt::kAsciiLiterals}};

    std::printf("%d reps, medians\n\n", reps);
    printHeader("baseline");
    for (const Mode& m : modes) {
        for (const Input& in : inputs) {
            Bytes stream = implodeWith(&zrt::Implode, in.bytes, m.mode);
            if (explodeWith(&zrt::Explode, stream, in.bytes.size()) != in.bytes) {
                std::fprintf(stderr, "explode did not give %s back\n", in.name);
                return 1;
            }
            std::string what = std::string("implode ") + m.name + ", " + in.name;
            printRow(what.c_str(), double(in.bytes.size()),
                     sideBySide(reps, [&] { implodeWith(&zrt::Implode, in.bytes, m.mode); },
                                [&] { implodeWith(&zrt::baseline::Implode, in.bytes, m.mode); }));
            // Decoding is quick: a rep decodes the stream kDecodes times.
            what = std::string("explode ") + m.name + ", " + in.name;
            size_t n = in.bytes.size();
            auto decodes = [&](ExplodeFn explode) {
                for (int k = 0; k < kDecodes; ++k) explodeWith(explode, stream, n);
            };
            printRow(what.c_str(), double(n) * kDecodes,
                     sideBySide(reps, [&] { decodes(&zrt::Explode); },
                                [&] { decodes(&zrt::baseline::Explode); }));
        }
    }
    return 0;
}
