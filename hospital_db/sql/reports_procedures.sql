-- Stored procedures of the Reports database. Every one runs in one transaction (the database
-- layer's doing), so a failure leaves the tables as they were; each recompute first deletes
-- what it is about to rebuild, so running it twice gives the same tables.

-- Patients discharged on the report date: their particulars and totals, and their charges by
-- department, hospital/professional fee and cash/charge. Charges count up to the report date.
CREATE PROCEDURE sp_Rep_DumpDailySummaryOfDischarges
    @ReportDate DATE
AS
DELETE FROM Reports.tbDailySummaryOfDischarges WHERE ReportDate = @ReportDate;
DELETE FROM Reports.tbDailyDischarges WHERE ReportDate = @ReportDate;
WITH acc AS (
  SELECT a.*, pa.ARNo, pa.AccountLimit AS Limit_, pa.StationName AS StationName_
  FROM Patient_data.tbAdmission a
  JOIN BILLING.tbPatientAccount pa ON pa.EncounterNo = a.AdmissionNo AND pa.AccountKind = 'IP'
  WHERE a.DischargeDateTime >= @ReportDate AND a.DischargeDateTime < date(@ReportDate, '+1 day')),
led AS (
  SELECT l.ARNo,
         SUM(CASE WHEN l.TxnType = 'CHG' THEN l.Amount ELSE 0 END) AS Chg,
         SUM(CASE WHEN l.TxnType = 'ADJ' THEN l.Amount ELSE 0 END) AS Adj,
         SUM(CASE WHEN l.TxnType IN ('PAY', 'DEP', 'REF') THEN l.Amount ELSE 0 END) AS Pay,
         SUM(l.Amount) AS Bal
  FROM BILLING.tbARLedger l JOIN acc ON acc.ARNo = l.ARNo
  WHERE l.TxnDate <= @ReportDate GROUP BY l.ARNo)
INSERT INTO Reports.tbDailyDischarges
  (ReportDate, ARNo, AdmissionNo, HospitalNo, PatientName, Sex, Age, CivilStatus, Address, City,
   AccountClass, PayorCode, PayorName, StationCode, StationName, RoomNo, BedNo, AdmitDate,
   DischargeDate, LengthOfStay, AttendingName, FinalDx, Disposition, TotalCharges,
   TotalDiscounts, TotalPayments, Balance, AccountLimit)
SELECT @ReportDate, acc.ARNo, acc.AdmissionNo, acc.HospitalNo,
       p.LastName || ', ' || p.FirstName || COALESCE(' ' || substr(p.MiddleName, 1, 1) || '.', ''),
       p.Sex,
       CAST(strftime('%Y', @ReportDate) AS INTEGER) - CAST(strftime('%Y', p.BirthDate) AS INTEGER)
         - (strftime('%m-%d', @ReportDate) < strftime('%m-%d', p.BirthDate)),
       p.CivilStatus, p.Address, p.City,
       acc.AccountClass, acc.PayorCode, py.PayorName, acc.StationCode, acc.StationName_, acc.RoomNo,
       acc.BedNo, date(acc.AdmitDateTime), date(acc.DischargeDateTime),
       max(1, CAST(julianday(date(acc.DischargeDateTime)) - julianday(date(acc.AdmitDateTime)) AS INTEGER)),
       ph.LastName || ', ' || ph.FirstName, acc.FinalDx, acc.Disposition,
       COALESCE(led.Chg, 0), COALESCE(led.Adj, 0), COALESCE(led.Pay, 0), COALESCE(led.Bal, 0),
       acc.Limit_
FROM acc
JOIN Patient_data.tbPatient p ON p.HospitalNo = acc.HospitalNo
LEFT JOIN BILLING.tbPayor py ON py.PayorCode = acc.PayorCode
LEFT JOIN Patient_data.tbPhysician ph ON ph.PhysicianID = acc.AttendingID
LEFT JOIN led ON led.ARNo = acc.ARNo;
INSERT INTO Reports.tbDailySummaryOfDischarges
  (ReportDate, ARNo, PatientName, AccountClass, DeptCode, DeptName, ChargeType, PayMode, Lines,
   Gross, Discount, Extension)
SELECT d.ReportDate, d.ARNo, d.PatientName, d.AccountClass, c.DeptCode,
       COALESCE(dp.DeptName, c.DeptCode), c.ChargeType, c.PayMode, COUNT(*), SUM(c.Gross),
       SUM(c.Discount), NULL
FROM Reports.tbDailyDischarges d
JOIN BILLING.tbCharge c ON c.ARNo = d.ARNo AND c.Voided = 0 AND c.ServiceDate <= d.ReportDate
LEFT JOIN Patient_data.tbDepartment dp ON dp.DeptCode = c.DeptCode
WHERE d.ReportDate = @ReportDate
GROUP BY d.ARNo, c.DeptCode, c.ChargeType, c.PayMode;
GO

-- Extensions of the dumped discharge lines, and the day's in-patient totals computed from the
-- charges themselves (so the totals are right even when no dump ran for the day).
CREATE PROCEDURE sp_RepRecomputeExtensionInPatient
    @ReportDate DATE
AS
UPDATE Reports.tbDailySummaryOfDischarges SET Extension = Gross - Discount
WHERE ReportDate = @ReportDate;
DELETE FROM Reports.tbDailyComputedTotals WHERE ReportDate = @ReportDate AND PatientType = 'I';
WITH acc AS (
  SELECT pa.ARNo, pa.HospitalNo
  FROM Patient_data.tbAdmission a
  JOIN BILLING.tbPatientAccount pa ON pa.EncounterNo = a.AdmissionNo AND pa.AccountKind = 'IP'
  WHERE a.DischargeDateTime >= @ReportDate AND a.DischargeDateTime < date(@ReportDate, '+1 day')),
ch AS (
  SELECT acc.HospitalNo, c.ChargeType, c.PayMode, c.Net
  FROM BILLING.tbCharge c JOIN acc ON acc.ARNo = c.ARNo
  WHERE c.Voided = 0 AND c.ServiceDate <= @ReportDate),
t AS (
  SELECT COUNT(*) AS Lines,
         COUNT(DISTINCT CASE WHEN PayMode = 'CASH' THEN HospitalNo END) AS PatientsCash,
         COUNT(DISTINCT CASE WHEN PayMode = 'CHARGE' THEN HospitalNo END) AS PatientsCharge,
         TOTAL(CASE WHEN ChargeType = 'HOSP' AND PayMode = 'CASH' THEN Net END) AS HospCash,
         TOTAL(CASE WHEN ChargeType = 'HOSP' AND PayMode = 'CHARGE' THEN Net END) AS HospCharge,
         TOTAL(CASE WHEN ChargeType = 'PF' AND PayMode = 'CASH' THEN Net END) AS ProfCash,
         TOTAL(CASE WHEN ChargeType = 'PF' AND PayMode = 'CHARGE' THEN Net END) AS ProfCharge
  FROM ch)
INSERT INTO Reports.tbDailyComputedTotals
  (ReportDate, PatientType, PatientsCash, PatientsCharge, HospCash, HospCharge, ProfCash, ProfCharge, ComputedAt)
SELECT @ReportDate, 'I', PatientsCash, PatientsCharge, CAST(HospCash AS INTEGER),
       CAST(HospCharge AS INTEGER), CAST(ProfCash AS INTEGER), CAST(ProfCharge AS INTEGER),
       datetime('now', 'localtime')
FROM t WHERE Lines > 0;
GO

-- The day's in-patient totals in pesos (amounts rounded from exact cents); no row when the
-- day had no discharges with charges.
CREATE PROCEDURE sp_Rep_GetComputedInPatients
    @ReportDate DATE
AS
SELECT PatientsCharge AS TotalPatientCharge, PatientsCash AS TotalPatientCash,
       ROUND(HospCharge / 100.0, 2) AS TotalHospCharge, ROUND(ProfCharge / 100.0, 2) AS TotalProfCharge,
       ROUND(HospCash / 100.0, 2) AS TotalHospCash, ROUND(ProfCash / 100.0, 2) AS TotalProfCash
FROM Reports.tbDailyComputedTotals
WHERE ReportDate = @ReportDate AND PatientType = 'I';
GO

-- Out-patient (and emergency) charges of the service date, per visit and department.
CREATE PROCEDURE sp_Rep_DumpDailySummaryOfServices
    @ReportDate DATE
AS
DELETE FROM Reports.tbDailySummaryOfServices WHERE ReportDate = @ReportDate;
INSERT INTO Reports.tbDailySummaryOfServices
  (ReportDate, ARNo, VisitNo, HospitalNo, PatientName, VisitKind, AccountClass, PayorName,
   DeptCode, DeptName, ChargeType, PayMode, Lines, Gross, Discount, Extension)
SELECT @ReportDate, c.ARNo, v.VisitNo, v.HospitalNo,
       p.LastName || ', ' || p.FirstName || COALESCE(' ' || substr(p.MiddleName, 1, 1) || '.', ''),
       v.VisitKind, v.AccountClass, py.PayorName, c.DeptCode, COALESCE(dp.DeptName, c.DeptCode),
       c.ChargeType, c.PayMode, COUNT(*), SUM(c.Gross), SUM(c.Discount), NULL
FROM BILLING.tbCharge c
JOIN Patient_data.tbOPDVisit v ON v.VisitNo = c.EncounterNo
JOIN Patient_data.tbPatient p ON p.HospitalNo = v.HospitalNo
LEFT JOIN BILLING.tbPayor py ON py.PayorCode = v.PayorCode
LEFT JOIN Patient_data.tbDepartment dp ON dp.DeptCode = c.DeptCode
WHERE c.ServiceDate = @ReportDate AND c.EncounterType = 'O' AND c.Voided = 0
GROUP BY c.ARNo, c.DeptCode, c.ChargeType, c.PayMode;
GO

-- Extensions of the dumped out-patient lines, and the day's out-patient totals from the charges.
CREATE PROCEDURE sp_RepRecomputeExtensionOutPatient
    @ReportDate DATE
AS
UPDATE Reports.tbDailySummaryOfServices SET Extension = Gross - Discount
WHERE ReportDate = @ReportDate;
DELETE FROM Reports.tbDailyComputedTotals WHERE ReportDate = @ReportDate AND PatientType = 'O';
WITH t AS (
  SELECT COUNT(*) AS Lines,
         COUNT(DISTINCT CASE WHEN PayMode = 'CASH' THEN HospitalNo END) AS PatientsCash,
         COUNT(DISTINCT CASE WHEN PayMode = 'CHARGE' THEN HospitalNo END) AS PatientsCharge,
         TOTAL(CASE WHEN ChargeType = 'HOSP' AND PayMode = 'CASH' THEN Net END) AS HospCash,
         TOTAL(CASE WHEN ChargeType = 'HOSP' AND PayMode = 'CHARGE' THEN Net END) AS HospCharge,
         TOTAL(CASE WHEN ChargeType = 'PF' AND PayMode = 'CASH' THEN Net END) AS ProfCash,
         TOTAL(CASE WHEN ChargeType = 'PF' AND PayMode = 'CHARGE' THEN Net END) AS ProfCharge
  FROM BILLING.tbCharge
  WHERE ServiceDate = @ReportDate AND EncounterType = 'O' AND Voided = 0)
INSERT INTO Reports.tbDailyComputedTotals
  (ReportDate, PatientType, PatientsCash, PatientsCharge, HospCash, HospCharge, ProfCash, ProfCharge, ComputedAt)
SELECT @ReportDate, 'O', PatientsCash, PatientsCharge, CAST(HospCash AS INTEGER),
       CAST(HospCharge AS INTEGER), CAST(ProfCash AS INTEGER), CAST(ProfCharge AS INTEGER),
       datetime('now', 'localtime')
FROM t WHERE Lines > 0;
GO

CREATE PROCEDURE sp_Rep_GetComputedOutPatients
    @ReportDate DATE
AS
SELECT PatientsCharge AS TotalPatientCharge, PatientsCash AS TotalPatientCash,
       ROUND(HospCharge / 100.0, 2) AS TotalHospCharge, ROUND(ProfCharge / 100.0, 2) AS TotalProfCharge,
       ROUND(HospCash / 100.0, 2) AS TotalHospCash, ROUND(ProfCash / 100.0, 2) AS TotalProfCash
FROM Reports.tbDailyComputedTotals
WHERE ReportDate = @ReportDate AND PatientType = 'O';
GO

-- Departmental summary, one calendar month at a time. Flag N counts the department's
-- examinations, flag Y the billed lines; the amount is the net revenue either way. A
-- miscellaneous revenue code is summarised from its receipts.
--
-- Which months are computed:
-- * every month the period touches, for @Flag, always (whole months);
-- * every other month of the calendar years the period touches whose summary is missing, so a
--   year-end report never shows a month as zero only because nobody recomputed it. A month's
--   summary of a code and flag is missing when it has no rows, or when its rows were computed
--   before the month was over (the month was still open: later postings are not in it). A month
--   with nothing to count has no rows and is computed again each time, which costs little.
--   This is done for @Flag, and for the other flag where that flag has rows in the year, since
--   the year-end report reads whichever of the two it finds (see rptYearEndReport.rpt).
-- A month computed after its end is kept as it stands, as the month-end run left it; but a
-- miscellaneous revenue code has every month of those years computed for @Flag each time:
-- its receipts are few, and a receipt voided after its month was summarised then counts right.
CREATE PROCEDURE sp_Rep_MonthlyREcompute
    @DateFrom DATE,
    @DateTo DATE,
    @DeptCode TEXT,
    @Flag TEXT
AS
INSERT INTO Reports.sys_argument_check (Flag, PeriodInOrder, CodeKnown)
SELECT @Flag, @DateFrom <= @DateTo,
       EXISTS (SELECT 1 FROM Patient_data.tbDepartment WHERE DeptCode = trim(@DeptCode))
       OR EXISTS (SELECT 1 FROM BILLING.tbMiscRevenue WHERE MiscCode = trim(@DeptCode));
DELETE FROM Reports.sys_argument_check;
DROP TABLE IF EXISTS temp.tbRecomputeMonths;
CREATE TEMP TABLE tbRecomputeMonths (
  Flag TEXT NOT NULL,
  PeriodMonth TEXT NOT NULL,           -- 'yyyy-mm'
  MonthStart TEXT NOT NULL,            -- its first day
  NextMonth TEXT NOT NULL,             -- the first day of the month after it
  PRIMARY KEY (Flag, PeriodMonth));
WITH RECURSIVE months(MonthStart) AS (
  SELECT date(@DateFrom, 'start of year')
  UNION ALL
  SELECT date(MonthStart, '+1 month') FROM months
  WHERE MonthStart < date(@DateTo, 'start of year', '+11 months')),
flags(Flag) AS (
  SELECT @Flag
  UNION
  SELECT DISTINCT s.Flag FROM Reports.tbMonthlySummary s
  WHERE s.DeptCode = trim(@DeptCode)
    AND s.PeriodYear BETWEEN strftime('%Y', @DateFrom) AND strftime('%Y', @DateTo)),
kept AS (
  SELECT s.Flag, s.PeriodMonth, MAX(s.ComputedAt) AS ComputedAt
  FROM Reports.tbMonthlySummary s
  WHERE s.DeptCode = trim(@DeptCode)
    AND s.PeriodYear BETWEEN strftime('%Y', @DateFrom) AND strftime('%Y', @DateTo)
  GROUP BY s.Flag, s.PeriodMonth)
INSERT INTO temp.tbRecomputeMonths (Flag, PeriodMonth, MonthStart, NextMonth)
SELECT f.Flag, strftime('%Y-%m', m.MonthStart), m.MonthStart, date(m.MonthStart, '+1 month')
FROM months m CROSS JOIN flags f
LEFT JOIN kept k ON k.Flag = f.Flag AND k.PeriodMonth = strftime('%Y-%m', m.MonthStart)
WHERE (f.Flag = @Flag AND m.MonthStart >= date(@DateFrom, 'start of month')
       AND m.MonthStart <= date(@DateTo, 'start of month'))
   OR (f.Flag = @Flag AND EXISTS (SELECT 1 FROM BILLING.tbMiscRevenue WHERE MiscCode = trim(@DeptCode)))
   OR k.ComputedAt IS NULL
   OR k.ComputedAt < date(m.MonthStart, '+1 month');
DELETE FROM Reports.tbMonthlySummary
WHERE DeptCode = trim(@DeptCode)
  AND (Flag, PeriodMonth) IN (SELECT Flag, PeriodMonth FROM temp.tbRecomputeMonths);
INSERT INTO Reports.tbMonthlySummary
  (DeptCode, Flag, PeriodMonth, PeriodYear, MonthNo, PatientType, ItemCode, ItemDescription,
   ItemCount, Qty, Amount, ComputedAt)
SELECT upper(trim(@DeptCode)), Flag, PeriodMonth, substr(PeriodMonth, 1, 4),
       CAST(substr(PeriodMonth, 6, 2) AS INTEGER), PatientType, ItemCode, MAX(ItemDescription),
       SUM(Cnt), SUM(Qty), SUM(Amt), datetime('now', 'localtime')
FROM (
  SELECT w.Flag, w.PeriodMonth, c.EncounterType AS PatientType, c.ItemCode,
         si.Description AS ItemDescription,
         CASE WHEN w.Flag = 'Y' THEN 1 ELSE 0 END AS Cnt,
         CASE WHEN w.Flag = 'Y' THEN c.Qty ELSE 0 END AS Qty, c.Net AS Amt
  FROM temp.tbRecomputeMonths w
  JOIN BILLING.tbCharge c ON c.DeptCode = upper(trim(@DeptCode))
   AND c.ServiceDate >= w.MonthStart AND c.ServiceDate < w.NextMonth
  JOIN BILLING.tbServiceItem si ON si.ItemCode = c.ItemCode
  WHERE c.Voided = 0
  UNION ALL
  SELECT w.Flag, w.PeriodMonth, e.EncounterType, e.ItemCode, e.ItemDescription, 1, e.Qty, 0
  FROM temp.tbRecomputeMonths w
  JOIN Patient_data.tbExamination e ON e.DeptCode = upper(trim(@DeptCode))
   AND e.ExamDate >= w.MonthStart AND e.ExamDate < w.NextMonth
  WHERE w.Flag = 'N' AND e.Status <> 'CANCELLED'
  UNION ALL
  SELECT w.Flag, w.PeriodMonth, 'O', mr.MiscCode, mr.Description, 1, 1, rl.Amount
  FROM temp.tbRecomputeMonths w
  JOIN BILLING.tbReceipt r ON r.ReceiptDate >= w.MonthStart AND r.ReceiptDate < w.NextMonth
  JOIN BILLING.tbReceiptLine rl ON rl.ORNo = r.ORNo
  JOIN BILLING.tbMiscRevenue mr ON mr.MiscCode = rl.MiscCode
  WHERE rl.LineKind = 'MISC' AND rl.MiscCode = trim(@DeptCode) AND r.Voided = 0)
GROUP BY Flag, PeriodMonth, PatientType, ItemCode;
DROP TABLE temp.tbRecomputeMonths;
GO

-- Receivable aging as of @DateTo. @DateFrom opens the period whose charges, payments and
-- adjustments the detail shows beside the balance. The whole balance of an account is aged from
-- its basis date: the discharge date (in-patients; accounts still in the house are current),
-- the visit date (out-patients). Balance class P: balances above zero, N: below zero, A: all at net.
CREATE PROCEDURE sp_BILLING_RepAgingRecompute
    @DateFrom DATE,
    @DateTo DATE,
    @Class TEXT = 'P'
AS
INSERT INTO Reports.sys_argument_check (BalanceClass, PeriodInOrder) VALUES (@Class, @DateFrom <= @DateTo);
DELETE FROM Reports.sys_argument_check;
DELETE FROM Reports.tbAgingDetail;
DELETE FROM Reports.tbAgingClassification;
WITH led AS (
  SELECT ARNo, SUM(Amount) AS Bal,
         SUM(CASE WHEN TxnDate < @DateFrom THEN Amount ELSE 0 END) AS Opening,
         SUM(CASE WHEN TxnDate >= @DateFrom AND TxnType = 'CHG' THEN Amount ELSE 0 END) AS Chg,
         SUM(CASE WHEN TxnDate >= @DateFrom AND TxnType IN ('PAY', 'DEP', 'REF') THEN Amount ELSE 0 END) AS Pay,
         SUM(CASE WHEN TxnDate >= @DateFrom AND TxnType = 'ADJ' THEN Amount ELSE 0 END) AS Adj
  FROM BILLING.tbARLedger WHERE TxnDate <= @DateTo GROUP BY ARNo),
acc AS (
  SELECT pa.ARNo, pa.AccountKind, pa.HospitalNo, pa.PatientName, pa.AccountClass, pa.PayorCode,
         pa.OpenedOn, led.Bal, led.Opening, led.Chg, led.Pay, led.Adj,
         CASE WHEN pa.AccountKind = 'OP' THEN pa.OpenedOn
              WHEN pa.DischargedOn IS NOT NULL AND pa.DischargedOn <= @DateTo THEN pa.DischargedOn
              ELSE @DateTo END AS Basis
  FROM led JOIN BILLING.tbPatientAccount pa ON pa.ARNo = led.ARNo
  WHERE (@Class = 'P' AND led.Bal > 0) OR (@Class = 'N' AND led.Bal < 0) OR (@Class = 'A' AND led.Bal <> 0)),
aged AS (
  SELECT acc.*, CAST(julianday(@DateTo) - julianday(Basis) AS INTEGER) AS Age FROM acc)
INSERT INTO Reports.tbAgingDetail
  (ARNo, DateFrom, AsOfDate, BalanceClass, AccountKind, HospitalNo, PatientName, Classification,
   PayorCode, PayorName, OpenedOn, BasisDate, AgeDays, OpeningBalance, PeriodCharges,
   PeriodPayments, PeriodAdjustments, Balance, Current0To30, Days31To60, Days61To90, Days91To120, Over120)
SELECT aged.ARNo, @DateFrom, @DateTo, @Class, aged.AccountKind, aged.HospitalNo, aged.PatientName,
       CASE aged.AccountClass WHEN 'PAY' THEN 'Self-pay' WHEN 'HMO' THEN 'HMO'
            WHEN 'COMPANY' THEN 'Company' ELSE 'Service' END,
       aged.PayorCode, COALESCE(py.PayorName, aged.PayorCode), aged.OpenedOn, aged.Basis, aged.Age,
       aged.Opening, aged.Chg, aged.Pay, aged.Adj, aged.Bal,
       CASE WHEN aged.Age <= 30 THEN aged.Bal ELSE 0 END,
       CASE WHEN aged.Age BETWEEN 31 AND 60 THEN aged.Bal ELSE 0 END,
       CASE WHEN aged.Age BETWEEN 61 AND 90 THEN aged.Bal ELSE 0 END,
       CASE WHEN aged.Age BETWEEN 91 AND 120 THEN aged.Bal ELSE 0 END,
       CASE WHEN aged.Age > 120 THEN aged.Bal ELSE 0 END
FROM aged LEFT JOIN BILLING.tbPayor py ON py.PayorCode = aged.PayorCode;
INSERT INTO Reports.tbAgingClassification
  (Classification, DateFrom, AsOfDate, BalanceClass, Accounts, Balance, Current0To30, Days31To60,
   Days61To90, Days91To120, Over120)
SELECT Classification, @DateFrom, @DateTo, @Class, COUNT(*), SUM(Balance), SUM(Current0To30),
       SUM(Days31To60), SUM(Days61To90), SUM(Days91To120), SUM(Over120)
FROM Reports.tbAgingDetail GROUP BY Classification;
GO

-- Payable aging as of @DateTo: accounts in credit (deposits and overpayments the hospital owes
-- back), shown as positive amounts and aged from the last credit posted on or before the date.
CREATE PROCEDURE sp_BILLING_RepAgingPayableRecompute
    @DateFrom DATE,
    @DateTo DATE
AS
INSERT INTO Reports.sys_argument_check (PeriodInOrder) VALUES (@DateFrom <= @DateTo);
DELETE FROM Reports.sys_argument_check;
DELETE FROM Reports.tbPayableDetail;
DELETE FROM Reports.tbPayableClassification;
WITH led AS (
  SELECT ARNo, SUM(Amount) AS Bal, MAX(CASE WHEN Amount < 0 THEN TxnDate END) AS LastCredit
  FROM BILLING.tbARLedger WHERE TxnDate <= @DateTo GROUP BY ARNo HAVING SUM(Amount) < 0),
aged AS (
  SELECT pa.ARNo, pa.AccountKind, pa.HospitalNo, pa.PatientName, pa.AccountClass, pa.PayorCode,
         pa.OpenedOn, -led.Bal AS Payable, led.LastCredit AS Basis,
         CAST(julianday(@DateTo) - julianday(led.LastCredit) AS INTEGER) AS Age
  FROM led JOIN BILLING.tbPatientAccount pa ON pa.ARNo = led.ARNo)
INSERT INTO Reports.tbPayableDetail
  (ARNo, DateFrom, AsOfDate, AccountKind, HospitalNo, PatientName, Classification, PayorCode,
   PayorName, OpenedOn, BasisDate, AgeDays, Payable, Current0To30, Days31To60, Days61To90,
   Days91To120, Over120)
SELECT aged.ARNo, @DateFrom, @DateTo, aged.AccountKind, aged.HospitalNo, aged.PatientName,
       CASE aged.AccountClass WHEN 'PAY' THEN 'Self-pay' WHEN 'HMO' THEN 'HMO'
            WHEN 'COMPANY' THEN 'Company' ELSE 'Service' END,
       aged.PayorCode, COALESCE(py.PayorName, aged.PayorCode), aged.OpenedOn, aged.Basis, aged.Age,
       aged.Payable,
       CASE WHEN aged.Age <= 30 THEN aged.Payable ELSE 0 END,
       CASE WHEN aged.Age BETWEEN 31 AND 60 THEN aged.Payable ELSE 0 END,
       CASE WHEN aged.Age BETWEEN 61 AND 90 THEN aged.Payable ELSE 0 END,
       CASE WHEN aged.Age BETWEEN 91 AND 120 THEN aged.Payable ELSE 0 END,
       CASE WHEN aged.Age > 120 THEN aged.Payable ELSE 0 END
FROM aged LEFT JOIN BILLING.tbPayor py ON py.PayorCode = aged.PayorCode;
INSERT INTO Reports.tbPayableClassification
  (Classification, DateFrom, AsOfDate, Accounts, Payable, Current0To30, Days31To60, Days61To90,
   Days91To120, Over120)
SELECT Classification, @DateFrom, @DateTo, COUNT(*), SUM(Payable), SUM(Current0To30),
       SUM(Days31To60), SUM(Days61To90), SUM(Days91To120), SUM(Over120)
FROM Reports.tbPayableDetail GROUP BY Classification;
GO

-- Miscellaneous revenue codes matching a search text: column 1 the description, column 2 the
-- code. Mode 0: the text anywhere in the code or the description; mode 1: codes that begin with
-- it. Case is ignored, accented letters included.
CREATE PROCEDURE sp_Rep_SearchMiscellaneousRevenue
    @Mode TEXT,
    @Search TEXT = ''
AS
INSERT INTO Reports.sys_argument_check (SearchMode) VALUES (trim(@Mode));
DELETE FROM Reports.sys_argument_check;
SELECT Description, MiscCode AS Code
FROM BILLING.tbMiscRevenue
WHERE (trim(@Mode) = '0' AND (instr(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(upper(MiscCode), 'á', 'Á'), 'é', 'É'), 'í', 'Í'), 'ó', 'Ó'), 'ú', 'Ú'), 'ñ', 'Ñ'), 'ü', 'Ü'), 'à', 'À'), 'è', 'È'), 'ì', 'Ì'), 'ò', 'Ò'), 'ù', 'Ù'), 'â', 'Â'), 'ê', 'Ê'), 'î', 'Î'), 'ô', 'Ô'), 'û', 'Û'), 'ä', 'Ä'), 'ë', 'Ë'), 'ï', 'Ï'), 'ö', 'Ö'), 'ç', 'Ç'), 'ã', 'Ã'), 'õ', 'Õ'), replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(upper(COALESCE(@Search, '')), 'á', 'Á'), 'é', 'É'), 'í', 'Í'), 'ó', 'Ó'), 'ú', 'Ú'), 'ñ', 'Ñ'), 'ü', 'Ü'), 'à', 'À'), 'è', 'È'), 'ì', 'Ì'), 'ò', 'Ò'), 'ù', 'Ù'), 'â', 'Â'), 'ê', 'Ê'), 'î', 'Î'), 'ô', 'Ô'), 'û', 'Û'), 'ä', 'Ä'), 'ë', 'Ë'), 'ï', 'Ï'), 'ö', 'Ö'), 'ç', 'Ç'), 'ã', 'Ã'), 'õ', 'Õ')) > 0
                              OR instr(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(upper(Description), 'á', 'Á'), 'é', 'É'), 'í', 'Í'), 'ó', 'Ó'), 'ú', 'Ú'), 'ñ', 'Ñ'), 'ü', 'Ü'), 'à', 'À'), 'è', 'È'), 'ì', 'Ì'), 'ò', 'Ò'), 'ù', 'Ù'), 'â', 'Â'), 'ê', 'Ê'), 'î', 'Î'), 'ô', 'Ô'), 'û', 'Û'), 'ä', 'Ä'), 'ë', 'Ë'), 'ï', 'Ï'), 'ö', 'Ö'), 'ç', 'Ç'), 'ã', 'Ã'), 'õ', 'Õ'), replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(upper(COALESCE(@Search, '')), 'á', 'Á'), 'é', 'É'), 'í', 'Í'), 'ó', 'Ó'), 'ú', 'Ú'), 'ñ', 'Ñ'), 'ü', 'Ü'), 'à', 'À'), 'è', 'È'), 'ì', 'Ì'), 'ò', 'Ò'), 'ù', 'Ù'), 'â', 'Â'), 'ê', 'Ê'), 'î', 'Î'), 'ô', 'Ô'), 'û', 'Û'), 'ä', 'Ä'), 'ë', 'Ë'), 'ï', 'Ï'), 'ö', 'Ö'), 'ç', 'Ç'), 'ã', 'Ã'), 'õ', 'Õ')) > 0))
   OR (trim(@Mode) = '1' AND substr(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(upper(MiscCode), 'á', 'Á'), 'é', 'É'), 'í', 'Í'), 'ó', 'Ó'), 'ú', 'Ú'), 'ñ', 'Ñ'), 'ü', 'Ü'), 'à', 'À'), 'è', 'È'), 'ì', 'Ì'), 'ò', 'Ò'), 'ù', 'Ù'), 'â', 'Â'), 'ê', 'Ê'), 'î', 'Î'), 'ô', 'Ô'), 'û', 'Û'), 'ä', 'Ä'), 'ë', 'Ë'), 'ï', 'Ï'), 'ö', 'Ö'), 'ç', 'Ç'), 'ã', 'Ã'), 'õ', 'Õ'), 1, length(COALESCE(@Search, '')))
                             = replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(upper(COALESCE(@Search, '')), 'á', 'Á'), 'é', 'É'), 'í', 'Í'), 'ó', 'Ó'), 'ú', 'Ú'), 'ñ', 'Ñ'), 'ü', 'Ü'), 'à', 'À'), 'è', 'È'), 'ì', 'Ì'), 'ò', 'Ò'), 'ù', 'Ù'), 'â', 'Â'), 'ê', 'Ê'), 'î', 'Î'), 'ô', 'Ô'), 'û', 'Û'), 'ä', 'Ä'), 'ë', 'Ë'), 'ï', 'Ï'), 'ö', 'Ö'), 'ç', 'Ç'), 'ã', 'Ã'), 'õ', 'Õ'))
