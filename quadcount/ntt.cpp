// Exact convolution by number-theoretic transforms; see ntt.hpp.
#include "ntt.hpp"

#include "features.hpp"

#include "parallel.hpp"

#include <algorithm>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <bit>
#include <memory>

namespace quadcount {

namespace {

// NTT-friendly primes p = c 2^e + 1 (e >= 24) below 2^31, with a generator
// of the multiplicative group. The largest comes first: it alone covers the
// most.
struct Prime {
    std::uint32_t p;
    std::uint32_t g;
};
constexpr Prime primes[3] = {{2013265921, 31}, {754974721, 11}, {469762049, 3}};

std::uint64_t power(std::uint64_t base, std::uint64_t e, std::uint64_t p)
{
    std::uint64_t r = 1;
    for (base %= p; e != 0; e >>= 1, base = base * base % p)
        if (e & 1) r = r * base % p;
    return r;
}

// Arithmetic modulo p < 2^31 with Montgomery multiplication (R = 2^32).
// Values stay in [0, p).
class Field {
public:
    explicit Field(std::uint32_t prime) : p_(prime)
    {
        std::uint32_t inv = p_;  // p^-1 mod 2^32 by Newton's iteration
        for (int i = 0; i < 5; ++i) inv *= 2 - p_ * inv;
        neg_inv_ = 0u - inv;
        r_ = static_cast<std::uint32_t>((std::uint64_t{1} << 32) % p_);
    }
    std::uint32_t p() const { return p_; }
    std::uint32_t neg_inv() const { return neg_inv_; }
    // Without branches, which would be mispredicted half the time: a value
    // below 2p is reduced by the unsigned minimum of it and its difference to p.
    std::uint32_t add(std::uint32_t a, std::uint32_t b) const { return std::min(a + b, a + b - p_); }
    std::uint32_t sub(std::uint32_t a, std::uint32_t b) const { return std::min(a - b, a - b + p_); }
    // a b / R mod p.
    std::uint32_t mul(std::uint32_t a, std::uint32_t b) const
    {
        std::uint64_t t = std::uint64_t{a} * b;
        std::uint32_t m = static_cast<std::uint32_t>(t) * neg_inv_;
        auto u = static_cast<std::uint32_t>((t + std::uint64_t{m} * p_) >> 32);
        return std::min(u, u - p_);
    }
    // x R mod p, so that mul(y, to_mont(x)) = x y.
    std::uint32_t to_mont(std::uint64_t x) const { return static_cast<std::uint32_t>(x % p_ * r_ % p_); }

private:
    std::uint32_t p_, neg_inv_, r_;
};

// tw[len + j] = w^j in Montgomery form, w a primitive (2 len)-th root of
// unity, for every len = 1, 2, 4, ..., n / 2. The top level is made by
// multiplying along 64 interleaved chains; each lower level is every other
// entry of the one above.
void twiddles(const Field& f, std::uint32_t g, std::size_t n, std::uint32_t* tw)
{
    if (n < 2) return;
    std::size_t top = n / 2, chains = std::min<std::size_t>(top, 64);
    std::uint32_t w = f.to_mont(power(g, (f.p() - 1) / n, f.p()));
    tw[top] = f.to_mont(1);
    for (std::size_t j = 1; j < chains; ++j) tw[top + j] = f.mul(tw[top + j - 1], w);
    std::uint32_t stride = chains < top ? f.mul(tw[top + chains - 1], w) : 0;  // w^chains
    for (std::size_t j = chains; j < top; ++j) tw[top + j] = f.mul(tw[top + j - chains], stride);
    for (std::size_t len = top / 2; len >= 1; len >>= 1)
        for (std::size_t j = 0; j < len; ++j) tw[len + j] = tw[2 * len + 2 * j];
}

// Turns the table of twiddles() into that of the inverse roots:
// w^-j = w^(2 len - j) = -w^(len - j), as w^len = -1.
void invert_twiddles(const Field& f, std::size_t n, std::uint32_t* tw)
{
    for (std::size_t len = 2; len < n; len <<= 1) {
        std::reverse(tw + len + 1, tw + 2 * len);
        for (std::size_t j = 1; j < len; ++j) tw[len + j] = f.sub(0, tw[len + j]);
    }
}

// Transforms work a block at a time once their butterflies span less than
// a block, so that most levels run within the cache: 2^13 entries, 32 KiB.
// Gain, against none (one thread, medians of 9 runs in alternation, AMD EPYC
// family 26 model 2, Zen 5): 4 lists of 32,000 in +-3 x 10^6, whose
// transforms take 2^23 entries, 0.73x the time of the whole program; 4 x
// 10^6 in [0, 10^6] (2^21) the same time. docs/PERFORMANCE.md, "2026-12-10:
// the machinery measured again".
constexpr std::size_t block = std::size_t{1} << 13;

// Levels len = top, top / 2, ..., bottom of a decimation-in-frequency
// transform over a[0, n).
void forward_levels(const Field& f, std::uint32_t* a, std::size_t n, const std::uint32_t* tw, std::size_t top,
                    std::size_t bottom)
{
    const bool fuse_last = bottom == 1 && top >= 4;  // the last three levels, eight values at a time
    for (std::size_t len = top; len >= bottom && !(fuse_last && len == 4); len >>= 1)
        for (std::size_t i = 0; i < n; i += 2 * len)
            for (std::size_t j = 0; j < len; ++j) {
                std::uint32_t u = a[i + j], v = a[i + j + len];
                a[i + j] = f.add(u, v);
                a[i + j + len] = f.mul(f.sub(u, v), tw[len + j]);
            }
    if (fuse_last)
        for (std::size_t i = 0; i < n; i += 8)
            for (std::size_t sub = 4; sub >= 1; sub >>= 1)
                for (std::size_t g = i; g < i + 8; g += 2 * sub)
                    for (std::size_t j = 0; j < sub; ++j) {
                        std::uint32_t u = a[g + j], v = a[g + j + sub];
                        a[g + j] = f.add(u, v);
                        a[g + j + sub] = f.mul(f.sub(u, v), tw[sub + j]);
                    }
}

// Levels len = bottom, 2 bottom, ..., top of a decimation-in-time transform.
void inverse_levels(const Field& f, std::uint32_t* a, std::size_t n, const std::uint32_t* tw,
                    std::size_t bottom, std::size_t top)
{
    std::size_t len = bottom;
    if (len == 1 && top >= 4) {  // the first three levels, eight values at a time
        for (std::size_t i = 0; i < n; i += 8)
            for (std::size_t sub = 1; sub <= 4; sub <<= 1)
                for (std::size_t g = i; g < i + 8; g += 2 * sub)
                    for (std::size_t j = 0; j < sub; ++j) {
                        std::uint32_t u = a[g + j], v = f.mul(a[g + j + sub], tw[sub + j]);
                        a[g + j] = f.add(u, v);
                        a[g + j + sub] = f.sub(u, v);
                    }
        len = 8;
    }
    for (; len <= top; len <<= 1)
        for (std::size_t i = 0; i < n; i += 2 * len)
            for (std::size_t j = 0; j < len; ++j) {
                std::uint32_t u = a[i + j], v = f.mul(a[i + j + len], tw[len + j]);
                a[i + j] = f.add(u, v);
                a[i + j + len] = f.sub(u, v);
            }
}

#if defined(__x86_64__)
// The same levels eight butterflies at a time with AVX2, for len >= 8;
// shorter levels go to the loops above. Values stay in [0, p), p < 2^31, so
// a sum or a Montgomery product is below 2p and one unsigned minimum with
// its difference to p reduces it.
struct Lanes {
    __m256i p, neg_inv;
};

[[gnu::target("avx2")]] inline __m256i add8(const Lanes& k, __m256i a, __m256i b)
{
    __m256i s = _mm256_add_epi32(a, b);
    return _mm256_min_epu32(s, _mm256_sub_epi32(s, k.p));
}

[[gnu::target("avx2")]] inline __m256i sub8(const Lanes& k, __m256i a, __m256i b)
{
    __m256i d = _mm256_sub_epi32(a, b);
    return _mm256_min_epu32(d, _mm256_add_epi32(d, k.p));
}

// a b / 2^32 mod p in each lane: the even lanes and the odd lanes each as
// four 64-bit products, t + m p < 2^64, whose high halves are the results.
[[gnu::target("avx2")]] inline __m256i mul8(const Lanes& k, __m256i a, __m256i b)
{
    __m256i t0 = _mm256_mul_epu32(a, b);
    __m256i t1 = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32));
    __m256i u0 = _mm256_add_epi64(t0, _mm256_mul_epu32(_mm256_mul_epu32(t0, k.neg_inv), k.p));
    __m256i u1 = _mm256_add_epi64(t1, _mm256_mul_epu32(_mm256_mul_epu32(t1, k.neg_inv), k.p));
    __m256i r = _mm256_blend_epi32(_mm256_srli_epi64(u0, 32), u1, 0xAA);
    return _mm256_min_epu32(r, _mm256_sub_epi32(r, k.p));
}

