// Feeds arbitrary bytes to the comma-and-quote field reader, the way the log
// viewer and the preview read files that may hold anything. Beyond the
// sanitizers' own checks it aborts when the reader stops making progress
// (the viewer would hang), hands out a field that is not part of the text, or
// breaks one of the field rules a viewer row depends on.

#include "core/FieldReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool holds(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zelvo::FieldReader reader(text);
    std::size_t fields = 0;
    while (!reader.atEnd()) {
        const std::size_t before = reader.position();
        const bool quoted = [&] {
            std::size_t p = before;
            while (p < text.size() && text[p] == ' ')
                ++p;
            return p < text.size() && text[p] == '"';
        }();
        const std::string_view field = reader.next();

        require(reader.position() > before);
        require(reader.position() <= text.size());
        require(field.empty() || (field.data() >= text.data()
                                  && field.data() + field.size() <= text.data() + text.size()));
        // A line end always ends a field, quoted or not.
        require(!holds(field, '\r') && !holds(field, '\n'));
        if (quoted) {
            require(!holds(field, '"'));
        } else {
            require(field.empty() || field.front() != ' ');
            require(!holds(field, ','));
        }
        require(++fields <= size);
    }
    return 0;
}