ORDER BY Description, MiscCode;
GO

-- Adds a miscellaneous revenue code or changes the description of an existing one.
CREATE PROCEDURE sp_Rep_UpdateMiscellaneous
    @Code TEXT,
    @Description TEXT
AS
INSERT INTO BILLING.tbMiscRevenue (MiscCode, Description, CreatedBy, CreatedAt, UpdatedBy, UpdatedAt)
VALUES (trim(@Code), trim(COALESCE(@Description, '')), 'REPORTS', datetime('now', 'localtime'),
        'REPORTS', datetime('now', 'localtime'))
ON CONFLICT (MiscCode) DO UPDATE SET Description = excluded.Description,
                                     UpdatedBy = excluded.UpdatedBy, UpdatedAt = excluded.UpdatedAt;
GO

-- Refreshes the reporting copies (logbooks, ledgers, receipts, revenue) for a period: the
-- hospital's night job runs it for the day, the demo generator for every day it writes.
CREATE PROCEDURE sp_Rep_RefreshReportTables
    @DateFrom DATE,
    @DateTo DATE
AS
INSERT INTO Reports.sys_argument_check (PeriodInOrder) VALUES (@DateFrom <= @DateTo);
DELETE FROM Reports.sys_argument_check;
INSERT OR REPLACE INTO Reports.tbRepAdmission
  (AdmissionNo, AdmitDate, AdmitDateTime, HospitalNo, PatientName, Sex, Age, CivilStatus, Address,
   City, AdmissionType, AdmittingDx, AttendingName, ReferringName, ServiceDept, StationCode,
   StationName, RoomNo, BedNo, RoomClass, AccountClass, PayorName, AccountLimit, DischargeDate,
   DischargeDateTime, LengthOfStay, Disposition, FinalDx, FinalDxICD10, AdmittedBy)
