// Arrays with the index ranges of the shared stores: each dimension has its own
// lower and upper bound (negative lower bounds included), the first index varies
// fastest in memory, so the slice of one term of a coefficient table is the
// contiguous run of its coefficients.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <span>

namespace r7 {

template <class T, int... B>
class FArray {
    static_assert(sizeof...(B) > 0 && sizeof...(B) % 2 == 0, "bounds come in lower/upper pairs");
    static constexpr int rank_ = static_cast<int>(sizeof...(B) / 2);
    static constexpr std::array<int, sizeof...(B)> bounds_{B...};

    static constexpr std::array<std::size_t, sizeof...(B) / 2> extents()
    {
        std::array<std::size_t, sizeof...(B) / 2> e{};
        for (int d = 0; d < rank_; ++d) {
            e[d] = static_cast<std::size_t>(bounds_[2 * d + 1] - bounds_[2 * d] + 1);
        }
        return e;
    }
    static constexpr std::array<std::size_t, sizeof...(B) / 2> extent_ = extents();
    static constexpr std::size_t size_ = [] {
        std::size_t s = 1;
        for (auto e : extents()) s *= e;
        return s;
    }();

    std::array<T, size_> data_{};

public:
    static constexpr int rank() { return rank_; }
    static constexpr int lower(int dim) { return bounds_[2 * dim]; }
    static constexpr int upper(int dim) { return bounds_[2 * dim + 1]; }
    static constexpr std::size_t size() { return size_; }

    // Offset of an index tuple from the first element.
    template <class... I>
    static constexpr std::size_t offset(I... idx)
    {
        static_assert(sizeof...(I) == sizeof...(B) / 2, "wrong number of indices");
        const std::array<int, sizeof...(I)> ix{static_cast<int>(idx)...};
        std::size_t off = 0;
        std::size_t stride = 1;
        for (int d = 0; d < rank_; ++d) {
            assert(ix[d] >= bounds_[2 * d] && ix[d] <= bounds_[2 * d + 1]);
            off += static_cast<std::size_t>(ix[d] - bounds_[2 * d]) * stride;
            stride *= extent_[d];
        }
        return off;
    }

    template <class... I>
    T& operator()(I... idx) { return data_[offset(idx...)]; }
    template <class... I>
    const T& operator()(I... idx) const { return data_[offset(idx...)]; }

    // Pointer to an element, for the contiguous runs that loops and loaders use.
    template <class... I>
    T* at(I... idx) { return data_.data() + offset(idx...); }
    template <class... I>
    const T* at(I... idx) const { return data_.data() + offset(idx...); }

    std::span<T> flat() { return data_; }
    std::span<const T> flat() const { return data_; }
    void fill(const T& v) { data_.fill(v); }
};

} // namespace r7
