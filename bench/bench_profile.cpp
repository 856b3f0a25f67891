// The settings file read at start and written at quit when it has grown to
// 10 MB and 2.5 million keys: the main window's keys sit after all of them.
// Cold is a new process (nothing parsed yet); Fresh is a file written a
// moment ago, whose times cannot vouch for a parsed copy, so its bytes are
// read and compared; Settled is the common case, a file older than the
// coarse file-time clock.
#include "platform/profile.h"
#include "platform/settingsfile.h"
#include "shell/mainsettings.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

using namespace dovex;

namespace {

constexpr int kKeys = 2'500'000;

const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// Sections of keys "xy=" (four bytes with the line end; 2,500 different
// two-letter names fit in a section), or with longer names all different.
QByteArray fillerSections(int sections, int keysPerSection, int nameLength = 2)
{
    QByteArray text;
    text.reserve(qsizetype(sections) * (keysPerSection * (nameLength + 2) + 16));
    for (int s = 0; s < sections; ++s) {
        text += "[Filler" + QByteArray::number(s) + "]\n";
        for (int k = 0; k < keysPerSection; ++k) {
            for (int c = 0, rest = k; c < nameLength; ++c, rest /= 62)
                text += kAlphabet[rest % 62];
            text += "=\n";
        }
    }
    return text;
}

const QByteArray kMainKeys =
    "[Panels]\nDir1=C:\\work\nDir2=C:\\\nCharacters=16\nShowMode=FileType\n"
    "[Settings]\nSortMeth1=0\nSortMeth2=3\nStatusbar=1\nSpeedbar=1\n"
    "Full1=1\nFull2=1\nShowcopySpeed=0\nTreeView=0\nShowIntro=0\n"
    "ExOnEnter=0\nUseIcons=2\nItemheight=17\nToolsSeek=1\n"
    "[Font]\nname=MS Sans Serif\nHeight=-11\nSize=8\nBold=False\n"
    "Italic=False\n"
    "[Setting]\nTop=91\nLeft=20\nWidth=750\nHeight=444\nState=Normal\n"
    "[Button1]\nCommand=NetWork.lnk\n[Button2]\nCommand=Recycled.lnk\n";

// A Windows directory with a large "Dovex.Ini", shared by the benchmarks.
class LargeIni {
public:
    static LargeIni& manySections()
    {
        static LargeIni ini(fillerSections(1000, kKeys / 1000) + kMainKeys);
        return ini;
    }
    // 2.5 million different keys in [Settings] itself (15 MB): its index
    // holds them all.
    static LargeIni& oneSection()
    {
        QByteArray text = fillerSections(1, kKeys, 4);
        text.replace("[Filler0]", "[Settings]");
        static LargeIni ini(text + kMainKeys.mid(kMainKeys.indexOf("[Font]")) +
                            "[Panels]\nDir1=C:\\work\n");
        return ini;
    }

    void use()
    {
        qputenv("DOVEX_WINDIR", m_dir.path().toLocal8Bit());
        qputenv("DOVEX_HOME", m_dir.path().toLocal8Bit());
    }
    QString path() const { return m_dir.path() + QStringLiteral("/Dovex.Ini"); }
    // Times older than the file-time clock's grain: a parsed copy is trusted.
    void settle()
    {
        if (!m_settled)
            std::this_thread::sleep_for(std::chrono::milliseconds(3100));
        m_settled = true;
    }
    // New times, the same bytes.
    void touch() const { ::utimensat(AT_FDCWD, QFile::encodeName(path()).constData(), nullptr, 0); }

private:
    explicit LargeIni(const QByteArray& text)
    {
        QFile f(path());
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            qFatal("cannot write the benchmark file");
    }
    QTemporaryDir m_dir;
    bool m_settled = false;
};

void readAtStart(benchmark::State& state)
{
    MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    readShowSettings(s);
    benchmark::DoNotOptimize(s);
    if (s.dir1 != QLatin1String("C:\\work"))
        state.SkipWithError("wrong value read");
}

void BM_ReadAtStartCold(benchmark::State& state)
{
    LargeIni& ini = state.range(0) ? LargeIni::oneSection() : LargeIni::manySections();
    ini.use();
    for (auto _ : state) {
        forgetProfileCache();
        readAtStart(state);
    }
    state.SetLabel(state.range(0) ? "2.5M keys in [Settings]" : "1000 sections before");
}
BENCHMARK(BM_ReadAtStartCold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadAtStartFresh(benchmark::State& state)
{
    LargeIni& ini = LargeIni::manySections();
    ini.use();
    readAtStart(state);
    for (auto _ : state) {
        ini.touch();
        readAtStart(state);
    }
}
BENCHMARK(BM_ReadAtStartFresh)->Unit(benchmark::kMillisecond);

void BM_ReadAtStartSettled(benchmark::State& state)
{
    LargeIni& ini = LargeIni::manySections();
    ini.use();
    ini.settle();
    readAtStart(state);
    for (auto _ : state)
        readAtStart(state);
}
BENCHMARK(BM_ReadAtStartSettled)->Unit(benchmark::kMicrosecond);

// The writes at quit, one commit of the whole file (synced to the disk).
void BM_WriteAtQuit(benchmark::State& state)
{
    LargeIni& ini = LargeIni::manySections();
    ini.use();
    forgetProfileCache();
    MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    int round = 0;
    for (auto _ : state) {
        s.sortMeth1 = ++round % 5; // something changes every time
        writeQuitSettings(s, QStringLiteral("C:\\prog"));
    }
}
BENCHMARK(BM_WriteAtQuit)->Unit(benchmark::kMillisecond);

// A start and a quit in a new process: parse, read, write.
void BM_StartAndQuitCold(benchmark::State& state)
{
    LargeIni& ini = LargeIni::manySections();
    ini.use();
    int round = 0;
    for (auto _ : state) {
        forgetProfileCache();
        MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
        readShowSettings(s);
        s.sortMeth2 = ++round % 5;
        writeQuitSettings(s, QStringLiteral("C:\\prog"));
    }
}
BENCHMARK(BM_StartAndQuitCold)->Unit(benchmark::kMillisecond);

// One key written at once (the panel width menu): a whole-file write.
void BM_SingleWrite(benchmark::State& state)
{
    LargeIni& ini = LargeIni::manySections();
    ini.use();
    MainSettings s;
    int round = 0;
    for (auto _ : state) {
        s.characters = 12 + (++round % 4) * 4;
        writePanelWidth(s);
    }
}
BENCHMARK(BM_SingleWrite)->Unit(benchmark::kMillisecond);

} // namespace
