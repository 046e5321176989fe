#pragma once

// The Linux adapter source, with its reading of the kernel replaceable for tests.
#include "net/adapterrecords.h"
#include "net/adaptersource.h"

#include <functional>
#include <memory>
#include <vector>

// A system call that failed, with its errno value.
struct SystemCallFailed {
    int code;
};

// Reads this machine's adapters; throws SystemCallFailed when a system call fails.
using AdapterReader = std::function<std::vector<AdapterFacts>()>;

// The Linux source over reader (PlatformAdapterSource() reads the kernel). It answers
// 0, AdapterSource::ErrorBufferOverflow for a buffer too small, or a failed system
// call's errno negated (ECONNREFUSED gives -111), so that no errno can be taken for
// a Windows code of the records.
std::unique_ptr<AdapterSource> MakeLinuxAdapterSource(AdapterReader reader);
