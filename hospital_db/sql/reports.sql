-- Reports: tables the stored procedures prepare, and reporting copies of the logbooks and
-- ledgers (a report definition reads one database only, and an SQLite view cannot reach into
-- another database, so the copies are refreshed by sp_Rep_RefreshReportTables).
-- Money is INTEGER cents; the reports divide by 100 when they print.

-- Daily summary of discharges: patients discharged on ReportDate (one row each) ...
CREATE TABLE Reports.tbDailyDischarges (
  ReportDate TEXT NOT NULL,
  ARNo TEXT NOT NULL,
  AdmissionNo TEXT NOT NULL,
  HospitalNo TEXT NOT NULL,
  PatientName TEXT NOT NULL,
  Sex TEXT, Age INTEGER, CivilStatus TEXT, Address TEXT, City TEXT,
  AccountClass TEXT NOT NULL,
  PayorCode TEXT, PayorName TEXT,
  StationCode TEXT, StationName TEXT, RoomNo TEXT, BedNo TEXT,
  AdmitDate TEXT NOT NULL,
  DischargeDate TEXT NOT NULL,
  LengthOfStay INTEGER NOT NULL,
  AttendingName TEXT,
  FinalDx TEXT,
  Disposition TEXT,
  TotalCharges INTEGER NOT NULL,       -- net charges of the stay (hospital + PF)
  TotalDiscounts INTEGER NOT NULL,     -- adjustments up to the report date (negative)
  TotalPayments INTEGER NOT NULL,      -- payments and deposits up to the report date (negative)
  Balance INTEGER NOT NULL,            -- balance as of the report date
  AccountLimit INTEGER NOT NULL,
  PRIMARY KEY (ReportDate, ARNo));

-- ... and their charges by department, hospital/professional and cash/charge.
CREATE TABLE Reports.tbDailySummaryOfDischarges (
  ReportDate TEXT NOT NULL,
  ARNo TEXT NOT NULL,
  PatientName TEXT NOT NULL,
  AccountClass TEXT NOT NULL,
  DeptCode TEXT NOT NULL,
  DeptName TEXT NOT NULL,
  ChargeType TEXT NOT NULL,            -- HOSP, PF
  PayMode TEXT NOT NULL,               -- CASH, CHARGE
  Lines INTEGER NOT NULL,
  Gross INTEGER NOT NULL,
  Discount INTEGER NOT NULL,
  Extension INTEGER,                   -- Gross - Discount; set by sp_RepRecomputeExtensionInPatient
  PRIMARY KEY (ReportDate, ARNo, DeptCode, ChargeType, PayMode));

-- Daily summary of services: out-patient charges of the service date, per visit and department.
CREATE TABLE Reports.tbDailySummaryOfServices (
  ReportDate TEXT NOT NULL,
  ARNo TEXT NOT NULL,
  VisitNo TEXT NOT NULL,
  HospitalNo TEXT NOT NULL,
  PatientName TEXT NOT NULL,
  VisitKind TEXT NOT NULL,
  AccountClass TEXT NOT NULL,
  PayorName TEXT,
  DeptCode TEXT NOT NULL,
  DeptName TEXT NOT NULL,
  ChargeType TEXT NOT NULL,
  PayMode TEXT NOT NULL,
  Lines INTEGER NOT NULL,
  Gross INTEGER NOT NULL,
  Discount INTEGER NOT NULL,
  Extension INTEGER,                   -- set by sp_RepRecomputeExtensionOutPatient
  PRIMARY KEY (ReportDate, ARNo, DeptCode, ChargeType, PayMode));

-- The day's totals read back by the daily summary dialogs. PatientType I (discharges), O (services).
CREATE TABLE Reports.tbDailyComputedTotals (
  ReportDate TEXT NOT NULL,
  PatientType TEXT NOT NULL CHECK (PatientType IN ('I', 'O')),
  PatientsCash INTEGER NOT NULL,       -- patients with cash lines
  PatientsCharge INTEGER NOT NULL,     -- patients with charge lines
  HospCash INTEGER NOT NULL,
  HospCharge INTEGER NOT NULL,
  ProfCash INTEGER NOT NULL,
  ProfCharge INTEGER NOT NULL,
  ComputedAt TEXT NOT NULL,
  PRIMARY KEY (ReportDate, PatientType));

