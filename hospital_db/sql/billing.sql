-- BILLING: payors, price lists, patient accounts and every money movement.
-- Money is INTEGER cents everywhere; A/R amounts are signed: + means the patient owes more.

CREATE TABLE BILLING.tbPayor (
  PayorCode TEXT PRIMARY KEY COLLATE NOCASE,
  PayorName TEXT NOT NULL,
  PayorType TEXT NOT NULL,             -- SELF, HMO, COMPANY, GOVERNMENT
  TermsDays INTEGER NOT NULL DEFAULT 0,
  CreditLimit INTEGER NOT NULL DEFAULT 0,
  GLAR TEXT NOT NULL);

CREATE TABLE BILLING.tbGLAccount (
  GLCode TEXT PRIMARY KEY,
  GLName TEXT NOT NULL,
  GLClass TEXT NOT NULL,               -- ASSET, LIABILITY, REVENUE, CONTRA, EXPENSE
  NormalSide TEXT NOT NULL CHECK (NormalSide IN ('D', 'C')));

-- The charge master. ChargeType HOSP (hospital) or PF (professional fee).
CREATE TABLE BILLING.tbServiceItem (
  ItemCode TEXT PRIMARY KEY,
  DeptCode TEXT NOT NULL,
  Description TEXT NOT NULL,
  ChargeType TEXT NOT NULL CHECK (ChargeType IN ('HOSP', 'PF')),
  PriceIP INTEGER NOT NULL,
  PriceOP INTEGER NOT NULL,
  GLRevenue TEXT NOT NULL REFERENCES tbGLAccount(GLCode),
  IsPackage INTEGER NOT NULL DEFAULT 0,
  Active INTEGER NOT NULL DEFAULT 1);
CREATE INDEX BILLING.ixServiceItemDept ON tbServiceItem(DeptCode);

-- The tests a package deal bundles at one price.
CREATE TABLE BILLING.tbPackageComponent (
  PackageCode TEXT NOT NULL REFERENCES tbServiceItem(ItemCode),
  ItemCode TEXT NOT NULL REFERENCES tbServiceItem(ItemCode),
  Qty INTEGER NOT NULL DEFAULT 1,
  PRIMARY KEY (PackageCode, ItemCode));

-- Miscellaneous revenue codes (certificates, records, rentals, ...), kept by the maintenance window.
CREATE TABLE BILLING.tbMiscRevenue (
  MiscCode TEXT PRIMARY KEY COLLATE NOCASE
    CONSTRAINT "a miscellaneous revenue code must not be empty" CHECK (length(trim(MiscCode)) > 0),
  Description TEXT NOT NULL,
  GLCode TEXT NOT NULL DEFAULT '4900',
  DeptCode TEXT,
  DefaultAmount INTEGER NOT NULL DEFAULT 0,
  Active INTEGER NOT NULL DEFAULT 1,
  CreatedBy TEXT, CreatedAt TEXT, UpdatedBy TEXT, UpdatedAt TEXT);

-- One receivable account per encounter (IP: admission, OP: out-patient visit). The patient's
-- name and bed are copied here, as billing keeps them, so account reports read one database.
CREATE TABLE BILLING.tbPatientAccount (
  ARNo TEXT PRIMARY KEY,
  AccountKind TEXT NOT NULL CHECK (AccountKind IN ('IP', 'OP')),
  HospitalNo TEXT NOT NULL,
  EncounterNo TEXT NOT NULL,
  PatientName TEXT NOT NULL,
  AccountClass TEXT NOT NULL,          -- PAY, HMO, COMPANY, SERVICE
  PayorCode TEXT NOT NULL REFERENCES tbPayor(PayorCode),
  OpenedOn TEXT NOT NULL,              -- admission or visit date
  DischargedOn TEXT,                   -- IP: discharge date; OP: the visit date
  AccountLimit INTEGER NOT NULL DEFAULT 0,
  StationCode TEXT, StationName TEXT, RoomNo TEXT, BedNo TEXT,
  GLAR TEXT NOT NULL REFERENCES tbGLAccount(GLCode),
  Status TEXT NOT NULL DEFAULT 'OPEN'); -- OPEN, DISCHARGED
CREATE INDEX BILLING.ixAccountEncounter ON tbPatientAccount(EncounterNo);
CREATE INDEX BILLING.ixAccountOpened ON tbPatientAccount(OpenedOn);

