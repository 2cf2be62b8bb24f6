// libFuzzer target: any bytes as a ".mbm" mesh. A parse that succeeds must
// give whole triangles whose coordinates all came from the file.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/meshes.h"
#include "tests/fuzz/fuzz_support.h"

static constexpr size_t triangleFloats = 3 * cornerFloats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::vector<float>> subMeshes;
    std::string error;
    if (!parseMbm(fuzzBytes(data, size), subMeshes, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    for (const std::vector<float>& corners : subMeshes)
        if (corners.size() % triangleFloats != 0) __builtin_trap();
    return 0;
}
