// Fuzzes the WAV planner (scripts/run-fuzzers.sh).
#include "tests/fuzz/AudioFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return klevotrim::clip::FuzzAudioPlanner(&klevotrim::clip::PlanWav, data, size);
}
