// Feeds arbitrary bytes to the pak reader.
#include "archive/memorysource.h"
#include "archive/pakreader.h"
#include "fuzzrecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    dovex::MemorySource source({data, size});
    const dovex::ArchiveContents contents = dovex::readPakArchive(source);
    dovex::fuzz::checkRecords(contents);
    return 0;
}
