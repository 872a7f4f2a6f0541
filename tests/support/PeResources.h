#pragma once

// Reads resources straight from a PE file's resource section, without loading the file: the 64-bit
// Wine here cannot load a 32-bit image even as a data file, so the shipped build is read the way
// Windows' loader reads it. Used by the tests that check what both executables carry.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

class PeResources {
public:
    explicit PeResources(const std::wstring& path)
    {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return;
        }
        LARGE_INTEGER size{};
        ::GetFileSizeEx(file, &size);
        image_.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ::ReadFile(file, image_.data(), static_cast<DWORD>(image_.size()), &read, nullptr);
        ::CloseHandle(file);
        image_.resize(read);
        Parse();
    }

    // The bytes of resource (type, id) in its first language; empty when there is none.
    std::vector<BYTE> Find(WORD type, WORD id) const
    {
        if (!resourceOffset_)
            return {};
        const size_t typeDir = Entry(resourceOffset_, type);
        const size_t nameDir = typeDir ? Entry(typeDir, id) : 0;
        const size_t languageDir = nameDir ? FirstEntry(nameDir) : 0;
        if (!languageDir)
            return {};
        // The data entry: the RVA and size of the bytes.
        const DWORD rva = U32(languageDir), length = U32(languageDir + 4);
        const size_t offset = FileOffset(rva);
        if (!offset || offset + length > image_.size())
            return {};
        return {image_.begin() + static_cast<ptrdiff_t>(offset), image_.begin() + static_cast<ptrdiff_t>(offset + length)};
    }

private:
    DWORD U16(size_t at) const { return at + 2 <= image_.size() ? image_[at] | (image_[at + 1] << 8) : 0; }
    DWORD U32(size_t at) const { return at + 4 <= image_.size() ? U16(at) | (U16(at + 2) << 16) : 0; }

    void Parse()
    {
        const size_t pe = U32(0x3C);
        if (U32(pe) != 0x00004550)
            return;
        const size_t sections = U16(pe + 6);
        const size_t optional = pe + 24;
        const size_t optionalSize = U16(pe + 20);
        const DWORD magic = U16(optional);
        const size_t directories = optional + (magic == 0x20B ? 112 : 96);
        const DWORD resourceRva = U32(directories + 2 * 8);
        for (size_t i = 0; i < sections; ++i) {
            const size_t header = optional + optionalSize + i * 40;
            sections_.push_back({U32(header + 12), U32(header + 8), U32(header + 20)});
        }
        resourceRva_ = resourceRva;
        resourceOffset_ = FileOffset(resourceRva);
    }

    size_t FileOffset(DWORD rva) const
    {
        for (const auto& section : sections_)
            if (rva >= section.rva && rva < section.rva + section.size)
                return section.raw + (rva - section.rva);
        return 0;
    }

    // The subdirectory or data entry (as a file offset) of the entry with this id.
    size_t Entry(size_t directory, WORD id) const
    {
        const size_t named = U16(directory + 12), ids = U16(directory + 14);
        for (size_t i = 0; i < named + ids; ++i) {
            const size_t entry = directory + 16 + i * 8;
            if (U32(entry) == id)
                return Target(entry);
        }
        return 0;
    }

    size_t FirstEntry(size_t directory) const
    {
        return U16(directory + 12) + U16(directory + 14) ? Target(directory + 16) : 0;
    }

    size_t Target(size_t entry) const { return resourceOffset_ + (U32(entry + 4) & 0x7FFFFFFF); }

    struct Section {
        DWORD rva, size, raw;
    };
    std::vector<BYTE> image_;
    std::vector<Section> sections_;
    DWORD resourceRva_ = 0;
    size_t resourceOffset_ = 0;
};
