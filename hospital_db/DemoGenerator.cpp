// The demo data generator: a deterministic simulation of a mid-size hospital, day by day.

#include "HospitalDb.h"
#include "MasterData.h"

#include "CommandText.h"
#include "Connection.h"
#include "ConnectionInfo.h"
#include "DbError.h"
#include "SqliteExec.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlDriver>

#include <sodium.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcHospitalDb)

namespace tarvik::hospitaldb {

namespace detail {
QString uniqueConnectionName(const QString& purpose);
}

namespace {

using std::int64_t;
using std::string;

// ---------------------------------------------------------------------------------------------
// Thin prepared-statement wrapper over the raw SQLite handle (the generator writes millions of
// rows; Qt's binding layer would dominate the time).

using Value = std::variant<std::monostate, int64_t, string>;

class Statement
{
public:
    Statement(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) != SQLITE_OK)
            throw db::DbError(QStringLiteral("The demo generator cannot prepare a statement: %1\n%2")
                                  .arg(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(sql)));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void run(std::initializer_list<Value> values)
    {
        int i = 1;
        for (const Value& v : values) {
            if (const auto* n = std::get_if<int64_t>(&v))
                sqlite3_bind_int64(m_stmt, i, *n);
            else if (const auto* s = std::get_if<string>(&v))
                sqlite3_bind_text(m_stmt, i, s->data(), int(s->size()), SQLITE_TRANSIENT);
            else
                sqlite3_bind_null(m_stmt, i);
            ++i;
        }
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        if (rc != SQLITE_DONE)
            throw db::DbError(QStringLiteral("The demo generator could not write a row: %1\n%2")
                                  .arg(QString::fromUtf8(sqlite3_errmsg(m_db)),
                                       QString::fromUtf8(sqlite3_sql(m_stmt))));
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

void exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString message = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        throw db::DbError(QStringLiteral("The demo generator failed: %1\n%2").arg(message, QString::fromUtf8(sql)));
    }
}

Value text(const char* s) { return string(s); }
Value text(const string& s) { return s; }
Value none() { return std::monostate{}; }

string iso(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")).toStdString(); }
string stamp(const QDate& d, int minuteOfDay)
{
    minuteOfDay = std::clamp(minuteOfDay, 0, 24 * 60 - 1);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s %02d:%02d:%02d", iso(d).c_str(), minuteOfDay / 60, minuteOfDay % 60,
                  (minuteOfDay * 7) % 60);
    return buf;
}
string numbered(const char* prefix, int64_t n, int width)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%0*lld", prefix, width, static_cast<long long>(n));
    return buf;
}

// ---------------------------------------------------------------------------------------------

class Random
{
public:
    explicit Random(std::uint64_t seed) : m_gen(seed) {}
    double uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_gen); }
    bool chance(double p) { return uniform() < p; }
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_gen); }
    int poisson(double mean) { return mean <= 0 ? 0 : std::poisson_distribution<int>(mean)(m_gen); }
    template <typename T>
    const T& pick(const std::vector<T>& v) { return v[size_t(range(0, int(v.size()) - 1))]; }
    // Index by weights.
    int weighted(std::initializer_list<double> weights)
    {
        double total = 0;
        for (double w : weights)
            total += w;
        double r = uniform() * total;
        int i = 0;
        for (double w : weights) {
            if (r < w)
                return i;
            r -= w;
            ++i;
        }
        return i - 1;
    }

private:
    std::mt19937_64 m_gen;
};

struct Patient
{
    string hospitalNo;
    string name;
    string sex;
    QDate birth;
};

struct Account
{
    string arNo;
    string kind; // IP, OP
    string hospitalNo;
    string encounterNo;
    string cls;   // PAY, HMO, COMPANY, SERVICE
    string payor;
    string glAR;
    int patient = 0;
    int64_t balance = 0;
    int64_t hospCharges = 0;
    int64_t limit = 0;
};

struct Physician
{
    int id;
    string specialty;
};

struct InHouse
{
    int account;
    string admissionNo;
    QDate admit;
    QDate discharge;
    string station;
    int bed;
    string roomClass;
    int64_t rate;
    int attending;
    int kind; // 0 medical, 1 surgical, 2 maternity, 3 dialysis, 4 intensive care
    bool newborn = false;
};

enum class EventKind { PayorPayment, PatientPayment, WriteOff, Refund, Disallowance };
struct Event
{
    EventKind kind;
    int account;
};

struct Bed
{
    string station;
    string room;
    string bed;
    string roomClass;
    int64_t rate;
    bool occupied = false;
};

class Generator
{
public:
    Generator(sqlite3* db, const GeneratorOptions& options, QDate from, QDate to, const Progress& progress)
        : m_db(db), m_opt(options), m_from(from), m_to(to), m_rng(options.seed), m_progress(progress)
    {
    }

