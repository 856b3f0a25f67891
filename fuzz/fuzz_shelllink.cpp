// Feeds arbitrary bytes to the shortcut readers: the parser of the binary
// format and the byte scan Enter uses. Neither may read outside the input;
// what the parser accepts must write out again.
#include "launch/linktarget.h"
#include "launch/shelllink.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    dovex::TShellLink link;
    if (link.decode(bytes))
        (void)link.encode(QStringLiteral("C:\\fuzz.lnk"));
    (void)dovex::shellFolderOfLink(bytes);
    (void)dovex::launch::linkTargetFromBytes(bytes, QStringLiteral("C:\\dir\\fuzz.lnk"));
    return 0;
}