SELECT a.AdmissionNo, date(a.AdmitDateTime), a.AdmitDateTime, a.HospitalNo,
       p.LastName || ', ' || p.FirstName || COALESCE(' ' || substr(p.MiddleName, 1, 1) || '.', ''),
       p.Sex,
       CAST(strftime('%Y', a.AdmitDateTime) AS INTEGER) - CAST(strftime('%Y', p.BirthDate) AS INTEGER)
         - (strftime('%m-%d', a.AdmitDateTime) < strftime('%m-%d', p.BirthDate)),
       p.CivilStatus, p.Address, p.City, a.AdmissionType, a.AdmittingDx,
       att.LastName || ', ' || att.FirstName, ref.LastName || ', ' || ref.FirstName, a.ServiceDept,
       a.StationCode, st.StationName, a.RoomNo, a.BedNo, b.RoomClass, a.AccountClass, py.PayorName,
       a.AccountLimit, date(a.DischargeDateTime), a.DischargeDateTime,
       CASE WHEN a.DischargeDateTime IS NULL THEN NULL
            ELSE max(1, CAST(julianday(date(a.DischargeDateTime)) - julianday(date(a.AdmitDateTime)) AS INTEGER)) END,
       a.Disposition, a.FinalDx, a.FinalDxICD10, a.AdmittedBy
