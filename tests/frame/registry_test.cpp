#include "frame/registry.h"

#include <gtest/gtest.h>

#include <string>
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
    void SetUp() override {
        NamedObject* root = nullptr;
        ASSERT_EQ(LocateObject(".", kRootKind, root, makeRoot), kOk);
    }
    void TearDown() override {
        NamedObject* root = nullptr;
        if (LocateObject(".", kAnyKind, root) == kOk) DestroyObject(root);
    }
    NamedObject* make(const char* path, uint32_t kind = kMemoryArrayKind) {
        NamedObject* out = nullptr;
        EXPECT_EQ(LocateObject(path, kind, out, makeProbe), kOk) << path;
        return out;
    }
};

TEST_F(Registry, CodesOfTheFailureTable) {
    struct Case {
        const char* path;
        uint32_t kind;
        bool create;
        Code code;
        bool outSet;
    };
    make("a");
    make("a.b", kItemKind);
    const Case cases[] = {
        {"x.b", kAnyKind, false, kNoParent, false},
        {"a..b", kAnyKind, false, kNoParent, false},
        {"b", kAnyKind, false, kNotFound, false},  // names resolve from the root
        {"A", kAnyKind, false, kNotFound, false},  // and are case-sensitive
        {"a.b", kArrayFileKind, false, kWrongKind, true},
        {"a.b", kItemKind, true, kExists, true},
        {"", kAnyKind, false, kBadName, false},
        {"1a", kAnyKind, true, kBadName, false},
        {"a_b", kAnyKind, true, kBadName, false},
        {"a_b", kAnyKind, false, kNotFound, false},  // only a new name must be well formed
        {"#", kItemKind, false, kOk, true},
        {".", kArrayFileKind, false, kOk, true},
        {".", kRootKind, true, kRootExists, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        NamedObject* out = nullptr;
        EXPECT_EQ(LocateObject(c.path, c.kind, out, c.create ? makeProbe : nullptr), c.code);
        EXPECT_EQ(out != nullptr, c.outSet);
    }
}

TEST_F(Registry, AncestorsOfANestedObject) {
    NamedObject* parent = make("a1");
    NamedObject* child = make("a1.Data", kItemKind);
    EXPECT_EQ(ParentOf(child), parent);
    EXPECT_EQ(FindAncestor(child, kMemoryArrayKind), parent);
    EXPECT_EQ(FindAncestor(child, kItemKind), child);
    EXPECT_EQ(FindAncestor(child, kArrayFileKind), nullptr);
    EXPECT_EQ(FindAncestor(child, kRootKind), CurrentRoot());
}

TEST_F(Registry, DestroyTakesChildrenFirstOldestFirst) {
    std::vector<std::string> order;
    destroyed = &order;
    make("p");
    make("p.c1");
    make("p.c2");
    make("p.c1.g");
    NamedObject* p = nullptr;
    ASSERT_EQ(LocateObject("p", kAnyKind, p), kOk);
    std::vector<std::string> visited;
    ForEachChild(p, [&](NamedObject* c) { return visited.push_back(c->name), 0u; });
    EXPECT_EQ(visited, (std::vector<std::string>{"c1", "c2"}));
    DestroyObject(p);
    EXPECT_EQ(order, (std::vector<std::string>{"g", "c1", "c2", "p"}));
    NamedObject* gone = nullptr;
    EXPECT_EQ(LocateObject("p", kAnyKind, gone), kNotFound);
    destroyed = nullptr;
}

TEST_F(Registry, ClosingTheRootEndsEverything) {
    make("a");
    NamedObject* root = nullptr;
    ASSERT_EQ(LocateObject("#", kAnyKind, root), kOk);
    DestroyObject(root);
    NamedObject* out = reinterpret_cast<NamedObject*>(1);
    EXPECT_EQ(LocateObject("a", kAnyKind, out), kNoRoot);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(LocateObject("a", kItemKind, out, makeProbe), kNoRoot);
    EXPECT_EQ(CurrentRoot(), nullptr);
    ASSERT_EQ(LocateObject(".", kRootKind, out, makeRoot), kOk);  // Init can start again
}

}  // namespace
}  // namespace zrt