[[gnu::target("avx2")]] void forward_levels_avx2(const Field& f, std::uint32_t* a, std::size_t n,
                                                 const std::uint32_t* tw, std::size_t top, std::size_t bottom)
{
    const Lanes k{_mm256_set1_epi32(static_cast<int>(f.p())), _mm256_set1_epi32(static_cast<int>(f.neg_inv()))};
    std::size_t len = top;
    for (; len >= bottom && len >= 8; len >>= 1)
        for (std::size_t i = 0; i < n; i += 2 * len)
            for (std::size_t j = 0; j < len; j += 8) {
                auto* x = reinterpret_cast<__m256i*>(a + i + j);
                auto* y = reinterpret_cast<__m256i*>(a + i + j + len);
                __m256i u = _mm256_loadu_si256(x), v = _mm256_loadu_si256(y);
                __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tw + len + j));
                _mm256_storeu_si256(x, add8(k, u, v));
                _mm256_storeu_si256(y, mul8(k, sub8(k, u, v), w));
            }
    if (len == 4 && bottom == 1) {  // the last three levels within each eight lanes
        const __m256i w4 = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(tw + 4)));
        const __m256i w2 = _mm256_set_epi32(0, 0, static_cast<int>(tw[3]), static_cast<int>(tw[2]), 0, 0,
                                            static_cast<int>(tw[3]), static_cast<int>(tw[2]));
        const __m256i w2x = _mm256_shuffle_epi32(w2, _MM_SHUFFLE(1, 0, 1, 0));
        for (std::size_t i = 0; i < n; i += 8) {
            auto* at = reinterpret_cast<__m256i*>(a + i);
            __m256i x = _mm256_loadu_si256(at);
            __m256i u = _mm256_permute2x128_si256(x, x, 0x00), v = _mm256_permute2x128_si256(x, x, 0x11);
            x = _mm256_blend_epi32(add8(k, u, v), mul8(k, sub8(k, u, v), w4), 0xF0);
            u = _mm256_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 1, 0)), v = _mm256_shuffle_epi32(x, _MM_SHUFFLE(3, 2, 3, 2));
            x = _mm256_blend_epi32(add8(k, u, v), mul8(k, sub8(k, u, v), w2x), 0xCC);
            u = _mm256_shuffle_epi32(x, _MM_SHUFFLE(2, 2, 0, 0)), v = _mm256_shuffle_epi32(x, _MM_SHUFFLE(3, 3, 1, 1));
            _mm256_storeu_si256(at, _mm256_blend_epi32(add8(k, u, v), sub8(k, u, v), 0xAA));  // w^0 = 1
        }
        return;
    }
    if (len >= bottom) forward_levels(f, a, n, tw, len, bottom);
}