-- Departmental monthly summaries (monthly and year-end reports). Flag N: counts are the
-- examinations of the department's logbook; Flag Y: counts are the billed lines (and
-- miscellaneous receipts). Amount is always the month's net revenue of the item.
CREATE TABLE Reports.tbMonthlySummary (
  DeptCode TEXT NOT NULL COLLATE NOCASE,
  Flag TEXT NOT NULL,
  PeriodMonth TEXT NOT NULL,           -- 'yyyy-mm'
  PeriodYear TEXT NOT NULL,            -- 'yyyy'
  MonthNo INTEGER NOT NULL,
  PatientType TEXT NOT NULL,           -- I, O
  ItemCode TEXT NOT NULL,
  ItemDescription TEXT NOT NULL,
  ItemCount INTEGER NOT NULL,
  Qty INTEGER NOT NULL,
  Amount INTEGER NOT NULL,
  ComputedAt TEXT NOT NULL,
  PRIMARY KEY (DeptCode, Flag, PeriodMonth, PatientType, ItemCode));
CREATE INDEX Reports.ixMonthlySummaryYear ON tbMonthlySummary(DeptCode, Flag, PeriodYear);

-- Receivable aging (sp_BILLING_RepAgingRecompute) and payable aging
-- (sp_BILLING_RepAgingPayableRecompute): one row per account, one classification row per class.
CREATE TABLE Reports.tbAgingDetail (
  ARNo TEXT PRIMARY KEY,
  DateFrom TEXT NOT NULL, AsOfDate TEXT NOT NULL, BalanceClass TEXT NOT NULL,
  AccountKind TEXT NOT NULL, HospitalNo TEXT NOT NULL, PatientName TEXT NOT NULL,
  Classification TEXT NOT NULL, PayorCode TEXT NOT NULL, PayorName TEXT NOT NULL,
  OpenedOn TEXT NOT NULL, BasisDate TEXT NOT NULL, AgeDays INTEGER NOT NULL,
  OpeningBalance INTEGER NOT NULL, PeriodCharges INTEGER NOT NULL, PeriodPayments INTEGER NOT NULL,
  PeriodAdjustments INTEGER NOT NULL, Balance INTEGER NOT NULL,
  Current0To30 INTEGER NOT NULL, Days31To60 INTEGER NOT NULL, Days61To90 INTEGER NOT NULL,
  Days91To120 INTEGER NOT NULL, Over120 INTEGER NOT NULL);
CREATE TABLE Reports.tbAgingClassification (
  Classification TEXT PRIMARY KEY,
  DateFrom TEXT NOT NULL, AsOfDate TEXT NOT NULL, BalanceClass TEXT NOT NULL,
  Accounts INTEGER NOT NULL, Balance INTEGER NOT NULL,
  Current0To30 INTEGER NOT NULL, Days31To60 INTEGER NOT NULL, Days61To90 INTEGER NOT NULL,
  Days91To120 INTEGER NOT NULL, Over120 INTEGER NOT NULL);
CREATE TABLE Reports.tbPayableDetail (
  ARNo TEXT PRIMARY KEY,
  DateFrom TEXT NOT NULL, AsOfDate TEXT NOT NULL,
  AccountKind TEXT NOT NULL, HospitalNo TEXT NOT NULL, PatientName TEXT NOT NULL,
  Classification TEXT NOT NULL, PayorCode TEXT NOT NULL, PayorName TEXT NOT NULL,
  OpenedOn TEXT NOT NULL, BasisDate TEXT NOT NULL, AgeDays INTEGER NOT NULL,
  Payable INTEGER NOT NULL,            -- what the hospital owes (minus the credit balance)
  Current0To30 INTEGER NOT NULL, Days31To60 INTEGER NOT NULL, Days61To90 INTEGER NOT NULL,
  Days91To120 INTEGER NOT NULL, Over120 INTEGER NOT NULL);
CREATE TABLE Reports.tbPayableClassification (
  Classification TEXT PRIMARY KEY,
  DateFrom TEXT NOT NULL, AsOfDate TEXT NOT NULL,
  Accounts INTEGER NOT NULL, Payable INTEGER NOT NULL,
  Current0To30 INTEGER NOT NULL, Days31To60 INTEGER NOT NULL, Days61To90 INTEGER NOT NULL,
  Days91To120 INTEGER NOT NULL, Over120 INTEGER NOT NULL);

