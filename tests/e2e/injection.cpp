#include "tests/e2e/injection.h"

#include <winternl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "display/find_proc.h"

namespace {

typedef NTSTATUS(WINAPI* QueryProcessProc)(HANDLE process, PROCESSINFOCLASS what, PVOID out, ULONG size,
                                           PULONG written);

bool Fail(std::string* error, const char* why)
{
    *error = why;
    return false;
}

template <typename T>
bool Read(HANDLE process, const void* at, T* value)
{
    SIZE_T got = 0;
    return ReadProcessMemory(process, at, value, sizeof *value, &got) && got == sizeof *value;
}

// Where the system mapped the program: the PEB's ImageBaseAddress, after
// four flag bytes and the Mutant handle, so two pointers in on either bitness.
bool ImageBase(HANDLE process, unsigned char** base)
{
    QueryProcessProc query =
        FindProc<QueryProcessProc>(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic;
    ULONG written = 0;
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, &written) != 0) return false;
    return Read(process, (const unsigned char*)basic.PebBaseAddress + 2 * sizeof(void*), base);
}

// Fresh read-write memory above the image and within reach of 32-bit RVAs.
unsigned char* AllocateAbove(HANDLE process, unsigned char* base, DWORD imageSize, size_t bytes)
{
    const uintptr_t granularity = 0x10000;
    uintptr_t at = ((uintptr_t)base + imageSize + granularity - 1) & ~(granularity - 1);
    for (int tries = 0; tries < 4096; ++tries, at += granularity) {
        if (at - (uintptr_t)base + bytes > 0x7FFFFFFFu) break;
        void* got = VirtualAllocEx(process, (void*)at, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (got) return (unsigned char*)got;
    }
    return nullptr;
}

// The new import table's block, laid out in one buffer that is then written
// at `block` in the program: descriptors, the DLL's name table and address
// table (one entry and the end), its import by name, and its path.
struct ImportBlock {
    std::vector<unsigned char> bytes;
    DWORD descriptorsOffset = 0;
    DWORD descriptorsSize = 0;
};

size_t RoundUp(size_t n, size_t to)
{
    return (n + to - 1) / to * to;
}

ImportBlock BuildBlock(const std::vector<IMAGE_IMPORT_DESCRIPTOR>& own, DWORD blockRva, const std::string& dllPath,
                       const char* exportName)
{
    ImportBlock block;
    const size_t descriptors = (own.size() + 2) * sizeof(IMAGE_IMPORT_DESCRIPTOR);
    const size_t names = RoundUp(descriptors, sizeof(IMAGE_THUNK_DATA));
    const size_t addresses = names + 2 * sizeof(IMAGE_THUNK_DATA);
    const size_t byName = addresses + 2 * sizeof(IMAGE_THUNK_DATA);
    const size_t path = RoundUp(byName + sizeof(WORD) + std::strlen(exportName) + 1, 2);
    block.bytes.assign(path + dllPath.size() + 1, 0);
    unsigned char* bytes = block.bytes.data();

    IMAGE_THUNK_DATA thunk;
    std::memset(&thunk, 0, sizeof thunk);
    thunk.u1.AddressOfData = blockRva + (DWORD)byName;
    std::memcpy(bytes + names, &thunk, sizeof thunk);
    std::memcpy(bytes + addresses, &thunk, sizeof thunk);
    std::memcpy(bytes + byName + sizeof(WORD), exportName, std::strlen(exportName));
    std::memcpy(bytes + path, dllPath.data(), dllPath.size());

    IMAGE_IMPORT_DESCRIPTOR first;
    std::memset(&first, 0, sizeof first);
    first.OriginalFirstThunk = blockRva + (DWORD)names;
    first.Name = blockRva + (DWORD)path;
    first.FirstThunk = blockRva + (DWORD)addresses;
    std::memcpy(bytes, &first, sizeof first);
    if (!own.empty()) std::memcpy(bytes + sizeof first, own.data(), own.size() * sizeof own[0]);
    block.descriptorsOffset = 0;
    block.descriptorsSize = (DWORD)descriptors;
    return block;
}

bool AddImport(HANDLE process, const std::string& dllPath, const char* exportName, std::string* error)
{
    unsigned char* base = nullptr;
    if (!ImageBase(process, &base) || !base) return Fail(error, "cannot find the image");
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS nt;
    if (!Read(process, base, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !Read(process, base + dos.e_lfanew, &nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return Fail(error, "not a program of the probe's own bitness");

    const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<IMAGE_IMPORT_DESCRIPTOR> own;
    for (DWORD at = imports.VirtualAddress; imports.VirtualAddress != 0; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        if (!Read(process, base + at, &descriptor)) return Fail(error, "cannot read the import table");
        if (descriptor.Name == 0) break;
        own.push_back(descriptor);
    }

    // Laid out once for its size, then again for the address it got.
    const size_t size = BuildBlock(own, 0, dllPath, exportName).bytes.size();
    unsigned char* remote = AllocateAbove(process, base, nt.OptionalHeader.SizeOfImage, size);
    if (!remote) return Fail(error, "no memory above the image");
    ImportBlock block = BuildBlock(own, (DWORD)(remote - base), dllPath, exportName);
    SIZE_T written = 0;
    if (!WriteProcessMemory(process, remote, block.bytes.data(), block.bytes.size(), &written))
        return Fail(error, "cannot write the new import table");

    // The header's page is read-only; the loader reads the directory once.
    IMAGE_DATA_DIRECTORY* directories = nt.OptionalHeader.DataDirectory;
    directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress = (DWORD)(remote - base) + block.descriptorsOffset;
    directories[IMAGE_DIRECTORY_ENTRY_IMPORT].Size = block.descriptorsSize;
    // Bindings made for the old table would not fit the new one.
    directories[IMAGE_DIRECTORY_ENTRY_BOUND_IMPORT].VirtualAddress = 0;
    directories[IMAGE_DIRECTORY_ENTRY_BOUND_IMPORT].Size = 0;
    unsigned char* header = base + dos.e_lfanew;
    DWORD previous = 0;
    if (!VirtualProtectEx(process, header, sizeof nt, PAGE_READWRITE, &previous))
        return Fail(error, "cannot unprotect the header");
    bool done = WriteProcessMemory(process, header, &nt, sizeof nt, &written) != FALSE;
    VirtualProtectEx(process, header, sizeof nt, previous, &previous);
    return done || Fail(error, "cannot write the header");
}

}  // namespace

bool StartProcess(const std::string& program, const std::string& commandLine, DWORD flags,
                  PROCESS_INFORMATION* started)
{
    for (int attempt = 1;; ++attempt) {
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        if (CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                           started))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2) {
            SetLastError(error);
            return false;
        }
        std::printf("note: Wine lost %s in its own start-up (error %lu); starting it again\n", program.c_str(),
                    error);
    }
}

bool StartWithDll(const std::string& program, const std::string& commandLine, const std::string& dllPath,
                  const char* exportName, PROCESS_INFORMATION* started, std::string* error)
{
    if (!StartProcess(program, commandLine, CREATE_SUSPENDED, started)) {
        *error = "cannot start it";
        return false;
    }
    if (!AddImport(started->hProcess, dllPath, exportName, error)) {
        TerminateProcess(started->hProcess, 98);
        WaitForSingleObject(started->hProcess, 5000);
        CloseHandle(started->hThread);
        CloseHandle(started->hProcess);
        return false;
    }
    ResumeThread(started->hThread);
    return true;
}