[[gnu::target("avx2")]] void inverse_levels_avx2(const Field& f, std::uint32_t* a, std::size_t n,
                                                 const std::uint32_t* tw, std::size_t bottom, std::size_t top)
{
    const Lanes k{_mm256_set1_epi32(static_cast<int>(f.p())), _mm256_set1_epi32(static_cast<int>(f.neg_inv()))};
    std::size_t len = bottom;
    if (len == 1 && top >= 4) {  // the first three levels within each eight lanes
        const __m256i w4 = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(tw + 4)));
        const __m256i w2 = _mm256_set_epi32(static_cast<int>(tw[3]), static_cast<int>(tw[2]), static_cast<int>(tw[3]),
                                            static_cast<int>(tw[2]), static_cast<int>(tw[3]), static_cast<int>(tw[2]),
                                            static_cast<int>(tw[3]), static_cast<int>(tw[2]));
        for (std::size_t i = 0; i < n; i += 8) {
            auto* at = reinterpret_cast<__m256i*>(a + i);
            __m256i x = _mm256_loadu_si256(at);
            __m256i u = _mm256_shuffle_epi32(x, _MM_SHUFFLE(2, 2, 0, 0)), v = _mm256_shuffle_epi32(x, _MM_SHUFFLE(3, 3, 1, 1));
            x = _mm256_blend_epi32(add8(k, u, v), sub8(k, u, v), 0xAA);  // w^0 = 1
            u = _mm256_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 1, 0));
            v = mul8(k, _mm256_shuffle_epi32(x, _MM_SHUFFLE(3, 2, 3, 2)), w2);
            x = _mm256_blend_epi32(add8(k, u, v), sub8(k, u, v), 0xCC);
            u = _mm256_permute2x128_si256(x, x, 0x00);
            v = mul8(k, _mm256_permute2x128_si256(x, x, 0x11), w4);
            _mm256_storeu_si256(at, _mm256_blend_epi32(add8(k, u, v), sub8(k, u, v), 0xF0));
        }
        len = 8;
    } else if (len < 8) {
        inverse_levels(f, a, n, tw, len, std::min<std::size_t>(top, 4));
        len = 8;
    }
    for (; len <= top; len <<= 1)
        for (std::size_t i = 0; i < n; i += 2 * len)
            for (std::size_t j = 0; j < len; j += 8) {
                auto* x = reinterpret_cast<__m256i*>(a + i + j);
                auto* y = reinterpret_cast<__m256i*>(a + i + j + len);
                __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tw + len + j));
                __m256i u = _mm256_loadu_si256(x), v = mul8(k, _mm256_loadu_si256(y), w);
                _mm256_storeu_si256(x, add8(k, u, v));
                _mm256_storeu_si256(y, sub8(k, u, v));
            }
}

