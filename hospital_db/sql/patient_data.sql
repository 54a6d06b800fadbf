-- Patient_data: the hospital, its people, wards and the clinical logbooks.
-- Dates are ISO text ('yyyy-mm-dd'), date-times 'yyyy-mm-dd hh:mm:ss'. Money is INTEGER cents.

CREATE TABLE Patient_data.tbHospitalInfo (
  Company TEXT, Address1 TEXT, Address2 TEXT, City TEXT, Province TEXT, ZipCode TEXT,
  Phone TEXT, Fax TEXT, TIN TEXT, MTSServerName TEXT);

CREATE TABLE Patient_data.tbUsers (
  UserName TEXT PRIMARY KEY COLLATE NOCASE,
  FullName TEXT NOT NULL,
  PasswordHash TEXT NOT NULL,          -- libsodium crypto_pwhash_str (Argon2id)
  Modules TEXT NOT NULL DEFAULT '',    -- comma-separated module codes; the reports module is 'RP'
  FailedAttempts INTEGER NOT NULL DEFAULT 0,
  LockedUntil TEXT,                    -- 'yyyy-mm-dd hh:mm:ss' UTC; NULL when not locked
  Active INTEGER NOT NULL DEFAULT 1);

-- Revenue and clinical departments. DeptGroup: CLINICAL (has an examination logbook),
-- NURSING, ROOM, PHARMACY, PROFESSIONAL, MISC (miscellaneous revenue), ADMIN.
CREATE TABLE Patient_data.tbDepartment (
  DeptCode TEXT PRIMARY KEY COLLATE NOCASE,
  DeptName TEXT NOT NULL,
  DeptGroup TEXT NOT NULL,
  HasLogbook INTEGER NOT NULL DEFAULT 0,
  IsRevenue INTEGER NOT NULL DEFAULT 1,
  GLRevenue TEXT);

CREATE TABLE Patient_data.tbPhysician (
  PhysicianID INTEGER PRIMARY KEY,
  LastName TEXT NOT NULL,
  FirstName TEXT NOT NULL,
  DeptCode TEXT REFERENCES tbDepartment(DeptCode),
  Specialty TEXT NOT NULL,
  PFSharePct INTEGER NOT NULL DEFAULT 100,
  Active INTEGER NOT NULL DEFAULT 1);

CREATE TABLE Patient_data.tbStation (
  StationCode TEXT PRIMARY KEY COLLATE NOCASE,
  StationName TEXT NOT NULL,
  Floor INTEGER NOT NULL,
  BedCount INTEGER NOT NULL);

CREATE TABLE Patient_data.tbBed (
  StationCode TEXT NOT NULL REFERENCES tbStation(StationCode),
  RoomNo TEXT NOT NULL,
  BedNo TEXT NOT NULL,
  RoomClass TEXT NOT NULL,             -- WARD, SEMI-PRIVATE, PRIVATE, SUITE, ICU, NURSERY
  DailyRate INTEGER NOT NULL,          -- cents
  Status TEXT NOT NULL DEFAULT 'VACANT',
  PRIMARY KEY (StationCode, RoomNo, BedNo));

CREATE TABLE Patient_data.tbPatient (
  HospitalNo TEXT PRIMARY KEY,
  LastName TEXT NOT NULL,
  FirstName TEXT NOT NULL,
  MiddleName TEXT,
  Sex TEXT NOT NULL CHECK (Sex IN ('M', 'F')),
  BirthDate TEXT NOT NULL,
  CivilStatus TEXT NOT NULL,           -- SINGLE, MARRIED, WIDOWED, SEPARATED
  Address TEXT,
  City TEXT,
  Province TEXT,
  Phone TEXT,
  PayorCode TEXT,                      -- usual payor (BILLING.tbPayor)
  InsuranceNo TEXT,
  RegisteredAt TEXT NOT NULL,
  RegisteredBy TEXT);
CREATE INDEX Patient_data.ixPatientName ON tbPatient(LastName, FirstName);