FROM Patient_data.tbAdmission a
JOIN Patient_data.tbPatient p ON p.HospitalNo = a.HospitalNo
LEFT JOIN Patient_data.tbPhysician att ON att.PhysicianID = a.AttendingID
LEFT JOIN Patient_data.tbPhysician ref ON ref.PhysicianID = a.ReferringID
LEFT JOIN Patient_data.tbStation st ON st.StationCode = a.StationCode
LEFT JOIN Patient_data.tbBed b ON b.StationCode = a.StationCode AND b.RoomNo = a.RoomNo AND b.BedNo = a.BedNo
LEFT JOIN BILLING.tbPayor py ON py.PayorCode = a.PayorCode
WHERE (a.AdmitDateTime >= @DateFrom AND a.AdmitDateTime < date(@DateTo, '+1 day'))
   OR (a.DischargeDateTime >= @DateFrom AND a.DischargeDateTime < date(@DateTo, '+1 day'));
DELETE FROM Reports.tbRepOPDVisit WHERE VisitDate BETWEEN @DateFrom AND @DateTo;
INSERT INTO Reports.tbRepOPDVisit
  (VisitNo, VisitDate, VisitDateTime, HospitalNo, PatientName, Sex, Age, Address, City, VisitKind,
   ClinicDept, ClinicName, PhysicianName, Complaint, Diagnosis, Disposition, AccountClass,
   PayorName, RegisteredBy)
