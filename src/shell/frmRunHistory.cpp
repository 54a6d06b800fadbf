#include "frmRunHistory.h"

#include "DbError.h"
#include "RunHistory.h"

#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTableWidget>

namespace tarvik::shell {

namespace {

const QStringList kColumns{QStringLiteral("Started"), QStringLiteral("Ended"),   QStringLiteral("User"),
                           QStringLiteral("Workstation"), QStringLiteral("Report"), QStringLiteral("Outcome"),
                           QStringLiteral("Parameters"), QStringLiteral("Outputs"), QStringLiteral("File"),
                           QStringLiteral("Database"), QStringLiteral("Message")};

QDateEdit* dateEdit(const QString& name, const QDate& date, QWidget* parent)
{
    auto* edit = new QDateEdit(date, parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace

frmRunHistory::frmRunHistory(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmRunHistory"));
    setWindowTitle(QStringLiteral("Run History"));
    const QDate today = QDate::currentDate();
    dtpFrom = dateEdit(QStringLiteral("dtpFrom"), today.addDays(-30), this);
    dtpTo = dateEdit(QStringLiteral("dtpTo"), today, this);
    txtUser = new QLineEdit(this);
    txtUser->setObjectName(QStringLiteral("txtUser"));
    txtReport = new QLineEdit(this);
    txtReport->setObjectName(QStringLiteral("txtReport"));
    cmdShow = new QPushButton(QStringLiteral("&Show"), this);
    cmdShow->setObjectName(QStringLiteral("cmdShow"));
    cmdShow->setDefault(true);
    cmdExport = new QPushButton(QStringLiteral("&Export CSV..."), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    grdHistory = new QTableWidget(0, int(kColumns.size()), this);
    grdHistory->setObjectName(QStringLiteral("grdHistory"));
    grdHistory->setHorizontalHeaderLabels(kColumns);
    grdHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdHistory->verticalHeader()->hide();
    grdHistory->horizontalHeader()->setStretchLastSection(true);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    auto* grid = new QGridLayout(this);
    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label("&From:", dtpFrom), 0, 0);
    grid->addWidget(dtpFrom, 0, 1);
    grid->addWidget(label("&To:", dtpTo), 0, 2);
    grid->addWidget(dtpTo, 0, 3);
    grid->addWidget(label("&User:", txtUser), 0, 4);
    grid->addWidget(txtUser, 0, 5);
    grid->addWidget(label("&Report:", txtReport), 0, 6);
    grid->addWidget(txtReport, 0, 7);
    grid->addWidget(cmdShow, 0, 8);
    grid->addWidget(cmdExport, 0, 9);
    grid->addWidget(grdHistory, 1, 0, 1, 10);
    grid->addWidget(lblStatus, 2, 0, 1, 10);
    grid->setColumnStretch(5, 1);
    grid->setColumnStretch(7, 2);

    connect(cmdShow, &QPushButton::clicked, this, &frmRunHistory::refresh);
    connect(txtUser, &QLineEdit::returnPressed, this, &frmRunHistory::refresh);
    connect(txtReport, &QLineEdit::returnPressed, this, &frmRunHistory::refresh);
    connect(cmdExport, &QPushButton::clicked, this, &frmRunHistory::cmdExport_Click);
    resize(1000, 480);
    refresh();
}

void frmRunHistory::refresh()
{
    grdHistory->setRowCount(0);
    db::RunHistory* history = db::sessionHistory();
    if (!history) {
        lblStatus->setText(QStringLiteral("The run history is not kept for this session."));
        return;
    }
    if (dtpTo->date() < dtpFrom->date()) {
        lblStatus->setText(QStringLiteral("The last day is before the first."));
        return;
    }
    std::vector<db::RunRecord> rows;
    try {
        rows = history->rows({dtpFrom->date(), dtpTo->date(), txtUser->text(), txtReport->text()});
    } catch (const db::DbError& e) {
        lblStatus->setText(e.message());
        return;
    }
    grdHistory->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        const db::RunRecord& r = rows[size_t(i)];
        const QStringList cells{r.started.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")),
                                r.ended.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")), r.user, r.workstation,
                                r.caption, r.outcome, r.parameters, r.outputs, r.file, r.database,
                                QString(r.message).replace(QLatin1Char('\n'), QLatin1Char(' '))};
        for (int c = 0; c < int(cells.size()); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            grdHistory->setItem(i, c, item);
        }
    }
    grdHistory->resizeColumnsToContents();
    for (int c = 0; c < grdHistory->columnCount(); ++c)
        grdHistory->setColumnWidth(c, std::min(grdHistory->columnWidth(c), 260));
    lblStatus->setText(rows.size() == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(rows.size()));
}

QString frmRunHistory::exportCsv(const QString& path)
{
    db::RunHistory* history = db::sessionHistory();
    if (!history)
        return QStringLiteral("The run history is not kept for this session.");
    try {
        const QByteArray csv =
            db::historyCsv(history->rows({dtpFrom->date(), dtpTo->date(), txtUser->text(), txtReport->text()}))
                .toUtf8();
        // Written whole beside the target and renamed over it: an old file is never half replaced.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit())
            return QStringLiteral("\"%1\" could not be written: %2").arg(path, file.errorString());
    } catch (const db::DbError& e) {
        return e.message();
    }
    return {};
}

void frmRunHistory::cmdExport_Click()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Run History"),
                                                      folder + QStringLiteral("/Run History.csv"),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    const QString failure = exportCsv(path);
    if (!failure.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Run History"), failure);
    else
        lblStatus->setText(QStringLiteral("Exported to %1").arg(path));
}

} // namespace tarvik::shell