// a[i] = mul(a[i], b[i]), or mul(a[i], c) when b is null; n is a multiple of 8.
[[gnu::target("avx2")]] void multiply_avx2(const Field& f, std::uint32_t* a, const std::uint32_t* b,
                                           std::uint32_t c, std::size_t n)
{
    const Lanes k{_mm256_set1_epi32(static_cast<int>(f.p())), _mm256_set1_epi32(static_cast<int>(f.neg_inv()))};
    const __m256i cc = _mm256_set1_epi32(static_cast<int>(c));
    for (std::size_t i = 0; i < n; i += 8) {
        auto* x = reinterpret_cast<__m256i*>(a + i);
        __m256i y = b ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i)) : cc;
        _mm256_storeu_si256(x, mul8(k, _mm256_loadu_si256(x), y));
    }
}

#endif

// The levels of a transform, forward or inverse: eight lanes at a time
// where `simd` (AVX2 on x86-64 only), else one butterfly at a time.
using Levels = void (*)(const Field&, std::uint32_t*, std::size_t, const std::uint32_t*, std::size_t, std::size_t);
Levels levels_for(bool simd, bool forward)
{
#if defined(__x86_64__)
    if (simd) return forward ? forward_levels_avx2 : inverse_levels_avx2;
#endif
    (void)simd;
    return forward ? forward_levels : inverse_levels;
}

// Forward transform, decimation in frequency: natural order in, bit-reversed out.
void forward(const Field& f, std::uint32_t* a, std::size_t n, const std::uint32_t* tw, bool simd)
{
    const Levels levels = levels_for(simd, true);
    std::size_t b = std::min(n, block);
    if (n > b) levels(f, a, n, tw, n / 2, b);
    for (std::size_t i = 0; i < n && b > 1; i += b) levels(f, a + i, b, tw, b / 2, 1);
}

