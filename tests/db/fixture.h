#pragma once

#include "ConnectionInfo.h"
#include "Procedures.h"

#include <QSqlDatabase>
#include <QTemporaryDir>

// A small data folder: hospital info with two rows, a table the procedures write, and procedures
// of each shape the program calls.
inline void buildFixture(const QString& folder)
{
    using namespace tarvik::db;
    {
        QSqlDatabase db = openDatabase(ConnectionInfo::embedded(folder), QStringLiteral("fixture"), true);
        executeScript(db, QStringLiteral(R"(
            CREATE TABLE Patient_data.tbHospitalInfo (Company TEXT, Address1 TEXT, MTSServerName TEXT);
            INSERT INTO Patient_data.tbHospitalInfo VALUES ('First Hospital', '1 Main St.', 'mts1');
            INSERT INTO Patient_data.tbHospitalInfo VALUES ('Second Hospital', '2 Side St.', 'mts2');
            CREATE TABLE Reports.tbDaily (ReportDate TEXT PRIMARY KEY, Amount INTEGER NOT NULL, Note TEXT);
            INSERT INTO Reports.tbDaily VALUES ('2026-03-01', 100, NULL);
            INSERT INTO Reports.tbDaily VALUES ('2026-03-02', 200, '');
            CREATE TABLE BILLING.tbMisc (Code TEXT PRIMARY KEY, Description TEXT);
        )"), QStringLiteral("fixture"));
        installProcedures(db, QStringLiteral("Reports"), parseProcedureScript(QStringLiteral(R"(
CREATE PROCEDURE sp_Rep_Dump
    @ReportDate DATE
AS
DELETE FROM Reports.tbDaily WHERE ReportDate = @ReportDate;
INSERT INTO Reports.tbDaily VALUES (@ReportDate, 500, 'dumped');
GO
CREATE PROCEDURE sp_Rep_Get @ReportDate DATE
AS
SELECT Amount AS Total, Note FROM Reports.tbDaily WHERE ReportDate = @ReportDate;
GO
CREATE PROCEDURE sp_Rep_Range @DateFrom DATE, @DateTo DATE, @Class TEXT = 'P'
AS
SELECT COUNT(*) AS N, @Class AS Class FROM Reports.tbDaily WHERE ReportDate BETWEEN @DateFrom AND @DateTo;
GO
CREATE PROCEDURE sp_Rep_Fails @ReportDate DATE
AS
DELETE FROM Reports.tbDaily;
INSERT INTO Reports.tbDaily VALUES (@ReportDate, NULL, 'violates NOT NULL');
GO
CREATE PROCEDURE sp_Rep_TwoSelects
AS
SELECT 1 AS First;
SELECT 2 AS Second UNION ALL SELECT 3;
GO
CREATE PROCEDURE sp_Rep_Slow
AS
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 30000000) SELECT COUNT(*) AS N FROM c;
GO
CREATE PROCEDURE sp_Rep_NoRows
AS
DELETE FROM Reports.tbDaily WHERE 0;
GO
CREATE PROCEDURE sp_Rep_Endless
AS
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT COUNT(*) AS N FROM c;
GO
CREATE PROCEDURE sp_Rep_EndlessWrite
AS
DELETE FROM Reports.tbDaily;
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT COUNT(*) AS N FROM c;
GO
)"), QStringLiteral("fixture.sql")));
        installProcedures(db, QStringLiteral("BILLING"), parseProcedureScript(QStringLiteral(R"(
CREATE PROCEDURE sp_Misc_Add @Code TEXT, @Description TEXT
AS
INSERT OR REPLACE INTO BILLING.tbMisc VALUES (@Code, @Description);
SELECT Code, Description FROM BILLING.tbMisc WHERE Code = @Code;
GO
)"), QStringLiteral("billing.sql")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
}