SELECT v.VisitNo, date(v.VisitDateTime), v.VisitDateTime, v.HospitalNo,
       p.LastName || ', ' || p.FirstName || COALESCE(' ' || substr(p.MiddleName, 1, 1) || '.', ''),
       p.Sex,
       CAST(strftime('%Y', v.VisitDateTime) AS INTEGER) - CAST(strftime('%Y', p.BirthDate) AS INTEGER)
         - (strftime('%m-%d', v.VisitDateTime) < strftime('%m-%d', p.BirthDate)),
       p.Address, p.City, v.VisitKind, v.ClinicDept, d.DeptName, ph.LastName || ', ' || ph.FirstName,
       v.Complaint, v.Diagnosis, v.Disposition, v.AccountClass, py.PayorName, v.RegisteredBy
FROM Patient_data.tbOPDVisit v
JOIN Patient_data.tbPatient p ON p.HospitalNo = v.HospitalNo
LEFT JOIN Patient_data.tbDepartment d ON d.DeptCode = v.ClinicDept
LEFT JOIN Patient_data.tbPhysician ph ON ph.PhysicianID = v.PhysicianID
LEFT JOIN BILLING.tbPayor py ON py.PayorCode = v.PayorCode
WHERE v.VisitDateTime >= @DateFrom AND v.VisitDateTime < date(@DateTo, '+1 day');
DELETE FROM Reports.tbRepExamination WHERE ExamDate BETWEEN @DateFrom AND @DateTo;
INSERT INTO Reports.tbRepExamination
  (ExamNo, DeptCode, DeptName, ExamDate, PerformedAt, EncounterType, EncounterNo, HospitalNo,
   PatientName, Sex, Age, ItemCode, ItemDescription, PackageCode, RequestedByName, ReaderName,
   AnesthesiologistName, PerformedBy, Qty, Status, Amount)
