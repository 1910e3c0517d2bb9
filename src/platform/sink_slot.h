// A host's callback and its context, set from one thread and read from any:
// both are set and read together under a lock, and the callback itself is
// called outside it, so it may be called from several threads at once (and,
// for calls in flight, after it was replaced).
#pragma once

#include <mutex>

namespace lumenmeta {

template <typename Sink>
class SinkSlot {
public:
    struct Target {
        Sink sink = nullptr;
        void* context = nullptr;
    };

    Target Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return target_;
    }

    // A null sink drops the context too.
    void Set(Sink sink, void* context) {
        std::lock_guard<std::mutex> lock(mutex_);
        target_.sink = sink;
        target_.context = sink ? context : nullptr;
    }

private:
    mutable std::mutex mutex_;
    Target target_;
};

}  // namespace lumenmeta
