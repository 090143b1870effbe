#include "glyph/Singleton.h"

#include <unistd.h>

#include <cstdint>
#include <vector>

namespace {

struct Registry {
    std::mutex lock;
    std::vector<SingletonRegistry::Entry*> entries;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void SingletonRegistry::Register(Entry* instance) {
    if (instance == nullptr) return;
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    if (registry.entries.capacity() == registry.entries.size())
        registry.entries.reserve(registry.entries.size() + 1024);
    registry.entries.push_back(instance);
}

void SingletonRegistry::DestroyAll() {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    while (!registry.entries.empty()) {
        Entry* last = registry.entries.back();
        registry.entries.pop_back();
        delete last;
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
