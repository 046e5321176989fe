#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Where adapter records come from. A source answers like GetAdaptersInfo: it fills
// the caller's buffer with a chain of IPHelperDef::IP_ADAPTER_INFO records (every
// Next pointer, and CurrentIpAddress, point inside the buffer or are null) and
// returns 0, or returns a platform error code. When the buffer is too small it
// returns AdapterSource::ErrorBufferOverflow and writes the size that it needs to
// *size. A successful answer that writes 0 to *size holds no records (the Windows
// query never gives that: it fails when the machine has no adapters).
class AdapterSource {
public:
    static constexpr std::uint32_t ErrorSuccess = 0;
    static constexpr std::uint32_t ErrorBufferOverflow = 111; // ERROR_BUFFER_OVERFLOW

    virtual ~AdapterSource() = default;

    // buffer: *size bytes, aligned for the records.
    virtual std::uint32_t Query(void* buffer, std::uint32_t* size) = 0;

    // The message text for a code that Query returned.
    virtual std::string ErrorText(std::uint32_t code) const;
};

// The source of this machine's adapters (Windows: GetAdaptersInfo; Linux: the kernel).
std::unique_ptr<AdapterSource> PlatformAdapterSource();
