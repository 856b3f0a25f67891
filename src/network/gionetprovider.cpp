// The network provider over GIO and gvfs. Every call runs GIO's
// asynchronous functions on a private main context with a time limit, so a
// server that stops answering costs seconds, never a frozen program.
#include <gio/gio.h>

#include "network/netdrives.h"
#include "network/netlocation.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/netrecords.h"
#include "platform/slowdrive.h"

#include <QElapsedTimer>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <memory>

#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

namespace dovex {

namespace {

// How long a network call may take before it is given up: DOVEX_NET_TIMEOUT
// seconds (1 to 120) when set, else 15 s. Every call is bounded by it.
int limitMs()
{
    return netrecords::timeLimitMs();
}

// One asynchronous call's result. When a call is given up the waiter stays
// alive for the late callback, which then frees it.
struct Waiter {
    GAsyncResult* result = nullptr;
    bool abandoned = false;
};

// Set when the last await gave up waiting (its call was cancelled).
thread_local bool t_timedOut = false;

void onReady(GObject*, GAsyncResult* res, gpointer data)
{
    auto* w = static_cast<Waiter*>(data);
    if (w->abandoned) {
        delete w;
        return;
    }
    w->result = G_ASYNC_RESULT(g_object_ref(res));
}

// Iterates context once without blocking; true when something was dispatched.
bool serve(GMainContext* context)
{
    return g_main_context_iteration(context, FALSE);
}

// Runs start(cancellable, callback, waiter) on context and waits up to
// timeoutMs. Returns the result (to be unreferenced) or nullptr on time out.
// Some gvfs replies (an SFTP listing's, say) are dispatched on GLib's global
// default context whatever the caller pushed, so that one is served too
// whenever this thread may own it: waiting on the private one alone stalls
// until gvfs gives up.
template <typename Start> GAsyncResult* await(GMainContext* context, int timeoutMs, Start start)
{
    auto* w = new Waiter;
    GCancellable* cancel = g_cancellable_new();
    g_main_context_push_thread_default(context);
    start(cancel, onReady, w);
    GMainContext* global = g_main_context_default();
    QElapsedTimer clock;
    clock.start();
    bool cancelled = false;
    while (!w->result) {
        if (!cancelled && clock.elapsed() > timeoutMs) {
            g_cancellable_cancel(cancel);
            cancelled = true;
        }
        if (cancelled && clock.elapsed() > timeoutMs + 2000)
            break;
        bool served = serve(context);
        if (global != context && g_main_context_acquire(global)) {
            served = serve(global) || served;
            g_main_context_release(global);
        }
        if (!served)
            QThread::usleep(500);
    }
    g_main_context_pop_thread_default(context);
    g_object_unref(cancel);
    t_timedOut = cancelled;
    GAsyncResult* result = w->result;
    if (result)
        delete w;
    else
        w->abandoned = true;
    return result;
}

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QString errorText(GError* error)
{
    return error ? QString::fromUtf8(error->message) : QString();
}

// Whether a failed mount says that the share or folder is not there: SMB
// reports it as a general failure that ends in the system's text for
// ENOENT.
bool notFound(const GError* e)
{
    if (g_error_matches(e, G_IO_ERROR, G_IO_ERROR_NOT_FOUND))
        return true;
    return e && e->domain == G_IO_ERROR && e->code == G_IO_ERROR_FAILED && e->message &&
           QByteArray(e->message).endsWith(QByteArray(": ") + g_strerror(ENOENT));
}

// Answers the mount operation's questions from what the user typed, once:
// a second request for the password means the first one was refused.
struct Credentials {
    QByteArray user, password, domain;
    int asks = 0;
    bool question = false;
};

void onAskPassword(GMountOperation* op, const char*, const char* defaultUser,
                   const char* defaultDomain, GAskPasswordFlags flags, gpointer data)
{
    auto* c = static_cast<Credentials*>(data);
    if (++c->asks > 1) {
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    if (c->user.isEmpty() && c->password.isEmpty()) {
        // Nothing typed: an anonymous login, also where the backend does not
        // offer one by name (an empty user and password is one for SMB), and
        // never the backend's remembered default user.
        g_mount_operation_set_anonymous(op, TRUE);
        if (!(flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED)) {
            g_mount_operation_set_username(op, "");
            g_mount_operation_set_password(op, "");
            g_mount_operation_set_domain(op, defaultDomain);
        }
    } else {
        g_mount_operation_set_anonymous(op, FALSE);
        g_mount_operation_set_username(op, c->user.isEmpty() ? defaultUser : c->user.constData());
        g_mount_operation_set_password(op, c->password.constData());
        g_mount_operation_set_domain(op,
                                     c->domain.isEmpty() ? defaultDomain : c->domain.constData());
    }
    g_mount_operation_set_password_save(op, G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

// A question (an unknown host key, say) is never answered yes on the
// user's behalf.
void onAskQuestion(GMountOperation* op, const char*, const char**, gpointer data)
{
    static_cast<Credentials*>(data)->question = true;
    g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
}

bool listable(const QString& dir)
{
    DIR* d = ::opendir(hostname::encode(dir).constData());
    if (!d)
        return false;
    errno = 0;
    while (::readdir(d)) {
    }
    const bool ok = errno == 0;
    ::closedir(d);
    return ok;
}

// A location's parts that name a place on a server: the scheme, the host
// (without regard to case), the port and the decoded path without a
// trailing "/". The user a mount was made as does not change the place.
QString placeOf(const QUrl& url, const QString& below = QString())
{
    QString path = url.path(QUrl::FullyDecoded);
    while (path.endsWith('/'))
        path.chop(1);
    path += below;
    return url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() + ':' +
           QString::number(url.port()) + path;
}

// Calls use(mount, its local root) for the gvfs mount whose local root
// holds hostDir, from the volume monitor's list (gvfs keeps it locally).
template <typename Use> void withMountAt(const QString& hostDir, Use use)
{
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* i = mounts; i; i = i->next) {
        GFile* root = g_mount_get_root(G_MOUNT(i->data));
        char* path = g_file_get_path(root);
        const QString rootDir = path ? hostname::decode(QByteArray(path)) : QString();
        g_free(path);
        g_object_unref(root);
        if (!rootDir.isEmpty() && (hostDir == rootDir || hostDir.startsWith(rootDir + '/'))) {
            use(G_MOUNT(i->data), rootDir);
            break;
        }
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
}

// Whether hostDir is the directory gvfs gives location: the gvfs mount
// whose local root holds hostDir is one of the location's server and share,
// and the folder below that root is the location's folder.
bool mountHolds(const QString& location, const QString& hostDir)
{
    const std::optional<QString> gio = netlocation::toGio(location);
    if (!gio)
        return false;
    bool holds = false;
    withMountAt(hostDir, [&](GMount* mount, const QString& rootDir) {
        GFile* root = g_mount_get_root(mount);
        char* uri = g_file_get_uri(root);
        holds = placeOf(QUrl(fromUtf8(uri)), hostDir.mid(rootDir.size())) == placeOf(QUrl(*gio));
        g_free(uri);
        g_object_unref(root);
    });
    return holds;
}

// Whether the server of the gvfs mount that holds hostDir answers within
// the time limit. Asked through gvfs, which can give up on a call: a look
// through the FUSE directory at a server that stopped answering would hold
// the asking thread in the kernel until gvfs itself gives up.
bool serverAnswers(const QString& hostDir)
{
    bool answers = false;
    withMountAt(hostDir, [&](GMount* mount, const QString&) {
        GFile* root = g_mount_get_root(mount);
        GMainContext* context = g_main_context_new();
        GAsyncResult* res =
            await(context, limitMs(), [&](GCancellable* c, GAsyncReadyCallback cb, gpointer w) {
                g_file_query_filesystem_info_async(root, G_FILE_ATTRIBUTE_FILESYSTEM_FREE,
                                                   G_PRIORITY_DEFAULT, c, cb, w);
            });
        if (res) {
            GError* e = nullptr;
            GFileInfo* info = g_file_query_filesystem_info_finish(root, res, &e);
            answers =
                info || (!t_timedOut && !g_error_matches(e, G_IO_ERROR, G_IO_ERROR_NOT_MOUNTED) &&
                         !g_error_matches(e, G_IO_ERROR, G_IO_ERROR_CANCELLED));
            g_clear_error(&e);
            if (info)
                g_object_unref(info);
            g_object_unref(res);
        }
        // A late answer still finds its waiter here, which frees it.
        while (g_main_context_iteration(context, FALSE)) {
        }
        g_main_context_unref(context);
        g_object_unref(root);
    });
    return answers;
}

class GioNetProvider final : public NetProvider {
public:
    GioNetProvider() : m_context(g_main_context_new()) {}
    ~GioNetProvider() override { g_main_context_unref(m_context); }

    bool networkPresent(QString* userName) override
    {
        if (userName) {
            QString name = QString::fromLocal8Bit(qgetenv("USER"));
            if (name.isEmpty())
                if (const passwd* pw = ::getpwuid(::getuid()))
                    name = QString::fromLocal8Bit(pw->pw_name);
            *userName = name;
        }
        // GIO falls back to local files alone when no session bus with gvfs
        // answers; then no network location is supported.
        const char* const* schemes = g_vfs_get_supported_uri_schemes(g_vfs_get_default());
        for (int i = 0; schemes && schemes[i]; ++i)
            if (qstrcmp(schemes[i], "smb") == 0 || qstrcmp(schemes[i], "sftp") == 0)
                return true;
        return false;
    }

    std::optional<QList<NetResource>> enumerate(const QString& parent) override
    {
        const QString location = parent.isEmpty() ? QStringLiteral("network:///") : parent;
        GFile* file = g_file_new_for_uri(location.toUtf8().constData());
        auto list = enumerateOnce(file, location);
        if (!list && m_notMounted) {
            // A server's share list can be read once it is mounted anonymously.
            QString hostDir, error;
            // gvfs's SMB browser can fail the first time after another
            // browse failed (it asks for a remembered guest user): once more.
            for (int attempt = 0; attempt < 2 && !list; ++attempt) {
                Credentials none;
                if (mountFile(file, none, &error) == NetStatus::Ok)
                    list = enumerateOnce(file, location);
            }
        }
        g_object_unref(file);
        return list;
    }

    NetStatus mount(const QString& typed, const QString& user, const QString& password,
                    QString* hostDir, QString* error) override
    {
        const std::optional<QString> location = netlocation::toGio(typed);
        if (!location) {
            if (error)
                *error = QStringLiteral("not a network location: ") +
                         netlocation::withoutPassword(typed);
            return NetStatus::Failed;
        }
        if (!networkPresent(nullptr))
            return NetStatus::NoNetwork;
        // The server is asked as the given user from the first try: without
        // the name in the location gvfs first tries the local user's.
        const QString asked = netlocation::withUser(*location, user);
        GFile* file = g_file_new_for_uri(asked.toUtf8().constData());
        Credentials c;
        const int at = user.indexOf('\\');
        c.user = (at > 0 ? user.mid(at + 1) : user).toUtf8();
        c.domain = at > 0 ? user.left(at).toUtf8() : QByteArray();
        c.password = password.toUtf8();
        NetStatus status = mountFile(file, c, error);
        // A folder (or share) the server does not have is named as such.
        if (status == NetStatus::Failed && m_notFound && error)
            *error = QStringLiteral("%1 does not exist on the server").arg(*location);
        c.password.fill('\0');
        if (status == NetStatus::Ok)
            status = localFolder(file, *location, hostDir, error);
        g_object_unref(file);
        return status;
    }

    NetStatus unmount(const QString& hostDir, QString* error) override
    {
        GMount* mount = mountAt(hostDir);
        if (!mount) {
            if (error)
                *error = QStringLiteral("%1 is not mounted").arg(hostDir);
            return NetStatus::Failed;
        }
        return unmountMount(mount, error);
    }

    std::optional<QString> mountedDir(const QString& typed) override
    {
        const std::optional<QString> location = netlocation::toGio(typed);
        if (!location)
            return std::nullopt;
        GFile* file = g_file_new_for_uri(location->toUtf8().constData());
        std::optional<QString> dir = localDir(file);
        g_object_unref(file);
        return dir;
    }

private:
    // The local directory of the mounted location file: the folder below
    // the mount's FUSE directory, which must be a folder on the server. A
    // mount made here that no drive can name is not left behind (one that
    // was there before is not ours to end).
    NetStatus localFolder(GFile* file, const QString& location, QString* hostDir, QString* error)
    {
        const bool ours = !m_alreadyMounted;
        GMount* mount = findMount(file);
        const std::optional<QString> dir = mount ? dirOf(mount, file) : std::nullopt;
        QString why;
        if (!dir || !fuseReady(mount))
            why = QStringLiteral("the mount of %1 has no local directory (is gvfsd-fuse running?)")
                      .arg(location);
        else
            why = folderProblem(file, location);
        if (why.isEmpty() && hostDir)
            *hostDir = *dir;
        if (!why.isEmpty() && error)
            *error = why;
        if (!why.isEmpty() && mount && ours)
            unmountMount(G_MOUNT(g_object_ref(mount)), nullptr);
        if (mount)
            g_object_unref(mount);
        return why.isEmpty() ? NetStatus::Ok : NetStatus::Failed;
    }

    // Why the location file cannot be a drive's folder; empty when it can.
    QString folderProblem(GFile* file, const QString& location)
    {
        GAsyncResult* res =
            await(m_context, limitMs(), [&](GCancellable* c, GAsyncReadyCallback cb, gpointer w) {
                // A link is no folder of the share: through the FUSE directory
                // it would lead wherever it points on this machine.
                g_file_query_info_async(file, G_FILE_ATTRIBUTE_STANDARD_TYPE,
                                        G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, G_PRIORITY_DEFAULT, c,
                                        cb, w);
            });
        if (!res)
            return QStringLiteral("the server did not answer");
        GError* e = nullptr;
        GFileInfo* info = g_file_query_info_finish(file, res, &e);
        g_object_unref(res);
        QString why;
        if (info && g_file_info_get_file_type(info) != G_FILE_TYPE_DIRECTORY)
            why = QStringLiteral("%1 is not a folder").arg(location);
        else if (g_error_matches(e, G_IO_ERROR, G_IO_ERROR_NOT_FOUND))
            why = QStringLiteral("%1 does not exist on the server").arg(location);
        else if (!info)
            why = t_timedOut ? QStringLiteral("the server did not answer") : errorText(e);
        g_clear_error(&e);
        if (info)
            g_object_unref(info);
        return why;
    }

    // Whether the mount's FUSE directory serves it: gvfs names the directory
    // even when gvfsd-fuse is not there, and right after a mount it can fail
    // for a moment. Each look is bounded, so a server that stops answering
    // right then costs no more than the wait.
    static bool fuseReady(GMount* mount)
    {
        GFile* root = g_mount_get_root(mount);
        char* path = g_file_get_path(root);
        const QString rootDir = path ? hostname::decode(QByteArray(path)) : QString();
        g_free(path);
        g_object_unref(root);
        QElapsedTimer clock;
        clock.start();
        while (!rootDir.isEmpty() && clock.elapsed() < 4000) {
            auto ok = std::make_shared<std::atomic<bool>>(false);
            if (netrecords::isLiveMount(rootDir) &&
                slowdrive::within(2000, [ok, rootDir] { *ok = listable(rootDir); }) && *ok)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // Unmounts and releases mount.
    NetStatus unmountMount(GMount* mount, QString* error)
    {
        GMountOperation* op = g_mount_operation_new();
        GAsyncResult* res =
            await(m_context, limitMs(), [&](GCancellable* c, GAsyncReadyCallback cb, gpointer w) {
                g_mount_unmount_with_operation(mount, G_MOUNT_UNMOUNT_NONE, op, c, cb, w);
            });
        NetStatus status = NetStatus::Failed;
        if (!res) {
            if (error)
                *error = QStringLiteral("the server did not answer");
        } else {
            GError* e = nullptr;
            if (g_mount_unmount_with_operation_finish(mount, res, &e))
                status = NetStatus::Ok;
            else if (error)
                *error = t_timedOut ? QStringLiteral("the server did not answer") : errorText(e);
            g_clear_error(&e);
            g_object_unref(res);
        }
        g_object_unref(op);
        g_object_unref(mount);
        return status;
    }

    // The mount whose local directory holds hostDir, from the volume
    // monitor's list (gvfs keeps it locally).
    static GMount* mountAt(const QString& hostDir)
    {
        GMount* found = nullptr;
        withMountAt(hostDir,
                    [&](GMount* mount, const QString&) { found = G_MOUNT(g_object_ref(mount)); });
        return found;
    }

    GMount* findMount(GFile* file)
    {
        GAsyncResult* res =
            await(m_context, limitMs(), [&](GCancellable* c, GAsyncReadyCallback cb, gpointer w) {
                g_file_find_enclosing_mount_async(file, G_PRIORITY_DEFAULT, c, cb, w);
            });
        if (!res)
            return nullptr;
        GMount* mount = g_file_find_enclosing_mount_finish(file, res, nullptr);
        g_object_unref(res);
        return mount;
    }

    // The FUSE directory of a mounted location.
    std::optional<QString> localDir(GFile* file)
    {
        GMount* mount = findMount(file);
        if (!mount)
            return std::nullopt;
        std::optional<QString> dir = dirOf(mount, file);
        g_object_unref(mount);
        return dir;
    }

    // The FUSE directory of file inside mount: the mount's local root and
    // the path below it. nullopt when file does not lie inside the mount.
    static std::optional<QString> dirOf(GMount* mount, GFile* file)
    {
        std::optional<QString> dir;
        GFile* root = g_mount_get_root(mount);
        char* rootPath = g_file_get_path(root);
        const std::optional<QByteArray> below = relativePath(root, file);
        if (rootPath && below) {
            QString path = hostname::decode(QByteArray(rootPath));
            if (!below->isEmpty())
                path += '/' + hostname::decode(*below);
            while (path.size() > 1 && path.endsWith('/'))
                path.chop(1);
            dir = path;
        }
        g_free(rootPath);
        g_object_unref(root);
        return dir;
    }

    // The path of file below root, as bytes; empty for root itself. A
    // mount's root can name its server differently (with the user or the
    // domain the mount was made as), so the locations' paths decide then.
    static std::optional<QByteArray> relativePath(GFile* root, GFile* file)
    {
        if (char* rel = g_file_get_relative_path(root, file)) {
            QByteArray bytes(rel);
            g_free(rel);
            return bytes;
        }
        if (g_file_equal(root, file))
            return QByteArray();
        char* rootUri = g_file_get_uri(root);
        char* fileUri = g_file_get_uri(file);
        QByteArray rootAt = pathOfUri(rootUri), fileAt = pathOfUri(fileUri);
        g_free(rootUri);
        g_free(fileUri);
        while (rootAt.endsWith('/'))
            rootAt.chop(1);
        while (fileAt.endsWith('/'))
            fileAt.chop(1);
        if (fileAt == rootAt)
            return QByteArray();
        if (!fileAt.startsWith(rootAt + '/'))
            return std::nullopt;
        char* raw = g_uri_unescape_string(fileAt.constData() + rootAt.size() + 1, nullptr);
        if (!raw)
            return std::nullopt;
        QByteArray bytes(raw);
        g_free(raw);
        if (bytes.split('/').contains(".."))
            return std::nullopt;
        return bytes;
    }

    // The escaped path of a URI: from the "/" after the authority on,
    // without a query or fragment.
    static QByteArray pathOfUri(const char* uri)
    {
        QByteArray text(uri ? uri : "");
        const qsizetype scheme = text.indexOf("://");
        const qsizetype at = scheme < 0 ? -1 : text.indexOf('/', scheme + 3);
        if (at < 0)
            return "/";
        QByteArray path = text.mid(at);
        for (const char end : {'?', '#'})
            if (const qsizetype cut = path.indexOf(end); cut >= 0)
                path.truncate(cut);
        return path;
    }

    NetStatus mountFile(GFile* file, Credentials& c, QString* error)
    {
        GMountOperation* op = g_mount_operation_new();
        g_signal_connect(op, "ask-password", G_CALLBACK(onAskPassword), &c);
        g_signal_connect(op, "ask-question", G_CALLBACK(onAskQuestion), &c);
        GAsyncResult* res =
            await(m_context, limitMs(), [&](GCancellable* cn, GAsyncReadyCallback cb, gpointer w) {
                g_file_mount_enclosing_volume(file, G_MOUNT_MOUNT_NONE, op, cn, cb, w);
            });
        // The operation must not call back into c once this frame is gone.
        g_signal_handlers_disconnect_by_data(op, &c);
        NetStatus status = NetStatus::Failed;
        if (!res) {
            if (error)
                *error = QStringLiteral("the server did not answer");
        } else {
            GError* e = nullptr;
            m_alreadyMounted = false;
            m_notFound = false;
            if (g_file_mount_enclosing_volume_finish(file, res, &e) ||
                g_error_matches(e, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) {
                m_alreadyMounted = e != nullptr;
                status = NetStatus::Ok;
            } else if (c.asks > 1) {
                status = NetStatus::BadPassword;
            } else if (notFound(e)) {
                m_notFound = true;
                if (error)
                    *error = errorText(e);
            } else if (error) {
                *error = c.question ? QStringLiteral("the server's identity could not be verified")
                         : t_timedOut ? QStringLiteral("the server did not answer")
                                      : errorText(e);
            }
            g_clear_error(&e);
            g_object_unref(res);
        }
        g_object_unref(op);
        return status;
    }

    std::optional<QList<NetResource>> enumerateOnce(GFile* file, const QString& location)
    {
        m_notMounted = false;
        static const char* attributes = G_FILE_ATTRIBUTE_STANDARD_NAME
            "," G_FILE_ATTRIBUTE_STANDARD_DISPLAY_NAME "," G_FILE_ATTRIBUTE_STANDARD_TARGET_URI
            "," G_FILE_ATTRIBUTE_STANDARD_TYPE;
        GAsyncResult* res =
            await(m_context, limitMs(), [&](GCancellable* c, GAsyncReadyCallback cb, gpointer w) {
                g_file_enumerate_children_async(file, attributes, G_FILE_QUERY_INFO_NONE,
                                                G_PRIORITY_DEFAULT, c, cb, w);
            });
        if (!res)
            return std::nullopt;
        GError* e = nullptr;
        GFileEnumerator* en = g_file_enumerate_children_finish(file, res, &e);
        g_object_unref(res);
        if (!en) {
            m_notMounted = g_error_matches(e, G_IO_ERROR, G_IO_ERROR_NOT_MOUNTED);
            g_clear_error(&e);
            return std::nullopt;
        }
        QList<NetResource> list;
        bool failed = false;
        // The whole listing keeps to the time limit, not each batch of it.
        QElapsedTimer clock;
        clock.start();
        const auto left = [&] { return std::max<int>(1, limitMs() - int(clock.elapsed())); };
        // A browse list is small; the tree never shows more than a hundred.
        while (list.size() <= 1000) {
            GAsyncResult* r =
                await(m_context, left(), [&](GCancellable* c, GAsyncReadyCallback cb, gpointer w) {
                    g_file_enumerator_next_files_async(en, 64, G_PRIORITY_DEFAULT, c, cb, w);
                });
            if (!r) {
                failed = true;
                break;
            }
            GList* infos = g_file_enumerator_next_files_finish(en, r, nullptr);
            g_object_unref(r);
            if (!infos)
                break;
            for (GList* i = infos; i; i = i->next) {
                auto* info = G_FILE_INFO(i->data);
                list.append(resourceOf(file, location, info));
                g_object_unref(info);
            }
            g_list_free(infos);
        }
        if (GAsyncResult* r = await(m_context, std::min(left(), 2000),
                                    [&](GCancellable* c, GAsyncReadyCallback cb, gpointer w) {
                                        g_file_enumerator_close_async(en, G_PRIORITY_DEFAULT, c, cb,
                                                                      w);
                                    })) {
            g_file_enumerator_close_finish(en, r, nullptr);
            g_object_unref(r);
        }
        g_object_unref(en);
        if (failed && list.isEmpty())
            return std::nullopt;
        return list;
    }

    static NetResource resourceOf(GFile* parent, const QString& parentLocation, GFileInfo* info)
    {
        NetResource r;
        r.provider = QStringLiteral("gvfs");
        QString target =
            fromUtf8(g_file_info_get_attribute_string(info, G_FILE_ATTRIBUTE_STANDARD_TARGET_URI));
        if (target.isEmpty()) {
            GFile* child = g_file_get_child(parent, g_file_info_get_name(info));
            char* uri = g_file_get_uri(child);
            target = fromUtf8(uri);
            g_free(uri);
            g_object_unref(child);
        }
        const QString display = fromUtf8(g_file_info_get_display_name(info));
        QUrl url(target);
        const QUrl parentUrl(parentLocation);
        // A server's share list names the shares without the server's port.
        if (url.port() == -1 && parentUrl.port() != -1 && url.scheme() == parentUrl.scheme() &&
            url.host() == parentUrl.host()) {
            url.setPort(parentUrl.port());
            target = url.toString(QUrl::FullyEncoded);
        }
        const QStringList path = url.path().split('/', Qt::SkipEmptyParts);
        if (url.scheme() == QLatin1String("smb") && !url.host().isEmpty() && !path.isEmpty()) {
            r.display = NetResource::Display::Share;
            r.remoteName = url.port() == -1 ? netlocation::toRemoteName(target) : target;
            r.printer = g_file_info_get_file_type(info) == G_FILE_TYPE_SPECIAL;
        } else if (url.scheme() == QLatin1String("smb") && !url.host().isEmpty()) {
            // Below the whole SMB network come the workgroups, below them servers.
            const bool workgroup =
                parentUrl.scheme() == QLatin1String("smb") && parentUrl.host().isEmpty();
            r.display = workgroup ? NetResource::Display::Domain : NetResource::Display::Server;
            r.childLocation = target.endsWith('/') ? target : target + '/';
            r.remoteName = workgroup ? url.host() : netlocation::toRemoteName(r.childLocation);
        } else {
            r.display = NetResource::Display::Other;
            r.remoteName = display;
            r.childLocation = target;
        }
        r.comment = display;
        return r;
    }

    GMainContext* m_context;
    bool m_notMounted = false;
    bool m_alreadyMounted = false;
    bool m_notFound = false; // the last mount failed: no such share or folder
};

} // namespace

std::unique_ptr<NetProvider> MakeGioNetProvider()
{
    return std::make_unique<GioNetProvider>();
}

void UseGioMountCheck()
{
    netrecords::setLocationCheck(mountHolds);
    netrecords::setAnswerCheck(serverAnswers);
    DriveMap::instance().reload();
}

} // namespace dovex
