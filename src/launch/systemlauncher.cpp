#include "launch/shellexecute.h"

#include "platform/hostname.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// GLib names a struct member "signals", which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

extern char** environ;

namespace dovex::launch {

namespace {

// Starts argv detached: a child makes a session of its own and forks the
// program, then leaves at once, so the program is never our child and never
// waited for. A pipe closed on exec tells whether the exec worked.
bool startDetached(const QString& program, const QStringList& arguments, const QString& dir)
{
    std::vector<QByteArray> args;
    args.push_back(hostname::encode(program));
    for (const QString& a : arguments) {
        args.push_back(hostname::encode(a));
        if (args.back().contains('\0'))
            return false;
    }
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray directory = hostname::encode(dir);
    const int nullIn = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int report[2];
    if (nullIn < 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        if (nullIn >= 0)
            ::close(nullIn);
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        int err = 0;
        if (!directory.isEmpty() && ::chdir(directory.constData()) != 0)
            err = errno;
        if (!err && ::dup2(nullIn, 0) < 0)
            err = errno;
        if (!err) {
            ::execve(argv[0], argv.data(), environ);
            err = errno;
        }
        [[maybe_unused]] auto n = ::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(report[1]);
    ::close(nullIn);
    bool ok = child > 0;
    if (ok) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        int err = 0;
        ssize_t got;
        while ((got = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
        }
        ok = got == 0; // closed by the exec: the program runs
    }
    ::close(report[0]);
    return ok;
}

bool openWithGio(const QString& hostPath)
{
    const QByteArray bytes = hostname::encode(hostPath);
    if (bytes.endsWith(".desktop")) {
        if (GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(bytes.constData())) {
            const bool ok = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, nullptr);
            g_object_unref(info);
            return ok;
        }
    }
    gchar* uri = g_filename_to_uri(bytes.constData(), nullptr, nullptr);
    if (!uri)
        return false;
    GError* error = nullptr;
    const bool ok = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    if (error)
        g_error_free(error);
    g_free(uri);
    return ok;
}

// The default application of text/plain with the file (the choice of a
// terminal editor without one is planTextEditing's).
bool openAsText(const QString& hostPath)
{
    GAppInfo* app = g_app_info_get_default_for_type("text/plain", FALSE);
    if (!app)
        return false;
    GFile* file = g_file_new_for_path(hostname::encode(hostPath).constData());
    GList* files = g_list_append(nullptr, file);
    const bool ok = g_app_info_launch(app, files, nullptr, nullptr);
    g_list_free(files);
    g_object_unref(file);
    g_object_unref(app);
    return ok;
}

} // namespace

bool SystemLauncher::hasDefaultApplication(const QString& mimeType)
{
    GAppInfo* app = g_app_info_get_default_for_type(mimeType.toUtf8().constData(), FALSE);
    if (!app)
        return false;
    g_object_unref(app);
    return true;
}

bool SystemLauncher::start(const LaunchPlan& plan)
{
    switch (plan.kind) {
    case LaunchPlan::Kind::Program:
        return startDetached(plan.program, plan.arguments, plan.workingDirectory);
    case LaunchPlan::Kind::Document:
    case LaunchPlan::Kind::Directory:
        return openWithGio(plan.target);
    case LaunchPlan::Kind::TextEditor:
        return openAsText(plan.target);
    }
    return false;
}

} // namespace dovex::launch
