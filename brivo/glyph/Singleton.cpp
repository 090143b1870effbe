#include "glyph/Singleton.h"

#include <unistd.h>

#include <cstdint>
#include <vector>

namespace brivo {

namespace {

struct Registry {
    std::mutex lock;
    std::vector<std::unique_ptr<SingletonRegistry::Entry>> entries;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void SingletonRegistry::Register(std::unique_ptr<Entry> instance) {
    if (instance == nullptr) return;
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    if (registry.entries.capacity() == registry.entries.size())
        registry.entries.reserve(registry.entries.size() + 1024);
    registry.entries.push_back(std::move(instance));
}

void SingletonRegistry::DestroyAll() {
    // Each instance is deleted outside the registry lock: its destructor takes its own
    // lock, which GetInstance holds while it registers, so holding both would invite a
    // deadlock with a thread that is just creating an instance.
    Registry& registry = TheRegistry();
    for (;;) {
        std::unique_ptr<Entry> last;
        {
            std::lock_guard guard(registry.lock);
            if (registry.entries.empty()) return;
            last = std::move(registry.entries.back());
            registry.entries.pop_back();
        }
    }
}

std::size_t SingletonRegistry::Count() {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    return registry.entries.size();
}

void WriteSingletonTrace(const char* what, const void* object) {
    std::FILE* stream = SingletonTraceStream();
    if (stream == nullptr) return;
    std::fprintf(stream, " TSingleton<T> %s called - this=0x%08llX ThreadID=%d\n", what,
                 static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(object)),
                 static_cast<int>(gettid()));
}

}  // namespace brivo
