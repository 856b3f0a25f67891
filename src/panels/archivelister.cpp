#include "panels/archivelister.h"

namespace dovex {

namespace {
ArchiveLister* g_lister = nullptr;
}

ArchiveLister* archiveLister()
{
    return g_lister;
}

void setArchiveLister(ArchiveLister* lister)
{
    g_lister = lister;
}

} // namespace dovex
