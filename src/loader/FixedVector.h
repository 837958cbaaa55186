#pragma once

// A list of at most Capacity elements held inside the object itself, for the small lists
// that every face of a model has (its corners): a face then needs no allocation of its own.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>

template <typename T, std::size_t Capacity> class FixedVector {
    static_assert(Capacity <= 255, "the size is kept in one byte");

public:
    using value_type = T;
    using iterator = T*;
    using const_iterator = const T*;

    FixedVector() = default;
    FixedVector(std::initializer_list<T> values) {
        for (const T& value : values) {
            push_back(value);
        }
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    static constexpr std::size_t capacity() { return Capacity; }

    T* begin() { return m_items.data(); }
    T* end() { return m_items.data() + m_size; }
    const T* begin() const { return m_items.data(); }
    const T* end() const { return m_items.data() + m_size; }
    T& operator[](std::size_t i) { return m_items[i]; }
    const T& operator[](std::size_t i) const { return m_items[i]; }

    void push_back(const T& value) {
        RequireRoom(m_size + 1);
        m_items[m_size++] = value;
    }
    // New elements start as T{}, as a vector's do.
    void resize(std::size_t size) {
        RequireRoom(size);
        for (std::size_t i = m_size; i < size; ++i) {
            m_items[i] = T{};
        }
        m_size = static_cast<std::uint8_t>(size);
    }
    void clear() { m_size = 0; }

    friend bool operator==(const FixedVector& a, const FixedVector& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    friend bool operator!=(const FixedVector& a, const FixedVector& b) { return !(a == b); }

private:
    static void RequireRoom(std::size_t size) {
        if (size > Capacity) {
            throw std::length_error("FixedVector is full");
        }
    }

    std::array<T, Capacity> m_items{};
    std::uint8_t m_size = 0;
};
