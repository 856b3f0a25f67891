#pragma once

#include "panels/filepanel.h"
#include "shell/ui/tform1.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <memory>

namespace dovex::test {

// A main window on drives C and D in temporary directories, its questions
// answered by a scripted prompter.
class WindowTest : public ::testing::Test {
protected:
    void ini(const QByteArray& text) { drives.writeSettings(text); }
    QByteArray iniText() const { return drives.settingsText(); }
    std::unique_ptr<TForm1> start()
    {
        auto form = std::make_unique<TForm1>(QStringList{});
        form->setPrompter(&prompter);
        form->resize(900, 600);
        form->show();
        form->FormShow();
        return form;
    }
    static int row(const FilePanel& p, const QString& name)
    {
        for (size_t i = 0; i < p.entries.size(); ++i)
            if (p.entries[i].name == name)
                return int(i);
        return -1;
    }

    DriveFixture drives{QStringLiteral("CD")};
    ScriptedPrompter prompter;
};

} // namespace dovex::test
