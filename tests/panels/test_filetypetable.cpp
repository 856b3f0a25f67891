#include "panels/filetypetable.h"
#include "platform/locations.h"
#include "support/drivefixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

using namespace dovex;
using dovex::test::DriveFixture;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString cacheFile()
{
    return programDirectory() + "/regprop.dat";
}

} // namespace

TEST(FileTypeTable, BuiltFromArchivesThenMimeSuffixes)
{
    DriveFixture drives;
    FileTypeTable table;
    EXPECT_EQ(table.build(programDirectory()), FileTypeTable::Source::Built);
    EXPECT_FALSE(table.cacheWriteFailed());
    ASSERT_GT(table.size(), 6);
    const char* archives[] = {".ZIP", ".ARJ", ".RAR", ".LZH", ".PAK", ".ZOO"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(table.records()[size_t(i)].extension, archives[i]);
        EXPECT_EQ(table.records()[size_t(i)].image, 11);
        EXPECT_TRUE(table.records()[size_t(i)].known);
    }
    EXPECT_EQ(table.records()[0].description, "Zip Compressed File");
    EXPECT_EQ(table.records()[4].description, "Pak Compressed File");

    QSet<QString> seen;
    for (const FileTypeRecord& r : table.records()) {
        EXPECT_TRUE(r.extension.startsWith('.'));
        EXPECT_LE(r.extension.size(), 4);
        EXPECT_LE(r.description.size(), 50);
        EXPECT_FALSE(seen.contains(r.extension.toUpper())) << r.extension.toStdString();
        seen.insert(r.extension.toUpper());
    }
    const FileTypeRecord* txt = table.find("notes.TXT");
    ASSERT_NE(txt, nullptr);
    EXPECT_EQ(txt->image, 4);
    EXPECT_TRUE(txt->known);
    EXPECT_FALSE(txt->description.isEmpty());
    // The built-in description wins over the MIME database's.
    EXPECT_EQ(table.find("a.zip")->description, "Zip Compressed File");
    EXPECT_EQ(table.find("makefile"), nullptr);
}

TEST(FileTypeTable, FileHoldsSixtyEightByteRecords)
{
    DriveFixture drives;
    FileTypeTable table;
    table.build(programDirectory());
    const QByteArray bytes = readAll(cacheFile());
    ASSERT_EQ(bytes.size(), table.size() * 68);
    EXPECT_EQ(bytes.mid(0, 5), QByteArray("\x04.ZIP"));
    EXPECT_EQ(int(bytes[5]), 19);
    EXPECT_EQ(bytes.mid(6, 19), QByteArray("Zip Compressed File"));
    EXPECT_EQ(int(bytes[60]), 1);
    EXPECT_NE(bytes.mid(64, 4), QByteArray(4, '\0'));
    EXPECT_EQ(bytes.right(4), QByteArray(4, '\0')); // the last record has no next
}

TEST(FileTypeTable, LoadsTheFileInsteadOfRebuilding)
{
    DriveFixture drives;
    FileTypeTable own;
    own.append({".ZIP", "Zip Compressed File", -1, false});
    own.append({".abc", "Alphabet file", -1, true}); // a stored flag without a group image
    own.append({".xls", "Sheet", -1, false});
    own.append({".Txt", "Writing", -1, false});
    ASSERT_TRUE(own.save(cacheFile()));

    FileTypeTable table;
    EXPECT_EQ(table.build(programDirectory()), FileTypeTable::Source::CacheFile);
    ASSERT_EQ(table.size(), 4);
    EXPECT_EQ(table.find("x.zip")->image, 11);
    EXPECT_FALSE(table.find("x.abc")->known);
    EXPECT_EQ(table.find("x.XLS")->image, 10);
    EXPECT_EQ(table.find("x.txt")->extension, ".Txt");
    EXPECT_EQ(table.find("x.txt")->description, "Writing");
    EXPECT_EQ(table.find("x.txt")->image, 4);
}