-- The admission logbook; a discharge fills the discharge columns.
CREATE TABLE Patient_data.tbAdmission (
  AdmissionNo TEXT PRIMARY KEY,
  HospitalNo TEXT NOT NULL REFERENCES tbPatient(HospitalNo),
  AdmitDateTime TEXT NOT NULL,
  AdmissionType TEXT NOT NULL,         -- ROUTINE, MATERNITY, ELECTIVE, URGENT, EMERGENCY
  AdmittingDx TEXT,
  AttendingID INTEGER REFERENCES tbPhysician(PhysicianID),
  ReferringID INTEGER REFERENCES tbPhysician(PhysicianID),
  ServiceDept TEXT,                    -- MEDICINE, SURGERY, OB-GYNE, PEDIATRICS, ...
  StationCode TEXT REFERENCES tbStation(StationCode),
  RoomNo TEXT,
  BedNo TEXT,
  AccountClass TEXT NOT NULL,          -- PAY, HMO, COMPANY, SERVICE
  PayorCode TEXT,
  AccountLimit INTEGER NOT NULL DEFAULT 0,   -- cents; 0 means no limit
  DischargeDateTime TEXT,
  Disposition TEXT,                    -- RECOVERED, IMPROVED, TRANSFERRED, HAMA, DIED
  FinalDx TEXT,
  FinalDxICD10 TEXT,
  AdmittedBy TEXT);
CREATE INDEX Patient_data.ixAdmissionAdmit ON tbAdmission(AdmitDateTime);
CREATE INDEX Patient_data.ixAdmissionDischarge ON tbAdmission(DischargeDateTime);
CREATE INDEX Patient_data.ixAdmissionPatient ON tbAdmission(HospitalNo);

-- Out-patient and emergency registrations (the OPD logbook).
CREATE TABLE Patient_data.tbOPDVisit (
  VisitNo TEXT PRIMARY KEY,
  HospitalNo TEXT NOT NULL REFERENCES tbPatient(HospitalNo),
  VisitDateTime TEXT NOT NULL,
  VisitKind TEXT NOT NULL CHECK (VisitKind IN ('NEW', 'REVISIT', 'ER')),
  ClinicDept TEXT,
  PhysicianID INTEGER REFERENCES tbPhysician(PhysicianID),
  Complaint TEXT,
  Diagnosis TEXT,
  Disposition TEXT,                    -- HOME, ADMITTED, REFERRED
  AccountClass TEXT NOT NULL,
  PayorCode TEXT,
  RegisteredBy TEXT);
CREATE INDEX Patient_data.ixOPDVisitDate ON tbOPDVisit(VisitDateTime);

-- Departmental examination logbooks (laboratory, X-ray, ultrasound, CT scan, physical therapy,
-- RTS, apparatus, operating and delivery room, hemodialysis) in one table keyed by department.
-- ChargeID points at the BILLING charge line that bills the examination; components of a
-- package deal carry the package's code and no charge of their own.
CREATE TABLE Patient_data.tbExamination (
  ExamNo INTEGER PRIMARY KEY,
  DeptCode TEXT NOT NULL REFERENCES tbDepartment(DeptCode),
  EncounterType TEXT NOT NULL CHECK (EncounterType IN ('I', 'O')),
  EncounterNo TEXT NOT NULL,
  HospitalNo TEXT NOT NULL,
  ItemCode TEXT NOT NULL,
  ItemDescription TEXT NOT NULL,
  PackageCode TEXT,
  RequestedByID INTEGER,
  RequestedAt TEXT NOT NULL,
  PerformedAt TEXT NOT NULL,
  ExamDate TEXT NOT NULL,              -- date part of PerformedAt, for the logbooks
  PerformedBy TEXT,
  ReaderID INTEGER,                    -- reading physician, surgeon or obstetrician
  AnesthesiologistID INTEGER,
  Qty INTEGER NOT NULL DEFAULT 1,
  Status TEXT NOT NULL DEFAULT 'RELEASED',
  ChargeID INTEGER);
CREATE INDEX Patient_data.ixExamDeptDate ON tbExamination(DeptCode, ExamDate);
