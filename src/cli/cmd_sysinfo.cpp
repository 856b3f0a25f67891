// dovex-cli sysinfo: the System Info table, one "label<TAB>text" line a row.
#include "cli/clicommand.h"

#include "shell/sysinfo.h"

namespace dovex::cli {

namespace {

int runSysinfo(const QStringList& args)
{
    if (!args.isEmpty())
        return fail(QStringLiteral("sysinfo takes no arguments"));
    // The command line has no screen of its own: the display row says so.
    for (const auto& [label, text] : sysinfo::rows(sysinfo::collect(std::nullopt)))
        out(label + '\t' + text);
    return 0;
}

const CliCommand registerSysinfo("sysinfo", "sysinfo", runSysinfo);

} // namespace

} // namespace dovex::cli
