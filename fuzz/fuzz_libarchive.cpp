// Feeds arbitrary bytes to the libarchive listing (tar and its
// compressions, 7z, ISO 9660, cpio) and to its content detection.
#include "archive/libarchivereader.h"
#include "archive/memorysource.h"
#include "fuzzrecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    dovex::MemorySource source({data, size});
    (void)dovex::detectLibarchiveKind(source);
    const dovex::ArchiveContents contents = dovex::readLibarchiveArchive(source);
    dovex::fuzz::checkRecords(contents);
    return 0;
}
