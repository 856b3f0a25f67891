// The worker threads of tree operations: every name handed over is done
// exactly once with its own directory, and each failure comes back under
// its name to the directory it belongs to, however the names were batched.
#include "support/drivefixture.h"

#include "platform/directory.h"

#include <QSet>

#include <gtest/gtest.h>

#include <mutex>

namespace dovex::test {

TEST(DirectoryWorkers, EveryNameIsDoneOnceAndFailuresReturnToTheirDirectory)
{
    DriveFixture drives;
    drives.directory("C:\\a");
    drives.directory("C:\\b");
    const auto a = std::make_shared<Directory>();
    const auto b = std::make_shared<Directory>();
    ASSERT_TRUE(a->open("C:\\a"));
    ASSERT_TRUE(b->open("C:\\b"));

    std::mutex mutex;
    QMultiHash<int, QByteArray> seen;
    DirectoryWorkers workers([&](int dirFd, const char* raw) {
        const std::lock_guard lock(mutex);
        seen.insert(dirFd, QByteArray(raw));
        return QByteArray(raw).endsWith('7') ? 5 : 0;
    });
    // More names than one batch holds, the two directories interleaved,
    // and a name that is no valid UTF-8 (it must come back as it went).
    const QString odd = QString(QChar(0xDC80 + 0x7F)) + QStringLiteral("x7");
    for (int i = 0; i < 75; ++i) {
        workers.queue(a, QStringLiteral("f%1").arg(i));
        if (i % 25 == 0)
            workers.queue(b, QStringLiteral("g%1").arg(i));
    }
    workers.queue(b, odd);

    QSet<QString> failedA;
    for (const DirectoryWorkers::Failure& f : workers.wait(*a)) {
        EXPECT_EQ(f.error, 5);
        failedA.insert(f.name);
    }
    EXPECT_EQ(failedA, QSet<QString>({"f7", "f17", "f27", "f37", "f47", "f57", "f67"}));
    const std::vector<DirectoryWorkers::Failure> failedB = workers.wait(*b);
    ASSERT_EQ(failedB.size(), 1u);
    EXPECT_EQ(failedB[0].name, odd);

    const QList<QByteArray> doneInA = seen.values(a->descriptor());
    EXPECT_EQ(doneInA.size(), 75);
    EXPECT_EQ(QSet<QByteArray>(doneInA.begin(), doneInA.end()).size(), 75);
    EXPECT_EQ(seen.values(b->descriptor()).size(), 4);
    // Nothing is left over for a later wait.
    EXPECT_TRUE(workers.wait(*a).empty());
}

} // namespace dovex::test
