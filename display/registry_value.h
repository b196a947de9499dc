// Reading a registry value of unknown size whole, without any platform call:
// the platform's read is passed in.
//
// The first read offers a buffer; "more data" reports the size needed. The
// value may change between reads and its size may lie, so a reported size is
// a hint for the next buffer, never the size of what was read beyond the
// buffer offered.
#pragma once

#include <cstdint>

constexpr int32_t kRegistrySuccess = 0;     // ERROR_SUCCESS
constexpr int32_t kRegistryMoreData = 234;  // ERROR_MORE_DATA
constexpr uint32_t kFirstValueOffer = 511;  // the size the first read offers
constexpr uint32_t kMaxValueReads = 4;      // a value that keeps growing is given up

enum class ValueReadAction {
    Use,   // the first `size` bytes of the buffer hold the value
    Grow,  // read again into a buffer of `size` bytes
    Stop,  // the value cannot be read
};

struct ValueReadStep {
    ValueReadAction action;
    uint32_t size;
};

// What follows read number `readNumber` (1 for the first) that offered
// `offered` bytes and answered `result` with the size `reported`. On success
// the size used is never more than the offer. A "more data" that reports no
// more than was offered still doubles the offer, so reads always progress;
// after kMaxValueReads reads, or when the size no longer fits, they stop.
ValueReadStep NextValueReadStep(int32_t result, uint32_t offered, uint32_t reported, uint32_t readNumber);

// One read of the value into `buffer`: `*size` holds the bytes offered on
// entry and, on return, the registry's size (the size needed after "more
// data"). Returns the registry's result.
typedef int32_t (*ValueReader)(void* context, char* buffer, uint32_t* size);

// Reads the value whole. Returns a buffer allocated with new[] that the
// caller deletes with delete[], holding `*valueSize` bytes of the value
// (which need not end in a NUL); null when the value cannot be read or no
// memory is left.
char* ReadWholeValue(ValueReader read, void* context, uint32_t* valueSize);