SELECT e.ExamNo, e.DeptCode, d.DeptName, e.ExamDate, e.PerformedAt, e.EncounterType, e.EncounterNo,
       e.HospitalNo,
       p.LastName || ', ' || p.FirstName || COALESCE(' ' || substr(p.MiddleName, 1, 1) || '.', ''),
       p.Sex,
       CAST(strftime('%Y', e.ExamDate) AS INTEGER) - CAST(strftime('%Y', p.BirthDate) AS INTEGER)
         - (strftime('%m-%d', e.ExamDate) < strftime('%m-%d', p.BirthDate)),
       e.ItemCode, e.ItemDescription, e.PackageCode, rq.LastName || ', ' || rq.FirstName,
       rd.LastName || ', ' || rd.FirstName, an.LastName || ', ' || an.FirstName, e.PerformedBy,
       e.Qty, e.Status, COALESCE(c.Net, 0)
FROM Patient_data.tbExamination e
JOIN Patient_data.tbDepartment d ON d.DeptCode = e.DeptCode
JOIN Patient_data.tbPatient p ON p.HospitalNo = e.HospitalNo
LEFT JOIN Patient_data.tbPhysician rq ON rq.PhysicianID = e.RequestedByID
LEFT JOIN Patient_data.tbPhysician rd ON rd.PhysicianID = e.ReaderID
LEFT JOIN Patient_data.tbPhysician an ON an.PhysicianID = e.AnesthesiologistID
LEFT JOIN BILLING.tbCharge c ON c.ChargeID = e.ChargeID AND c.Voided = 0
WHERE e.ExamDate BETWEEN @DateFrom AND @DateTo;
DELETE FROM Reports.tbRepARLedger WHERE TxnDate BETWEEN @DateFrom AND @DateTo;
INSERT INTO Reports.tbRepARLedger
  (TxnID, TxnDate, PostedAt, ARNo, PatientType, HospitalNo, PatientName, AccountClass, PayorName,
   TxnType, TxnTypeName, SourceTable, SourceID, Amount, GLCode, GLName, ContraGL, ContraGLName,
   DeptCode, DeptName, PhysicianID, PhysicianName, UserID, BatchNo)