-- Reporting copies (refreshed by sp_Rep_RefreshReportTables for a date range).
CREATE TABLE Reports.tbRepAdmission (
  AdmissionNo TEXT PRIMARY KEY,
  AdmitDate TEXT NOT NULL, AdmitDateTime TEXT NOT NULL,
  HospitalNo TEXT NOT NULL, PatientName TEXT NOT NULL,
  Sex TEXT, Age INTEGER, CivilStatus TEXT, Address TEXT, City TEXT,
  AdmissionType TEXT, AdmittingDx TEXT, AttendingName TEXT, ReferringName TEXT, ServiceDept TEXT,
  StationCode TEXT, StationName TEXT, RoomNo TEXT, BedNo TEXT, RoomClass TEXT,
  AccountClass TEXT, PayorName TEXT, AccountLimit INTEGER,
  DischargeDate TEXT, DischargeDateTime TEXT, LengthOfStay INTEGER, Disposition TEXT,
  FinalDx TEXT, FinalDxICD10 TEXT, AdmittedBy TEXT);
CREATE INDEX Reports.ixRepAdmissionAdmit ON tbRepAdmission(AdmitDate);
CREATE INDEX Reports.ixRepAdmissionDischarge ON tbRepAdmission(DischargeDate);

CREATE TABLE Reports.tbRepOPDVisit (
  VisitNo TEXT PRIMARY KEY,
  VisitDate TEXT NOT NULL, VisitDateTime TEXT NOT NULL,
  HospitalNo TEXT NOT NULL, PatientName TEXT NOT NULL,
  Sex TEXT, Age INTEGER, Address TEXT, City TEXT,
  VisitKind TEXT NOT NULL, ClinicDept TEXT, ClinicName TEXT, PhysicianName TEXT,
  Complaint TEXT, Diagnosis TEXT, Disposition TEXT, AccountClass TEXT, PayorName TEXT,
  RegisteredBy TEXT);
CREATE INDEX Reports.ixRepOPDVisitDate ON tbRepOPDVisit(VisitDate);

CREATE TABLE Reports.tbRepExamination (
  ExamNo INTEGER PRIMARY KEY,
  DeptCode TEXT NOT NULL COLLATE NOCASE, DeptName TEXT NOT NULL,
  ExamDate TEXT NOT NULL, PerformedAt TEXT NOT NULL,
  EncounterType TEXT NOT NULL, EncounterNo TEXT NOT NULL,
  HospitalNo TEXT NOT NULL, PatientName TEXT NOT NULL, Sex TEXT, Age INTEGER,
  ItemCode TEXT NOT NULL, ItemDescription TEXT NOT NULL, PackageCode TEXT,
  RequestedByName TEXT, ReaderName TEXT, AnesthesiologistName TEXT,
  PerformedBy TEXT, Qty INTEGER NOT NULL, Status TEXT, Amount INTEGER NOT NULL);
CREATE INDEX Reports.ixRepExamDeptDate ON tbRepExamination(DeptCode, ExamDate);

-- The receivable ledger with the names the audit trails print. PatientType I or O.
CREATE TABLE Reports.tbRepARLedger (
  TxnID INTEGER PRIMARY KEY,
  TxnDate TEXT NOT NULL, PostedAt TEXT NOT NULL,
  ARNo TEXT NOT NULL, PatientType TEXT NOT NULL, HospitalNo TEXT NOT NULL, PatientName TEXT NOT NULL,
  AccountClass TEXT NOT NULL, PayorName TEXT,
  TxnType TEXT NOT NULL, TxnTypeName TEXT NOT NULL,
  SourceTable TEXT NOT NULL, SourceID TEXT NOT NULL,
  Amount INTEGER NOT NULL,
  GLCode TEXT NOT NULL, GLName TEXT NOT NULL, ContraGL TEXT NOT NULL, ContraGLName TEXT NOT NULL,
  DeptCode TEXT, DeptName TEXT, PhysicianID INTEGER, PhysicianName TEXT,
  UserID TEXT, BatchNo TEXT NOT NULL);
CREATE INDEX Reports.ixRepLedgerDate ON tbRepARLedger(TxnDate, PatientType);
CREATE INDEX Reports.ixRepLedgerAccount ON tbRepARLedger(ARNo, TxnDate);

CREATE TABLE Reports.tbRepGLEntry (
  EntryID INTEGER PRIMARY KEY,
  BatchNo TEXT NOT NULL, JournalDate TEXT NOT NULL, Period TEXT NOT NULL, SourceType TEXT NOT NULL,
  GLCode TEXT NOT NULL, GLName TEXT NOT NULL, GLClass TEXT NOT NULL,
  DeptCode TEXT, DeptName TEXT,
  Debit INTEGER NOT NULL, Credit INTEGER NOT NULL, Memo TEXT);
CREATE INDEX Reports.ixRepGLDate ON tbRepGLEntry(JournalDate);