TEST(FileTypeTable, EmptyOrTruncatedFile)
{
    DriveFixture drives;
    writeAll(cacheFile(), QByteArray());
    FileTypeTable table;
    EXPECT_EQ(table.build(programDirectory()), FileTypeTable::Source::Built);
    EXPECT_GT(table.size(), 6);
    EXPECT_EQ(readAll(cacheFile()).size(), table.size() * 68); // rebuilt and written

    // One whole record and a torn one: the whole one is used.
    QByteArray bytes = readAll(cacheFile()).left(68 + 30);
    writeAll(cacheFile(), bytes);
    EXPECT_EQ(table.build(programDirectory()), FileTypeTable::Source::CacheFile);
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.records()[0].extension, ".ZIP");

    writeAll(cacheFile(), QByteArray(40, 'x'));
    EXPECT_EQ(table.build(programDirectory()), FileTypeTable::Source::Built);
}

TEST(FileTypeTable, HostileLengthsAreClamped)
{
    QByteArray record(68, '\0');
    record[0] = char(200);
    std::memcpy(record.data() + 1, ".ABCDEFG", 8);
    record[5] = char(255);
    for (int i = 6; i < 56; ++i)
        record[i] = 'd';
    FileTypeTable table;
    ASSERT_TRUE(table.deserialize(record));
    EXPECT_EQ(table.records()[0].extension, ".ABC");
    EXPECT_EQ(table.records()[0].description, QString(50, 'd'));
}

TEST(FileTypeTable, LongTextsAreCutAndRoundTrip)
{
    FileTypeTable table;
    table.append({".html", QString(70, QChar(0xE9)), -1, false});
    EXPECT_EQ(table.records()[0].extension, ".htm");
    EXPECT_EQ(table.records()[0].description.size(), 50);
    FileTypeTable back;
    ASSERT_TRUE(back.deserialize(table.serialize()));
    // Two bytes per character in the file: 25 fit in the 50-byte field.
    EXPECT_EQ(back.records()[0].description, QString(25, QChar(0xE9)));
    // Single-byte text of an older file reads as Latin-1.
    QByteArray record(68, '\0');
    record[0] = 4;
    std::memcpy(record.data() + 1, ".caf", 4);
    record[5] = 2;
    record[6] = char(0xE9);
    record[7] = 'x';
    ASSERT_TRUE(back.deserialize(record));
    EXPECT_EQ(back.records()[0].description, QString(QChar(0xE9)) + "x");
}

TEST(FileTypeTable, GroupImages)
{
    EXPECT_EQ(FileTypeTable::groupImage(".exe"), 2);
    EXPECT_EQ(FileTypeTable::groupImage(".XLSX"), 10);
    EXPECT_EQ(FileTypeTable::groupImage(".XL"), 10);
    EXPECT_EQ(FileTypeTable::groupImage(".X"), -1);
    EXPECT_EQ(FileTypeTable::groupImage(".dat"), 16);
    EXPECT_EQ(FileTypeTable::groupImage(".386"), 12);
    EXPECT_EQ(FileTypeTable::groupImage(".TXT1"), -1);
    EXPECT_EQ(FileTypeTable::groupImage(".scr"), 1);
    EXPECT_EQ(FileTypeTable::groupImage(""), -1);
}

TEST(FileTypeTable, UnwritableProgramDirectoryStillBuilds)
{
    DriveFixture drives;
    FileTypeTable table;
    // A file where the directory should be.
    writeAll(programDirectory() + "/blocked", "x");
    EXPECT_EQ(table.build(programDirectory() + "/blocked"), FileTypeTable::Source::Built);
    EXPECT_TRUE(table.cacheWriteFailed());
    EXPECT_NE(table.find("a.zip"), nullptr);
}

TEST(FileTypeTable, AChildProcessBuildsTheTableThisProcessWould)
{
    // Descriptions in any script and the image and icon flags come back
    // exactly and in the same order.
    FileTypeTable here;
    here.buildFromMimeDatabase();
    FileTypeTable apart;
    apart.buildFromMimeDatabaseInChild();
    ASSERT_EQ(apart.size(), here.size());
    for (size_t i = 0; i < here.records().size(); ++i) {
        const FileTypeRecord& a = apart.records()[i];
        const FileTypeRecord& b = here.records()[i];
        EXPECT_EQ(a.extension, b.extension) << i;
        EXPECT_EQ(a.description, b.description) << i;
        EXPECT_EQ(a.image, b.image) << i;
        EXPECT_EQ(a.known, b.known) << i;
    }
}
