// libFuzzer target for the menu template reader, built on its own with clang
// -fsanitize=fuzzer,address,undefined: every item must lie inside the input, and Validate must agree
// with a walk of the items.
#include <cstdlib>

#include "controls/menu/menu_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    zelvix::MenuTemplateReader reader(data, size);
    zelvix::MenuTemplateItem item{};
    char16_t text[8];
    while (reader.Next(item)) {
        if (item.pText < data + 4 || item.pText + 2 * (item.nTextUnits + 1) > data + size ||
            item.nLevel >= zelvix::kMaxMenuTemplateLevels || item.nLevelsClosed > item.nLevel + 1)
            std::abort();
        zelvix::CopyMenuItemText(item, text, 8);
    }
    if (reader.IsComplete() == reader.IsMalformed() || reader.IsComplete() != zelvix::MenuTemplateReader::Validate(data, size))
        std::abort();
    return 0;
}
