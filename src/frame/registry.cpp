#include "frame/registry.h"

#include <algorithm>
#include <cctype>

#include "frame/root.h"
#include "platform/platform.h"

namespace zrt {

namespace {

// The top of the tree: one root object per process, told apart by process id, so that a
// forked child starts without one.
std::vector<std::unique_ptr<NamedObject>>& roots() {
    static std::vector<std::unique_ptr<NamedObject>> list;
    return list;
}

NamedObject* rootOfThisProcess() {
    uint32_t pid = platform::processId();
    for (auto& r : roots())
        if (as<RootObject>(r.get())->processId == pid) return r.get();
    return nullptr;
}

NamedObject* childNamed(NamedObject* parent, const std::string& name) {
    for (auto& c : parent->children)
        if (c->name == name) return c.get();
    return nullptr;
}

// The object whose children hold the last component: the root, or the object named by the
// components before the last ".".
Code parentOf(NamedObject* root, const std::string& path, NamedObject*& parent,
              std::string& last) {
    size_t dot = path.rfind('.');
    parent = root;
    if (dot == std::string::npos) {
        last = path;
        return kOk;
    }
    last = path.substr(dot + 1);
    size_t start = 0;
    while (start <= dot) {
        size_t end = path.find('.', start);
        parent = childNamed(parent, path.substr(start, end - start));
        if (!parent) return kNoParent;
        start = end + 1;
    }
    return kOk;
}

Code makeRoot(const ObjectMaker& make, NamedObject*& out) {
    std::unique_ptr<NamedObject> root = make();
    root->kind = kRootKind;
    as<RootObject>(root.get())->processId = platform::processId();
    out = root.get();
    roots().push_back(std::move(root));
    return kOk;
}

}  // namespace

bool IsObjectName(const std::string& name) {
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

Code LocateObject(const char* path, uint32_t kind, NamedObject*& out, const ObjectMaker& make) {
    out = nullptr;
    NamedObject* root = rootOfThisProcess();
    if (!root) return (kind == kRootKind && make) ? makeRoot(make, out) : kNoRoot;
    if (kind == kRootKind && make) {
        out = root;
        return kRootExists;
    }
    std::string p = path ? path : "";
    if (p.empty()) return kBadName;
    if (p == "." || p == "#") {
        out = root;
        if (make) return kExists;
        return kind == kAnyKind || kind == kRootKind ? kOk : kWrongKind;
    }
    NamedObject* parent;
    std::string last;
    if (Code c = parentOf(root, p, parent, last)) return c;
    if (NamedObject* found = childNamed(parent, last)) {
        out = found;
        if (make) return kExists;
        if (kind != kAnyKind && kind != found->kind) return kWrongKind;
        return kOk;
    }
    if (!make) return kNotFound;
    if (!IsObjectName(last)) return kBadName;
    std::unique_ptr<NamedObject> object = make();
    object->kind = kind;
    object->name = last;
    out = AdoptChild(parent, std::move(object));
    return kOk;
}

void DestroyObject(NamedObject* object) {
    if (!object) return;
    while (!object->children.empty()) {
        std::unique_ptr<NamedObject> oldest = std::move(object->children.front());
        object->children.erase(object->children.begin());
        oldest->parent = nullptr;
        DestroyObject(oldest.release());
    }
    auto& siblings = object->parent ? object->parent->children : roots();
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [&](const auto& c) { return c.get() == object; });
    if (it != siblings.end()) {
        siblings.erase(it);  // destroys it
    } else {
        delete object;  // already taken out of its ring
    }
}

NamedObject* FindAncestor(NamedObject* object, uint32_t kind) {
    while (object && object->kind != kind) object = object->parent;
    return object;
}

uint32_t ForEachChild(NamedObject* object, const std::function<uint32_t(NamedObject*)>& f) {
    for (size_t i = 0; i < object->children.size(); ++i)
        if (uint32_t r = f(object->children[i].get())) return r;
    return 0;
}

NamedObject* AdoptChild(NamedObject* parent, std::unique_ptr<NamedObject> child) {
    child->parent = parent;
    parent->children.push_back(std::move(child));
    return parent->children.back().get();
}

}  // namespace zrt

namespace zrt {

RootObject* CurrentRoot() { return as<RootObject>(rootOfThisProcess()); }

}  // namespace zrt
