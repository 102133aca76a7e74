#pragma once
// A fixed single-producer/single-consumer ring between an audio callback
// and another thread. Push and Pop neither lock nor allocate: each side owns
// one index and publishes it with release/acquire. The consumer may look at
// the oldest item in place (Front) before it pops it.

#include <array>
#include <atomic>
#include <cstddef>
#include <utility>

template <typename T, std::size_t Capacity>
class CSpscRing {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    // Producer side. FALSE when the ring is full; `item` is then untouched.
    bool Push(T&& item)
    {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail - m_head.load(std::memory_order_acquire) == Capacity)
            return false;
        m_items[tail & (Capacity - 1)] = std::move(item);
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }
    bool Push(const T& item)
    {
        T copy = item;
        return Push(std::move(copy));
    }

    // Consumer side: the oldest item, or null when empty.
    T* Front()
    {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        if (head == m_tail.load(std::memory_order_acquire))
            return nullptr;
        return &m_items[head & (Capacity - 1)];
    }
    // Consumer side. FALSE when empty.
    bool Pop(T& out)
    {
        T* front = Front();
        if (!front)
            return false;
        out = std::move(*front);
        m_head.store(m_head.load(std::memory_order_relaxed) + 1, std::memory_order_release);
        return true;
    }

    // Either side; exact only when the other side is still.
    std::size_t Size() const
    {
        return m_tail.load(std::memory_order_acquire) - m_head.load(std::memory_order_acquire);
    }
    bool Empty() const { return Size() == 0; }

private:
    std::array<T, Capacity> m_items{};
    alignas(64) std::atomic<std::size_t> m_head{0};  // next to pop; the consumer's
    alignas(64) std::atomic<std::size_t> m_tail{0};  // next to fill; the producer's
};
