#pragma once

#include "fileops/operationstate.h"
#include "platform/fileio.h"
#include "platform/progresssink.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace dovex::test {

// A progress sink that records what it was shown and can ask for an abort
// (as the Escape key would) after a given number of checks.
class RecordingSink : public ProgressSink {
public:
    void setLabels(const QString& from, const QString& to) override
    {
        line1 = from;
        line2 = to;
    }
    void setPercent(int percent) override { percents << percent; }
    bool abortRequested() override
    {
        ++checks;
        return abortAfter >= 0 && checks > abortAfter;
    }
    void setInfo(const QString& text) override { infos << text; }
    void setAnimationPlaying(bool playing) override { animationChanges << playing; }
    void dropPendingEscape() override { ++drops; }

    QString line1, line2;
    QList<int> percents;
    QStringList infos;
    QList<bool> animationChanges;
    int checks = 0;
    int abortAfter = -1;
    int drops = 0;
};

// Two temporary drives, a scripted prompter and a fresh operation state.
class FileOpsTest : public ::testing::Test {
protected:
    FileOpsTest() : state(prompter, sink) {}
    ~FileOpsTest() override { File::clearFaults(); }

    DriveFixture drives{QStringLiteral("CD")};
    ScriptedPrompter prompter;
    RecordingSink sink;
    OperationState state;
};

} // namespace dovex::test