// Inverse transform, decimation in time: bit-reversed in, natural order out,
// every value n times too large.
void inverse(const Field& f, std::uint32_t* a, std::size_t n, const std::uint32_t* tw, bool simd)
{
    const Levels levels = levels_for(simd, false);
    std::size_t b = std::min(n, block);
    for (std::size_t i = 0; i < n && b > 1; i += b) levels(f, a + i, b, tw, 1, b / 2);
    if (n > b) levels(f, a, n, tw, b, n / 2);
}

// a * b modulo one prime into out[0, n), n = bit_ceil(|a| + |b| - 1), using
// scratch[0, n).
void residues(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b, const Prime& prime,
              std::uint32_t* out, std::uint32_t* scratch, bool simd)
{
    Field f(prime.p);
    std::size_t n = std::bit_ceil(a.size() + b.size() - 1);
    auto load = [&](std::uint32_t* dst, std::span<const std::uint32_t> src) {
        for (std::size_t i = 0; i < src.size(); ++i) dst[i] = src[i] < f.p() ? src[i] : src[i] % f.p();
        std::fill(dst + src.size(), dst + n, 0u);
    };
    auto tw = big_array<std::uint32_t>(n);
    twiddles(f, prime.g, n, tw.get());
    load(out, a);
    load(scratch, b);
    forward(f, out, n, tw.get(), simd);
    forward(f, scratch, n, tw.get(), simd);
    auto multiply = [&](const std::uint32_t* by, std::uint32_t c) {
#if defined(__x86_64__)
        if (simd && n % 8 == 0) return multiply_avx2(f, out, by, c, n);
#endif
        for (std::size_t i = 0; i < n; ++i) out[i] = f.mul(out[i], by ? by[i] : c);
    };
    multiply(scratch, 0);
    invert_twiddles(f, n, tw.get());
    inverse(f, out, n, tw.get(), simd);
    // mul() divided by R once in the product above and divides once more
    // here, so scaling by R^2 / n undoes both and the transform's factor n.
    std::uint32_t scale = f.to_mont(f.to_mont(power(n, f.p() - 2, f.p())));
    multiply(nullptr, scale);
}

}  // namespace

unsigned primes_for(u128 bound)
{
    unsigned k = 1;
    for (u128 product = primes[0].p; k < 3 && bound >= product; ++k) product *= primes[k].p;
    return k;
}

BigVector<std::uint64_t> convolve(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                                    unsigned threads, bool vectorized)
{
    const bool simd = vectorized && machine::has_avx2();
    if (a.empty() || b.empty()) return {};
    std::uint64_t sum_a = 0, sum_b = 0;
    for (std::uint32_t x : a) sum_a += x;
    for (std::uint32_t x : b) sum_b += x;
    const std::size_t k = primes_for(u128{sum_a} * sum_b);

    // Scratch space for each prime, or one shared when they run in turn.
    std::size_t n = std::bit_ceil(a.size() + b.size() - 1), spaces = threads > 1 ? k : 1;
    BigArray<std::uint32_t> r[3], scratch[3];
    for (std::size_t i = 0; i < k; ++i) r[i] = big_array<std::uint32_t>(n);
    for (std::size_t i = 0; i < spaces; ++i) scratch[i] = big_array<std::uint32_t>(n);
    parallel_for(k, threads, [&](std::size_t i) { residues(a, b, primes[i], r[i].get(), scratch[i % spaces].get(), simd); });
    for (auto& space : scratch) space.reset();

    BigVector<std::uint64_t> c;
    c.reserve(a.size() + b.size() - 1);
    const std::uint64_t p1 = primes[0].p, p2 = primes[1].p, p3 = primes[2].p;
    const std::uint64_t inv_p1 = power(p1, p2 - 2, p2), inv_p12 = power(p1 * p2 % p3, p3 - 2, p3);
    for (std::size_t i = 0; i < a.size() + b.size() - 1; ++i) {
        std::uint64_t x = r[0][i];
        if (k >= 2) x += p1 * ((r[1][i] + p2 - x % p2) * inv_p1 % p2);
        if (k == 3) x += p1 * p2 * ((r[2][i] + p3 - x % p3) * inv_p12 % p3);
        c.push_back(x);
    }
    return c;
}

}  // namespace quadcount
