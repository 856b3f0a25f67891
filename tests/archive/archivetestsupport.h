#pragma once

#include "archive/archiverecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

// Readable failure messages for texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace dovex::test {

bool haveTool(const QString& program);

#define REQUIRE_TOOL(program)                                                                      \
    do {                                                                                           \
        if (!::dovex::test::haveTool(program))                                                     \
            GTEST_SKIP() << program << " is not installed";                                        \
    } while (0)

// Runs program in dir; false (with the output in the test log) on failure.
bool runTool(const QString& dir, const QString& program, const QStringList& args,
             const QByteArray& input = {}, QByteArray* output = nullptr);

QString fixturePath(const QString& name);
QByteArray fileBytes(const QString& hostPath);
void writeBytes(const QString& hostPath, const QByteArray& bytes);

ArchiveContents readHostFile(const QString& hostPath);
ArchiveContents readBytes(const QByteArray& bytes);

// The time given to every file of a sample tree: 2021-06-15 10:20:30 local.
std::uint32_t sampleDosTime();

// Files for the archivers: a.txt ("hello\n"), sub/b.txt (4000 bytes of text)
// and sub/deep/c.dat (300 bytes), all dated sampleDosTime().
void makeSampleTree(const QString& dir);

// A zip writer for layouts the real tool does not make: stored members with
// no data, sizes only in the central directory, ZIP64 where asked.
struct ZipMember {
    QByteArray name;
    std::uint64_t size = 0;
    std::uint32_t dosDateTime = 0;
    bool zip64 = false;
};
QByteArray buildZip(const std::vector<ZipMember>& members);

// A zip written by python3's zipfile: script runs with z the open
// archive and link(name, target) adding a symbolic link member (Unix
// attributes); false when python3 failed.
bool craftZip(const QString& hostZip, const QString& script);

// Little-endian appenders for hand-built headers.
void put16(QByteArray& b, std::uint32_t v);
void put32(QByteArray& b, std::uint32_t v);
void put64(QByteArray& b, std::uint64_t v);

// Every prefix of bytes and a few damaged copies go through the reader of
// their kind: nothing may crash or hang, no walk may find more records than
// the whole archive holds (damage can only take members away), and every
// prefix of a whole archive reads as damaged: an archive cut short never
// passes for a complete one. A rar 4 archive cut where a block ends is the
// exception: its end block is optional, so such a prefix reads whole.
void expectRobust(const QByteArray& bytes);

// Runs body in a forked child: its exit status (0 when body returned true,
// 1 when false, 3 when it threw, 128 + n when signal n ended it), or nullopt
// when it had not ended after seconds (it is killed then), so that a call
// that would block fails its test instead of hanging it. With extraMemory,
// the child's address space may grow by at most that many bytes.
std::optional<int> runInChild(const std::function<bool()>& body, int seconds,
                              std::size_t extraMemory = 0);

} // namespace dovex::test
