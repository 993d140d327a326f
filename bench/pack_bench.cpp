// Implode and explode speed in MB/s of uncompressed data, on 4 MB of text and 4 MB of doubles.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pack/explode.h"
#include "pack/implode.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kSize = 4 << 20;

uint32_t nextRandom(uint64_t& x) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    return static_cast<uint32_t>(x >> 24);
}

// Report-like text: lines of words from a vocabulary of a few hundred, with numbers.
Bytes textFile() {
    std::vector<std::string> words;
    uint64_t x = 12345;
    for (int k = 0; k < 400; ++k) {
        std::string w;
        for (uint32_t n = 2 + nextRandom(x) % 8; n--;) w += char('a' + nextRandom(x) % 26);
        words.push_back(w);
    }
    Bytes b;
    while (b.size() < kSize) {
        std::string line;
        for (uint32_t n = 5 + nextRandom(x) % 10; n--;) {
            // Frequent words come first: a rough Zipf distribution.
            uint32_t r = nextRandom(x) % 400;
            line += words[r * r / 400] + ' ';
        }
        line += std::to_string(nextRandom(x) % 100000) + "\r\n";
        b.insert(b.end(), line.begin(), line.end());
    }
    b.resize(kSize);
    return b;
}

// Model data: a cube of doubles, many zeros, values in cents that drift along the time axis.
Bytes doublesFile() {
    Bytes b(kSize);
    uint64_t x = 777;
    double level = 1000;
    for (size_t k = 0; k < kSize / 8; ++k) {
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

Bytes implode(const Bytes& in, uint8_t* work) {
    Bytes out;
    Pipe p{&in, 0, &out};
    zrt::Implode(&Pipe::read, &Pipe::write, work, &p, zrt::kBinaryLiterals, 4096);
    return out;
}

const Bytes& input(int which) {
    static const Bytes text = textFile(), doubles = doublesFile();
    return which == 0 ? text : doubles;
}

void BM_Implode(benchmark::State& state) {
    const Bytes& in = input(static_cast<int>(state.range(0)));
    std::unique_ptr<uint8_t[]> work(new uint8_t[zrt::kCoderWorkSize]());
    size_t packed = 0;
    for (auto _ : state) packed = implode(in, work.get()).size();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
    state.counters["ratio"] = double(in.size()) / double(packed);
    state.SetLabel(state.range(0) == 0 ? "text" : "doubles");
}

void BM_Explode(benchmark::State& state) {
    const Bytes& in = input(static_cast<int>(state.range(0)));
    std::unique_ptr<uint8_t[]> work(new uint8_t[zrt::kCoderWorkSize]());
    Bytes packed = implode(in, work.get()), out;
    out.reserve(in.size());
    for (auto _ : state) {
        out.clear();
        Pipe p{&packed, 0, &out};
        zrt::Explode(&Pipe::read, &Pipe::write, work.get(), &p);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != in) state.SkipWithError("explode did not give the input back");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
    state.SetLabel(state.range(0) == 0 ? "text" : "doubles");
}

BENCHMARK(BM_Implode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Explode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
