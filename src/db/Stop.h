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

// While one lives, a window that can cancel the running work is on screen and keeps user input
// from every other window; the database layer's waits then let user input through, so its
// Cancel button answers while a command runs. One per window; they nest.
class CancelWindowScope
{
public:
    CancelWindowScope();
    ~CancelWindowScope();
    CancelWindowScope(const CancelWindowScope&) = delete;
    CancelWindowScope& operator=(const CancelWindowScope&) = delete;
};
bool cancelWindowOpen();

namespace detail {
// Registers an action a stop runs (interrupting one connection); returns its id.
int addStopAction(std::function<void()> action);
void removeStopAction(int id);
} // namespace detail

} // namespace tarvik::db
