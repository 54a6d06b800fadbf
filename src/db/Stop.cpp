#include "Stop.h"

#include "SqliteExec.h"

#include <QSqlDriver>
#include <atomic>
#include <map>
#include <mutex>
#include <sqlite3.h>

namespace tarvik::db {

namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_cancelWindows{0};

struct StopActions
{
    std::mutex mutex;
    std::map<int, std::function<void()>> actions;
    int next = 0;
};

StopActions& stopActions()
{
    static StopActions actions;
    return actions;
}

} // namespace

void requestStop()
{
    g_stop.store(true);
    StopActions& s = stopActions();
    const std::lock_guard lock(s.mutex);
    for (const auto& [id, action] : s.actions)
        action();
}

void clearStop() { g_stop.store(false); }

bool stopRequested() { return g_stop.load(std::memory_order_relaxed); }

CancelWindowScope::CancelWindowScope() { ++g_cancelWindows; }
CancelWindowScope::~CancelWindowScope() { --g_cancelWindows; }
bool cancelWindowOpen() { return g_cancelWindows.load() > 0; }

namespace detail {

int addStopAction(std::function<void()> action)
{
    StopActions& s = stopActions();
    const std::lock_guard lock(s.mutex);
    const int id = s.next++;
    s.actions.emplace(id, std::move(action));
    return id;
}

void removeStopAction(int id)
{
    if (id < 0)
        return;
    StopActions& s = stopActions();
    const std::lock_guard lock(s.mutex);
    s.actions.erase(id);
}

} // namespace detail

StopGuard::StopGuard(const QSqlDatabase& db)
{
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return;
    sqlite3* handle = *static_cast<sqlite3* const*>(v.constData());
    if (!handle)
        return;
    // Removed before the connection closes (the owner destroys this guard first), and the
    // actions run under the registry's lock, so the handle is never used after it closed.
    m_id = detail::addStopAction([handle] { sqlite3_interrupt(handle); });
    if (stopRequested())
        sqlite3_interrupt(handle);
}

StopGuard::~StopGuard() { detail::removeStopAction(m_id); }

} // namespace tarvik::db
