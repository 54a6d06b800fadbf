#pragma once

#include <QWidget>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tarvik::shell {

// "Run History": every report produced, newest first, filtered by the days it started, the
// user and the report's caption; exported to CSV. Shows the session's history.
class frmRunHistory : public QWidget
{
    Q_OBJECT
public:
    explicit frmRunHistory(QWidget* parent = nullptr);

    // Reads the rows for the filters. A history that cannot be read says so in the status line.
    void refresh();
    // Writes the rows shown to a file (replaced whole, or left as it was on a failure).
    // Returns an empty text or the failure.
    QString exportCsv(const QString& path);

    QDateEdit* dtpFrom = nullptr;
    QDateEdit* dtpTo = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtReport = nullptr;
    QPushButton* cmdShow = nullptr;
    QPushButton* cmdExport = nullptr;
    QTableWidget* grdHistory = nullptr;
    QLabel* lblStatus = nullptr;

private:
    void cmdExport_Click();
};

} // namespace tarvik::shell
