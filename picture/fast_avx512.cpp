// The fast pipeline eight lanes at a time with AVX-512 (the foundation set
// only). Built with -mavx512f on x86 and run only where the processor and
// the operating system have it.
#include <cstdint>

#if defined(__AVX512F__)
// GCC 12's AVX-512 header makes its "undefined" vectors by self-assignment,
// which its own -Wuninitialized reports wherever they are inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

// What the kernel includes, included here first: the unit's own code goes
// into a namespace of its own, by which the i686 build's instruction check
// tells it from the rest of the program.
#include <cfloat>
#include <cstring>

#include "picture/fast_path.h"
#include "picture/level.h"
#include "picture/picture.h"

namespace vector_unit_avx512 {
#include "picture/fast_twice.h"

namespace {
struct VectorOps {
    static constexpr bool kFused = true;
    static constexpr int32_t kLanes = 8;
    typedef __m512d D;
    typedef __mmask8 M;
    static D Set(double v) { return _mm512_set1_pd(v); }
    static D Load(const double* p) { return _mm512_loadu_pd(p); }
    static void Store(double* p, D v) { _mm512_storeu_pd(p, v); }
    static D LoadReversed(const double* p)
    {
        return _mm512_permutexvar_pd(_mm512_set_epi64(0, 1, 2, 3, 4, 5, 6, 7), _mm512_loadu_pd(p - 7));
    }
    static D LoadFloats(const float* p) { return _mm512_cvtps_pd(_mm256_loadu_ps(p)); }
    static void StoreFloats(float* p, D v) { _mm256_storeu_ps(p, _mm512_cvtpd_ps(v)); }
    static D RoundToFloat(D v) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(v)); }
    static D Add(D a, D b) { return _mm512_add_pd(a, b); }
    static D Sub(D a, D b) { return _mm512_sub_pd(a, b); }
    static D Mul(D a, D b) { return _mm512_mul_pd(a, b); }
    static D Div(D a, D b) { return _mm512_div_pd(a, b); }
    static D Sqrt(D a) { return _mm512_sqrt_pd(a); }
    static D Min(D a, D b) { return _mm512_min_pd(a, b); }
    static D Max(D a, D b) { return _mm512_max_pd(a, b); }
    static D MulAdd(D a, D b, D c) { return _mm512_fmadd_pd(a, b, c); }
    static D NegMulAdd(D a, D b, D c) { return _mm512_fnmadd_pd(a, b, c); }
    static M Less(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static D Select(M m, D a, D b) { return _mm512_mask_blend_pd(m, b, a); }
    static D Iota() { return _mm512_set_pd(7.0, 6.0, 5.0, 4.0, 3.0, 2.0, 1.0, 0.0); }
    static D ParitySign(D t) { return _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_castpd_si512(t), 63)); }
    static D Xor(D a, D b)
    {
        // _mm512_xor_pd needs AVX512DQ; the integer form is in the foundation.
        return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
    }
    static void StoreTrunc(int32_t* p, D v) { _mm256_storeu_si256((__m256i*)p, _mm512_cvttpd_epi32(v)); }
};
typedef Twice<VectorOps> Ops;
}  // namespace

#include "picture/fast_kernel.h"
}  // namespace vector_unit_avx512

const FastKernels* Avx512Kernels(void)
{
    return &vector_unit_avx512::kKernels;
}
#else
#include "picture/fast_path.h"

const FastKernels* Avx512Kernels(void)
{
    return nullptr;
}
#endif
