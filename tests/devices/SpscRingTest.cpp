// The lock-free ring between the audio thread and the player or recorder.

#include "devices/SpscRing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>

namespace {

// A block whose every word is derived from its sequence number, so that a
// torn or reordered hand-over shows.
struct Block {
    uint64_t seq = 0;
    uint64_t words[6] = {};

    static Block Make(uint64_t seq)
    {
        Block b;
        b.seq = seq;
        for (uint64_t i = 0; i < 6; ++i)
            b.words[i] = seq * 2654435761u + i;
        return b;
    }
    bool Intact() const
    {
        for (uint64_t i = 0; i < 6; ++i)
            if (words[i] != seq * 2654435761u + i)
                return false;
        return true;
    }
};

TEST(SpscRingTest, AMillionBlocksFromOneThreadToAnotherArriveWholeAndInOrder)
{
    constexpr uint64_t kBlocks = 1'000'000;
    CSpscRing<Block, 64> ring;
    std::thread producer([&] {
        for (uint64_t i = 0; i < kBlocks; ++i) {
            Block block = Block::Make(i);
            while (!ring.Push(block))
                std::this_thread::yield();
        }
    });
    uint64_t expected = 0, torn = 0, outOfOrder = 0;
    Block block;
    while (expected < kBlocks) {
        if (!ring.Pop(block)) {
            std::this_thread::yield();
            continue;
        }
        torn += block.Intact() ? 0 : 1;
        outOfOrder += block.seq == expected ? 0 : 1;
        expected = block.seq + 1;
    }
    producer.join();
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_EQ(expected, kBlocks);
    EXPECT_TRUE(ring.Empty());
}

TEST(SpscRingTest, RefusesWhenFullAndKeepsWhatItRefused)
{
    CSpscRing<std::unique_ptr<int>, 4> ring;
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(ring.Push(std::make_unique<int>(i)));
    auto extra = std::make_unique<int>(99);
    EXPECT_FALSE(ring.Push(std::move(extra)));
    ASSERT_TRUE(extra);  // untouched by the refused push
    EXPECT_EQ(*extra, 99);
    EXPECT_EQ(ring.Size(), 4u);
    ASSERT_NE(ring.Front(), nullptr);
    EXPECT_EQ(**ring.Front(), 0);
    std::unique_ptr<int> out;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(ring.Pop(out));
        EXPECT_EQ(*out, i);
    }
    EXPECT_FALSE(ring.Pop(out));
    EXPECT_EQ(ring.Front(), nullptr);
}

}  // namespace
