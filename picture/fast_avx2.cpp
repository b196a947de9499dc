// The fast pipeline four lanes at a time with AVX2 and FMA. Built with
// -mavx2 -mfma on x86 and run only where the processor and the operating
// system have both.
#include <cstdint>

#if defined(__AVX2__) && defined(__FMA__)
#include <immintrin.h>

// What the kernel includes, included here first: the unit's own code goes
// into a namespace of its own, by which the i686 build's instruction check
// tells it from the rest of the program.
#include <cfloat>
#include <cstring>

#include "picture/fast_path.h"
#include "picture/level.h"
#include "picture/picture.h"

namespace vector_unit_avx2 {
#include "picture/fast_twice.h"

namespace {
struct VectorOps {
    static constexpr bool kFused = true;
    static constexpr int32_t kLanes = 4;
    typedef __m256d D;
    typedef __m256d M;
    static D Set(double v) { return _mm256_set1_pd(v); }
    static D Load(const double* p) { return _mm256_loadu_pd(p); }
    static void Store(double* p, D v) { _mm256_storeu_pd(p, v); }
    static D LoadReversed(const double* p) { return _mm256_permute4x64_pd(_mm256_loadu_pd(p - 3), 0x1B); }
    static D LoadFloats(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    static void StoreFloats(float* p, D v) { _mm_storeu_ps(p, _mm256_cvtpd_ps(v)); }
    static D RoundToFloat(D v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }
    static D Add(D a, D b) { return _mm256_add_pd(a, b); }
    static D Sub(D a, D b) { return _mm256_sub_pd(a, b); }
    static D Mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D Div(D a, D b) { return _mm256_div_pd(a, b); }
    static D Sqrt(D a) { return _mm256_sqrt_pd(a); }
    static D Min(D a, D b) { return _mm256_min_pd(a, b); }
    static D Max(D a, D b) { return _mm256_max_pd(a, b); }
    static D MulAdd(D a, D b, D c) { return _mm256_fmadd_pd(a, b, c); }
    static D NegMulAdd(D a, D b, D c) { return _mm256_fnmadd_pd(a, b, c); }
    static M Less(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static D Select(M m, D a, D b) { return _mm256_blendv_pd(b, a, m); }
    static D Iota() { return _mm256_set_pd(3.0, 2.0, 1.0, 0.0); }
    static D ParitySign(D t) { return _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_castpd_si256(t), 63)); }
    static D Xor(D a, D b) { return _mm256_xor_pd(a, b); }
    static void StoreTrunc(int32_t* p, D v) { _mm_storeu_si128((__m128i*)p, _mm256_cvttpd_epi32(v)); }
};
typedef Twice<VectorOps> Ops;
}  // namespace

#include "picture/fast_kernel.h"
}  // namespace vector_unit_avx2

const FastKernels* Avx2Kernels(void)
{
    return &vector_unit_avx2::kKernels;
}
#else
#include "picture/fast_path.h"

const FastKernels* Avx2Kernels(void)
{
    return nullptr;
}
#endif
