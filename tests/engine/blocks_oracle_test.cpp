// The block loops against the cell-by-cell definition kept here as an oracle: random shapes
// (rank 1 to 4), random selections (repeated, reversed and shuffled ids), every operand form,
// both operator tables, bit and number items, values at the edges (NaN, infinities, subnormals,
// the tolerance). The oracle walks the cells one at a time, reading what earlier cells wrote,
// and has the library apply the operator to each cell alone; every item, audit cells
// included, must then hold exactly what the oracle holds.
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <random>

#include "engine_fixture.h"

namespace zrt::test {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
const Numbers kValues = {0, 1, -2.5, 3, 1 + 1e-15, 1e-14, 1e300, -1e300, Inf, -Inf, NaN, 5e-324, 0.5, 7};

enum Kind { D, B, Same };  // numbers, bits, the target's kind
struct Op {
    const char* name;
    Kind in, out;
};
const Op kTwo[] = {{"mov", Same, Same}, {"addto", D, D}, {"multo", D, D}, {"andto", B, B}, {"orto", B, B}, {"roundto", D, D}};
const Op kThree[] = {{"add", D, D},   {"sub", D, D},    {"mul", D, D},   {"div", D, D},   {"pow", D, D},    {"pct", D, D},
                     {"and", B, B},   {"or", B, B},     {"eq", D, B},    {"neq", D, B},   {"gt", D, B},     {"gteq", D, B},
                     {"lt", D, B},    {"lteq", D, B},   {"andf", D, D},  {"orf", D, D},   {"eqf", D, D},    {"neqf", D, D},
                     {"gtf", D, D},   {"gteqf", D, D},  {"ltf", D, D},   {"lteqf", D, D}, {"movif", Same, Same}, {"movaud", D, D}};

struct Operand {
    enum Form { Whole, Through, Buffer, Constant } form = Whole;
    std::string item;
    std::vector<Ids> ids;  // Through
    Numbers values;        // Buffer, Constant
    bool bits = false;
    std::vector<uint32_t> cells;  // the cells walked, in order (items)
};

class BlocksOracle : public EngineTest {
protected:
    std::mt19937 rng{20261206};
    std::vector<Ids> dims;
    std::map<std::string, Numbers> state;

    uint32_t pick(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); }
    double value(bool bits) { return bits ? pick(2) : kValues[pick(uint32_t(kValues.size()))]; }
    bool isBits(const std::string& item) const { return item[0] == 'M' && item[2] == 'B'; }

    void makeWorld() {
        uint32_t rank = 1 + pick(4);
        dims.assign(rank, {});
        for (Ids& d : dims) {
            uint32_t n = 1 + pick(rank == 4 ? 3 : 5);
            for (int32_t id = 1; d.size() < n; ++id)  // sparse ids in a shuffled order
                if (pick(2)) d.push_back(id);
            std::shuffle(d.begin(), d.end(), rng);
        }
        newFile("F", dims, {"X", "AuditRec"});
        newMemoryArray("M", dims);
        Numbers zeros(cells());
        newMemoryItem("M.N", 8, numberVector(zeros));
        newMemoryItem("M.B1", 1, boolVector(zeros));
        newMemoryItem("M.B2", 1, boolVector(zeros));
        newMemoryArray("One", {{1}});
        newMemoryItem("One.D", 8, numberVector({0}));
        newMemoryItem("One.B", 1, boolVector({0}));
    }
    uint32_t cells() const {
        uint32_t n = 1;
        for (const Ids& d : dims) n *= uint32_t(d.size());
        return n;
    }
    void fill(const std::string& item) {
        Numbers v(cells());
        for (double& x : v) x = value(isBits(item));
        put(item, isBits(item) ? boolVector(v) : numberVector(v));
        state[item] = v;
    }

    // A selection of shape `sizes`, ids drawn with repeats; its cells in walk order.
    void through(Operand& op, const std::vector<uint32_t>& sizes) {
        op.form = Operand::Through;
        op.ids.assign(dims.size(), {});
        std::vector<uint32_t> strides(dims.size(), 1), positions;
        for (size_t d = dims.size() - 1; d > 0; --d) strides[d - 1] = strides[d] * uint32_t(dims[d].size());
        std::function<void(size_t, uint32_t)> walk = [&](size_t d, uint32_t cell) {
            if (d == dims.size()) return op.cells.push_back(cell);
            for (int32_t id : op.ids[d]) {
                uint32_t p = uint32_t(std::find(dims[d].begin(), dims[d].end(), id) - dims[d].begin());
                walk(d + 1, cell + p * strides[d]);
            }
        };
        for (size_t d = 0; d < dims.size(); ++d)
            for (uint32_t k = 0; k < sizes[d]; ++k) op.ids[d].push_back(dims[d][pick(uint32_t(dims[d].size()))]);
        if (pick(2))  // a reversed run of the owner's own order in the last dimension
            op.ids.back().assign(dims.back().rbegin(), dims.back().rend()), op.ids.back().resize(sizes.back(), dims.back()[0]);
        walk(0, 0);
    }

