#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>

namespace brivo {

// Process-wide list of the single instances created through TSingleton. DestroyAll (called
// once at program exit) deletes them newest first.
class SingletonRegistry {
public:
    class Entry {
    public:
        virtual ~Entry() = default;
    };

    // Takes the instance over; DestroyAll deletes it.
    static void Register(std::unique_ptr<Entry> instance);
    static void DestroyAll();
    static std::size_t Count();
};

// Where the constructor/destructor trace lines go: stdout by default, null = nowhere. A
// command-line tool that prints its own report on stdout switches it off.
inline std::FILE*& SingletonTraceStream() {
    static std::FILE* stream = stdout;
    return stream;
}

void WriteSingletonTrace(const char* what, const void* object);

// Base of a class with one process-wide instance, reached through GetInstance and deleted
// by SingletonRegistry::DestroyAll. After that, GetInstance returns null for good.
// Other objects of the class may still be made directly (tests, tools); they do not touch
// the process-wide instance.
template <typename T>
class TSingleton : public SingletonRegistry::Entry {
public:
    static T* GetInstance() {
        if (creationAllowed && !instanceExists) {
            std::lock_guard guard(Lock());
            if (creationAllowed && !instanceExists) {
                auto created = std::make_unique<T>();
                instance = created.get();
                instanceExists = true;
                SingletonRegistry::Register(std::move(created));
            }
        }
        return instance;
    }

protected:
    TSingleton() { WriteSingletonTrace("Constructor", this); }
    ~TSingleton() override {
        WriteSingletonTrace("Destructor", this);
        std::lock_guard guard(Lock());
        if (instance != this) return;
        creationAllowed = false;
        instanceExists = false;
        instance = nullptr;
    }

private:
    static std::mutex& Lock() {
        static std::mutex lock;
        return lock;
    }

    static inline std::atomic<T*> instance = nullptr;
    static inline std::atomic<bool> instanceExists = false;
    static inline std::atomic<bool> creationAllowed = true;
};

}  // namespace brivo
