#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "glyph/GlyphSet.h"
#include "glyph/Singleton.h"

using namespace brivo;

namespace {

std::vector<std::string> destroyed;

class CFirst : public TSingleton<CFirst> {
public:
    ~CFirst() override { destroyed.push_back("first"); }
};

class CSecond : public TSingleton<CSecond> {
public:
    ~CSecond() override { destroyed.push_back("second"); }
};

}  // namespace

// One test: destruction at exit is final for the process.
TEST(SingletonTest, CreatedOnceDestroyedNewestFirstNeverAgain) {
    SingletonTraceStream() = nullptr;
    const std::size_t registered = SingletonRegistry::Count();

    CFirst* seen[2] = {};
    std::thread other([&] { seen[1] = CFirst::GetInstance(); });
    seen[0] = CFirst::GetInstance();
    other.join();
    ASSERT_NE(seen[0], nullptr);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(CSecond::GetInstance(), CSecond::GetInstance());
    CGlyphSet* set = CGlyphSet::GetInstance();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SingletonRegistry::Count(), registered + 3);

    {
        CFirst standalone;  // made directly: must not end the process-wide one
    }
    destroyed.clear();
    EXPECT_EQ(CFirst::GetInstance(), seen[0]);

    set->SetGlyphAt(0, NewGlyph(0, 0));
    const std::size_t inUse = CGlyphPool::Instance().InUse();
    SingletonRegistry::DestroyAll();
    EXPECT_EQ(destroyed, (std::vector<std::string>{"second", "first"}));
    EXPECT_EQ(CGlyphPool::Instance().InUse(), inUse - 1);  // the set emptied itself
    EXPECT_EQ(SingletonRegistry::Count(), 0u);
    EXPECT_EQ(CFirst::GetInstance(), nullptr);
    EXPECT_EQ(CGlyphSet::GetInstance(), nullptr);
}

TEST(SingletonTest, RegisterIgnoresNull) {
    const std::size_t count = SingletonRegistry::Count();
    SingletonRegistry::Register(nullptr);
    EXPECT_EQ(SingletonRegistry::Count(), count);
}
