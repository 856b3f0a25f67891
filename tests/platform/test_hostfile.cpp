#include "platform/hostfile.h"
#include "platform/hostname.h"
#include "platform/locations.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex {

// The program's own files under a directory whose name is not UTF-8 land
// in exactly that directory, never in a look-alike.
TEST(HostFile, ProgramFilesKeepTheirDirectorysBytes)
{
    QTemporaryDir tmp;
    const QByteArray base = hostname::encode(tmp.path());
    const QByteArray odd = base + "/d\xff\xfe"
                                  "ir";
    qputenv("DOVEX_HOME", odd);
    const QString dir = programDirectory();
    EXPECT_EQ(hostname::encode(dir), odd);
    ASSERT_TRUE(ensureDirectory(dir));
    struct stat st {};
    EXPECT_EQ(::stat(odd.constData(), &st), 0);

    const QString file = dir + "/types.dat";
    EXPECT_FALSE(hostfile::isFile(file));
    ASSERT_TRUE(hostfile::write(file, "abc"));
    EXPECT_TRUE(hostfile::isFile(file));
    EXPECT_EQ(hostfile::read(file), QByteArray("abc"));
    ASSERT_TRUE(hostfile::write(file, "replaced"));
    EXPECT_EQ(hostfile::read(file), QByteArray("replaced"));
    EXPECT_FALSE(hostfile::read(file, 3)); // over the limit

    // A pipe is never opened for reading.
    const QByteArray pipe = odd + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.constData(), 0644), 0);
    EXPECT_FALSE(hostfile::read(hostname::decode(pipe)));
    qunsetenv("DOVEX_HOME");
}

} // namespace dovex