SELECT l.TxnID, l.TxnDate, l.PostedAt, l.ARNo, CASE pa.AccountKind WHEN 'IP' THEN 'I' ELSE 'O' END,
       pa.HospitalNo, pa.PatientName, pa.AccountClass, py.PayorName, l.TxnType,
       CASE l.TxnType WHEN 'CHG' THEN 'Charge' WHEN 'PAY' THEN 'Payment' WHEN 'DEP' THEN 'Deposit'
                      WHEN 'ADJ' THEN 'Adjustment' ELSE 'Refund' END,
       l.SourceTable, l.SourceID, l.Amount, l.GLCode, g.GLName, l.ContraGL, cg.GLName, l.DeptCode,
       d.DeptName, l.PhysicianID, ph.LastName || ', ' || ph.FirstName, l.UserID, l.BatchNo
FROM BILLING.tbARLedger l
JOIN BILLING.tbPatientAccount pa ON pa.ARNo = l.ARNo
LEFT JOIN BILLING.tbPayor py ON py.PayorCode = pa.PayorCode
LEFT JOIN BILLING.tbGLAccount g ON g.GLCode = l.GLCode
LEFT JOIN BILLING.tbGLAccount cg ON cg.GLCode = l.ContraGL
LEFT JOIN Patient_data.tbDepartment d ON d.DeptCode = l.DeptCode
LEFT JOIN Patient_data.tbPhysician ph ON ph.PhysicianID = l.PhysicianID
WHERE l.TxnDate BETWEEN @DateFrom AND @DateTo;
DELETE FROM Reports.tbRepGLEntry WHERE JournalDate BETWEEN @DateFrom AND @DateTo;
INSERT INTO Reports.tbRepGLEntry
  (EntryID, BatchNo, JournalDate, Period, SourceType, GLCode, GLName, GLClass, DeptCode, DeptName,
   Debit, Credit, Memo)