-- Charge lines. Net = Gross - Discount = the extension the hospital bills. PayMode CASH means
-- paid over the counter at once (a receipt's CASHSALE line settles it), CHARGE means billed to the
-- account. Voided lines are kept for the record and count nowhere.
CREATE TABLE BILLING.tbCharge (
  ChargeID INTEGER PRIMARY KEY,
  SlipNo TEXT NOT NULL,
  ARNo TEXT NOT NULL REFERENCES tbPatientAccount(ARNo),
  EncounterType TEXT NOT NULL CHECK (EncounterType IN ('I', 'O')),
  EncounterNo TEXT NOT NULL,
  HospitalNo TEXT NOT NULL,
  ServiceDate TEXT NOT NULL,
  PostedAt TEXT NOT NULL,
  DeptCode TEXT NOT NULL,
  ItemCode TEXT NOT NULL REFERENCES tbServiceItem(ItemCode),
  ChargeType TEXT NOT NULL CHECK (ChargeType IN ('HOSP', 'PF')),
  PhysicianID INTEGER,                 -- PF lines: the physician the fee is for
  Qty INTEGER NOT NULL,
  UnitPrice INTEGER NOT NULL,
  Gross INTEGER NOT NULL,
  Discount INTEGER NOT NULL DEFAULT 0,
  Net INTEGER NOT NULL,
  PayMode TEXT NOT NULL CHECK (PayMode IN ('CASH', 'CHARGE')),
  ORNo TEXT,
  PostedBy TEXT,
  Voided INTEGER NOT NULL DEFAULT 0,
  VoidedBy TEXT, VoidedAt TEXT,
  CHECK (Net = Gross - Discount));
CREATE INDEX BILLING.ixChargeDate ON tbCharge(ServiceDate, EncounterType);
CREATE INDEX BILLING.ixChargeAccount ON tbCharge(ARNo);
CREATE INDEX BILLING.ixChargeDeptDate ON tbCharge(DeptCode, ServiceDate);

-- Official receipts and what each one paid for.
CREATE TABLE BILLING.tbReceipt (
  ORNo TEXT PRIMARY KEY,
  ReceivedAt TEXT NOT NULL,
  ReceiptDate TEXT NOT NULL,
  CashierID TEXT NOT NULL,
  HospitalNo TEXT,
  ReceivedFrom TEXT NOT NULL,
  Tender TEXT NOT NULL CHECK (Tender IN ('CASH', 'CHECK', 'CARD')),
  Amount INTEGER NOT NULL,
  Voided INTEGER NOT NULL DEFAULT 0,
  VoidReason TEXT);
CREATE INDEX BILLING.ixReceiptDate ON tbReceipt(ReceiptDate);

-- LineKind: CASHSALE (settles CASH charges), PAYMENT (on account), DEPOSIT (advance on an
-- account; may leave a credit balance), MISC (miscellaneous revenue, no account).
CREATE TABLE BILLING.tbReceiptLine (
  ORNo TEXT NOT NULL REFERENCES tbReceipt(ORNo),
  LineNo INTEGER NOT NULL,
  LineKind TEXT NOT NULL CHECK (LineKind IN ('CASHSALE', 'PAYMENT', 'DEPOSIT', 'MISC')),
  ARNo TEXT REFERENCES tbPatientAccount(ARNo),
  MiscCode TEXT,
  Amount INTEGER NOT NULL,
  PRIMARY KEY (ORNo, LineNo));
CREATE INDEX BILLING.ixReceiptLineAccount ON tbReceiptLine(ARNo);
CREATE INDEX BILLING.ixReceiptLineMisc ON tbReceiptLine(MiscCode);

-- Adjustments. Amount is the signed effect on the account: discounts and write-offs are
-- negative, refunds of a credit balance positive.
CREATE TABLE BILLING.tbAdjustment (
  AdjNo TEXT PRIMARY KEY,
  ARNo TEXT NOT NULL REFERENCES tbPatientAccount(ARNo),
  AdjDate TEXT NOT NULL,
  PostedAt TEXT NOT NULL,
  AdjType TEXT NOT NULL CHECK (AdjType IN ('DISCOUNT', 'SENIOR', 'WRITEOFF', 'CORRECTION', 'REFUND')),
  Reason TEXT NOT NULL,
  Amount INTEGER NOT NULL,
  ApprovedBy TEXT,
  PostedBy TEXT);
CREATE INDEX BILLING.ixAdjustmentDate ON tbAdjustment(AdjDate);
CREATE INDEX BILLING.ixAdjustmentAccount ON tbAdjustment(ARNo);

-- The receivable ledger: every transaction on a patient account (the audit trails' source).
-- TxnType CHG (charge), PAY (payment or cash sale), DEP (deposit), ADJ (discount, write-off,
-- correction), REF (refund). Amount signed: the account's balance is the sum of its rows.
CREATE TABLE BILLING.tbARLedger (
  TxnID INTEGER PRIMARY KEY,
  ARNo TEXT NOT NULL REFERENCES tbPatientAccount(ARNo),
  TxnDate TEXT NOT NULL,
  PostedAt TEXT NOT NULL,
  TxnType TEXT NOT NULL CHECK (TxnType IN ('CHG', 'PAY', 'DEP', 'ADJ', 'REF')),
  SourceTable TEXT NOT NULL,
  SourceID TEXT NOT NULL,
  Amount INTEGER NOT NULL,
  GLCode TEXT NOT NULL,                -- the A/R account's G/L code
  ContraGL TEXT NOT NULL,              -- the other side of the entry
  DeptCode TEXT,
  PhysicianID INTEGER,
  UserID TEXT,
  BatchNo TEXT NOT NULL);
CREATE INDEX BILLING.ixLedgerAccountDate ON tbARLedger(ARNo, TxnDate);
CREATE INDEX BILLING.ixLedgerDate ON tbARLedger(TxnDate);

-- General-ledger journal: each batch (one per day and source) balances.
CREATE TABLE BILLING.tbGLEntry (
  EntryID INTEGER PRIMARY KEY,
  BatchNo TEXT NOT NULL,
  JournalDate TEXT NOT NULL,
  Period TEXT NOT NULL,                -- 'yyyy-mm'
  SourceType TEXT NOT NULL,            -- CHG, PAY, DEP, ADJ, REF, MISC
  GLCode TEXT NOT NULL REFERENCES tbGLAccount(GLCode),
  DeptCode TEXT,
  Debit INTEGER NOT NULL DEFAULT 0,
  Credit INTEGER NOT NULL DEFAULT 0,
  Memo TEXT,
  PostedBy TEXT);
CREATE INDEX BILLING.ixGLDate ON tbGLEntry(JournalDate);
CREATE INDEX BILLING.ixGLBatch ON tbGLEntry(BatchNo);
