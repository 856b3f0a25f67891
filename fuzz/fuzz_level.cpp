// Arbitrary bytes through kind detection, the matching reader and the level
// listing of the root and of each directory the records name.
#include "archive/archivekind.h"
#include "archive/archivelevel.h"
#include "archive/archivereaders.h"
#include "archive/memorysource.h"
#include "fuzzrecords.h"

#include <QSet>

using namespace dovex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemorySource source({data, size});
    const QChar kind = detectArchiveKind(source.read(0, 11));
    const ArchiveContents contents = readArchiveRecords(kind, source);
    fuzz::checkRecords(contents);
    PanelEntries entries;
    QSet<QString> levels{QString()};
    for (const ArchiveRecord& r : contents.records) {
        if (levels.size() > 16)
            break;
        const qsizetype cut = r.path.lastIndexOf(u'\\');
        if (cut > 0)
            levels.insert(r.path.left(cut));
    }
    for (const QString& level : levels) {
        const int last = listArchiveLevel(contents.records, level, QStringLiteral("*.*"), entries);
        if (last < 0 || last > kPanelCapacity || entries.empty() || entries[0].name != "..")
            __builtin_trap();
        // One parent row, and every other row a plain name.
        for (std::size_t i = 1; i < entries.size(); ++i) {
            const QString& name = entries[i].name;
            if (name.isEmpty() || name == "." || name == ".." || name.contains(u'\\'))
                __builtin_trap();
        }
        for (PanelEntry& e : entries)
            e.selected = e.directory;
        std::int64_t files = 0;
        archiveLevelTotals(contents.records, level, entries, last, 0, true, files);
        if (files < 0 || std::size_t(files) > contents.records.size())
            __builtin_trap();
    }
    return 0;
}
