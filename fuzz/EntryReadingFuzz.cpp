// Any text as an edit field's entry, for every kind of value: never a crash, the kept text is the
// cut text, and a text that was accepted reads again to the same value.
#include "core/base/EntryReading.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using loopcraft::EntryKind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto kind : {EntryKind::Float, EntryKind::Int, EntryKind::IntTruncated}) {
        const auto r = loopcraft::readEntry(text, kind);
        if (r.text != loopcraft::cutEntryText(text) || r.ok != r.message.empty()) {
            std::abort();
        }
        if (r.ok) {
            const auto again = loopcraft::readEntry(r.text, kind);
            if (!again.ok || again.intValue != r.intValue ||
                std::memcmp(&again.floatValue, &r.floatValue, sizeof(float)) != 0) {
                std::abort();
            }
        }
    }
    return 0;
}
