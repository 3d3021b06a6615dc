#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

// A contiguous sequence with free room at both ends: appending and prepending are amortised
// constant time, an insertion in the middle moves the shorter side. The value lists use it so
// that points added in descending x order (every one at index 0) stay linear, and drawing still
// reads a plain array. The free room is not initialised: an element is written before it is
// read.
template <typename T> class DoubleEndedVector
{
public:
    std::size_t size() const { return m_end - m_begin; }
    bool empty() const { return m_end == m_begin; }
    T *data() { return m_store.get() + m_begin; }
    const T *data() const { return m_store.get() + m_begin; }
    T &operator[](std::size_t i) { return m_store[m_begin + i]; }
    const T &operator[](std::size_t i) const { return m_store[m_begin + i]; }
    const T *begin() const { return data(); }
    const T *end() const { return data() + size(); }
    T *begin() { return data(); }
    T *end() { return data() + size(); }

    void insert(std::size_t index, T value)
    {
        const std::size_t n = size();
        if (index < n / 2 || (index == 0)) {
            if (m_begin == 0)
                grow();
            T *first = m_store.get() + m_begin;
            std::move(first, first + index, first - 1);
            --m_begin;
        } else {
            if (m_end == m_capacity)
                grow();
            T *first = m_store.get() + m_begin;
            std::move_backward(first + index, first + n, first + n + 1);
            ++m_end;
        }
        m_store[m_begin + index] = std::move(value);
    }

    void erase(std::size_t index)
    {
        const std::size_t n = size();
        T *first = m_store.get() + m_begin;
        if (index < n / 2) {
            std::move_backward(first, first + index, first + index + 1);
            m_store[m_begin] = T();
            ++m_begin;
        } else {
            std::move(first + index + 1, first + n, first + index);
            --m_end;
            m_store[m_end] = T();
        }
    }

    // Adds n elements at the back (or the front) and returns the first of them, for the caller
    // to fill: of a type with a destructor they hold T() (the free room always does, as a
    // moved-from unique_ptr is empty), others are not initialised. A sequence filled in one go from
    // empty gets exactly the room it needs.
    T *growBack(std::size_t n)
    {
        if (m_capacity - m_end < n)
            makeRoom(n, false);
        m_end += n;
        return data() + (size() - n);
    }
    T *growFront(std::size_t n)
    {
        if (m_begin < n)
            makeRoom(n, true);
        m_begin -= n;
        return data();
    }

    // Empties the sequence and keeps its room for the next filling (a display shows file after
    // file of about the same size).
    void clear()
    {
        if constexpr (!std::is_trivially_destructible_v<T>)
            for (T &element : *this)
                element = T();
        m_begin = m_end = 0;
    }

private:
    void makeRoom(std::size_t n, bool front)
    {
        if (empty()) {
            if (m_capacity < n) {
                m_store.reset(new T[n]);
                m_capacity = n;
            }
            // All the room on the side that grows, for more of the same to follow.
            m_begin = m_end = front ? m_capacity : 0;
            return;
        }
        grow(n);
    }

    // Doubles the room (for extra more elements) and centres the contents, so both ends have
    // space again.
    void grow(std::size_t extra = 0)
    {
        const std::size_t n = size();
        const std::size_t capacity = std::max<std::size_t>(16, 2 * (n + extra) + 2);
        std::unique_ptr<T[]> bigger(new T[capacity]);
        const std::size_t newBegin = (capacity - n) / 2;
        std::move(m_store.get() + m_begin, m_store.get() + m_end, bigger.get() + newBegin);
        m_store = std::move(bigger);
        m_capacity = capacity;
        m_begin = newBegin;
        m_end = newBegin + n;
    }

    std::unique_ptr<T[]> m_store;
    std::size_t m_capacity = 0;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
};
