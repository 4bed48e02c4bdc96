// Any bytes as the help file: parsed into pages, every page found again by its identifier, and
// searches for words of the text neither crash nor return pages that do not hold the words.
#include "core/base/HelpDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const loopcraft::HelpDocument document = loopcraft::HelpDocument::parse(text);
    for (const loopcraft::HelpTopic& topic : document.topics()) {
        const loopcraft::HelpTopic* found = document.find(topic.id);
        if (found == nullptr || found->id != topic.id) {
            std::abort(); // every page can be opened by its identifier
        }
    }
    if (document.search("").size() != document.topics().size()) {
        std::abort(); // the empty query lists the contents
    }
    // The input's first words as a query.
    document.search(text.substr(0, 64));
    return 0;
}
