// Functions taken by name at run time, for the ones that not every system
// has or that live in a library loaded on demand.
#pragma once

#include <windows.h>

// The function `name` of `module` as the function type `Proc`; null when
// the module is null or lacks it. GetProcAddress gives a generic function
// address, and void (*)(void) is the one function type a cast may pass
// through without a warning.
template <typename Proc>
inline Proc FindProc(HMODULE module, const char* name)
{
    if (!module) return nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}
