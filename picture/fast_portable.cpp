// The fast pipeline one lane at a time in plain C++: for processors that
// have none of the vector sets, and a check on the vector units' logic.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "picture/fast_twice.h"

namespace {
struct VectorOps {
    static constexpr bool kFused = false;
    static constexpr int32_t kLanes = 1;
    typedef double D;
    typedef bool M;
    static D Set(double v) { return v; }
    static D Load(const double* p) { return *p; }
    static void Store(double* p, D v) { *p = v; }
    static D LoadReversed(const double* p) { return *p; }
    static D LoadFloats(const float* p) { return (double)*p; }
    static void StoreFloats(float* p, D v) { *p = (float)v; }
    static D RoundToFloat(D v) { return (double)(float)v; }
    static D Add(D a, D b) { return a + b; }
    static D Sub(D a, D b) { return a - b; }
    static D Mul(D a, D b) { return a * b; }
    static D Div(D a, D b) { return a / b; }
    static D Sqrt(D a) { return std::sqrt(a); }
    static D Min(D a, D b) { return a < b ? a : b; }
    static D Max(D a, D b) { return a > b ? a : b; }
    static D MulAdd(D a, D b, D c) { return a * b + c; }
    static D NegMulAdd(D a, D b, D c) { return c - a * b; }
    static M Less(D a, D b) { return a < b; }
    static D Select(M m, D a, D b) { return m ? a : b; }
    static D Iota() { return 0.0; }
    static D ParitySign(D t)
    {
        uint64_t bits;
        std::memcpy(&bits, &t, sizeof bits);
        bits <<= 63;
        double sign;
        std::memcpy(&sign, &bits, sizeof sign);
        return sign;
    }
    static D Xor(D a, D b)
    {
        uint64_t x, y;
        std::memcpy(&x, &a, sizeof x);
        std::memcpy(&y, &b, sizeof y);
        x ^= y;
        std::memcpy(&a, &x, sizeof a);
        return a;
    }
    static void StoreTrunc(int32_t* p, D v) { *p = (int32_t)v; }
};
typedef Twice<VectorOps> Ops;
}  // namespace

#include "picture/fast_kernel.h"

const FastKernels* PortableKernels(void)
{
    return &kKernels;
}