CREATE TABLE Reports.tbRepAdjustment (
  AdjNo TEXT PRIMARY KEY,
  AdjDate TEXT NOT NULL, PostedAt TEXT NOT NULL,
  ARNo TEXT NOT NULL, PatientType TEXT NOT NULL, HospitalNo TEXT NOT NULL, PatientName TEXT NOT NULL,
  AccountClass TEXT NOT NULL, AdjType TEXT NOT NULL, Reason TEXT NOT NULL, Amount INTEGER NOT NULL,
  ApprovedBy TEXT, PostedBy TEXT);
CREATE INDEX Reports.ixRepAdjustmentDate ON tbRepAdjustment(AdjDate);
CREATE INDEX Reports.ixRepAdjustmentPosted ON tbRepAdjustment(PostedAt);

-- One row per receipt with its amount split by what it paid for.
CREATE TABLE Reports.tbRepReceipt (
  ORNo TEXT PRIMARY KEY,
  ReceiptDate TEXT NOT NULL, ReceivedAt TEXT NOT NULL,
  CashierID TEXT NOT NULL, CashierName TEXT,
  Tender TEXT NOT NULL, ReceivedFrom TEXT NOT NULL, HospitalNo TEXT,
  CashSales INTEGER NOT NULL, Payments INTEGER NOT NULL, Deposits INTEGER NOT NULL,
  Miscellaneous INTEGER NOT NULL, Amount INTEGER NOT NULL,
  Voided INTEGER NOT NULL, VoidReason TEXT);
CREATE INDEX Reports.ixRepReceiptDate ON tbRepReceipt(ReceiptDate);

-- Revenue by day, department, item and physician (income, breakdown and package-deal reports).
CREATE TABLE Reports.tbRepRevenue (
  ServiceDate TEXT NOT NULL,
  PatientType TEXT NOT NULL,
  AccountClass TEXT NOT NULL,
  DeptCode TEXT NOT NULL, DeptName TEXT NOT NULL,
  ItemCode TEXT NOT NULL, ItemDescription TEXT NOT NULL, IsPackage INTEGER NOT NULL,
  ChargeType TEXT NOT NULL, PayMode TEXT NOT NULL,
  PhysicianID INTEGER NOT NULL,        -- 0 for hospital lines
  PhysicianName TEXT NOT NULL,
  GLRevenue TEXT NOT NULL,
  Lines INTEGER NOT NULL, Qty INTEGER NOT NULL,
  Gross INTEGER NOT NULL, Discount INTEGER NOT NULL, Net INTEGER NOT NULL,
  PRIMARY KEY (ServiceDate, PatientType, AccountClass, DeptCode, ItemCode, ChargeType, PayMode, PhysicianID));

-- Argument checks for the procedures: a procedure inserts its arguments here (and deletes them
-- again in the same transaction), so a bad argument fails the call with the constraint's text.
CREATE TABLE Reports.sys_argument_check (
  Flag TEXT CONSTRAINT "the flag must be Y or N" CHECK (Flag IN ('Y', 'N')),
  BalanceClass TEXT CONSTRAINT "the balance class must be P (receivables), N (payables) or A (all)"
    CHECK (BalanceClass IN ('P', 'N', 'A')),
  SearchMode TEXT CONSTRAINT "the search mode must be 0 (code or description) or 1 (code begins with)"
    CHECK (SearchMode IN ('0', '1')),
  PeriodInOrder INTEGER CONSTRAINT "the period ends before it starts" CHECK (PeriodInOrder = 1),
  CodeKnown INTEGER CONSTRAINT "the department or miscellaneous revenue code is unknown" CHECK (CodeKnown = 1));

-- Every report produced (by a dialog or the command line): who, where, when, what with which
-- values, where it went and how it ended. Rows older than the retention setting are removed at
-- log-in.
CREATE TABLE IF NOT EXISTS Reports.tbRunHistory (
  RunID INTEGER PRIMARY KEY,
  UserName TEXT NOT NULL, Workstation TEXT NOT NULL,
  StartedAt TEXT NOT NULL, EndedAt TEXT NOT NULL,
  Caption TEXT NOT NULL, ReportFile TEXT NOT NULL, DatabaseName TEXT NOT NULL,
  Parameters TEXT NOT NULL, Outputs TEXT NOT NULL,
  Outcome TEXT NOT NULL CHECK (Outcome IN ('done', 'failed', 'cancelled')),
  Message TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS Reports.ixRunHistoryStarted ON tbRunHistory(StartedAt);