    void run()
    {
        exec(m_db, "BEGIN");
        writeMasterData();
        exec(m_db, "COMMIT");
        m_insVisit = std::make_unique<Statement>(m_db,
            "INSERT INTO Patient_data.tbOPDVisit VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
        const qint64 days = m_from.daysTo(m_to) + 1;
        qint64 done = 0;
        exec(m_db, "BEGIN");
        for (QDate d = m_from; d <= m_to; d = d.addDays(1)) {
            simulateDay(d);
            ++done;
            if (d.day() == d.daysInMonth() || d == m_to) {
                exec(m_db, "COMMIT");
                if (m_progress)
                    m_progress(QStringLiteral("Writing patients, charges and receipts"), done, days);
                if (d != m_to)
                    exec(m_db, "BEGIN");
            }
        }
    }

private:
    // ----- master data -------------------------------------------------------------------------
    void writeMasterData()
    {
        Statement info(m_db, "INSERT INTO Patient_data.tbHospitalInfo VALUES (?,?,?,?,?,?,?,?,?,?)");
        info.run({text("Tarvik General Hospital"), text("1200 Mabini Avenue, Barangay San Roque, Tarvik City"),
                  text("Province of Alcala"), text("Tarvik City"), text("Alcala"), text("4100"),
                  text("(045) 555-0100"), text("(045) 555-0199"), text("204-556-781-000"), text("localhost")});

        writeUsers();

        Statement dept(m_db, "INSERT INTO Patient_data.tbDepartment VALUES (?,?,?,?,1,?)");
        for (const auto& d : master::departments())
            dept.run({text(d.code), text(d.name), text(d.group), int64_t(d.logbook), text(d.gl)});

        Statement gl(m_db, "INSERT INTO BILLING.tbGLAccount VALUES (?,?,?,?)");
        for (const auto& g : master::glAccounts())
            gl.run({text(g.code), text(g.name), text(g.cls), text(g.side)});

        Statement payor(m_db, "INSERT INTO BILLING.tbPayor VALUES (?,?,?,?,?,?)");
        for (const auto& p : master::payors())
            payor.run({text(p.code), text(p.name), text(p.type), int64_t(p.terms),
                       int64_t(string(p.type) == "SELF" ? 0 : 500000000), text(p.gl)});

        std::map<string, string> deptGL;
        for (const auto& d : master::departments())
            deptGL[d.code] = d.gl;
        Statement item(m_db, "INSERT INTO BILLING.tbServiceItem VALUES (?,?,?,?,?,?,?,?,1)");
        for (const auto& i : master::items()) {
            const int64_t ip = i.priceOP + i.priceOP * 15 / 100;
            item.run({text(i.code), text(i.dept), text(i.description), text(i.chargeType), ip, i.priceOP,
                      text(string(i.chargeType) == "PF" ? "2200" : deptGL[i.dept]), int64_t(i.package)});
            m_items[i.code] = &i;
        }
        Statement part(m_db, "INSERT INTO BILLING.tbPackageComponent VALUES (?,?,1)");
        for (const auto& p : master::packageParts()) {
            part.run({text(p.package), text(p.item)});
            m_packageParts[p.package].push_back(p.item);
        }

        Statement misc(m_db, "INSERT INTO BILLING.tbMiscRevenue VALUES (?,?,?,NULL,?,1,'SYSTEM',?,'SYSTEM',?)");
        const string created = stamp(m_from, 8 * 60);
        for (const auto& m : master::miscCodes())
            misc.run({text(m.code), text(m.description), text(m.gl), m.amount, created, created});

        // Stations, rooms and beds: about 250 beds at scale 1.
        const int totalBeds = std::max(16, int(std::lround(250 * m_opt.scale)));
        Statement station(m_db, "INSERT INTO Patient_data.tbStation VALUES (?,?,?,?)");
        Statement bed(m_db, "INSERT INTO Patient_data.tbBed VALUES (?,?,?,?,?,'VACANT')");
        for (const auto& s : master::stations()) {
            const int beds = std::max(s.bedsPerRoom, int(std::lround(totalBeds * s.share / s.bedsPerRoom)) * s.bedsPerRoom);
            station.run({text(s.code), text(s.name), int64_t(s.floor), int64_t(beds)});
            for (int b = 0; b < beds; ++b) {
                const int room = b / s.bedsPerRoom + 1;
                const string roomNo = std::to_string(s.floor) + numbered("", room, 2);
                const string bedNo = string(1, char('A' + b % s.bedsPerRoom));
                bed.run({text(s.code), roomNo, bedNo, text(s.roomClass), s.rate});
                m_beds.push_back({s.code, roomNo, bedNo, s.roomClass, s.rate});
            }
        }

        // Physicians, by specialty (names drawn from the name lists).
        struct Staffing { const char* specialty; const char* dept; int count; };
        const Staffing staffing[] = {{"Internal Medicine", "MD", 10}, {"General Surgery", "MD", 6}, {"Obstetrics and Gynecology", "MD", 6},
                              {"Pediatrics", "MD", 6}, {"Anesthesiology", "MD", 4}, {"Radiology", "XR", 3},
                              {"Pathology", "LB", 2}, {"Rehabilitation Medicine", "PT", 2}, {"Pulmonology", "PA", 2},
                              {"Nephrology", "DI", 2}, {"Cardiology", "PC", 3}, {"Emergency Medicine", "ER", 4},
                              {"Family Medicine", "MD", 5}};
        Statement phys(m_db, "INSERT INTO Patient_data.tbPhysician VALUES (?,?,?,?,?,?,1)");
        int id = 101;
        for (const auto& s : staffing) {
            for (int i = 0; i < s.count; ++i, ++id) {
                const bool female = m_rng.chance(0.45);
                phys.run({int64_t(id), text(m_rng.pick(master::lastNames())),
                          text(female ? m_rng.pick(master::firstNamesFemale()) : m_rng.pick(master::firstNamesMale())),
                          text(s.dept), text(s.specialty), int64_t(100)});
                m_physicians[s.specialty].push_back(id);
            }
        }
    }

    void writeUsers()
    {
        if (sodium_init() < 0)
            throw db::DbError(QStringLiteral("The password library could not be started."));
        auto hash = [](const char* password) {
            char out[crypto_pwhash_STRBYTES];
            if (crypto_pwhash_str(out, password, std::strlen(password), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                  crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
                throw db::DbError(QStringLiteral("Hashing a password ran out of memory."));
            return string(out);
        };
        Statement user(m_db, "INSERT INTO Patient_data.tbUsers (UserName, FullName, PasswordHash, Modules) VALUES (?,?,?,?)");
        user.run({text("demo"), text("Demo Accountant"), hash("demo"), text("RP")});
        // Cashiers and billing clerks sign the receipts; they cannot log in to the reports module.
        char random[33];
        randombytes_buf(random, 16);
        for (int i = 0; i < 16; ++i)
            std::snprintf(random + 2 * i, 3, "%02x", static_cast<unsigned char>(random[i]));
        const string locked = hash(random);
        const char* staff[][2] = {{"cashier1", "Leonor Bautista"}, {"cashier2", "Ricardo Peñaflor"},
                                  {"cashier3", "Maricel Dela Cruz"}, {"cashier4", "Noel Ibañez"},
                                  {"billing1", "Aurora Santiago"}, {"admit1", "Kristine Soriano"}};
        for (const auto& s : staff)
            user.run({text(s[0]), text(s[1]), locked, text("CA,BL")});
    }

    // ----- people --------------------------------------------------------------------------------
    int newPatient(const QDate& d, int ageLo, int ageHi, char sexWanted = 0)
    {
        Patient p;
        p.hospitalNo = numbered("H", ++m_patientSeq, 7);
        const bool female = sexWanted ? sexWanted == 'F' : m_rng.chance(0.52);
        p.sex = female ? "F" : "M";
        const string first = female ? m_rng.pick(master::firstNamesFemale()) : m_rng.pick(master::firstNamesMale());
        const string last = m_rng.pick(master::lastNames());
        const string middle = m_rng.pick(master::lastNames());
        p.name = last + ", " + first;
        p.birth = d.addYears(-m_rng.range(ageLo, ageHi)).addDays(-m_rng.range(0, 364));
        if (!m_insPatient)
            m_insPatient = std::make_unique<Statement>(m_db,
                "INSERT INTO Patient_data.tbPatient VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        const int age = p.birth.daysTo(d) / 365;
        m_insPatient->run({p.hospitalNo, last, first, middle, p.sex, iso(p.birth),
                           text(age < 20 ? "SINGLE" : (m_rng.chance(0.65) ? "MARRIED" : (age > 65 && m_rng.chance(0.5) ? "WIDOWED" : "SINGLE"))),
                           std::to_string(m_rng.range(1, 999)) + " " + m_rng.pick(master::streets()),
                           text(m_rng.pick(master::cities())), text("Alcala"),
                           numbered("09", m_rng.range(100000000, 999999999), 9), text("SELF"), none(),
                           stamp(d, m_rng.range(7 * 60, 20 * 60)), text("admit1")});
        m_patients.push_back(std::move(p));
        return int(m_patients.size()) - 1;
    }

    int existingOrNewPatient(const QDate& d, double returning, int ageLo, int ageHi, char sex = 0)
    {
        if (!m_patients.empty() && m_rng.chance(returning)) {
            for (int tries = 0; tries < 4; ++tries) {
                const int i = m_rng.range(0, int(m_patients.size()) - 1);
                const int age = m_patients[size_t(i)].birth.daysTo(d) / 365;
                if ((sex == 0 || m_patients[size_t(i)].sex[0] == sex) && age >= ageLo && age <= ageHi)
                    return i;
            }
        }
        return newPatient(d, ageLo, ageHi, sex);
    }

    int ageOf(int patient, const QDate& d) const { return int(m_patients[size_t(patient)].birth.daysTo(d) / 365); }

    int physician(const char* specialty) { return m_rng.pick(m_physicians[specialty]); }

    // ----- accounts and money ------------------------------------------------------------------
    int openAccount(const string& kind, const string& encounterNo, int patient, const string& cls,
                    const string& payor, const QDate& opened, const QDate& discharged, int64_t limit,
                    const Bed* bed)
    {
        Account a;
        a.arNo = (kind == "IP" ? "IP-" : "OP-") + encounterNo.substr(encounterNo.find('-') + 1);
        a.kind = kind;
        a.hospitalNo = m_patients[size_t(patient)].hospitalNo;
        a.encounterNo = encounterNo;
        a.cls = cls;
        a.payor = payor;
        a.patient = patient;
        a.limit = limit;
        for (const auto& p : master::payors())
            if (payor == p.code)
                a.glAR = p.gl;
        if (kind == "OP" && a.glAR == "1100")
            a.glAR = "1110";
        if (!m_insAccount)
            m_insAccount = std::make_unique<Statement>(m_db,
                "INSERT INTO BILLING.tbPatientAccount VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        string stationName;
        if (bed)
            for (const auto& s : master::stations())
                if (bed->station == s.code)
                    stationName = s.name;
        m_insAccount->run({a.arNo, a.kind, a.hospitalNo, a.encounterNo, m_patients[size_t(patient)].name, a.cls,
                           a.payor, iso(opened), discharged.isValid() ? Value(iso(discharged)) : none(), limit,
                           bed ? Value(bed->station) : none(), bed ? Value(stationName) : none(),
                           bed ? Value(bed->room) : none(), bed ? Value(bed->bed) : none(), a.glAR,
                           text(discharged.isValid() ? "DISCHARGED" : "OPEN")});
        m_accounts.push_back(std::move(a));
        return int(m_accounts.size()) - 1;
    }

    void ledger(int account, const QDate& d, const string& at, const char* type, const char* source,
                const string& sourceId, int64_t amount, const string& contraGL, const Value& dept,
                const Value& physician, const char* user)
    {
        if (!m_insLedger)
            m_insLedger = std::make_unique<Statement>(m_db,
                "INSERT INTO BILLING.tbARLedger VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Account& a = m_accounts[size_t(account)];
        a.balance += amount;
        m_insLedger->run({++m_txnSeq, a.arNo, iso(d), at, text(type), text(source), sourceId, amount, a.glAR,
                          contraGL, dept, physician, text(user), string(type) + "-" + d.toString(QStringLiteral("yyyyMMdd")).toStdString()});
    }

    // One charge line; returns its id (0 when it was voided).
    int64_t charge(int account, const QDate& d, int minute, const char* itemCode, int qty, int64_t unitPrice,
                   int64_t discount, bool cash, int physicianId, const string& slip)
    {
        const master::Item& it = *m_items.at(itemCode);
        Account& a = m_accounts[size_t(account)];
        const int64_t gross = unitPrice * qty;
        discount = std::min(discount, gross);
        const bool voided = m_rng.chance(0.004);
        const int64_t id = ++m_chargeSeq;
        if (!m_insCharge)
            m_insCharge = std::make_unique<Statement>(m_db,
                "INSERT INTO BILLING.tbCharge VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        const string at = stamp(d, minute);
        const bool pf = string(it.chargeType) == "PF";
        m_insCharge->run({id, slip, a.arNo, text(a.kind == "IP" ? "I" : "O"), a.encounterNo, a.hospitalNo, iso(d), at,
                          text(it.dept), text(itemCode), text(it.chargeType),
                          physicianId ? Value(int64_t(physicianId)) : none(), int64_t(qty), unitPrice, gross,
                          discount, gross - discount, text(cash ? "CASH" : "CHARGE"), none(), text("billing1"),
                          int64_t(voided), voided ? text("billing1") : none(), voided ? Value(stamp(d, minute + 30)) : none()});
        if (voided)
            return 0;
        const string gl = pf ? "2200" : deptGL(it.dept);
        ledger(account, d, at, "CHG", "tbCharge", std::to_string(id), gross - discount, gl, text(it.dept),
               physicianId ? Value(int64_t(physicianId)) : none(), "billing1");
        if (!pf)
            a.hospCharges += gross - discount;
        if (cash)
            m_cashSale[account] += gross - discount;
        ++m_linesWritten;
        return id;
    }

    const string& deptGL(const char* dept)
    {
        static std::map<string, string> gl;
        if (gl.empty())
            for (const auto& d : master::departments())
                gl[d.code] = d.gl;
        return gl[dept];
    }

    void exam(int account, const QDate& d, int minute, const char* dept, const char* itemCode,
              const char* packageCode, int requestedBy, int reader, int anesthesiologist, int64_t chargeId, int qty = 1)
    {
        if (!m_insExam)
            m_insExam = std::make_unique<Statement>(m_db,
                "INSERT INTO Patient_data.tbExamination VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        const Account& a = m_accounts[size_t(account)];
        const string requested = stamp(d, minute - 45);
        m_insExam->run({++m_examSeq, text(dept), text(a.kind == "IP" ? "I" : "O"), a.encounterNo, a.hospitalNo,
                        text(itemCode), text(m_items.at(itemCode)->description), packageCode ? text(packageCode) : none(),
                        requestedBy ? Value(int64_t(requestedBy)) : none(), requested, stamp(d, minute), iso(d),
                        text(string(dept) == "LB" ? "MedTech on duty" : "Technologist on duty"),
                        reader ? Value(int64_t(reader)) : none(),
                        anesthesiologist ? Value(int64_t(anesthesiologist)) : none(), int64_t(qty),
                        text("RELEASED"), chargeId ? Value(chargeId) : none()});
    }

    // A departmental service: the charge line and, for departments with a logbook, the logbook
    // entries (a package deal logs each of its tests).
    void service(int account, const QDate& d, int minute, const char* itemCode, int qty, bool cash,
                 int requestedBy, int64_t discountPct = 0, int reader = 0, int anesthesiologist = 0,
                 int64_t priceOverride = -1)
    {
        const master::Item& it = *m_items.at(itemCode);
        const Account& a = m_accounts[size_t(account)];
        const int64_t price = priceOverride >= 0 ? priceOverride
                            : a.kind == "IP" ? it.priceOP + it.priceOP * 15 / 100 : it.priceOP;
        const int64_t discount = price * qty * discountPct / 100;
        const string slip = numbered("SL", ++m_slipSeq, 8);
        const int64_t id = charge(account, d, minute, itemCode, qty, price, discount, cash, 0, slip);
        bool logbook = false;
        for (const auto& dep : master::departments())
            if (string(dep.code) == it.dept)
                logbook = dep.logbook;
        if (!logbook || id == 0)
            return;
        if (!reader) {
            const string dept = it.dept;
            if (dept == "XR" || dept == "US" || dept == "CT")
                reader = physician("Radiology");
            else if (dept == "LB")
                reader = physician("Pathology");
            else if (dept == "PT")
                reader = physician("Rehabilitation Medicine");
            else if (dept == "PA")
                reader = physician("Pulmonology");
            else if (dept == "DI")
                reader = physician("Nephrology");
        }
        if (it.package) {
            for (const string& part : m_packageParts[itemCode])
                exam(account, d, minute, it.dept, part.c_str(), itemCode, requestedBy, reader, 0, 0);
        } else {
            exam(account, d, minute, it.dept, itemCode, nullptr, requestedBy, reader, anesthesiologist, id, qty);
        }
    }

    void pf(int account, const QDate& d, int minute, const char* itemCode, int physicianId, bool cash,
            int64_t discountPct = 0)
    {
        const master::Item& it = *m_items.at(itemCode);
        const int64_t price = it.priceOP + it.priceOP * m_rng.range(-20, 40) / 100;
        charge(account, d, minute, itemCode, 1, price, price * discountPct / 100, cash, physicianId,
               numbered("PF", ++m_slipSeq, 8));
    }

    string nextOR() { return numbered("OR", ++m_orSeq, 8); }
    const char* cashierAt(int minute) const
    {
        static const char* cashiers[] = {"cashier1", "cashier2", "cashier3", "cashier4"};
        return cashiers[(minute / 60 >= 14 ? 2 : 0) + (minute % 2)];
    }

    struct Line { const char* kind; int account; string misc; int64_t amount; };

    void receipt(const QDate& d, int minute, const string& hospitalNo, const string& from, const char* tender,
                 const std::vector<Line>& lines, bool voided = false)
    {
        if (!m_insReceipt) {
            m_insReceipt = std::make_unique<Statement>(m_db, "INSERT INTO BILLING.tbReceipt VALUES (?,?,?,?,?,?,?,?,?,?)");
            m_insReceiptLine = std::make_unique<Statement>(m_db, "INSERT INTO BILLING.tbReceiptLine VALUES (?,?,?,?,?,?)");
        }
        int64_t total = 0;
        for (const Line& l : lines)
            total += l.amount;
        if (total <= 0)
            return;
        const string orNo = nextOR();
        const string at = stamp(d, minute);
        m_insReceipt->run({orNo, at, iso(d), text(cashierAt(minute)), hospitalNo.empty() ? none() : Value(hospitalNo),
                           from, text(tender), total, int64_t(voided), voided ? text("Spoiled receipt, reissued") : none()});
        int lineNo = 0;
        for (const Line& l : lines) {
            m_insReceiptLine->run({orNo, int64_t(++lineNo), text(l.kind),
                                   l.account >= 0 ? Value(m_accounts[size_t(l.account)].arNo) : none(),
                                   l.misc.empty() ? none() : Value(l.misc), l.amount});
            if (voided || l.account < 0)
                continue;
            const bool deposit = string(l.kind) == "DEPOSIT";
            ledger(l.account, d, at, deposit ? "DEP" : "PAY", "tbReceipt", orNo, -l.amount, "1010", none(), none(),
                   cashierAt(minute));
        }
        ++m_receiptsWritten;
    }

    // Settles the cash lines an encounter ran up today with one receipt.
    void settleCashSales(const QDate& d, int minute)
    {
        for (const auto& [account, amount] : m_cashSale) {
            const Account& a = m_accounts[size_t(account)];
            if (amount > 0)
                receipt(d, minute, a.hospitalNo, m_patients[size_t(a.patient)].name,
                        m_rng.chance(0.85) ? "CASH" : "CARD", {{"CASHSALE", account, {}, amount}});
        }
        m_cashSale.clear();
    }

    void adjustment(int account, const QDate& d, int minute, const char* type, const char* reason, int64_t amount,
                    const char* approver)
    {
        if (amount == 0)
            return;
        if (!m_insAdjustment)
            m_insAdjustment = std::make_unique<Statement>(m_db, "INSERT INTO BILLING.tbAdjustment VALUES (?,?,?,?,?,?,?,?,?)");
        const string adjNo = numbered("ADJ", ++m_adjSeq, 7);
        const string at = stamp(d, minute);
        m_insAdjustment->run({adjNo, m_accounts[size_t(account)].arNo, iso(d), at, text(type), text(reason), amount,
                              text(approver), text("billing1")});
        const string t = type;
        const char* contra = t == "SENIOR" ? "4995" : t == "WRITEOFF" ? "6100" : t == "REFUND" ? "1010" : "4990";
        ledger(account, d, at, t == "REFUND" ? "REF" : "ADJ", "tbAdjustment", adjNo, amount, contra, none(), none(),
               "billing1");
    }

    void schedule(const QDate& d, EventKind kind, int account)
    {
        if (d <= m_to)
            m_events.emplace(d, Event{kind, account});
    }

    // ----- the simulation ----------------------------------------------------------------------
    static double seasonal(const QDate& d)
    {
        // Rainy-season peak (dengue, pneumonia, leptospirosis) in August, a lull around Christmas.
        const double s = 1.0 + 0.14 * std::sin(2 * M_PI * (d.dayOfYear() - 150) / 365.0);
        return (d.month() == 12 && d.day() >= 20) || (d.month() == 1 && d.day() <= 2) ? s * 0.8 : s;
    }

    void simulateDay(const QDate& d)
    {
        const int wd = d.dayOfWeek();
        const double season = seasonal(d);
        m_cashSale.clear();

        // Discharges first: they free beds for today's admissions.
        for (size_t i = 0; i < m_inHouse.size();) {
            if (m_inHouse[i].discharge == d) {
                discharge(m_inHouse[i], d);
                m_beds[size_t(m_inHouse[i].bed)].occupied = false;
                m_inHouse.erase(m_inHouse.begin() + long(i));
            } else {
                ++i;
            }
        }
        settleCashSales(d, 15 * 60);

        const double admitDay[] = {0, 1.12, 1.05, 1.0, 1.0, 1.02, 0.9, 0.8};
        const int admissions = m_rng.poisson(30.0 * m_opt.scale * season * admitDay[wd]);
        for (int i = 0; i < admissions; ++i)
            admit(d);

        for (InHouse& h : m_inHouse)
            dailyCharges(h, d);
        settleCashSales(d, 18 * 60);

        const double opdDay[] = {0, 1.25, 1.1, 1.05, 1.05, 1.0, 0.7, 0.4};
        const double erDay[] = {0, 1.0, 0.95, 0.95, 0.95, 1.0, 1.1, 1.15};
        const int visits = m_rng.poisson(370.0 * m_opt.scale * season * opdDay[wd]);
        const int er = m_rng.poisson(80.0 * m_opt.scale * season * erDay[wd]);
        for (int i = 0; i < visits + er; ++i)
            outpatientVisit(d, i >= visits);
        dialysisSessions(d);

        const int misc = m_rng.poisson(28.0 * m_opt.scale * opdDay[wd]);
        for (int i = 0; i < misc; ++i)
            miscReceipt(d);

        auto [first, last] = m_events.equal_range(d);
        for (auto it = first; it != last; ++it)
            handleEvent(it->second, d);
        m_events.erase(first, last);
    }

    void admit(const QDate& d)
    {
        const int kind = m_rng.weighted({0.52, 0.18, 0.16, 0.04, 0.10});
        // Station by kind, falling back on any free bed.
        const char* wanted = nullptr;
        const int classPick = m_rng.weighted({0.55, 0.22, 0.17, 0.06});
        switch (kind) {
        case 0: wanted = classPick == 1 ? "S7" : classPick == 2 ? "S6" : classPick == 3 ? "S8" : "S1"; break;
        case 1: wanted = classPick >= 2 ? "S6" : "S2"; break;
        case 2: wanted = classPick >= 2 ? "S7" : "S3"; break;
        case 3: wanted = "S1"; break;
        case 4: wanted = "S9"; break;
        }
        int bed = -1;
        for (int pass = 0; pass < 2 && bed < 0; ++pass)
            for (size_t b = 0; b < m_beds.size(); ++b)
                if (!m_beds[b].occupied && (pass == 1 || m_beds[b].station == wanted)) {
                    bed = int(b);
                    break;
                }
        if (bed < 0)
            return; // the hospital is full: the patient is referred elsewhere
        Bed& theBed = m_beds[size_t(bed)];
        theBed.occupied = true;

        const bool pediatric = kind == 0 && m_rng.chance(0.2);
        const int patient = kind == 2 ? existingOrNewPatient(d, 0.3, 18, 42, 'F')
                                      : existingOrNewPatient(d, 0.35, pediatric ? 0 : 16, pediatric ? 15 : 90);
        const int cls = m_rng.weighted({0.50, 0.34, 0.08, 0.08});
        const string clsName = cls == 0 ? "PAY" : cls == 1 ? "HMO" : cls == 2 ? "COMPANY" : "SERVICE";
        string payor = "SELF";
        if (cls == 1)
            payor = m_rng.chance(0.35) ? "NHF" : m_rng.pick(std::vector<string>{"HMO-LIF", "HMO-KAL", "HMO-BAY", "HMO-PAN"});
        else if (cls == 2)
            payor = m_rng.pick(std::vector<string>{"CO-PCC", "CO-BOR", "CO-MRT", "CO-TEL"});
        else if (cls == 3)
            payor = "CHARITY";
        const int64_t limit = cls == 0 ? int64_t(m_rng.range(3, 8)) * 1000000
                            : cls == 1 ? int64_t(m_rng.range(5, 15)) * 1000000
                            : cls == 2 ? int64_t(m_rng.range(10, 30)) * 1000000 : 0;

        int los = 1 + int(std::floor(-std::log(1.0 - m_rng.uniform()) * (kind == 4 ? 5.5 : kind == 2 ? 1.6 : kind == 1 ? 4.0 : 3.6)));
        los = std::min(los, 45);
        const QDate dischargeDate = d.addDays(los);
        const bool dischargedInRange = dischargeDate <= m_to;

        const string admissionNo = numbered("A-", ++m_admissionSeq, 7);
        const int attending = kind == 1 ? physician("General Surgery") : kind == 2 ? physician("Obstetrics and Gynecology")
                            : pediatric ? physician("Pediatrics") : kind == 3 ? physician("Nephrology")
                            : physician("Internal Medicine");
        const int minute = m_rng.range(0, 23 * 60);
        const string dx = kind == 2 ? "Pregnancy uterine, term, in labor" : m_rng.pick(master::diagnoses());
        const char* types[] = {"ROUTINE", "ELECTIVE", "MATERNITY", "ROUTINE", "EMERGENCY"};
        const char* serviceDept[] = {pediatric ? "PEDIATRICS" : "MEDICINE", "SURGERY", "OB-GYNE", "MEDICINE", "MEDICINE"};
        const char* dispositions[] = {"RECOVERED", "IMPROVED", "IMPROVED", "TRANSFERRED", "HAMA", "DIED"};
        const int disp = m_rng.weighted({0.45, 0.42, 0.0, 0.04, 0.05, kind == 4 ? 0.12 : 0.015});
        if (!m_insAdmission)
            m_insAdmission = std::make_unique<Statement>(m_db,
                "INSERT INTO Patient_data.tbAdmission VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        const string dischargeAt = stamp(dischargeDate, m_rng.range(9 * 60, 17 * 60));
        m_insAdmission->run({admissionNo, m_patients[size_t(patient)].hospitalNo, stamp(d, minute),
                             text(kind == 4 && m_rng.chance(0.5) ? "URGENT" : types[kind]), dx, int64_t(attending),
                             m_rng.chance(0.3) ? Value(int64_t(physician("Family Medicine"))) : none(),
                             text(serviceDept[kind]), theBed.station, theBed.room, theBed.bed, clsName, payor, limit,
                             dischargedInRange ? Value(dischargeAt) : none(),
                             dischargedInRange ? text(dispositions[disp]) : none(), dischargedInRange ? Value(dx) : none(),
                             none(), text("admit1")});
        const int account = openAccount("IP", admissionNo, patient, clsName, payor, d,
                                        dischargedInRange ? dischargeDate : QDate(), limit, &theBed);
        InHouse h{account, admissionNo, d, dischargeDate, theBed.station, bed, theBed.roomClass, theBed.rate, attending, kind};
        h.newborn = kind == 2;
        m_inHouse.push_back(h);

        // Deposits on admission, mostly from paying patients in rooms.
        if (cls == 0 && m_rng.chance(theBed.roomClass == "WARD" ? 0.35 : 0.7))
            receipt(d, std::min(minute + 30, 23 * 60 + 50), m_patients[size_t(patient)].hospitalNo,
                    m_patients[size_t(patient)].name, m_rng.chance(0.7) ? "CASH" : "CARD",
                    {{"DEPOSIT", account, {}, int64_t(m_rng.range(5, 40)) * 100000}});
        // Admitting laboratory work-up and chest film.
        const int t = std::min(minute + 60, 23 * 60 + 30);
        service(account, d, t, "LB001", 1, false, attending);
        service(account, d, t, "LB002", 1, false, attending);
        if (m_rng.chance(0.5))
            service(account, d, t, kind == 2 ? "LB012" : "LB009", 1, false, attending);
        if (m_rng.chance(0.55))
            service(account, d, t, "XR001", 1, false, attending);
        if (m_rng.chance(0.7))
            service(account, d, t, "CS001", 1, false, attending);
        if (m_rng.chance(0.35))
            pf(account, d, t, "MD007", physician("Emergency Medicine"), false);
    }

    void dailyCharges(InHouse& h, const QDate& d)
    {
        if (d >= h.discharge)
            return;
        const int day = int(h.admit.daysTo(d));
        const int account = h.account;
        service(account, d, 6 * 60, "RA001", 1, false, 0, 0, 0, 0, h.rate);
        const string stationItem = h.station + "001";
        service(account, d, m_rng.range(7 * 60, 20 * 60), stationItem.c_str(), m_rng.range(1, 3), false, h.attending);
        const int meds = m_rng.range(2, 5);
        static const char* drugs[] = {"PH001", "PH002", "PH003", "PH004", "PH005", "PH006", "PH007", "PH008",
                                      "PH009", "PH010", "PH011", "PH012", "PH014", "PH015"};
        for (int i = 0; i < meds; ++i)
            service(account, d, m_rng.range(6 * 60, 22 * 60), drugs[m_rng.range(0, 13)], m_rng.range(1, 6), false,
                    h.attending);
        if (m_rng.chance(day == 0 ? 0.3 : 0.35))
            service(account, d, m_rng.range(6 * 60, 10 * 60), m_rng.chance(0.5) ? "LB001" : "LB011", 1, false, h.attending);
        if (m_rng.chance(0.12)) {
            static const char* labs[] = {"LB004", "LB006", "LB007", "LB008", "LB010", "LB013", "LB015", "LB016", "LB017", "LB018"};
            service(account, d, m_rng.range(6 * 60, 12 * 60), labs[m_rng.range(0, 9)], 1, false, h.attending);
        }
        if (m_rng.chance(0.06))
            service(account, d, m_rng.range(8 * 60, 17 * 60), m_rng.chance(0.5) ? "XR002" : "XR006", 1, false, h.attending);
        if (m_rng.chance(0.05))
            service(account, d, m_rng.range(8 * 60, 17 * 60), m_rng.chance(0.6) ? "US001" : "US004", 1, false, h.attending);
        if (m_rng.chance(h.kind == 4 ? 0.12 : 0.02))
            service(account, d, m_rng.range(8 * 60, 20 * 60), m_rng.chance(0.6) ? "CT001" : "CT003", 1, false, h.attending);
        if (day >= 1 && m_rng.chance(0.07))
            service(account, d, m_rng.range(8 * 60, 16 * 60), m_rng.chance(0.6) ? "PT001" : "PT003", 1, false, h.attending);
        if (m_rng.chance(0.12))
            service(account, d, m_rng.range(6 * 60, 22 * 60), m_rng.chance(0.7) ? "PA001" : "PA002", m_rng.range(1, 4),
                    false, h.attending);
        if (m_rng.chance(h.kind == 4 ? 0.9 : 0.12))
            service(account, d, m_rng.range(6 * 60, 22 * 60),
                    h.kind == 4 ? (m_rng.chance(0.4) ? "AP004" : "AP002") : (m_rng.chance(0.6) ? "AP001" : "AP003"),
                    h.kind == 4 ? 1 : m_rng.range(1, 8), false, h.attending);
        if (m_rng.chance(0.05))
            service(account, d, m_rng.range(8 * 60, 16 * 60), "PC001", 1, false, h.attending);
        if (h.kind == 4)
            service(account, d, 7 * 60, "CC001", 1, false, h.attending);
        if (h.kind == 1 && day == (h.discharge.toJulianDay() - h.admit.toJulianDay() > 1 ? 1 : 0)) {
            const int surgeon = h.attending;
            const int anesth = physician("Anesthesiology");
            const bool major = m_rng.chance(0.55);
            service(account, d, 9 * 60, major ? "OR002" : "OR001", 1, false, surgeon, 0, surgeon, anesth);
            service(account, d, 9 * 60, "OR004", 1, false, surgeon, 0, surgeon, anesth);
            service(account, d, 9 * 60, "CS002", 1, false, surgeon);
            service(account, d, 12 * 60, "RR001", 1, false, surgeon);
            pf(account, d, 12 * 60, "MD003", surgeon, false);
            pf(account, d, 12 * 60, "MD004", anesth, false);
        }
        if (h.kind == 2 && day == 0) {
            const bool caesarean = m_rng.chance(0.3);
            const int ob = h.attending;
            const int anesth = physician("Anesthesiology");
            if (caesarean) {
                service(account, d, 13 * 60, "OR003", 1, false, ob, 0, ob, anesth);
                pf(account, d, 14 * 60, "MD004", anesth, false);
            } else {
                service(account, d, 11 * 60, "DR002", 1, false, ob, 0, ob, 0);
                service(account, d, 13 * 60, "DR001", 1, false, ob, 0, ob, 0);
            }
            pf(account, d, 14 * 60, "MD005", ob, false);
            service(account, d, 15 * 60, "NR002", 1, false, physician("Pediatrics"));
        }
        if (h.newborn)
            service(account, d, 7 * 60, "NR001", 1, false, 0);
        if (h.kind == 3 && day % 2 == 1) {
            service(account, d, 10 * 60, "DI001", 1, false, h.attending);
            service(account, d, 10 * 60, "DI002", 1, false, h.attending);
        }
        pf(account, d, m_rng.range(7 * 60, 11 * 60), "MD001", h.attending, false);
    }

    void discharge(const InHouse& h, const QDate& d)
    {
        const int account = h.account;
        Account& a = m_accounts[size_t(account)];
        const int minute = m_rng.range(9 * 60, 16 * 60);
        if (m_rng.chance(0.3))
            service(account, d, minute - 30, "PH008", m_rng.range(10, 30), true, h.attending);
        const bool senior = ageOf(a.patient, d) >= 60;
        if (senior && (a.cls == "PAY" || a.cls == "SERVICE"))
            adjustment(account, d, minute, "SENIOR", "Senior citizen discount (20%)", -(a.hospCharges * 20 / 100), "Billing Supervisor");
        else if (a.cls == "PAY" && m_rng.chance(0.05))
            adjustment(account, d, minute, "DISCOUNT", m_rng.chance(0.5) ? "Employee dependent discount" : "Doctor's courtesy discount",
                       -(std::max<int64_t>(a.balance, 0) / 10), "Chief Accountant");
        if (a.cls == "SERVICE") {
            const int64_t b = std::max<int64_t>(a.balance, 0);
            const int64_t charity = b * m_rng.range(80, 100) / 100;
            adjustment(account, d, minute + 5, "WRITEOFF", "Charity - approved by the social service", -charity, "Medical Director");
        }
        const int64_t b = a.balance;
        const string& who = m_patients[size_t(a.patient)].name;
        const char* tender = m_rng.chance(0.65) ? "CASH" : m_rng.chance(0.6) ? "CARD" : "CHECK";
        if (b < 0) {
            const int r = m_rng.weighted({0.55, 0.30, 0.15});
            if (r == 0)
                adjustment(account, d, minute + 10, "REFUND", "Refund of excess deposit", -b, "Chief Accountant");
            else if (r == 1)
                schedule(d.addDays(m_rng.range(5, 45)), EventKind::Refund, account);
            return; // r == 2: the credit stays on the account
        }
        if (b == 0)
            return;
        if (a.cls == "PAY" || a.cls == "SERVICE") {
            const int r = m_rng.weighted({0.78, 0.12, 0.10});
            if (r == 0) {
                receipt(d, minute + 10, a.hospitalNo, who, tender, {{"PAYMENT", account, {}, b}});
            } else {
                if (r == 1)
                    receipt(d, minute + 10, a.hospitalNo, who, tender, {{"PAYMENT", account, {}, b * m_rng.range(40, 80) / 100}});
                if (m_rng.chance(0.65))
                    schedule(d.addDays(m_rng.range(15, 110)), EventKind::PatientPayment, account);
                else if (m_rng.chance(0.5))
                    schedule(d.addDays(m_rng.range(150, 210)), EventKind::WriteOff, account);
            }
            return;
        }
        // HMO and company accounts: the patient pays what exceeds the limit, the payor the rest.
        const int64_t limit = a.limit;
        if (limit > 0 && b > limit)
            receipt(d, minute + 10, a.hospitalNo, who, tender, {{"PAYMENT", account, {}, b - limit}});
        int terms = 30;
        for (const auto& p : master::payors())
            if (a.payor == p.code)
                terms = p.terms;
        schedule(d.addDays(terms + m_rng.range(-10, 25)), EventKind::PayorPayment, account);
    }

    void outpatientVisit(const QDate& d, bool emergency)
    {
        const int minute = emergency ? m_rng.range(0, 24 * 60 - 1) : m_rng.range(7 * 60, 17 * 60);
        const bool prenatal = !emergency && m_rng.chance(0.08);
        const int patient = prenatal ? existingOrNewPatient(d, 0.6, 18, 42, 'F') : existingOrNewPatient(d, 0.55, 0, 85);
        const int cls = m_rng.weighted({0.68, 0.20, 0.07, 0.05});
        const string clsName = cls == 0 ? "PAY" : cls == 1 ? "HMO" : cls == 2 ? "COMPANY" : "SERVICE";
        string payor = "SELF";
        if (cls == 1)
            payor = m_rng.pick(std::vector<string>{"HMO-LIF", "HMO-KAL", "HMO-BAY", "HMO-PAN"});
        else if (cls == 2)
            payor = m_rng.pick(std::vector<string>{"CO-PCC", "CO-BOR", "CO-MRT", "CO-TEL"});
        else if (cls == 3)
            payor = "CHARITY";
        const string visitNo = numbered(emergency ? "ER-" : "OP-", ++m_visitSeq, 8);
        const bool pediatric = ageOf(patient, d) < 16;
        const char* specialty = emergency ? "Emergency Medicine" : prenatal ? "Obstetrics and Gynecology"
                              : pediatric ? "Pediatrics" : m_rng.chance(0.5) ? "Family Medicine" : "Internal Medicine";
        const int doctor = physician(specialty);
        if (!m_insVisit)
            m_insVisit = std::make_unique<Statement>(m_db,
                "INSERT INTO Patient_data.tbOPDVisit VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
        const bool isNew = m_patients[size_t(patient)].hospitalNo == m_patients.back().hospitalNo;
        m_insVisit->run({visitNo, m_patients[size_t(patient)].hospitalNo, stamp(d, minute),
                         text(emergency ? "ER" : isNew ? "NEW" : "REVISIT"), text(emergency ? "ER" : "MD"),
                         int64_t(doctor), text(prenatal ? "Prenatal check-up" : m_rng.pick(master::complaints())),
                         text(m_rng.pick(master::diagnoses())),
                         text(emergency && m_rng.chance(0.12) ? "ADMITTED" : "HOME"), clsName, payor, text("admit1")});
        const int account = openAccount("OP", visitNo, patient, clsName, payor, d, d, 0, nullptr);
        const bool cash = cls == 0 && (!emergency || m_rng.chance(0.75));
        const int64_t discount = ageOf(patient, d) >= 60 && cls == 0 ? 20 : 0;

        if (emergency) {
            service(account, d, minute, "ER001", 1, cash, doctor, discount);
            pf(account, d, minute, "MD007", doctor, cash, discount);
            if (m_rng.chance(0.2))
                service(account, d, minute + 20, "ER002", 1, cash, doctor, discount);
        } else {
            pf(account, d, minute, "MD002", doctor, cash, discount);
        }
        const int t = std::min(minute + 30, 24 * 60 - 1);
        if (prenatal && m_rng.chance(0.4))
            service(account, d, t, "LB103", 1, cash, doctor, discount);
        else if (!emergency && m_rng.chance(0.05))
            service(account, d, t, m_rng.chance(0.5) ? "LB101" : "LB102", 1, cash, doctor, discount);
        else if (m_rng.chance(0.42)) {
            static const char* labs[] = {"LB001", "LB002", "LB003", "LB004", "LB005", "LB006", "LB008", "LB010", "LB013", "LB014", "LB017"};
            const int n = m_rng.range(1, 3);
            for (int i = 0; i < n; ++i)
                service(account, d, t, labs[m_rng.range(0, 10)], 1, cash, doctor, discount);
        }
        if (m_rng.chance(emergency ? 0.35 : 0.15)) {
            static const char* films[] = {"XR001", "XR002", "XR003", "XR004", "XR005", "XR007"};
            service(account, d, t, films[m_rng.range(0, 5)], 1, cash, doctor, discount);
        }
        if (m_rng.chance(prenatal ? 0.5 : 0.05)) {
            static const char* scans[] = {"US001", "US002", "US003", "US004", "US005", "US006"};
            service(account, d, t, prenatal ? "US002" : scans[m_rng.range(0, 5)], 1, cash, doctor, discount);
        }
        if (m_rng.chance(emergency ? 0.05 : 0.01))
            service(account, d, t, m_rng.chance(0.7) ? "CT001" : "CT004", 1, cash, doctor, discount);
        if (!emergency && m_rng.chance(0.04))
            service(account, d, t, m_rng.chance(0.5) ? "PT001" : m_rng.chance(0.5) ? "PT002" : "PT004", 1, cash, doctor, discount);
        if (m_rng.chance(emergency ? 0.15 : 0.04))
            service(account, d, t, "PC001", 1, cash, doctor, discount);
        if (m_rng.chance(emergency ? 0.12 : 0.02))
            service(account, d, t, emergency ? "PA001" : "PA004", 1, cash, doctor, discount);
        if (emergency && m_rng.chance(0.1))
            service(account, d, t, "AP001", m_rng.range(1, 3), cash, doctor, discount);
        if (m_rng.chance(0.3)) {
            static const char* drugs[] = {"PH001", "PH002", "PH008", "PH009", "PH015", "PH010"};
            service(account, d, t + 15, drugs[m_rng.range(0, 5)], m_rng.range(6, 30), cash, doctor, discount);
        }
        finishOutpatient(account, d, t + 20, emergency);
    }

    void finishOutpatient(int account, const QDate& d, int minute, bool emergency)
    {
        settleCashSales(d, std::min(minute, 24 * 60 - 1));
        Account& a = m_accounts[size_t(account)];
        if (a.balance <= 0)
            return;
        if (a.cls == "SERVICE") {
            adjustment(account, d, std::min(minute, 24 * 60 - 1), "WRITEOFF", "Charity - out-patient", -a.balance, "Medical Director");
        } else if (a.cls == "PAY") {
            // Emergency patients who could not pay at once.
            if (m_rng.chance(emergency ? 0.6 : 0.8))
                schedule(d.addDays(m_rng.range(3, 90)), EventKind::PatientPayment, account);
        } else {
            int terms = 30;
            for (const auto& p : master::payors())
                if (a.payor == p.code)
                    terms = p.terms;
            schedule(d.addDays(terms + m_rng.range(-10, 30)), EventKind::PayorPayment, account);
        }
    }

    void dialysisSessions(const QDate& d)
    {
        // Chronic dialysis out-patients come three times a week.
        const int chronic = std::max(2, int(std::lround(24 * m_opt.scale)));
        while (int(m_dialysisPatients.size()) < chronic)
            m_dialysisPatients.push_back(newPatient(d, 35, 80));
        const int wd = d.dayOfWeek();
        if (wd == 7)
            return;
        for (size_t i = 0; i < m_dialysisPatients.size(); ++i) {
            if ((int(i) + wd) % 2 != 0)
                continue;
            const int patient = m_dialysisPatients[i];
            const string visitNo = numbered("OP-", ++m_visitSeq, 8);
            const int doctor = physician("Nephrology");
            const bool nhf = i % 3 == 0;
            m_insVisit->run({visitNo, m_patients[size_t(patient)].hospitalNo, stamp(d, 7 * 60 + int(i) * 10),
                             text("REVISIT"), text("DI"), int64_t(doctor), text("Scheduled hemodialysis"),
                             text("Chronic kidney disease stage 5"), text("HOME"), text(nhf ? "HMO" : "PAY"),
                             text(nhf ? "NHF" : "SELF"), text("admit1")});
            const int account = openAccount("OP", visitNo, patient, nhf ? "HMO" : "PAY", nhf ? "NHF" : "SELF", d, d, 0, nullptr);
            service(account, d, 8 * 60, "DI001", 1, !nhf, doctor);
            service(account, d, 8 * 60, "DI002", 1, !nhf, doctor);
            finishOutpatient(account, d, 12 * 60, false);
        }
    }

    void miscReceipt(const QDate& d)
    {
        const auto& codes = master::miscCodes();
        double total = 0;
        for (const auto& c : codes)
            total += c.weight;
        double r = m_rng.uniform() * total;
        const master::MiscCode* code = &codes.back();
        for (const auto& c : codes) {
            if (r < c.weight) {
                code = &c;
                break;
            }
            r -= c.weight;
        }
        const int64_t amount = code->amount * m_rng.range(1, string(code->code) == "MX" ? 20 : 2);
        const int minute = m_rng.range(8 * 60, 17 * 60);
        const int patient = m_patients.empty() ? newPatient(d, 18, 70) : m_rng.range(0, int(m_patients.size()) - 1);
        const bool voided = m_rng.chance(0.01);
        receipt(d, minute, string(), m_patients[size_t(patient)].name, "CASH", {{"MISC", -1, code->code, amount}}, voided);
    }

    void handleEvent(const Event& e, const QDate& d)
    {
        Account& a = m_accounts[size_t(e.account)];
        const int minute = m_rng.range(9 * 60, 16 * 60);
        const string& who = m_patients[size_t(a.patient)].name;
        switch (e.kind) {
        case EventKind::PayorPayment: {
            if (a.balance <= 0)
                return;
            string payorName = a.payor;
            for (const auto& p : master::payors())
                if (a.payor == p.code)
                    payorName = p.name;
            const bool shortPaid = m_rng.chance(0.08);
            const int64_t paid = shortPaid ? a.balance * m_rng.range(85, 95) / 100 : a.balance;
            receipt(d, minute, a.hospitalNo, payorName, "CHECK", {{"PAYMENT", e.account, {}, paid}});
            if (shortPaid)
                schedule(d.addDays(m_rng.range(20, 40)), EventKind::Disallowance, e.account);
            return;
        }
        case EventKind::PatientPayment:
            if (a.balance > 0)
                receipt(d, minute, a.hospitalNo, who, m_rng.chance(0.7) ? "CASH" : "CHECK",
                        {{"PAYMENT", e.account, {}, m_rng.chance(0.8) ? a.balance : a.balance / 2}});
            return;
        case EventKind::WriteOff:
            if (a.balance > 0)
                adjustment(e.account, d, minute, "WRITEOFF", "Uncollectible after collection efforts", -a.balance, "Chief Accountant");
            return;
        case EventKind::Refund:
            if (a.balance < 0)
                adjustment(e.account, d, minute, "REFUND", "Refund of credit balance", -a.balance, "Chief Accountant");
            return;
        case EventKind::Disallowance:
            if (a.balance > 0)
                adjustment(e.account, d, minute, "CORRECTION", "Disallowed by the payor", -a.balance, "Billing Supervisor");
            return;
        }
    }

    sqlite3* m_db;
    GeneratorOptions m_opt;
    QDate m_from;
    QDate m_to;
    Random m_rng;
    Progress m_progress;

    std::map<string, const master::Item*> m_items;
    std::map<string, std::vector<string>> m_packageParts;
    std::map<string, std::vector<int>> m_physicians;
    std::vector<Bed> m_beds;
    std::vector<Patient> m_patients;
    std::vector<Account> m_accounts;
    std::vector<InHouse> m_inHouse;
    std::vector<int> m_dialysisPatients;
    std::multimap<QDate, Event> m_events;
    std::map<int, int64_t> m_cashSale;

    int64_t m_patientSeq = 0, m_admissionSeq = 0, m_visitSeq = 0, m_chargeSeq = 0, m_txnSeq = 0, m_examSeq = 0,
            m_slipSeq = 0, m_orSeq = 0, m_adjSeq = 0;

public:
    int64_t m_linesWritten = 0, m_receiptsWritten = 0;

private:
    std::unique_ptr<Statement> m_insPatient, m_insAccount, m_insLedger, m_insCharge, m_insExam, m_insReceipt,
        m_insReceiptLine, m_insAdjustment, m_insAdmission, m_insVisit;
};

void callEach(db::Connection& connection, const QStringList& texts, const QString& stage, const Progress& progress)
{
    qint64 done = 0;
    for (const QString& t : texts) {
        connection.execute(t);
        ++done;
        if (progress && (done % 25 == 0 || done == texts.size()))
            progress(stage, done, texts.size());
    }
}

QString mdy(const QDate& d) { return d.toString(QStringLiteral("MM/dd/yyyy")); }

} // namespace

void generateDemoData(const QString& dataFolder, const GeneratorOptions& options, const Progress& progress)
{
    if (!(options.scale > 0) || options.scale > 20)
        throw db::DbError(QStringLiteral("The scale must be above 0 and at most 20, not %1.").arg(options.scale));
    if (options.months < 1 || options.months > 120)
        throw db::DbError(QStringLiteral("The number of months must be between 1 and 120, not %1.").arg(options.months));
    const QDate to = options.to.isValid() ? options.to : QDate::currentDate();
    const QDate from = QDate(to.year(), to.month(), 1).addMonths(-(options.months - 1));

    if (!QFileInfo::exists(db::databaseFile(dataFolder, QStringLiteral("Patient_data"))))
        createDatabases(dataFolder);

    const QString name = detail::uniqueConnectionName(QStringLiteral("generate"));
    qint64 lines = 0, receipts = 0;
    {
        QSqlDatabase qdb = db::openDatabase(db::ConnectionInfo::embedded(dataFolder), name, false);
        sqlite3* handle = *static_cast<sqlite3* const*>(qdb.driver()->handle().constData());
        try {
            {
                sqlite3_stmt* st = nullptr;
                sqlite3_prepare_v2(handle, "SELECT COUNT(*) FROM Patient_data.tbHospitalInfo", -1, &st, nullptr);
                const bool empty = st && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int64(st, 0) == 0;
                sqlite3_finalize(st);
                if (!empty)
                    throw db::DbError(QStringLiteral("The databases in %1 already hold data; the demo generator "
                                                     "only fills empty ones.").arg(dataFolder));
            }
            // A crash half-way leaves a folder to throw away anyway, so durability is not needed here.
            exec(handle, "PRAGMA Patient_data.synchronous = OFF; PRAGMA BILLING.synchronous = OFF; "
                         "PRAGMA Reports.synchronous = OFF; PRAGMA cache_size = -65536");
            Generator generator(handle, options, from, to, progress);
            generator.run();
            // Marks the folder as the demo hospital's: only there may TARVIK_CLOCK move the date.
            exec(handle, QStringLiteral("CREATE TABLE IF NOT EXISTS Patient_data.%1 (MadeBy TEXT NOT NULL); "
                                        "INSERT INTO Patient_data.%1 VALUES ('tarvik-demo-db')")
                             .arg(QLatin1String(db::detail::kDemoMarkerTable))
                             .toUtf8()
                             .constData());
            lines = generator.m_linesWritten;
            receipts = generator.m_receiptsWritten;
            exec(handle, "PRAGMA Patient_data.synchronous = NORMAL; PRAGMA BILLING.synchronous = NORMAL; "
                         "PRAGMA Reports.synchronous = NORMAL");
        } catch (...) {
            qdb.close();
            qdb = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw;
        }
        qdb.close();
    }
    QSqlDatabase::removeDatabase(name);
    qCInfo(lcHospitalDb) << "demo data written:" << lines << "charge lines," << receipts << "receipts";

    // What the hospital's night and month-end jobs would have done, through the procedures.
    db::Connection connection(db::ConnectionInfo::embedded(dataFolder));
    connection.setCommandTimeout(0);
    QStringList monthly, daily, monthEnd;
    const QString kMonthly = QStringLiteral("Reports..sp_Rep_MonthlyREcompute '");
    for (QDate m = from; m <= to; m = m.addMonths(1)) {
        const QDate last = std::min(to, m.addMonths(1).addDays(-1));
        monthly << db::callText(QStringLiteral("BILLING..sp_BILLING_PostJournal '"), {mdy(m), mdy(last)})
                << db::callText(QStringLiteral("Reports..sp_Rep_RefreshReportTables '"), {mdy(m), mdy(last)});
    }
    for (QDate d = from; d <= to; d = d.addDays(1))
        daily << db::callText(QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfDischarges '"), {mdy(d)})
              << db::callText(QStringLiteral("Reports..sp_RepRecomputeExtensionInPatient '"), {mdy(d)})
              << db::callText(QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfServices '"), {mdy(d)})
              << db::callText(QStringLiteral("Reports..sp_RepRecomputeExtensionOutPatient '"), {mdy(d)});
    const QDate currentMonth(to.year(), to.month(), 1);
    QDate lastPastMonth;
    if (options.monthEnd) {
        for (QDate m = from; m < currentMonth; m = m.addMonths(1)) {
            lastPastMonth = m;
            const QString f = mdy(m), l = mdy(m.addMonths(1).addDays(-1));
            for (const auto& dep : master::departments()) {
                if (dep.logbook)
                    monthEnd << db::callText(kMonthly, {f, l, QLatin1String(dep.code), QStringLiteral("N")});
                monthEnd << db::callText(kMonthly, {f, l, QLatin1String(dep.code), QStringLiteral("Y")});
            }
            for (const auto& misc : master::miscCodes()) {
                bool isDept = false;
                for (const auto& dep : master::departments())
                    isDept |= QLatin1String(dep.code) == QLatin1String(misc.code);
                if (!isDept)
                    monthEnd << db::callText(kMonthly, {f, l, QLatin1String(misc.code), QStringLiteral("Y")});
            }
        }
        if (lastPastMonth.isValid()) {
            const QString f = mdy(lastPastMonth), l = mdy(lastPastMonth.addMonths(1).addDays(-1));
            monthEnd << db::callText(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '"), {f, l})
                     << db::callText(QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '"), {f, l});
        }
    }
    callEach(connection, monthly, QStringLiteral("Posting the journal and the reporting copies"), progress);
    callEach(connection, daily, QStringLiteral("Preparing the daily summaries"), progress);
    callEach(connection, monthEnd, QStringLiteral("Running the month-end recomputes"), progress);
    connection.trace().clear();
}

} // namespace tarvik::hospitaldb
