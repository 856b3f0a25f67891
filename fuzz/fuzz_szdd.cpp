// Feeds arbitrary bytes to the SZDD expander: it must stay within its
// output limit and never read outside the input.
#include "archive/szdd.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::int64_t kLimit = 1 << 20;
    const auto out = dovex::ExpandSzdd({data, size}, kLimit);
    if (out && std::int64_t(out->size()) > kLimit)
        __builtin_trap();
    if (const auto header = dovex::ReadSzddHeader({data, size})) {
        const QString name = dovex::ExpandedName(QStringLiteral("SETUP.EX_"), header->missingChar);
        if (name.contains('/') || name.contains('\\') || name == QLatin1String(".."))
            __builtin_trap();
    }
    return 0;
}
