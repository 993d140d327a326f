// Dates: DateToYMD and myDate over a million dates.
#include <benchmark/benchmark.h>

#include <cstring>

#include "frame/array.h"
#include "frame/args.h"
#include "zrt32.h"

namespace {

constexpr uint32_t kDates = 1000000;

// Days from 1 January 1990 on, over about a century.
zrt::ArrayPtr dayNumbers() {
    zrt::ArrayPtr days(zrt::AllocVector(zrt::kInt32, kDates));
    for (uint32_t k = 0; k < kDates; ++k)
        (void)zrt::SetItemInt(days.get(), k, 32872 + static_cast<int32_t>(k % 40000));
    return days;
}

// (format; dates), the dates with a time of day.
zrt::ArrayPtr myDateArgument(zrt::ArrayPtr format) {
    zrt::ArrayPtr dates(zrt::AllocVector(zrt::kDouble, kDates));
    for (uint32_t k = 0; k < kDates; ++k)
        (void)zrt::SetItemDouble(dates.get(), k, 32872 + (k % 40000) + (k % 1440) / 1440.0);
    zrt::ArrayPtr arg(zrt::AllocVector(zrt::kNested, 2));
    zrt::setSlot(arg.get(), 0, format.release());
    zrt::setSlot(arg.get(), 1, dates.release());
    return arg;
}

void BM_DateToYMD(benchmark::State& state) {
    zrt::ArrayPtr days = dayNumbers();
    for (auto _ : state) zrt::ArrayPtr result(DateToYMD(days.get()));
    state.SetItemsProcessed(int64_t(state.iterations()) * kDates);
}
BENCHMARK(BM_DateToYMD)->Unit(benchmark::kMillisecond);

void BM_myDateNumbered(benchmark::State& state) {
    zrt::ArrayPtr format(zrt::AllocScalar(zrt::kInt32));
    (void)zrt::SetItemInt(format.get(), 0, 27);  // "DAY DD-MON-YYYY HR:MN"
    zrt::ArrayPtr arg = myDateArgument(std::move(format));
    for (auto _ : state) zrt::ArrayPtr result(myDate(arg.get()));
    state.SetItemsProcessed(int64_t(state.iterations()) * kDates);
}
BENCHMARK(BM_myDateNumbered)->Unit(benchmark::kMillisecond);

void BM_myDateText(benchmark::State& state) {
    const char text[] = "weekday, dxsx month yyyy (ddd) hr:mn:sc";
    uint32_t n = sizeof text - 1;
    zrt::ArrayPtr format(zrt::AllocArray(zrt::kChar, 1, &n));
    std::memcpy(zrt::dataOf(format.get()), text, n);
    zrt::ArrayPtr arg = myDateArgument(std::move(format));
    for (auto _ : state) zrt::ArrayPtr result(myDate(arg.get()));
    state.SetItemsProcessed(int64_t(state.iterations()) * kDates);
}
BENCHMARK(BM_myDateText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
