// The root object of a process: where Init found its settings, the cache of translation
// tables, and one slot for the state of each subsystem that keeps any between calls.
#pragma once

#include <cstdint>
#include <string>

#include "frame/registry.h"
#include "frame/xlate.h"

namespace zrt {

// A subsystem's state in the root object, of a type the subsystem defines: made on first use,
// released with the root. The root needs only the type's name; the first use, in the
// subsystem, sees the whole type and records how to release it.
template <class T>
class StateSlot {
public:
    StateSlot() = default;
    ~StateSlot() {
        if (state_) release_(state_);
    }
    StateSlot(const StateSlot&) = delete;
    StateSlot& operator=(const StateSlot&) = delete;

    T& get() const {
        if (!state_) {
            state_ = new T();
            release_ = [](T* state) { delete state; };
        }
        return *state_;
    }
    T* operator->() const { return &get(); }

private:
    mutable T* state_ = nullptr;
    mutable void (*release_)(T*) = nullptr;
};

struct ArraySettings;  // arrayfile/objects.h
struct ScarSettings;   // fastpath/scar_file.h
struct LockingState;   // locking/lock_file.h

struct RootObject : NamedObject {
    static constexpr uint32_t kKind = kRootKind;
    RootObject() : NamedObject(kKind) {}

    uint32_t processId = 0;
    std::string registryBase;
    std::string iniPath;
    XlateCache xlateCache;

    StateSlot<ArraySettings> arrays;
    StateSlot<ScarSettings> scar;
    StateSlot<LockingState> locking;
};

// The root object of the calling process, or null before Init.
RootObject* CurrentRoot();

}  // namespace zrt
