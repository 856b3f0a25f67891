#pragma once

#include "platform/uniquefd.h"

#include <QString>

#include <cstdint>
#include <dirent.h>
#include <memory>
#include <optional>
#include <vector>

namespace dovex {

// One item found by a directory search.
struct FindRecord {
    QString name;
    std::uint32_t attributes = 0;
    std::int64_t size = 0;
    std::uint32_t dosDateTime = 0;
};

// The classic first/next/close directory search. The pattern is a
// drive-letter path whose last component is a wildcard ("C:\work\*.TXT").
// Items with the hidden, system or directory bit are returned only when the
// attribute mask holds that bit; plain files always are. "." and ".." are
// returned as the file system lists them ("." never at a drive root, and no
// ".." either). Names that cannot be written in a drive-letter path (holding
// a backslash) are skipped.
class DirSearch {
public:
    DirSearch() = default;
    ~DirSearch();
    DirSearch(const DirSearch&) = delete;
    DirSearch& operator=(const DirSearch&) = delete;

    // On one of the program's network drives the directory is read whole
    // at findFirst, within the network time limit; notReady() then tells a
    // drive that did not answer from an empty or missing directory.
    std::optional<FindRecord> findFirst(const QString& pattern, std::uint32_t attributeMask);
    std::optional<FindRecord> findNext();
    void close();
    bool notReady() const { return m_notReady; }

private:
    std::optional<FindRecord> nextFromDisk();

    std::vector<FindRecord> m_read; // a network directory read whole
    size_t m_readNext = 0;
    bool m_fromRead = false;
    bool m_notReady = false;
    UniqueDir m_dir;
    QByteArray m_hostDir;
    QByteArray m_path;
    QString m_wildcard;
    std::uint32_t m_mask = 0;
    bool m_atRoot = false;
};

// The classic wildcard test of a search: "*" any run, "?" any one character,
// letters without regard to case; "*.*" and a pattern ending in ".*" also
// match names without a dot.
bool wildcardMatches(const QString& name, const QString& wildcard);

} // namespace dovex
