#pragma once

// Internal: the banded layout of a report snapshot into a Document's pages.

#include "DataSource.h"
#include "Document.h"

#include <QDateTime>
#include <memory>

namespace tarvik::engine {

class LayoutJob
{
public:
    explicit LayoutJob(ReportSnapshot snapshot);
    // Runs in the layout thread; throws ReportError (or db::DbError) on failure.
    void run(Document& document, const std::atomic<bool>& cancel);
    const ReportSnapshot& snapshot() const { return m_snapshot; }

private:
    ReportSnapshot m_snapshot;
    QDateTime m_printTime;
};

// What the layout may do to a document it fills.
class DocumentWriter
{
public:
    static void addPage(Document& d, const QByteArray& page) { d.addPage(page); }
    static void addGroupNode(Document& d, int level, const QString& name, int page, double y)
    {
        d.addGroupNode(level, name, page, y);
    }
};

class Report;
// The report's settings as they are now, subreports included (a subreport table never logged
// on of its own reads through the log-on of the report it is placed in). The definition is
// not held: the report must outlive the snapshot.
ReportSnapshot snapshotOfReport(Report& report);

// Starts laying out in a thread of its own; the document fills in as pages are ready.
std::shared_ptr<Document> startLayout(std::unique_ptr<LayoutJob> job);

} // namespace tarvik::engine
