// Feeds arbitrary bytes to the loader of the file-type cache "regprop.dat".
#include "panels/filetypetable.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    dovex::FileTypeTable table;
    table.deserialize(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    for (const dovex::FileTypeRecord& r : table.records())
        if (r.extension.size() > 4 || r.description.size() > 50)
            __builtin_trap();
    table.find(QStringLiteral("letter.txt"));
    return 0;
}
