#include "frame/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "frame/root.h"

namespace zrt {
namespace {

// A kind body that records its destruction, to see the order in which a tree is torn down.
std::vector<std::string>* destroyed = nullptr;

struct Probe : NamedObject {
    Probe() : NamedObject(kAnyKind) {}
    ~Probe() override {
        if (destroyed) destroyed->push_back(name);
    }
};

const ObjectMaker makeProbe = [] { return std::make_unique<Probe>(); };
const ObjectMaker makeRoot = [] { return std::make_unique<RootObject>(); };

class Registry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LocateObject(".", kRootKind, out, makeRoot), kOk); }
    void TearDown() override {
        if (LocateObject(".", kAnyKind, out) == kOk) DestroyObject(out);
    }
    NamedObject* make(const char* path, uint32_t kind = kMemoryArrayKind) {
        EXPECT_EQ(LocateObject(path, kind, out, makeProbe), kOk) << path;
        return out;
    }
    NamedObject* out = nullptr;
};

TEST_F(Registry, CodesOfTheFailureTable) {
    make("a");
    make("a.b", kItemKind);
    const std::tuple<const char*, uint32_t, bool, Code> cases[] = {
        // path, kind, create, code
        {"x.b", kAnyKind, false, kNoParent},
        {"a..b", kAnyKind, false, kNoParent},
        {"b", kAnyKind, false, kNotFound},  // names resolve from the root
        {"a.b", kArrayFileKind, false, kWrongKind},
        {"a.b", kItemKind, true, kExists},
        {"", kAnyKind, false, kBadName},
        {"a_b", kAnyKind, true, kBadName},
        {"a_b", kAnyKind, false, kNotFound},  // only a new name must be well formed
        {"#", kAnyKind, false, kOk},
        {"#", kItemKind, false, kWrongKind},  // the root passes for no other kind
        {".", kArrayFileKind, true, kExists},
        {".", kRootKind, true, kRootExists},
    };
    for (auto [path, kind, create, code] : cases) {
        SCOPED_TRACE(path);
        out = nullptr;
        EXPECT_EQ(LocateObject(path, kind, out, create ? makeProbe : nullptr), code);
        // The object found is given even when it is of the wrong kind or exists already.
        EXPECT_EQ(out != nullptr, code == kOk || code == kWrongKind || code == kExists ||
                                      code == kRootExists);
    }
}

TEST_F(Registry, DestroyTakesChildrenFirstOldestFirst) {
    std::vector<std::string> order;
    destroyed = &order;
    NamedObject* p = make("p");
    make("p.c1");
    make("p.c2");
    make("p.c1.g");
    std::vector<std::string> visited;
    ForEachChild(p, [&](NamedObject* c) { return visited.push_back(c->name), 0u; });
    EXPECT_EQ(visited, (std::vector<std::string>{"c1", "c2"}));
    DestroyObject(p);
    EXPECT_EQ(order, (std::vector<std::string>{"g", "c1", "c2", "p"}));
    EXPECT_EQ(LocateObject("p", kAnyKind, out), kNotFound);
    destroyed = nullptr;
}

}  // namespace
}  // namespace zrt
