// Two vectors treated as one of twice the lanes. The sine's polynomial is
// a long chain of dependent steps; running two independent chains side by
// side keeps the processor's units busy while each chain waits. Included by
// the instruction-set units before fast_kernel.h, inside no namespace;
// everything here has internal linkage for the reason fast_kernel.h gives.
#pragma once

#include <cstdint>

namespace {

template <class O>
struct Twice {
    static constexpr bool kFused = O::kFused;
    static constexpr int32_t kHalf = O::kLanes;
    static constexpr int32_t kLanes = 2 * O::kLanes;
    typedef typename O::D H;
    struct D {
        H lo, hi;
    };
    struct M {
        typename O::M lo, hi;
    };
    static D Set(double v) { return {O::Set(v), O::Set(v)}; }
    static D Load(const double* p) { return {O::Load(p), O::Load(p + kHalf)}; }
    static void Store(double* p, D v)
    {
        O::Store(p, v.lo);
        O::Store(p + kHalf, v.hi);
    }
    static D LoadReversed(const double* p) { return {O::LoadReversed(p), O::LoadReversed(p - kHalf)}; }
    static D LoadFloats(const float* p) { return {O::LoadFloats(p), O::LoadFloats(p + kHalf)}; }
    static void StoreFloats(float* p, D v)
    {
        O::StoreFloats(p, v.lo);
        O::StoreFloats(p + kHalf, v.hi);
    }
    static D RoundToFloat(D v) { return {O::RoundToFloat(v.lo), O::RoundToFloat(v.hi)}; }
    static D Add(D a, D b) { return {O::Add(a.lo, b.lo), O::Add(a.hi, b.hi)}; }
    static D Sub(D a, D b) { return {O::Sub(a.lo, b.lo), O::Sub(a.hi, b.hi)}; }
    static D Mul(D a, D b) { return {O::Mul(a.lo, b.lo), O::Mul(a.hi, b.hi)}; }
    static D Div(D a, D b) { return {O::Div(a.lo, b.lo), O::Div(a.hi, b.hi)}; }
    static D Sqrt(D a) { return {O::Sqrt(a.lo), O::Sqrt(a.hi)}; }
    static D Min(D a, D b) { return {O::Min(a.lo, b.lo), O::Min(a.hi, b.hi)}; }
    static D Max(D a, D b) { return {O::Max(a.lo, b.lo), O::Max(a.hi, b.hi)}; }
    static D MulAdd(D a, D b, D c) { return {O::MulAdd(a.lo, b.lo, c.lo), O::MulAdd(a.hi, b.hi, c.hi)}; }
    static D NegMulAdd(D a, D b, D c) { return {O::NegMulAdd(a.lo, b.lo, c.lo), O::NegMulAdd(a.hi, b.hi, c.hi)}; }
    static M Less(D a, D b) { return {O::Less(a.lo, b.lo), O::Less(a.hi, b.hi)}; }
    static D Select(M m, D a, D b) { return {O::Select(m.lo, a.lo, b.lo), O::Select(m.hi, a.hi, b.hi)}; }
    static D Iota() { return {O::Iota(), O::Add(O::Iota(), O::Set((double)kHalf))}; }
    static D ParitySign(D t) { return {O::ParitySign(t.lo), O::ParitySign(t.hi)}; }
    static D Xor(D a, D b) { return {O::Xor(a.lo, b.lo), O::Xor(a.hi, b.hi)}; }
    static void StoreTrunc(int32_t* p, D v)
    {
        O::StoreTrunc(p, v.lo);
        O::StoreTrunc(p + kHalf, v.hi);
    }
};

}  // namespace
