// The floating-point mode that pictures are made in.
//
// On x86 processors without SSE2 (the i686 build's baseline) double
// arithmetic runs on the x87 unit, which rounds to 64 bits of mantissa unless
// told otherwise; a field level could then differ from the SSE2 builds' in
// its last bits, and a pixel with it. With the precision control at 53 bits
// and rounding to nearest, + - * / and square roots round exactly as SSE2
// does, and the explicit conversions to float round through memory, so the
// pictures are the same bit for bit.
//
// The control word belongs to each thread and the C runtimes leave it at 64
// bits, so every thread that plans or fills pictures calls
// UsePictureFloatMode itself, before its first picture. Elsewhere it does
// nothing.
#pragma once

#include <cstdint>

inline void UsePictureFloatMode(void)
{
#if defined(__i386__)
    uint16_t control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    // Precision control (bits 8-9) 10b: 53 bits; rounding control (bits
    // 10-11) 00b: to nearest. The exception masks stay as they are.
    control = (uint16_t)((control & ~0x0F00u) | 0x0200u);
    __asm__ __volatile__("fldcw %0" : : "m"(control));
#endif
}

// The x87 control word's precision and rounding bits (0x0200 in the picture
// mode); 0 on other processors. For tests.
inline uint16_t PictureFloatModeBits(void)
{
#if defined(__i386__)
    uint16_t control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    return (uint16_t)(control & 0x0F00u);
#else
    return 0;
#endif
}
