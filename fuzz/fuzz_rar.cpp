// Feeds arbitrary bytes to the rar reader.
#include "archive/memorysource.h"
#include "archive/rarreader.h"
#include "fuzzrecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    dovex::MemorySource source({data, size});
    const dovex::ArchiveContents contents = dovex::readRarArchive(source);
    dovex::fuzz::checkRecords(contents);
    return 0;
}
