// The per-process tree of named objects through which APL refers to everything the library
// keeps between calls. The root object of a process is made by Init; every other object lives
// under it, is found again by a dotted path of names, and is destroyed with its children.
#pragma once

#include <cassert>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/codes.h"

namespace zrt {

enum ObjectKind : uint32_t {
    kAnyKind = 0,  // in lookups: any kind
    kRootKind = 1,
    kArrayFileKind = 2,
    kMemoryArrayKind = 3,
    kItemKind = 4,
};

// The header of every registered object; each kind derives its own record from it.
struct NamedObject {
    explicit NamedObject(uint32_t k) : kind(k) {}
    virtual ~NamedObject() = default;
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;

    NamedObject* parent = nullptr;
    std::string name;  // the last component only; empty for the root object
    uint32_t kind;
    uint32_t reserved = 0;
    std::vector<std::unique_ptr<NamedObject>> children;  // oldest first
};

// Makes the record of a new object of the kind asked for.
using ObjectMaker = std::function<std::unique_ptr<NamedObject>()>;

// Finds the object at path (make empty), or creates one there with make. out is always
// written: null, the object found, or the object made. The root object is made only with kind 1
// and a maker; "." and "#" name it, and it is of no other kind (kWrongKind, or kExists with a
// maker).
[[nodiscard]] Code LocateObject(const char* path, uint32_t kind, NamedObject*& out,
                  const ObjectMaker& make = nullptr);

// Destroys the object and everything under it, children first (oldest first).
void DestroyObject(NamedObject* object);

// An object just made, destroyed again unless keep() is called (on every path, a thrown
// out-of-memory included): a call that fails leaves no object behind.
class NewObjectGuard {
public:
    explicit NewObjectGuard(NamedObject* object) : object_(object) {}
    ~NewObjectGuard() {
        if (object_) DestroyObject(object_);
    }
    NewObjectGuard(const NewObjectGuard&) = delete;
    NewObjectGuard& operator=(const NewObjectGuard&) = delete;
    void keep() { object_ = nullptr; }

private:
    NamedObject* object_;
};

// The object itself if it is of that kind, else its nearest ancestor of that kind, else null.
NamedObject* FindAncestor(NamedObject* object, uint32_t kind);

// Calls f(child) for each child in creation order until a call returns non-zero; returns that.
uint32_t ForEachChild(NamedObject* object, const std::function<uint32_t(NamedObject*)>& f);

// Appends a child without the registry's name checks (the items an array file brings along).
NamedObject* AdoptChild(NamedObject* parent, std::unique_ptr<NamedObject> child);

// Whether a name is a letter followed by letters and digits.
bool IsObjectName(const std::string& name);

// The record of an object's kind (T::kKind), or null when the object is of another kind (or
// is null): the kind decides, as only the record type of a kind is ever made with it.
template <class T>
T* as(NamedObject* object) {
    if (!object || object->kind != T::kKind) return nullptr;
    assert(dynamic_cast<T*>(object) != nullptr);  // a kind is only ever made as its record
    return static_cast<T*>(object);
}

// The object at path as the record of its kind (T::kKind): LocateObject's codes, and
// kWrongKind for an object of another kind, "." included.
template <class T>
[[nodiscard]] Code LocateAs(const char* path, T*& out) {
    out = nullptr;
    NamedObject* found;
    if (Code c = LocateObject(path, T::kKind, found)) return c;
    out = as<T>(found);
    return out ? kOk : kWrongKind;
}

}  // namespace zrt