SELECT e.EntryID, e.BatchNo, e.JournalDate, e.Period, e.SourceType, e.GLCode, g.GLName, g.GLClass,
       e.DeptCode, d.DeptName, e.Debit, e.Credit, e.Memo
FROM BILLING.tbGLEntry e
JOIN BILLING.tbGLAccount g ON g.GLCode = e.GLCode
LEFT JOIN Patient_data.tbDepartment d ON d.DeptCode = e.DeptCode
WHERE e.JournalDate BETWEEN @DateFrom AND @DateTo;
DELETE FROM Reports.tbRepAdjustment WHERE AdjDate BETWEEN @DateFrom AND @DateTo;
INSERT INTO Reports.tbRepAdjustment
  (AdjNo, AdjDate, PostedAt, ARNo, PatientType, HospitalNo, PatientName, AccountClass, AdjType,
   Reason, Amount, ApprovedBy, PostedBy)
SELECT a.AdjNo, a.AdjDate, a.PostedAt, a.ARNo, CASE pa.AccountKind WHEN 'IP' THEN 'I' ELSE 'O' END,
       pa.HospitalNo, pa.PatientName, pa.AccountClass, a.AdjType, a.Reason, a.Amount, a.ApprovedBy,
       a.PostedBy
FROM BILLING.tbAdjustment a JOIN BILLING.tbPatientAccount pa ON pa.ARNo = a.ARNo
WHERE a.AdjDate BETWEEN @DateFrom AND @DateTo;
DELETE FROM Reports.tbRepReceipt WHERE ReceiptDate BETWEEN @DateFrom AND @DateTo;
INSERT INTO Reports.tbRepReceipt
  (ORNo, ReceiptDate, ReceivedAt, CashierID, CashierName, Tender, ReceivedFrom, HospitalNo,
   CashSales, Payments, Deposits, Miscellaneous, Amount, Voided, VoidReason)
SELECT r.ORNo, r.ReceiptDate, r.ReceivedAt, r.CashierID, u.FullName, r.Tender, r.ReceivedFrom,
       r.HospitalNo,
       TOTAL(CASE WHEN rl.LineKind = 'CASHSALE' THEN rl.Amount END),
       TOTAL(CASE WHEN rl.LineKind = 'PAYMENT' THEN rl.Amount END),
       TOTAL(CASE WHEN rl.LineKind = 'DEPOSIT' THEN rl.Amount END),
       TOTAL(CASE WHEN rl.LineKind = 'MISC' THEN rl.Amount END),
       r.Amount, r.Voided, r.VoidReason
FROM BILLING.tbReceipt r
LEFT JOIN BILLING.tbReceiptLine rl ON rl.ORNo = r.ORNo
LEFT JOIN Patient_data.tbUsers u ON u.UserName = r.CashierID
WHERE r.ReceiptDate BETWEEN @DateFrom AND @DateTo
GROUP BY r.ORNo;
DELETE FROM Reports.tbRepRevenue WHERE ServiceDate BETWEEN @DateFrom AND @DateTo;
INSERT INTO Reports.tbRepRevenue
  (ServiceDate, PatientType, AccountClass, DeptCode, DeptName, ItemCode, ItemDescription, IsPackage,
   ChargeType, PayMode, PhysicianID, PhysicianName, GLRevenue, Lines, Qty, Gross, Discount, Net)
SELECT c.ServiceDate, c.EncounterType, pa.AccountClass, c.DeptCode, COALESCE(d.DeptName, c.DeptCode),
       c.ItemCode, si.Description, si.IsPackage, c.ChargeType, c.PayMode, COALESCE(c.PhysicianID, 0),
       COALESCE(ph.LastName || ', ' || ph.FirstName, ''), si.GLRevenue, COUNT(*), SUM(c.Qty),
       SUM(c.Gross), SUM(c.Discount), SUM(c.Net)
FROM BILLING.tbCharge c
JOIN BILLING.tbPatientAccount pa ON pa.ARNo = c.ARNo
JOIN BILLING.tbServiceItem si ON si.ItemCode = c.ItemCode
LEFT JOIN Patient_data.tbDepartment d ON d.DeptCode = c.DeptCode
LEFT JOIN Patient_data.tbPhysician ph ON ph.PhysicianID = c.PhysicianID
WHERE c.ServiceDate BETWEEN @DateFrom AND @DateTo AND c.Voided = 0
GROUP BY c.ServiceDate, c.EncounterType, pa.AccountClass, c.DeptCode, c.ItemCode, c.ChargeType,
         c.PayMode, COALESCE(c.PhysicianID, 0);
GO