    Operand operand(bool bits, bool target, const Operand* shape) {
        Operand op;
        op.bits = bits;
        const std::vector<std::string> items = bits ? std::vector<std::string>{"M.B1", "M.B2"}
                                                    : std::vector<std::string>{"F.Data", "F.X", "M.N"};
        op.item = items[pick(uint32_t(items.size()))];
        uint32_t n = shape ? uint32_t(shape->cells.size()) : 0;
        uint32_t form = target ? pick(2) : pick(5);
        bool one = !target && pick(4) == 0;  // a single cell applied at every step
        if (form == 0 && (target || n == cells())) {
            op.form = Operand::Whole;
            for (uint32_t c = 0; c < cells(); ++c) op.cells.push_back(c);
        } else if (form <= 2) {
            std::vector<uint32_t> sizes;
            for (size_t d = 0; d < dims.size(); ++d)
                sizes.push_back(one ? 1 : shape ? uint32_t(shape->ids.empty() ? dims[d].size() : shape->ids[d].size()) : 1 + pick(uint32_t(dims[d].size()) + 1));
            through(op, sizes);
        } else if (form == 3) {
            op.form = Operand::Buffer;
            for (uint32_t k = 0; k < (one ? 1 : n); ++k) op.values.push_back(value(bits));
        } else {
            op.form = Operand::Constant;
            op.values = {value(bits)};
        }
        return op;
    }

    ArrayPtr argument(const Operand& op) {
        switch (op.form) {
        case Operand::Whole: return whole(op.item);
        case Operand::Through: return args(chars(op.item), selection(op.ids));
        case Operand::Buffer: return op.bits ? bitBuffer(op.values) : numberBuffer(op.values);
        default: return doubles({op.bits ? 1.0 : 8.0, op.values[0]});
        }
    }
    double read(const Operand& op, uint32_t k) {
        if (op.form == Operand::Constant) return op.values[0];
        if (op.form == Operand::Buffer) return op.values[k % op.values.size()];
        return state[op.item][op.cells[k % op.cells.size()]];
    }
    // The operator on one cell alone, by the library: t := t op x, or t := x op y.
    double applied(const char* name, bool inBits, bool outBits, double t, double x, double y, bool two) {
        std::string cell = outBits ? "One.B" : "One.D";
        auto constant = [&](double v) { return doubles({inBits ? 1.0 : 8.0, v}); };
        put(cell, outBits ? boolVector({t}) : numberVector({t}));
        ArrayPtr arg = two ? args(chars(name), chars(cell), constant(x)) : args(chars(name), chars(cell), constant(x), constant(y));
        EXPECT_EQ(codeOfCall(Calc, std::move(arg)), 0) << name;
        return get(cell)[0];
    }
};

TEST_F(BlocksOracle, EveryFormAndOperatorGivesTheCellByCellResult) {
    for (int trial = 0; trial < 120; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        makeWorld();
        for (const char* item : {"F.Data", "F.X", "F.AuditRec", "M.N", "M.B1", "M.B2"}) fill(item);
        bool two = pick(3) == 0;
        const Op& op = two ? kTwo[pick(std::size(kTwo))] : kThree[pick(std::size(kThree))];
        std::string name = op.name;
        bool audited = name == "movaud", masked = name == "movif";
        bool tBits = op.out == Same ? pick(2) == 0 : op.out == B;
        if (audited) tBits = false;
        Operand t = operand(tBits, true, nullptr);
        if (audited) t.item = pick(2) ? "F.Data" : "F.X";
        bool aBits = op.in == Same ? tBits : op.in == B;
        Operand a = operand(aBits, false, &t);
        Operand b = masked ? operand(true, false, &t) : audited ? Operand{Operand::Constant, "", {}, {42}, false, {}} : operand(aBits, false, &t);

        ArrayPtr arg = two ? args(chars(name), argument(t), argument(a)) : args(chars(name), argument(t), argument(a), argument(b));
        ASSERT_EQ(codeOfCall(Calc, std::move(arg)), 0) << name;

        bool tolerant = t.item[0] == 'F';
        Numbers& cellsOf = state[t.item];
        for (uint32_t k = 0; k < t.cells.size(); ++k) {
            double x = read(a, k), y = two ? 0 : read(b, k), r;
            if (masked && y == 0) continue;
            if (masked || audited || name == "mov") r = x;
            else r = applied(op.name, aBits, tBits, cellsOf[t.cells[k]], x, y, two);
            double& stored = cellsOf[t.cells[k]];
            if (tolerant && std::fabs(stored) * 1e-14 >= std::fabs(stored - r)) continue;
            stored = r;
            if (audited) state["F.AuditRec"][t.cells[k]] = 42;
        }
        for (const auto& [item, want] : state) {
            SCOPED_TRACE(name + " into " + item);
            expectCells(get(item), want);
        }
        close("F");
        close("M");
        close("One");
        state.clear();
    }
}

}  // namespace
}  // namespace zrt::test
