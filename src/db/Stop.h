#pragma once

// Stopping the database work of the whole process: the command line's answer to SIGTERM, and
// the cancel of a long run. A stop ends the command running on every connection at its next
// step (its transaction rolled back) with DbError kind Stopped, and refuses new commands until
// clearStop(). requestStop() may be called from any thread, but not from a signal handler.

#include <QSqlDatabase>
#include <functional>

namespace tarvik::db {

void requestStop();
void clearStop();
bool stopRequested();

// While it lives, a stop interrupts the statement running on this embedded (SQLite) Qt SQL
// connection; other drivers are left alone.
class StopGuard
{
public:
    explicit StopGuard(const QSqlDatabase& db);
    ~StopGuard();
    StopGuard(const StopGuard&) = delete;
    StopGuard& operator=(const StopGuard&) = delete;

private:
    int m_id = -1;
};

namespace detail {
// Registers an action a stop runs (interrupting one connection); returns its id.
int addStopAction(std::function<void()> action);
void removeStopAction(int id);
} // namespace detail

} // namespace tarvik::db
