#include "controls/icontheme.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

void installTheme(const QString& dir, const char* name)
{
    QDir().mkpath(dir + '/' + name);
    QFile f(dir + '/' + name + "/index.theme");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Icon Theme]\nName=x\n");
}

TEST(IconTheme, ADesktopWithoutAThemeGetsAdwaitaThenHicolor)
{
    QTemporaryDir a, b;
    const QStringList paths{a.path(), b.path()};
    EXPECT_EQ(chooseIconTheme({}, paths), "");
    installTheme(b.path(), "hicolor");
    EXPECT_EQ(chooseIconTheme({}, paths), "hicolor");
    installTheme(b.path(), "Adwaita");
    EXPECT_EQ(chooseIconTheme({}, paths), "Adwaita");
    // The bare fallback holds no file-type pictures; a theme that is not
    // installed would draw nothing either.
    EXPECT_EQ(chooseIconTheme("hicolor", paths), "Adwaita");
    EXPECT_EQ(chooseIconTheme("Breeze", paths), "Adwaita");
    installTheme(a.path(), "Breeze");
    EXPECT_EQ(chooseIconTheme("Breeze", paths), "Breeze");
}

TEST(IconTheme, SearchPathsFollowTheXdgDirectories)
{
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME"), oldDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", "/x/home");
    qputenv("XDG_DATA_DIRS", "/x/one:/x/two/:/x/one");
    const QStringList paths = iconThemeSearchPaths({":/icons", "/x/two/icons"});
    EXPECT_EQ(paths, (QStringList{QDir::homePath() + "/.icons", "/x/home/icons", "/x/one/icons",
                                  "/x/two/icons", ":/icons"}));
    for (const auto& [name, old] :
         {std::pair{"XDG_DATA_HOME", oldHome}, {"XDG_DATA_DIRS", oldDirs}})
        old.isNull() ? void(qunsetenv(name)) : void(qputenv(name, old));
}

} // namespace

} // namespace dovex::test
