// Any bytes as PARAMS.TXT: read, and when that succeeds, recompute the values and write the file
// back; what is written must read again to the same texts.
#include "core/base/ParamsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    loopcraft::ParameterSet params;
    const auto result = loopcraft::ReadParamsFile(in, params, "PARAMS.TXT");
    if (!result.ok) {
        if (result.message.empty()) {
            std::abort(); // a refusal must say why
        }
        return 0;
    }
    params.recomputeAllValues();
    std::ostringstream out;
    loopcraft::WriteParamsFile(out, params);
    std::istringstream again(out.str());
    loopcraft::ParameterSet reread;
    if (!loopcraft::ReadParamsFile(again, reread, "PARAMS.TXT").ok) {
        std::abort();
    }
    std::ostringstream twice;
    loopcraft::WriteParamsFile(twice, reread);
    if (twice.str() != out.str()) {
        std::abort(); // writing what was read must be stable
    }
    return 0;
}
