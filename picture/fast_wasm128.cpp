// The fast pipeline two lanes at a time with WebAssembly's 128-bit SIMD,
// for the browser build compiled with -msimd128. WebAssembly has no fused
// multiply-add outside the relaxed set, so this rounds as SSE2 does.
#include <cstdint>

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>

#include "picture/fast_twice.h"

namespace {
// Hides a vector from the optimiser. This compiler (clang 14) sees that
// only the low half of a conversion to two floats or two int32 is used,
// narrows the conversion to two lanes and then has no instruction for it:
// it would split every such conversion into scalar steps with range
// checks, a sixth of the kernel's time. Behind this barrier the whole
// f32x4.demote_f64x2_zero and i32x4.trunc_sat_f64x2_zero stay (no code).
inline v128_t Opaque(v128_t v)
{
    __asm__("" : "+r"(v));
    return v;
}

struct VectorOps {
    static constexpr bool kFused = false;
    static constexpr int32_t kLanes = 2;
    typedef v128_t D;
    typedef v128_t M;
    static D Set(double v) { return wasm_f64x2_splat(v); }
    static D Load(const double* p) { return wasm_v128_load(p); }
    static void Store(double* p, D v) { wasm_v128_store(p, v); }
    static D LoadReversed(const double* p)
    {
        D v = wasm_v128_load(p - 1);
        return wasm_i64x2_shuffle(v, v, 1, 0);
    }
    static D LoadFloats(const float* p) { return wasm_f64x2_promote_low_f32x4(wasm_v128_load64_zero(p)); }
    static void StoreFloats(float* p, D v) { wasm_v128_store64_lane(p, Opaque(wasm_f32x4_demote_f64x2_zero(v)), 0); }
    static D RoundToFloat(D v) { return wasm_f64x2_promote_low_f32x4(Opaque(wasm_f32x4_demote_f64x2_zero(v))); }
    static D Add(D a, D b) { return wasm_f64x2_add(a, b); }
    static D Sub(D a, D b) { return wasm_f64x2_sub(a, b); }
    static D Mul(D a, D b) { return wasm_f64x2_mul(a, b); }
    static D Div(D a, D b) { return wasm_f64x2_div(a, b); }
    static D Sqrt(D a) { return wasm_f64x2_sqrt(a); }
    // pmin and pmax are the plain `b < a ? b : a` and `a < b ? b : a`.
    static D Min(D a, D b) { return wasm_f64x2_pmin(a, b); }
    static D Max(D a, D b) { return wasm_f64x2_pmax(a, b); }
    static D MulAdd(D a, D b, D c) { return wasm_f64x2_add(wasm_f64x2_mul(a, b), c); }
    static D NegMulAdd(D a, D b, D c) { return wasm_f64x2_sub(c, wasm_f64x2_mul(a, b)); }
    static M Less(D a, D b) { return wasm_f64x2_lt(a, b); }
    static D Select(M m, D a, D b) { return wasm_v128_bitselect(a, b, m); }
    static D Iota() { return wasm_f64x2_make(0.0, 1.0); }
    static D ParitySign(D t) { return wasm_i64x2_shl(t, 63); }
    static D Xor(D a, D b) { return wasm_v128_xor(a, b); }
    static void StoreTrunc(int32_t* p, D v)
    {
        wasm_v128_store64_lane(p, Opaque(wasm_i32x4_trunc_sat_f64x2_zero(v)), 0);
    }
};
// Four vectors as one: V8 keeps four independent sine chains in flight
// without spilling (with the loops left rolled, see tools/build-web.sh),
// where two leave the multipliers waiting: a quarter faster.
typedef Twice<Twice<VectorOps>> Ops;
}  // namespace

#include "picture/fast_kernel.h"

const FastKernels* Wasm128Kernels(void)
{
    return &kKernels;
}
#else
#include "picture/fast_path.h"

const FastKernels* Wasm128Kernels(void)
{
    return nullptr;
}
#endif
