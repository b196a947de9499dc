// The fast pipeline two lanes at a time with SSE2: the baseline of the
// x86_64 builds; the i686 build compiles this unit alone with -msse2 and
// enters it only where the processor and the system have SSE2.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>

// What the kernel includes, included here first: the unit's own code goes
// into a namespace of its own, by which the i686 build's instruction check
// tells it from the rest of the program.
#include <cfloat>
#include <cstring>

#include "picture/fast_path.h"
#include "picture/level.h"
#include "picture/picture.h"

namespace vector_unit_sse2 {
#include "picture/fast_twice.h"

namespace {
struct VectorOps {
    static constexpr bool kFused = false;
    static constexpr int32_t kLanes = 2;
    typedef __m128d D;
    typedef __m128d M;
    static D Set(double v) { return _mm_set1_pd(v); }
    static D Load(const double* p) { return _mm_loadu_pd(p); }
    static void Store(double* p, D v) { _mm_storeu_pd(p, v); }
    static D LoadReversed(const double* p)
    {
        D v = _mm_loadu_pd(p - 1);
        return _mm_shuffle_pd(v, v, 1);
    }
    static D LoadFloats(const float* p) { return _mm_cvtps_pd(_mm_loadl_pi(_mm_setzero_ps(), (const __m64*)p)); }
    static void StoreFloats(float* p, D v) { _mm_storel_pi((__m64*)p, _mm_cvtpd_ps(v)); }
    static D RoundToFloat(D v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }
    static D Add(D a, D b) { return _mm_add_pd(a, b); }
    static D Sub(D a, D b) { return _mm_sub_pd(a, b); }
    static D Mul(D a, D b) { return _mm_mul_pd(a, b); }
    static D Div(D a, D b) { return _mm_div_pd(a, b); }
    static D Sqrt(D a) { return _mm_sqrt_pd(a); }
    static D Min(D a, D b) { return _mm_min_pd(a, b); }
    static D Max(D a, D b) { return _mm_max_pd(a, b); }
    static D MulAdd(D a, D b, D c) { return _mm_add_pd(_mm_mul_pd(a, b), c); }
    static D NegMulAdd(D a, D b, D c) { return _mm_sub_pd(c, _mm_mul_pd(a, b)); }
    static M Less(D a, D b) { return _mm_cmplt_pd(a, b); }
    static D Select(M m, D a, D b) { return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b)); }
    static D Iota() { return _mm_set_pd(1.0, 0.0); }
    static D ParitySign(D t) { return _mm_castsi128_pd(_mm_slli_epi64(_mm_castpd_si128(t), 63)); }
    static D Xor(D a, D b) { return _mm_xor_pd(a, b); }
    static void StoreTrunc(int32_t* p, D v) { _mm_storel_epi64((__m128i*)p, _mm_cvttpd_epi32(v)); }
};
typedef Twice<VectorOps> Ops;
}  // namespace

#include "picture/fast_kernel.h"
}  // namespace vector_unit_sse2

const FastKernels* Sse2Kernels(void)
{
    return &vector_unit_sse2::kKernels;
}
#else
#include "picture/fast_path.h"

const FastKernels* Sse2Kernels(void)
{
    return nullptr;
}
#endif
