// Feeds arbitrary bytes to the pak reader.
#include "archive/pakreader.h"
#include "archive/memorysource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    dovex::MemorySource source({data, size});
    const dovex::ArchiveContents contents = dovex::readPakArchive(source);
    // Every record must be a real, bounded name.
    for (const dovex::ArchiveRecord& r : contents.records)
        if (r.path.isEmpty() || r.path.size() > 4096 || r.size < 0)
            __builtin_trap();
    return 0;
}
