#pragma once

#include "net/adapterrecords.h"
#include "net/adaptersource.h"

#include <cstdint>
#include <deque>
#include <vector>

// An adapter source for tests: answers with the records of Adapters, laid out as the
// Windows query lays them out, or with the codes queued in Failures (one per query).
class FakeAdapterSource : public AdapterSource {
public:
    std::vector<AdapterFacts> Adapters;
    std::deque<std::uint32_t> Failures;
    std::vector<std::uint32_t> BufferSizes; // the size each query was given

    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        BufferSizes.push_back(*size);
        if (!Failures.empty()) {
            const std::uint32_t code = Failures.front();
            Failures.pop_front();
            return code;
        }
        return FillAdapterRecords(Adapters, buffer, size);
    }
};
