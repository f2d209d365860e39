#include "transfer/archive_entry.h"

bool EntryPassesFilters(const ArchiveEntry& entry, TypeFilter type, LoadFilter load)
{
    const bool typeShown = type == TypeFilter::All || static_cast<int>(type) == static_cast<int>(entry.Type);
    const bool loadShown = load == LoadFilter::All || (load == LoadFilter::Loaded) == (entry.Loaded == 1);
    return typeShown && loadShown;
}
